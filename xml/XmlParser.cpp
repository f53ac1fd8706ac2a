// The recursive-descent parser over the XML 1.0 productions.
//
// The whole input is parsed in one pass over the caller's buffer. Text runs
// are found with the byte classes of XmlCharClasses.h and copied once, when
// their node is made; only text holding a carriage return or a reference goes
// through a scratch buffer.
//
// Line and column are a function of the position alone (a line feed, a lone
// carriage return and a CR LF pair each end one line; the column counts the
// bytes since), so the context keeps only positions and works them out when
// an error is raised. Pushing back one character restores the position, and
// with it line and column.
#include "xml/AdvXMLParser.h"
#include "xml/XmlArena.h"
#include "xml/XmlCharClasses.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace AdvXMLParser {

namespace {

constexpr int kEndOfInput = -1;

// Names are short: a loop beats a call to memcmp.
bool SameName(std::string_view a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

// The character of a predefined entity, 0 for any other name; the same
// answers as LookupPredefinedEntity, without a map lookup per reference.
char PredefinedCharacter(std::string_view name)
{
    switch (name.size()) {
    case 2:
        if (name[1] == 't')
            return name[0] == 'l' ? '<' : name[0] == 'g' ? '>' : 0;
        return 0;
    case 3:
        return name == "amp" ? '&' : 0;
    case 4:
        return name == "apos" ? '\'' : name == "quot" ? '"' : 0;
    default:
        return 0;
    }
}

} // namespace

class ParserContext {
public:
    ParserContext(const char* data, std::size_t length)
        : m_begin(reinterpret_cast<const unsigned char*>(data))
        , m_end(m_begin + length)
        , m_pos(m_begin)
        , m_prev(m_begin)
    {
    }

    std::unique_ptr<Document> ParseDocument();

private:
    // Text joins the container's current text node, or becomes a new one.
    // stored is in the arena already.
    void AddStoredText(NodeContainer& container, std::string_view stored)
    {
        if (container.m_currentText) {
            container.m_currentText->Append(stored.data(), stored.size());
            return;
        }
        Text* node = Make<Text>(m_textName, stored);
        container.LinkAs(node, node);
    }
    // A run of the input, which is the document's own copy.
    void AddText(NodeContainer& container, const unsigned char* begin, const unsigned char* end)
    {
        AddStoredText(container,
            std::string_view(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin)));
    }
    void AddText(NodeContainer& container, const std::string& text)
    {
        AddStoredText(container, m_arena->Store(text.data(), text.size()));
    }

    // Lists a node whose strings did not fit into the strings themselves.
    template <typename T> T* Listed(T* node, std::size_t longest)
    {
        static const std::size_t kInPlace = std::string().capacity();
        if (longest > kInPlace)
            m_arena->AddHeapOwner(node);
        return node;
    }

    // A node in the document's arena.
    template <typename T, typename... Args> T* Make(Args&&... args)
    {
        T* node = new (m_arena->Allocate(sizeof(T))) T(std::forward<Args>(args)...);
        node->m_inArena = true;
        return node;
    }

    // Characters ---------------------------------------------------------

    bool AtEnd() const { return m_pos >= m_end; }

    // The next character: CR LF and a lone CR read as LF; kEndOfInput at
    // the end of the buffer (the position does not move).
    int Read()
    {
        m_prev = m_pos;
        if (m_pos >= m_end)
            return kEndOfInput;
        unsigned char c = *m_pos++;
        if (c == '\r') {
            if (m_pos < m_end && *m_pos == '\n')
                ++m_pos;
            return '\n';
        }
        return c;
    }

    void PushBack() { m_pos = m_prev; }

    int Peek() const
    {
        if (m_pos >= m_end)
            return kEndOfInput;
        return *m_pos == '\r' ? '\n' : *m_pos;
    }

    // Consumes text when the input continues with it; fixed strings hold no
    // line breaks, so a byte-wise comparison is a character-wise one.
    bool Match(std::string_view text)
    {
        if (static_cast<std::size_t>(m_end - m_pos) < text.size()
            || std::memcmp(m_pos, text.data(), text.size()) != 0)
            return false;
        m_prev = m_pos;
        m_pos += text.size();
        return true;
    }

    bool Next(unsigned char c) const { return m_pos < m_end && *m_pos == c; }

