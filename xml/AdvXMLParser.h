// AdvXMLParser: a small XML 1.0 document model with a parser and a writer.
//
// The library works on 8-bit characters throughout: it decodes and encodes no
// character set, so whatever bytes go into a text come out in the file
// unchanged, and back again.
//
// Ownership: a Document owns its whole tree. A container owns its child nodes,
// an element its attributes. Every pointer the lookups hand out is a plain,
// non-owning pointer that stays valid until the node is removed or its
// document is destroyed.
//
// Lookups never return a null pointer. When nothing is found they return one
// of a set of shared, process-wide null objects (an empty element, attribute,
// text, ...). Every operation on a null object does nothing and its value is
// the empty string, so a chained lookup such as
// doc->Root()->FindChild("a")->FindChild("b")->Value() never crashes. Test
// IsNull() when the difference matters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace AdvXMLParser {

class Node;
class NodeContainer;
class Element;
class Attribute;
class Document;
class Text;
class FormattingContext;
class Arena;

// The node-type numbers answered by Node::IsType.
enum class NodeType : int {
    Element = 1,
    Attribute = 2,
    Text = 3,
    CData = 4,
    Reference = 5,
    Pi = 7,
    Comment = 8,
    Document = 9,
};

// The codes carried by ParsingException.
enum ErrorCode : int {
    kErrorEndOfInput = 1, // the input ends inside a construct
    kErrorInvalidChar = 2, // a byte that is not a Char
    kErrorEqualMissing = 3, // "=" missing after an attribute name or declaration keyword
    kErrorValueNotQuoted = 4, // attribute value not quoted
    kErrorLessThanInValue = 5, // "<" inside an attribute value
    kErrorMalformedReference = 6, // malformed reference, or a character reference in content
    kErrorMalformedHexRef = 7, // malformed hexadecimal character reference
    kErrorMalformedDecimalRef = 8, // malformed decimal character reference
    kErrorUnknownEntity = 9, // entity reference in an attribute value to an unknown name
    kErrorTagNameMissing = 10, // name missing in a start or end tag
    kErrorSlashWithoutGreater = 11, // "/" not followed by ">" in a start tag
    kErrorGreaterMissing = 12, // ">" missing at the end of a start or end tag
    kErrorEndTagMismatch = 13, // end-tag name differs from the start-tag name
    kErrorUnknownMarkup = 14, // unrecognised markup after "<" in content
    kErrorCDataEndInContent = 15, // "]]>" in content
    kErrorNoRootElement = 16, // no root element
    kErrorVersion = 17, // version missing or malformed in the XML declaration
    kErrorDeclarationEnd = 18, // XML declaration not closed by "?>"
    kErrorEncodingNotQuoted = 19,
    kErrorEncodingMalformed = 20,
    kErrorStandaloneNotQuoted = 21,
    kErrorStandaloneMalformed = 22,
    kErrorDoubleHyphenInComment = 23,
    kErrorPiTargetMissing = 24,
    kErrorPiTargetReserved = 25,
    kErrorDoctype = 26,
    kErrorParameterEntityRef = 27,
    kErrorPublicIdChar = 28,
    kErrorElementDecl = 29,
    kErrorContentSpec = 30,
    kErrorMixedSeparators = 31,
    kErrorContentParticleMissing = 32,
    kErrorAttlistDecl = 33,
    kErrorAttributeDef = 34,
    kErrorAttributeType = 35,
    kErrorEnumeration = 36,
    kErrorFixedWithoutSpace = 37,
    kErrorEntityDecl = 38,
    kErrorNData = 39,
    kErrorNotationDecl = 40,
    kErrorExternalId = 41,
    kErrorPublicId = 42,
    kErrorContentAfterRoot = 43,
    // Elements (or content-model groups of the document type declaration)
    // nested deeper than Parser::kMaxNestingDepth.
    kErrorNestingTooDeep = 44,
};

// Base of the library's exceptions.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& what)
        : std::runtime_error(what)
    {
    }
};

// A syntax error: its code (ErrorCode) and the line (from 1) and column
// (from 0) that the parser had reached when it detected the error.
class ParsingException : public Exception {
public:
    ParsingException(int code, int line, int column);
    int Code() const { return m_code; }
    int Line() const { return m_line; }
    int Column() const { return m_column; }

private:
    std::uint8_t m_code;
    int m_line;
    int m_column;
};