    // Consumes c when it is the next byte.
    bool Skip(unsigned char c)
    {
        if (!Next(c))
            return false;
        m_prev = m_pos++;
        return true;
    }

    bool SkipSpaces()
    {
        const unsigned char* start = m_pos;
        while (m_pos < m_end && chars::IsSpace(*m_pos))
            ++m_pos;
        return m_pos != start;
    }

    // A name at the current position, or an empty view when none starts
    // here.
    std::string_view ReadName()
    {
        if (m_pos >= m_end || !chars::IsNameStart(*m_pos))
            return {};
        const unsigned char* start = m_pos++;
        m_pos = chars::SkipWhile(m_pos, m_end, chars::kNameChar);
        return std::string_view(reinterpret_cast<const char*>(start), m_pos - start);
    }

    [[noreturn]] void Fail(int code) const { FailAt(code, m_pos); }
    [[noreturn]] void FailAt(int code, const unsigned char* at) const;

    // An error for the byte at the current position: the end of input, a
    // byte that is not a Char, or else code.
    [[noreturn]] void FailHere(int code) const
    {
        if (AtEnd())
            Fail(kErrorEndOfInput);
        if (!chars::IsChar(*m_pos))
            Fail(kErrorInvalidChar);
        Fail(code);
    }

    // Document -----------------------------------------------------------

    void ParseXmlDeclaration(Document& document);
    void ParseEq(int code);
    void ParseMisc(NodeContainer& parent, bool allowDoctype, bool& doctypeSeen);
    void ParseElement(NodeContainer& parent, int depth);
    void ParseContent(Element& element, int depth);
    void ParseText(Element& element);
    void ParseContentReference();
    void ParseAttribute(Element& element);
    void ParseAttributeValue(Attribute& attribute);
    void ParseValueReference(Attribute& attribute);
    void ParseComment(NodeContainer* parent);
    void ParsePi(NodeContainer* parent);
    void ParseCData(NodeContainer& parent);
    // Gathers Chars up to terminator, with line breaks read as LF, into
    // m_scratch; the terminator is consumed.
    void GatherUntil(std::string_view terminator);

    // Document type declaration -----------------------------------------

    void ParseDoctype();
    void ParseInternalSubset();
    void ParseParameterEntityRef();
    void ParseElementDecl();
    void ParseContentSpec();
    void ParseMixed();
    void ParseGroup(int depth);
    void ParseContentParticle(int depth);
    void ParseSuffix();
    void ParseAttlistDecl();
    void ParseAttributeDef();
    void ParseAttributeType();
    void ParseEnumeration(bool names);
    void ParseDefaultDecl();
    void ParseEntityDecl();
    void ParseEntityValue();
    void ParseNotationDecl();
    // "SYSTEM" literal, or "PUBLIC" public-id literal and (unless the system
    // literal is optional, as in a notation) a system literal. False when
    // neither keyword is at the current position.
    bool ParseExternalId(bool systemLiteralOptional);
    void ParseSystemLiteral() { ParseQuotedLiteral(kErrorExternalId, chars::IsChar, kErrorInvalidChar); }
    void ParsePublicIdLiteral()
    {
        ParseQuotedLiteral(kErrorPublicId, chars::IsPubidChar, kErrorPublicIdChar);
    }
    // A literal in single or double quotes whose every byte `accepts`;
    // `missingCode` when no quote opens it, `badCharCode` at a refused byte.
    void ParseQuotedLiteral(int missingCode, bool (*accepts)(unsigned char), int badCharCode);
    void RequireSpace(int code)
    {
        if (!SkipSpaces())
            FailHere(code);
    }

    const unsigned char* m_begin;
    const unsigned char* m_end;
    const unsigned char* m_pos;
    const unsigned char* m_prev;
    std::string m_scratch;
    Arena* m_arena = nullptr;
    const std::string* m_textName = Text::SharedName();
};

void ParserContext::FailAt(int code, const unsigned char* at) const
{
    int line = 1;
    const unsigned char* lineStart = m_begin;
    for (const unsigned char* p = m_begin; p < at; ++p) {
        if (*p == '\n') {
            if (p == m_begin || p[-1] != '\r')
                ++line;
            lineStart = p + 1;
        } else if (*p == '\r') {
            ++line;
            lineStart = p + 1;
        }
    }
    throw ParsingException(code, line, static_cast<int>(at - lineStart));
}

// Document ---------------------------------------------------------------

std::unique_ptr<Document> ParserContext::ParseDocument()
{
    auto document = std::make_unique<Document>();
    document->m_arena = std::make_unique<Arena>();
    m_arena = document->m_arena.get();
    // The input is copied once into the arena, and the parse runs over the
    // copy: text that needs no change is then a view of its bytes there.
    if (m_end != m_begin) {
        const std::string_view copy = m_arena->Store(
            reinterpret_cast<const char*>(m_begin), static_cast<std::size_t>(m_end - m_begin));
        m_begin = m_pos = m_prev = reinterpret_cast<const unsigned char*>(copy.data());
        m_end = m_begin + copy.size();
    }
    // "<?xml" followed by a name character is a processing instruction with a
    // reserved target, not the declaration.
    if (Match("<?xml")) {
        if (!AtEnd() && chars::IsNameChar(*m_pos))
            PushBack();
        else
            ParseXmlDeclaration(*document);
    }
    bool doctypeSeen = false;
    ParseMisc(*document, true, doctypeSeen);
    if (!(m_pos + 1 < m_end && *m_pos == '<' && chars::IsNameStart(m_pos[1])))
        Fail(kErrorNoRootElement);
    ParseElement(*document, 1);
    ParseMisc(*document, false, doctypeSeen);
    if (!AtEnd())
        Fail(kErrorContentAfterRoot);
    return document;
}

void ParserContext::ParseEq(int code)
{
    SkipSpaces();
    if (!Next('='))
        FailHere(code);
    ++m_pos;
    SkipSpaces();
}

void ParserContext::ParseXmlDeclaration(Document& document)
{
    bool space = SkipSpaces();
    if (!space || !Match("version"))
        Fail(kErrorVersion);
    ParseEq(kErrorEqualMissing);
    int quote = Read();
    if (quote != '"' && quote != '\'') {
        PushBack();
        FailHere(kErrorVersion);
    }
    const unsigned char* start = m_pos;
    while (m_pos < m_end
        && (chars::IsAsciiLetter(*m_pos) || chars::IsDigit(*m_pos) || *m_pos == '_' || *m_pos == '.'
            || *m_pos == ':' || *m_pos == '-'))
        ++m_pos;
    if (m_pos == start || !Next(static_cast<unsigned char>(quote)))
        FailHere(kErrorVersion);
    document.SetVersion(std::string(start, m_pos));
    ++m_pos;

    space = SkipSpaces();
    if (space && Match("encoding")) {
        ParseEq(kErrorEqualMissing);
        quote = Read();
        if (quote != '"' && quote != '\'') {
            PushBack();
            FailHere(kErrorEncodingNotQuoted);
        }
        start = m_pos;
        if (AtEnd() || !chars::IsAsciiLetter(*m_pos))
            FailHere(kErrorEncodingMalformed);
        while (m_pos < m_end
            && (chars::IsAsciiLetter(*m_pos) || chars::IsDigit(*m_pos) || *m_pos == '_' || *m_pos == '.'
                || *m_pos == '-'))
            ++m_pos;
        if (!Next(static_cast<unsigned char>(quote)))
            FailHere(kErrorEncodingMalformed);
        document.SetEncoding(std::string(start, m_pos));
        ++m_pos;
        space = SkipSpaces();
    }
    if (space && Match("standalone")) {
        ParseEq(kErrorEqualMissing);
        quote = Read();
        if (quote != '"' && quote != '\'') {
            PushBack();
            FailHere(kErrorStandaloneNotQuoted);
        }
        bool standalone = true;
        if (Match("yes"))
            standalone = true;
        else if (Match("no"))
            standalone = false;
        else
            FailHere(kErrorStandaloneMalformed);
        if (!Next(static_cast<unsigned char>(quote)))
            FailHere(kErrorStandaloneMalformed);
        ++m_pos;
        document.SetStandalone(standalone);
        SkipSpaces();
    }
    if (!Match("?>"))
        FailHere(kErrorDeclarationEnd);
}