// Raised when an EntityRef is constructed for a name that is not one of the
// predefined entities.
class InvalidRefException : public Exception {
public:
    explicit InvalidRefException(const std::string& name);
    const std::string& Name() const { return m_name; }

private:
    std::string m_name;
};

// Base of every node: a name and the container holding it. Nodes sit in an
// intrusive list of their parent, so a container's children need no separate
// allocation. The name is held by the node's class: a shared constant for
// "#text" and the other fixed names, a string of its own for an element, an
// attribute, a processing instruction or an entity reference.
class Node {
public:
    virtual ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // The node's own text: the value of an attribute, the text of a text,
    // comment, CDATA or processing instruction; empty for an element or a
    // document.
    virtual std::string OwnText() const;
    // The value text: see each class.
    virtual std::string Value() const = 0;
    // True when type is the node's own type number or that of a base.
    virtual bool IsType(NodeType type) const = 0;
    // A new, parentless node of the same class with copies of the name,
    // attributes and children (never a null object).
    virtual std::unique_ptr<Node> Copy() const = 0;
    // Appends the node's XML text to the formatting context.
    virtual void Write(FormattingContext& context) const = 0;
    // Appends the value text to out (what Value() returns, without the
    // container's final trimming); containers use it to concatenate their
    // children without building a string per child.
    virtual void AppendValue(std::string& out) const = 0;

    const std::string& Name() const { return *m_name; }
    NodeContainer* Parent() const { return m_parent; }
    Node* NextSibling() const { return m_next; }
    Node* PreviousSibling() const { return m_prev; }
    bool IsNull() const { return m_null; }

protected:
    // name must outlive the node: a constant, or a member of the subclass.
    explicit Node(const std::string* name)
        : m_name(name)
    {
    }

    // Frees a node this one owns, wherever it was made.
    static void Destroy(Node* node);
    // Tells the document holding this node that its tree was changed after
    // parsing (see ~Document).
    void MarkModified();

    // Null objects are made once per process through this flag.
    struct NullTag { };
    Node(NullTag, const std::string* name);

    const std::string* m_name;

private:
    friend class NodeContainer;
    friend class Element;
    friend class Document;
    friend class ParserContext;
    NodeContainer* m_parent = nullptr;
    Node* m_prev = nullptr;
    Node* m_next = nullptr;
    bool m_null = false;
    // Made by the parser in its document's arena: destroyed in place, the
    // memory goes with the document. Every other node is a heap object.
    bool m_inArena = false;
};

// Forward iteration over an intrusive list of nodes, in document order.
template <typename T> class NodeIterator {
public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T*;
    using difference_type = std::ptrdiff_t;
    using pointer = T**;
    using reference = T*;

    NodeIterator() = default;
    explicit NodeIterator(Node* node)
        : m_node(node)
    {
    }
    T* operator*() const { return static_cast<T*>(m_node); }
    NodeIterator& operator++()
    {
        m_node = m_node->NextSibling();
        return *this;
    }
    NodeIterator operator++(int)
    {
        NodeIterator old = *this;
        ++*this;
        return old;
    }
    bool operator==(const NodeIterator& other) const { return m_node == other.m_node; }

private:
    Node* m_node = nullptr;
};

template <typename T> class NodeRange {
public:
    explicit NodeRange(Node* first)
        : m_first(first)
    {
    }
    NodeIterator<T> begin() const { return NodeIterator<T>(m_first); }
    NodeIterator<T> end() const { return NodeIterator<T>(); }
    bool empty() const { return m_first == nullptr; }

private:
    Node* m_first;
};

// A node with an ordered list of owned child nodes, and the text node that
// the next added text is appended to.
class NodeContainer : public Node {
public:
    using Node::Node;
    ~NodeContainer() override;

    // Concatenation of the children's values, leading and trailing Space
    // characters removed.
    std::string Value() const override;
    bool IsType(NodeType type) const override;
    void AppendValue(std::string& out) const override;