// Comments, processing instructions and spaces; before the root element also
// one document type declaration.
void ParserContext::ParseMisc(NodeContainer& parent, bool allowDoctype, bool& doctypeSeen)
{
    for (;;) {
        SkipSpaces();
        if (Match("<!--")) {
            ParseComment(&parent);
        } else if (Match("<?")) {
            ParsePi(&parent);
        } else if (allowDoctype && !doctypeSeen && Match("<!DOCTYPE")) {
            ParseDoctype();
            doctypeSeen = true;
        } else {
            return;
        }
    }
}

void ParserContext::ParseElement(NodeContainer& parent, int depth)
{
    if (depth > Parser::kMaxNestingDepth)
        Fail(kErrorNestingTooDeep);
    ++m_pos; // '<'
    std::string_view name = ReadName();
    if (name.empty())
        FailHere(kErrorTagNameMissing);
    // Linked at once, so the document frees it when a later error unwinds.
    auto* element = Listed(Make<Element>(name), name.size());
    parent.LinkAs(element, nullptr);
    for (;;) {
        bool space = SkipSpaces();
        if (AtEnd())
            Fail(kErrorEndOfInput);
        unsigned char c = *m_pos;
        if (c == '>') {
            ++m_pos;
            ParseContent(*element, depth);
            return;
        }
        if (c == '/') {
            ++m_pos;
            if (!Skip('>'))
                FailHere(kErrorSlashWithoutGreater);
            return;
        }
        if (!space || !chars::IsNameStart(c))
            FailHere(kErrorGreaterMissing);
        ParseAttribute(*element);
    }
}

void ParserContext::ParseAttribute(Element& element)
{
    std::string_view name = ReadName();
    auto* attribute = Listed(Make<Attribute>(name), name.size());
    element.LinkAttribute(attribute);
    ParseEq(kErrorEqualMissing);
    ParseAttributeValue(*attribute);
    if (name == "xml:space")
        element.SetPreserveSpace(attribute->Value() == "preserve");
}

void ParserContext::ParseAttributeValue(Attribute& attribute)
{
    if (AtEnd() || (*m_pos != '"' && *m_pos != '\''))
        FailHere(kErrorValueNotQuoted);
    const unsigned char quote = *m_pos++;
    const unsigned char* p = m_pos;
    const unsigned char* run = p;
    bool scratch = false;
    for (;;) {
        p = chars::SkipWhile(p, m_end, chars::kPlainValue);
        if (p == m_end)
            FailAt(kErrorEndOfInput, p);
        const unsigned char c = *p;
        if (c == quote)
            break;
        if (c == '"' || c == '\'') {
            ++p;
            continue;
        }
        if (c == '<')
            FailAt(kErrorLessThanInValue, p);
        if (c == '\r') {
            if (!scratch)
                m_scratch.clear();
            scratch = true;
            m_scratch.append(run, p);
            m_scratch += '\n';
            ++p;
            if (p < m_end && *p == '\n')
                ++p;
            run = p;
            continue;
        }
        if (c != '&')
            FailAt(kErrorInvalidChar, p);
        // A reference ends the text before it.
        if (scratch) {
            m_scratch.append(run, p);
            AddText(attribute, m_scratch);
            scratch = false;
        } else if (p != run) {
            AddText(attribute, run, p);
        }
        m_pos = p;
        ParseValueReference(attribute);
        p = run = m_pos;
    }
    if (scratch) {
        m_scratch.append(run, p);
        AddText(attribute, m_scratch);
    } else if (p != run) {
        AddText(attribute, run, p);
    }
    m_pos = p + 1;
}

// At "&" in an attribute value: a character or entity reference, appended as
// a node.
void ParserContext::ParseValueReference(Attribute& attribute)
{
    ++m_pos; // '&'
    if (Skip('#')) {
        const bool hex = Skip('x');
        const int code = hex ? kErrorMalformedHexRef : kErrorMalformedDecimalRef;
        const unsigned char* digits = m_pos;
        unsigned value = 0;
        while (m_pos < m_end && (hex ? chars::IsHexDigit(*m_pos) : chars::IsDigit(*m_pos))) {
            const unsigned char d = *m_pos;
            const unsigned digit = chars::IsDigit(d) ? d - '0' : (d | 0x20) - 'a' + 10;
            value = value * (hex ? 16 : 10) + digit;
            if (value > 0xFF)
                value = 0x100; // too big for a byte; keep it from overflowing
            ++m_pos;
        }
        if (m_pos == digits)
            FailHere(code);
        if (!Skip(';'))
            FailHere(kErrorMalformedReference);
        if (value > 0xFF || !chars::IsChar(static_cast<unsigned char>(value)))
            FailAt(kErrorInvalidChar, digits);
        attribute.Link(Make<CharRef>(static_cast<unsigned char>(value)));
        return;
    }
    const unsigned char* start = m_pos;
    std::string_view name = ReadName();
    if (name.empty())
        FailHere(kErrorMalformedReference);
    if (!Skip(';'))
        FailHere(kErrorMalformedReference);
    char character = 0;
    if (!LookupPredefinedEntity(name, character))
        FailAt(kErrorUnknownEntity, start);
    attribute.Link(Make<EntityRef>(std::string(name)));
}

void ParserContext::ParseContent(Element& element, int depth)
{
    for (;;) {
        ParseText(element);
        // At '<'.
        ++m_pos;
        if (AtEnd())
            Fail(kErrorEndOfInput);
        const unsigned char c = *m_pos;
        if (chars::IsNameStart(c)) {
            --m_pos;
            ParseElement(element, depth + 1);
        } else if (c == '/') {
            ++m_pos;
            std::string_view name = ReadName();
            if (name.empty())
                FailHere(kErrorTagNameMissing);
            if (!SameName(name, element.Name()))
                FailAt(kErrorEndTagMismatch, m_pos - name.size());
            SkipSpaces();
            if (!Skip('>'))
                FailHere(kErrorGreaterMissing);
            return;
        } else if (Match("!--")) {
            ParseComment(&element);
        } else if (Match("![CDATA[")) {
            ParseCData(element);
        } else if (c == '?') {
            ++m_pos;
            ParsePi(&element);
        } else {
            Fail(kErrorUnknownMarkup);
        }
    }
}

// Text up to the next '<' (not consumed), appended to the element's current
// text node or to a new one.
void ParserContext::ParseText(Element& element)
{
    const unsigned char* p = m_pos;
    const unsigned char* run = p;
    bool scratch = false;
    for (;;) {
        p = chars::SkipWhile(p, m_end, chars::kPlainText);
        if (p == m_end)
            FailAt(kErrorEndOfInput, p);
        const unsigned char c = *p;
        if (c == '<')
            break;
        if (c == ']') {
            if (m_end - p >= 3 && p[1] == ']' && p[2] == '>')
                FailAt(kErrorCDataEndInContent, p);
            ++p;
            continue;
        }
        if (!scratch)
            m_scratch.clear();
        scratch = true;
        m_scratch.append(run, p);
        if (c == '\r') {
            m_scratch += '\n';
            ++p;
            if (p < m_end && *p == '\n')
                ++p;
        } else if (c == '&') {
            m_pos = p;
            ParseContentReference();
            p = m_pos;
        } else {
            FailAt(kErrorInvalidChar, p);
        }
        run = p;
    }
    m_pos = p;
    if (scratch) {
        m_scratch.append(run, p);
        if (!m_scratch.empty())
            AddText(element, m_scratch);
    } else if (p != run) {
        AddText(element, run, p);
    }
}

// At "&" in content: a predefined entity's character joins m_scratch; any
// other entity vanishes; character references are not allowed here.
void ParserContext::ParseContentReference()
{
    ++m_pos; // '&'
    if (Next('#'))
        Fail(kErrorMalformedReference);
    std::string_view name = ReadName();
    if (name.empty())
        FailHere(kErrorMalformedReference);
    if (!Skip(';'))
        FailHere(kErrorMalformedReference);
    const char character = PredefinedCharacter(name);
    if (character)
        m_scratch += character;
}

void ParserContext::GatherUntil(std::string_view terminator)
{
    m_scratch.clear();
    const unsigned char* p = m_pos;
    const unsigned char* run = p;
    const unsigned char first = static_cast<unsigned char>(terminator[0]);
    for (;;) {
        while (p < m_end && *p != first && *p != '\r' && chars::IsChar(*p))
            ++p;
        if (p == m_end)
            FailAt(kErrorEndOfInput, p);
        if (*p == '\r') {
            m_scratch.append(run, p);
            m_scratch += '\n';
            ++p;
            if (p < m_end && *p == '\n')
                ++p;
            run = p;
            continue;
        }
        if (*p != first)
            FailAt(kErrorInvalidChar, p);
        if (static_cast<std::size_t>(m_end - p) >= terminator.size()
            && std::memcmp(p, terminator.data(), terminator.size()) == 0)
            break;
        ++p;
    }
    m_scratch.append(run, p);
    m_pos = p + terminator.size();
}