    // Child nodes in document order (elements, text and every other kind).
    NodeRange<Node> Nodes() const { return NodeRange<Node>(m_first); }
    NodeIterator<Node> begin() const { return NodeIterator<Node>(m_first); }
    NodeIterator<Node> end() const { return NodeIterator<Node>(); }
    Node* FirstChild() const { return m_first; }
    Node* LastChild() const { return m_last; }
    std::size_t ChildCount() const;

    // Appends a parentless node as the last child and returns it. On a null
    // container, for a null node or for a node that has a parent already,
    // nothing is appended and the null object of the node's kind is
    // returned; a null node or one with a parent is left to its owner.
    Node* AppendChild(std::unique_ptr<Node> node);
    // Inserts a parentless node before the child before (appends it when
    // before is not a child of this container) and returns it.
    Node* InsertBefore(Node* before, std::unique_ptr<Node> node);
    // Takes a child out of the list and hands it to the caller; null when
    // node is not a child of this container. A node the parser made lives in
    // its document's arena, so the caller gets an exact copy of it instead
    // and the original is destroyed.
    std::unique_ptr<Node> RemoveChild(Node* node);
    // Removes and frees every child.
    void RemoveChildren();

    // Appends text: to the current text node when there is one, else to a
    // new Text node appended as the last child.
    void AddText(const std::string& text);
    void AddText(const char* text, std::size_t length);

protected:
    NodeContainer(NullTag tag, const std::string* name)
        : Node(tag, name)
    {
    }
    void CopyChildrenTo(NodeContainer& target) const;
    void WriteChildren(FormattingContext& context) const;
    // Appends a parentless node the container takes ownership of.
    void Link(Node* node);
    // The same when the caller knows whether node is a text node (text is
    // node then, else null).
    void LinkAs(Node* node, Text* text)
    {
        node->m_parent = this;
        node->m_prev = m_last;
        node->m_next = nullptr;
        if (m_last)
            m_last->m_next = node;
        else
            m_first = node;
        m_last = node;
        m_currentText = text;
    }
    // Frees every child without marking the document modified.
    void DestroyChildren();
    // Takes a child out of the list; the caller owns it afterwards.
    void Unlink(Node* node);

private:
    friend class ParserContext;
    friend class Document;
    Node* m_first = nullptr;
    Node* m_last = nullptr;
    // The text node at the end of the list that the next text joins; cleared
    // whenever another kind of node is appended.
    Text* m_currentText = nullptr;
};

// An attribute; its value is held as child nodes (text and references).
class Attribute : public NodeContainer {
public:
    explicit Attribute(std::string_view name);
    ~Attribute() override;

    std::string OwnText() const override;
    bool IsType(NodeType type) const override;
    std::unique_ptr<Node> Copy() const override;
    void Write(FormattingContext& context) const override;

    // Replaces the value by one text node holding value.
    void SetValue(const std::string& value);

    static Attribute* Null();

private:
    explicit Attribute(NullTag tag);
    std::string m_ownName;
};

class Element : public NodeContainer {
public:
    explicit Element(std::string_view name);
    ~Element() override;

    // Concatenation of the children's values (child elements give their own
    // value text); unless xml:space="preserve" is in force on this element,
    // every run of Space characters then becomes one space and leading and
    // trailing Space characters are removed.
    std::string Value() const override;
    std::string OwnText() const override;
    bool IsType(NodeType type) const override;
    std::unique_ptr<Node> Copy() const override;
    void Write(FormattingContext& context) const override;

    // The index-th child element named name; while there are not enough,
    // new empty elements of that name are appended. The null element on a
    // null element or for a negative index.
    Element* Child(const std::string& name, int index = 0);
    // The index-th child element named name, or the null element.
    Element* FindChild(const std::string& name, int index = 0) const;
    // The attribute named name, appended empty when missing.
    Attribute* GetAttribute(const std::string& name);
    // The attribute named name, or the null attribute.
    Attribute* FindAttribute(const std::string& name) const;
    // Sets (creating when missing) the attribute named name to value.
    void SetAttribute(const std::string& name, const std::string& value);
    // Appends a parentless attribute after the existing ones, even when one
    // of that name exists (the parser checks nothing about duplicates).
    Attribute* AppendAttribute(std::unique_ptr<Attribute> attribute);
    // Removes and frees the attribute named name; false when there is none.
    bool RemoveAttribute(const std::string& name);