// After "<!--".
void ParserContext::ParseComment(NodeContainer* parent)
{
    m_scratch.clear();
    const unsigned char* p = m_pos;
    const unsigned char* run = p;
    for (;;) {
        while (p < m_end && *p != '-' && *p != '\r' && chars::IsChar(*p))
            ++p;
        if (p == m_end)
            FailAt(kErrorEndOfInput, p);
        if (*p == '\r') {
            m_scratch.append(run, p);
            m_scratch += '\n';
            ++p;
            if (p < m_end && *p == '\n')
                ++p;
            run = p;
            continue;
        }
        if (*p != '-')
            FailAt(kErrorInvalidChar, p);
        if (m_end - p >= 2 && p[1] == '-') {
            if (m_end - p >= 3 && p[2] == '>')
                break;
            if (m_end - p == 2)
                FailAt(kErrorEndOfInput, p + 2);
            FailAt(kErrorDoubleHyphenInComment, p + 2);
        }
        ++p;
    }
    m_scratch.append(run, p);
    m_pos = p + 3;
    if (parent)
        parent->Link(Listed(Make<Comment>(m_scratch), m_scratch.size()));
}

// After "<?".
void ParserContext::ParsePi(NodeContainer* parent)
{
    std::string_view target = ReadName();
    if (target.empty())
        FailHere(kErrorPiTargetMissing);
    if (target.size() >= 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm'
        && (target[2] | 0x20) == 'l')
        FailAt(kErrorPiTargetReserved, m_pos - target.size());
    std::string name(target);
    if (Match("?>")) {
        if (parent)
            parent->Link(Listed(Make<Pi>(name, std::string_view()), name.size()));
        return;
    }
    if (!SkipSpaces())
        FailHere(kErrorPiTargetMissing);
    GatherUntil("?>");
    if (parent)
        parent->Link(Listed(Make<Pi>(name, m_scratch), std::max(name.size(), m_scratch.size())));
}

// After "<![CDATA[".
void ParserContext::ParseCData(NodeContainer& parent)
{
    GatherUntil("]]>");
    parent.Link(Listed(Make<CData>(m_scratch), m_scratch.size()));
}

// Document type declaration ----------------------------------------------
//
// Checked against the grammar, nothing kept: no entity becomes known and no
// default attribute is added.

// After "<!DOCTYPE".
void ParserContext::ParseDoctype()
{
    RequireSpace(kErrorDoctype);
    if (ReadName().empty())
        FailHere(kErrorDoctype);
    if (SkipSpaces())
        ParseExternalId(false);
    SkipSpaces();
    if (Skip('[')) {
        ParseInternalSubset();
        SkipSpaces();
    }
    if (!Skip('>'))
        FailHere(kErrorDoctype);
}

void ParserContext::ParseInternalSubset()
{
    for (;;) {
        SkipSpaces();
        if (Skip(']'))
            return;
        if (Match("<!ELEMENT"))
            ParseElementDecl();
        else if (Match("<!ATTLIST"))
            ParseAttlistDecl();
        else if (Match("<!ENTITY"))
            ParseEntityDecl();
        else if (Match("<!NOTATION"))
            ParseNotationDecl();
        else if (Match("<!--"))
            ParseComment(nullptr);
        else if (Match("<?"))
            ParsePi(nullptr);
        else if (Next('%'))
            ParseParameterEntityRef();
        else
            FailHere(kErrorDoctype);
    }
}

// At "%".
void ParserContext::ParseParameterEntityRef()
{
    ++m_pos;
    if (ReadName().empty())
        FailHere(kErrorParameterEntityRef);
    if (!Skip(';'))
        FailHere(kErrorParameterEntityRef);
}

// After "<!ELEMENT".
void ParserContext::ParseElementDecl()
{
    RequireSpace(kErrorElementDecl);
    if (ReadName().empty())
        FailHere(kErrorElementDecl);
    RequireSpace(kErrorElementDecl);
    ParseContentSpec();
    SkipSpaces();
    if (!Skip('>'))
        FailHere(kErrorElementDecl);
}

void ParserContext::ParseContentSpec()
{
    if (Match("EMPTY") || Match("ANY"))
        return;
    if (!Skip('('))
        FailHere(kErrorContentSpec);
    SkipSpaces();
    if (Match("#PCDATA")) {
        ParseMixed();
        return;
    }
    ParseGroup(1);
    ParseSuffix();
}

// After "(#PCDATA": either ")" or names separated by "|" and closed by ")*".
void ParserContext::ParseMixed()
{
    SkipSpaces();
    if (Skip(')')) {
        Skip('*');
        return;
    }
    while (Skip('|')) {
        SkipSpaces();
        if (ReadName().empty())
            FailHere(kErrorContentSpec);
        SkipSpaces();
    }
    if (!Match(")*"))
        FailHere(kErrorContentSpec);
}

// After "(" and spaces: content particles separated by all "|" or all ",",
// then ")".
void ParserContext::ParseGroup(int depth)
{
    if (depth > Parser::kMaxNestingDepth)
        Fail(kErrorNestingTooDeep);
    ParseContentParticle(depth);
    int separator = 0;
    for (;;) {
        SkipSpaces();
        if (Skip(')'))
            return;
        if (AtEnd())
            Fail(kErrorEndOfInput);
        const unsigned char c = *m_pos;
        if (c != '|' && c != ',')
            FailHere(kErrorContentSpec);
        if (separator != 0 && c != separator)
            Fail(kErrorMixedSeparators);
        separator = c;
        ++m_pos;
        SkipSpaces();
        ParseContentParticle(depth);
    }
}

void ParserContext::ParseContentParticle(int depth)
{
    if (Skip('(')) {
        SkipSpaces();
        ParseGroup(depth + 1);
    } else if (ReadName().empty()) {
        FailHere(kErrorContentParticleMissing);
    }
    ParseSuffix();
}

void ParserContext::ParseSuffix()
{
    if (Next('?') || Next('*') || Next('+'))
        ++m_pos;
}

// After "<!ATTLIST".
void ParserContext::ParseAttlistDecl()
{
    RequireSpace(kErrorAttlistDecl);
    if (ReadName().empty())
        FailHere(kErrorAttlistDecl);
    for (;;) {
        const bool space = SkipSpaces();
        if (Skip('>'))
            return;
        if (!space || AtEnd() || !chars::IsNameStart(*m_pos))
            FailHere(kErrorAttlistDecl);
        ParseAttributeDef();
    }
}

void ParserContext::ParseAttributeDef()
{
    ReadName();
    RequireSpace(kErrorAttributeDef);
    ParseAttributeType();
    RequireSpace(kErrorAttributeDef);
    ParseDefaultDecl();
}

void ParserContext::ParseAttributeType()
{
    // Longer keywords first: "IDREFS" before "IDREF" before "ID".
    static constexpr std::string_view kTypes[]
        = { "CDATA", "IDREFS", "IDREF", "ID", "ENTITIES", "ENTITY", "NMTOKENS", "NMTOKEN" };
    for (std::string_view type : kTypes) {
        if (Match(type))
            return;
    }
    if (Match("NOTATION")) {
        RequireSpace(kErrorAttributeType);
        if (!Skip('('))
            FailHere(kErrorAttributeType);
        ParseEnumeration(true);
        return;
    }
    if (Skip('(')) {
        ParseEnumeration(false);
        return;
    }
    FailHere(kErrorAttributeType);
}

// After "(": names (a notation's group) or name tokens separated by "|",
// then ")".
void ParserContext::ParseEnumeration(bool names)
{
    for (;;) {
        SkipSpaces();
        const unsigned char* start = m_pos;
        if (names) {
            ReadName();
        } else {
            while (m_pos < m_end && chars::IsNameChar(*m_pos))
                ++m_pos;
        }
        if (m_pos == start)
            FailHere(kErrorEnumeration);
        SkipSpaces();
        if (Skip(')'))
            return;
        if (!Skip('|'))
            FailHere(kErrorEnumeration);
    }
}