    // Attributes in document order.
    NodeRange<Attribute> Attributes() const { return NodeRange<Attribute>(m_firstAttribute); }
    // Child elements only, in document order, filtered by name when one is
    // given; a convenience over Nodes().
    Element* FirstChildElement(const std::string& name = {}) const;
    Element* NextSiblingElement(const std::string& name = {}) const;

    // True when the element carries xml:space="preserve".
    bool PreserveSpace() const { return m_preserveSpace; }
    void SetPreserveSpace(bool preserve);

    static Element* Null();

private:
    friend class Attribute;
    friend class Document;
    friend class ParserContext;
    explicit Element(NullTag tag);
    void LinkAttribute(Attribute* attribute);
    std::string m_ownName;
    Attribute* m_firstAttribute = nullptr;
    Attribute* m_lastAttribute = nullptr;
    bool m_preserveSpace = false;
};

class Document : public NodeContainer {
public:
    // An empty document, as the parser starts it: no root element yet.
    Document();
    // A new document with version "1.0", encoding "UTF-8", standalone true
    // and a root element named rootName as its only child.
    explicit Document(const std::string& rootName);
    ~Document() override;

    std::string OwnText() const override;
    bool IsType(NodeType type) const override;
    std::unique_ptr<Node> Copy() const override;
    void Write(FormattingContext& context) const override;

    // The root element, or the null element when the document has none.
    Element* Root() const;
    // Makes element the root: it replaces the old root (which is freed) in
    // its place, or is appended when there was none.
    Element* SetRoot(std::unique_ptr<Element> element);

    const std::string& Version() const { return m_version; }
    const std::string& Encoding() const { return m_encoding; }
    bool Standalone() const { return m_standalone; }
    void SetVersion(const std::string& version) { m_version = version; }
    void SetEncoding(const std::string& encoding) { m_encoding = encoding; }
    void SetStandalone(bool standalone) { m_standalone = standalone; }

    // The document as XML text, indented by two spaces per level, line
    // feeds only.
    std::string ToString() const;
    // The same without any line breaks or indentation.
    std::string ToCompactString() const;

private:
    friend class Node;
    friend class ParserContext;
    // Holds the nodes the parser made; null for a document built in code.
    std::unique_ptr<Arena> m_arena;
    // Set by the first change to the tree after parsing. Until then every
    // node is in the arena and only the few the parser listed own memory of
    // their own, so the destructor skips the walk over the whole tree.
    bool m_modified = false;
    std::string m_version = "1.0";
    std::string m_encoding = "UTF-8";
    bool m_standalone = true;
};

class Text : public Node {
public:
    explicit Text(std::string_view text = {});
    ~Text() override;

    std::string OwnText() const override { return std::string(m_text); }
    std::string Value() const override { return std::string(m_text); }
    bool IsType(NodeType type) const override;
    std::unique_ptr<Node> Copy() const override;
    void Write(FormattingContext& context) const override;
    void AppendValue(std::string& out) const override;

    // Valid until the text is changed or the node is destroyed.
    std::string_view GetText() const { return m_text; }
    void SetText(std::string_view text);
    void Append(const char* text, std::size_t length);

    static Text* Null();

private:
    friend class ParserContext;
    explicit Text(NullTag tag);
    // A parsed text stays in the bytes the parser stored in the document's
    // arena until it is changed; then it moves into m_owned. Every other
    // text is in m_owned from the start.
    // name is SharedName(), looked up once per parse.
    Text(const std::string* name, std::string_view stored)
        : Node(name)
        , m_text(stored)
    {
    }
    static const std::string* SharedName();
    std::unique_ptr<std::string> m_owned;
    std::string_view m_text;
};

class Comment : public Node {
public:
    explicit Comment(std::string_view text = {});
    ~Comment() override;

    std::string OwnText() const override { return m_text; }
    std::string Value() const override { return m_text; }
    bool IsType(NodeType type) const override;
    std::unique_ptr<Node> Copy() const override;
    void Write(FormattingContext& context) const override;
    void AppendValue(std::string& out) const override;

    const std::string& GetText() const { return m_text; }

private:
    std::string m_text;
};

// A processing instruction: the target is the node name.
class Pi : public Node {
public:
    Pi(std::string_view target, std::string_view data);
    ~Pi() override;