void ParserContext::ParseDefaultDecl()
{
    if (Match("#REQUIRED") || Match("#IMPLIED"))
        return;
    if (Match("#FIXED")) {
        if (!SkipSpaces())
            FailHere(kErrorFixedWithoutSpace);
    }
    if (AtEnd() || (*m_pos != '"' && *m_pos != '\''))
        FailHere(kErrorAttributeDef);
    Attribute discarded("#default");
    ParseAttributeValue(discarded);
}

// After "<!ENTITY".
void ParserContext::ParseEntityDecl()
{
    RequireSpace(kErrorEntityDecl);
    bool parameter = false;
    if (Skip('%')) {
        parameter = true;
        RequireSpace(kErrorEntityDecl);
    }
    if (ReadName().empty())
        FailHere(kErrorEntityDecl);
    RequireSpace(kErrorEntityDecl);
    if (Next('"') || Next('\'')) {
        ParseEntityValue();
    } else {
        if (!ParseExternalId(false))
            FailHere(kErrorEntityDecl);
        const bool space = SkipSpaces();
        if (space && Match("NDATA")) {
            if (parameter)
                FailAt(kErrorNData, m_prev);
            RequireSpace(kErrorNData);
            if (ReadName().empty())
                FailHere(kErrorNData);
        }
    }
    SkipSpaces();
    if (!Skip('>'))
        FailHere(kErrorEntityDecl);
}

// A quoted entity value: Chars, parameter-entity references and references,
// none of them expanded.
void ParserContext::ParseEntityValue()
{
    const unsigned char quote = *m_pos++;
    for (;;) {
        if (AtEnd())
            Fail(kErrorEndOfInput);
        const unsigned char c = *m_pos;
        if (c == quote) {
            ++m_pos;
            return;
        }
        if (c == '%') {
            ParseParameterEntityRef();
        } else if (c == '&') {
            ++m_pos;
            if (Skip('#')) {
                const bool hex = Skip('x');
                const unsigned char* digits = m_pos;
                while (m_pos < m_end && (hex ? chars::IsHexDigit(*m_pos) : chars::IsDigit(*m_pos)))
                    ++m_pos;
                if (m_pos == digits)
                    FailHere(hex ? kErrorMalformedHexRef : kErrorMalformedDecimalRef);
            } else if (ReadName().empty()) {
                FailHere(kErrorMalformedReference);
            }
            if (!Skip(';'))
                FailHere(kErrorMalformedReference);
        } else if (!chars::IsChar(c)) {
            Fail(kErrorInvalidChar);
        } else {
            ++m_pos;
        }
    }
}

// After "<!NOTATION".
void ParserContext::ParseNotationDecl()
{
    RequireSpace(kErrorNotationDecl);
    if (ReadName().empty())
        FailHere(kErrorNotationDecl);
    RequireSpace(kErrorNotationDecl);
    if (!ParseExternalId(true))
        FailHere(kErrorNotationDecl);
    SkipSpaces();
    if (!Skip('>'))
        FailHere(kErrorNotationDecl);
}

bool ParserContext::ParseExternalId(bool systemLiteralOptional)
{
    if (Match("SYSTEM")) {
        RequireSpace(kErrorExternalId);
        ParseSystemLiteral();
        return true;
    }
    if (!Match("PUBLIC"))
        return false;
    RequireSpace(kErrorExternalId);
    ParsePublicIdLiteral();
    if (systemLiteralOptional) {
        const unsigned char* before = m_pos;
        if (SkipSpaces() && (Next('"') || Next('\'')))
            ParseSystemLiteral();
        else
            m_pos = before;
        return true;
    }
    RequireSpace(kErrorExternalId);
    ParseSystemLiteral();
    return true;
}

void ParserContext::ParseQuotedLiteral(int missingCode, bool (*accepts)(unsigned char), int badCharCode)
{
    if (!Next('"') && !Next('\''))
        FailHere(missingCode);
    const unsigned char quote = *m_pos++;
    for (;;) {
        if (AtEnd())
            Fail(kErrorEndOfInput);
        if (*m_pos == quote)
            break;
        if (!accepts(*m_pos))
            Fail(badCharCode);
        ++m_pos;
    }
    ++m_pos;
}

std::unique_ptr<Document> Parser::Parse(const char* data, std::size_t length)
{
    if (!data)
        length = 0;
    ParserContext context(data ? data : "", length);
    return context.ParseDocument();
}

} // namespace AdvXMLParser