    std::string OwnText() const override { return m_data; }
    // The value text of a processing instruction is its data.
    std::string Value() const override { return m_data; }
    bool IsType(NodeType type) const override;
    std::unique_ptr<Node> Copy() const override;
    void Write(FormattingContext& context) const override;
    void AppendValue(std::string& out) const override;

    const std::string& Target() const { return m_target; }
    const std::string& Data() const { return m_data; }

private:
    std::string m_target;
    std::string m_data;
};

class CData : public Node {
public:
    explicit CData(std::string_view text = {});
    ~CData() override;

    std::string OwnText() const override { return m_text; }
    std::string Value() const override { return m_text; }
    bool IsType(NodeType type) const override;
    std::unique_ptr<Node> Copy() const override;
    void Write(FormattingContext& context) const override;
    void AppendValue(std::string& out) const override;

    const std::string& GetText() const { return m_text; }

private:
    std::string m_text;
};

// Base of the two reference kinds; both stand for one byte.
class Reference : public Node {
public:
    using Node::Node;
    ~Reference() override;

    std::string Value() const override { return std::string(1, static_cast<char>(Character())); }
    std::string OwnText() const override { return Value(); }
    bool IsType(NodeType type) const override;
    void AppendValue(std::string& out) const override;

    virtual unsigned char Character() const = 0;
};

// A character reference "&#...;" (attribute values only); the code is a
// byte value.
class CharRef : public Reference {
public:
    explicit CharRef(unsigned char code);
    ~CharRef() override;

    std::unique_ptr<Node> Copy() const override;
    void Write(FormattingContext& context) const override;
    unsigned char Character() const override { return m_code; }
    unsigned char Code() const { return m_code; }

private:
    unsigned char m_code;
};

// A reference to one of the predefined entities (lt, gt, amp, apos, quot).
class EntityRef : public Reference {
public:
    // Throws InvalidRefException when name is not a predefined entity.
    explicit EntityRef(const std::string& name);
    ~EntityRef() override;

    std::unique_ptr<Node> Copy() const override;
    void Write(FormattingContext& context) const override;
    unsigned char Character() const override { return m_character; }

private:
    unsigned char m_character;
};

// The character a predefined entity stands for; false when name is not one
// of them.
bool LookupPredefinedEntity(std::string_view name, char& character);

// Where the writer puts its text, and how.
class FormattingContext {
public:
    enum Flags : unsigned { kNoFormatting = 1u << 0 };

    explicit FormattingContext(unsigned flags = 0, std::string indentUnit = "  ");

    bool Formatting() const { return (m_flags & kNoFormatting) == 0; }
    // When formatting and not at the start of a line, a line feed; then the
    // indent unit depth - 1 times.
    void StartLine();
    // A line feed when formatting.
    void LineBreak();
    void Append(const std::string& text);
    void Append(const char* text, std::size_t length);
    void Append(char c);
    // Appends text with < > & ' " replaced by their predefined entities.
    void AppendEscaped(std::string_view text);

    std::string& Output() { return m_output; }
    int Depth() const { return m_depth; }
    void EnterElement() { ++m_depth; }
    void LeaveElement() { --m_depth; }
    bool ChildElementWritten() const { return m_childElementWritten; }
    void SetChildElementWritten(bool written) { m_childElementWritten = written; }

private:
    std::string m_output;
    unsigned m_flags;
    std::string m_indentUnit;
    int m_depth = 0;
    bool m_childElementWritten = false;
    bool m_atLineStart = true;
};

class Parser {
public:
    // Elements may nest this deep (the root element is level 1), and the
    // content-model groups of a document type declaration as deep. Every
    // level is one recursion of the parser and, later, of Value(), Copy(),
    // Write() and the destructors; 256 levels take well under 1 MiB of stack
    // even in a sanitizer build, so a hostile file cannot exhaust an 8 MiB
    // stack. Settings files nest fewer than 20 levels.
    static constexpr int kMaxNestingDepth = 256;

    // Parses length bytes at data into a new document; raises
    // ParsingException on the first syntax error.
    static std::unique_ptr<Document> Parse(const char* data, std::size_t length);
    static std::unique_ptr<Document> Parse(const std::string& text)
    {
        return Parse(text.data(), text.size());
    }
};

} // namespace AdvXMLParser
