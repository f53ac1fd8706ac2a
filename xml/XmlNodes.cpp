// The node classes of the document model: ownership, lookups and value text.
#include "xml/AdvXMLParser.h"
#include "xml/XmlArena.h"
#include "xml/XmlCharClasses.h"

#include <map>

namespace AdvXMLParser {

namespace {

std::string Trimmed(std::string text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && chars::IsSpace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && chars::IsSpace(static_cast<unsigned char>(text[end - 1])))
        --end;
    if (begin == 0 && end == text.size())
        return text;
    return text.substr(begin, end - begin);
}

// Every run of Space characters becomes one space; leading and trailing runs
// go.
std::string Collapsed(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    bool pendingSpace = false;
    for (char c : text) {
        if (chars::IsSpace(static_cast<unsigned char>(c))) {
            pendingSpace = !result.empty();
            continue;
        }
        if (pendingSpace)
            result += ' ';
        pendingSpace = false;
        result += c;
    }
    return result;
}

std::string ParsingMessage(int code, int line, int column)
{
    return "XML syntax error " + std::to_string(code) + " at line " + std::to_string(line) + ", column "
        + std::to_string(column);
}

} // namespace

ParsingException::ParsingException(int code, int line, int column)
    : Exception(ParsingMessage(code, line, column))
    , m_code(static_cast<std::uint8_t>(code))
    , m_line(line)
    , m_column(column)
{
}

InvalidRefException::InvalidRefException(const std::string& name)
    : Exception("unknown entity '" + name + "'")
    , m_name(name)
{
}

namespace {

// The entity's name as the map holds it, or null.
const std::string* PredefinedEntity(std::string_view name, char& character)
{
    // Filled on first use; no other entity is ever known, whatever a
    // document type declaration declares.
    static const std::map<std::string, char, std::less<>> kEntities = {
        { "lt", '<' },
        { "gt", '>' },
        { "amp", '&' },
        { "apos", '\'' },
        { "quot", '"' },
    };
    auto it = kEntities.find(name);
    if (it == kEntities.end())
        return nullptr;
    character = it->second;
    return &it->first;
}

const std::string* EntityName(const std::string& name)
{
    char character = 0;
    const std::string* stored = PredefinedEntity(name, character);
    if (!stored)
        throw InvalidRefException(name);
    return stored;
}

// The names every node of a kind shares.
const std::string* FixedName(int kind)
{
    static const std::string kNames[]
        = { "", "#text", "#comment", "#cdata-section", "#document", "#char-ref" };
    return &kNames[kind];
}
enum { kNoName, kTextName, kCommentName, kCDataName, kDocumentName, kCharRefName };

} // namespace

bool LookupPredefinedEntity(std::string_view name, char& character)
{
    return PredefinedEntity(name, character) != nullptr;
}

// Node ----------------------------------------------------------------------

Node::Node(NullTag, const std::string* name)
    : m_name(name)
    , m_null(true)
{
}

Node::~Node() = default;

void Node::MarkModified()
{
    Node* top = this;
    while (top->m_parent)
        top = top->m_parent;
    if (top->IsType(NodeType::Document))
        static_cast<Document*>(top)->m_modified = true;
}

void Node::Destroy(Node* node)
{
    if (node->m_inArena)
        node->~Node();
    else
        delete node;
}

std::string Node::OwnText() const
{
    return {};
}

// NodeContainer -------------------------------------------------------------

NodeContainer::~NodeContainer()
{
    DestroyChildren();
}

std::string NodeContainer::Value() const
{
    std::string text;
    for (Node* child = m_first; child; child = child->NextSibling())
        child->AppendValue(text);
    return Trimmed(std::move(text));
}

bool NodeContainer::IsType(NodeType) const
{
    return false;
}

void NodeContainer::AppendValue(std::string& out) const
{
    out += Value();
}

std::size_t NodeContainer::ChildCount() const
{
    std::size_t count = 0;
    for (Node* child = m_first; child; child = child->NextSibling())
        ++count;
    return count;
}

void NodeContainer::Link(Node* node)
{
    LinkAs(node, node->IsType(NodeType::Text) ? static_cast<Text*>(node) : nullptr);
}

Node* NodeContainer::AppendChild(std::unique_ptr<Node> node)
{
    if (!node)
        return nullptr;
    if (IsNull() || node->IsNull() || node->Parent()) {
        Node* refused = node->IsType(NodeType::Element) ? static_cast<Node*>(Element::Null())
            : node->IsType(NodeType::Attribute)         ? static_cast<Node*>(Attribute::Null())
                                                        : static_cast<Node*>(Text::Null());
        // A shared null object, or a node its parent owns, must not be
        // freed here.
        if (node->IsNull() || node->Parent())
            node.release();
        return refused;
    }
    Node* raw = node.release();
    MarkModified();
    Link(raw);
    return raw;
}

Node* NodeContainer::InsertBefore(Node* before, std::unique_ptr<Node> node)
{
    if (!before || before->m_parent != this || before->IsType(NodeType::Attribute))
        return AppendChild(std::move(node));
    if (!node)
        return nullptr;
    if (IsNull() || node->IsNull() || node->Parent())
        return AppendChild(std::move(node));
    Node* raw = node.release();
    MarkModified();
    raw->m_parent = this;
    raw->m_next = before;
    raw->m_prev = before->m_prev;
    if (before->m_prev)
        before->m_prev->m_next = raw;
    else
        m_first = raw;
    before->m_prev = raw;
    return raw;
}

std::unique_ptr<Node> NodeContainer::RemoveChild(Node* node)
{
    if (!node || node->m_parent != this || IsNull())
        return nullptr;
    // Attributes hang off their element through the same links; they are
    // not children.
    if (node->IsType(NodeType::Attribute) && IsType(NodeType::Element))
        return nullptr;
    MarkModified();
    Unlink(node);
    if (!node->m_inArena)
        return std::unique_ptr<Node>(node);
    std::unique_ptr<Node> copy = node->Copy();
    Destroy(node);
    return copy;
}

void NodeContainer::Unlink(Node* node)
{
    if (node->m_prev)
        node->m_prev->m_next = node->m_next;
    else
        m_first = node->m_next;
    if (node->m_next)
        node->m_next->m_prev = node->m_prev;
    else
        m_last = node->m_prev;
    if (m_currentText == node)
        m_currentText = nullptr;
    node->m_parent = nullptr;
    node->m_prev = node->m_next = nullptr;
}

void NodeContainer::RemoveChildren()
{
    if (IsNull())
        return;
    MarkModified();
    DestroyChildren();
}

void NodeContainer::DestroyChildren()
{
    Node* child = m_first;
    m_first = m_last = nullptr;
    m_currentText = nullptr;
    while (child) {
        Node* next = child->m_next;
        Destroy(child);
        child = next;
    }
}

void NodeContainer::AddText(const std::string& text)
{
    AddText(text.data(), text.size());
}

void NodeContainer::AddText(const char* text, std::size_t length)
{
    if (IsNull())
        return;
    MarkModified();
    if (m_currentText) {
        m_currentText->Append(text, length);
        return;
    }
    Link(new Text(std::string_view(text, length)));
}

void NodeContainer::CopyChildrenTo(NodeContainer& target) const
{
    for (Node* child = m_first; child; child = child->NextSibling())
        target.Link(child->Copy().release());
}

// Attribute -----------------------------------------------------------------

Attribute::Attribute(std::string_view name)
    : NodeContainer(&m_ownName)
    , m_ownName(name)
{
}

Attribute::Attribute(NullTag tag)
    : NodeContainer(tag, FixedName(kNoName))
{
}

Attribute::~Attribute() = default;

std::string Attribute::OwnText() const
{
    return Value();
}

bool Attribute::IsType(NodeType type) const
{
    return type == NodeType::Attribute;
}

std::unique_ptr<Node> Attribute::Copy() const
{
    auto copy = std::make_unique<Attribute>(Name());
    CopyChildrenTo(*copy);
    return copy;
}

void Attribute::SetValue(const std::string& value)
{
    if (IsNull())
        return;
    RemoveChildren();
    AddText(value);
    if (Name() == "xml:space" && Parent() && Parent()->IsType(NodeType::Element))
        static_cast<Element*>(Parent())->SetPreserveSpace(value == "preserve");
}

Attribute* Attribute::Null()
{
    static Attribute null { NullTag {} };
    return &null;
}

// Element -------------------------------------------------------------------

Element::Element(std::string_view name)
    : NodeContainer(&m_ownName)
    , m_ownName(name)
{
}

Element::Element(NullTag tag)
    : NodeContainer(tag, FixedName(kNoName))
{
}

Element::~Element()
{
    Node* attribute = m_firstAttribute;
    while (attribute) {
        Node* next = attribute->m_next;
        Destroy(attribute);
        attribute = next;
    }
}

std::string Element::Value() const
{
    std::string text;
    for (Node* child = FirstChild(); child; child = child->NextSibling())
        child->AppendValue(text);
    if (m_preserveSpace)
        return text;
    return Collapsed(text);
}

std::string Element::OwnText() const
{
    return {};
}

bool Element::IsType(NodeType type) const
{
    return type == NodeType::Element;
}

std::unique_ptr<Node> Element::Copy() const
{
    auto copy = std::make_unique<Element>(Name());
    for (Node* attribute = m_firstAttribute; attribute; attribute = attribute->NextSibling())
        copy->AppendAttribute(
            std::unique_ptr<Attribute>(static_cast<Attribute*>(attribute->Copy().release())));
    copy->m_preserveSpace = m_preserveSpace;
    CopyChildrenTo(*copy);
    return copy;
}

Element* Element::Child(const std::string& name, int index)
{
    if (IsNull() || index < 0)
        return Null();
    int seen = 0;
    for (Node* child = FirstChild(); child; child = child->NextSibling()) {
        if (child->IsType(NodeType::Element) && child->Name() == name) {
            if (seen == index)
                return static_cast<Element*>(child);
            ++seen;
        }
    }
    Element* created = nullptr;
    MarkModified();
    for (; seen <= index; ++seen) {
        created = new Element(name);
        Link(created);
    }
    return created;
}

Element* Element::FindChild(const std::string& name, int index) const
{
    if (index < 0)
        return Null();
    int seen = 0;
    for (Node* child = FirstChild(); child; child = child->NextSibling()) {
        if (child->IsType(NodeType::Element) && child->Name() == name) {
            if (seen == index)
                return static_cast<Element*>(child);
            ++seen;
        }
    }
    return Null();
}

Attribute* Element::FindAttribute(const std::string& name) const
{
    for (Node* attribute = m_firstAttribute; attribute; attribute = attribute->NextSibling()) {
        if (attribute->Name() == name)
            return static_cast<Attribute*>(attribute);
    }
    return Attribute::Null();
}

Attribute* Element::GetAttribute(const std::string& name)
{
    if (IsNull())
        return Attribute::Null();
    Attribute* found = FindAttribute(name);
    if (!found->IsNull())
        return found;
    return AppendAttribute(std::make_unique<Attribute>(name));
}

void Element::SetAttribute(const std::string& name, const std::string& value)
{
    GetAttribute(name)->SetValue(value);
}

Attribute* Element::AppendAttribute(std::unique_ptr<Attribute> attribute)
{
    if (!attribute)
        return Attribute::Null();
    if (IsNull() || attribute->IsNull() || attribute->Parent()) {
        // A shared null object, or an attribute its element owns, must not
        // be freed here.
        if (attribute->IsNull() || attribute->Parent())
            attribute.release();
        return Attribute::Null();
    }
    Attribute* raw = attribute.release();
    MarkModified();
    LinkAttribute(raw);
    if (raw->Name() == "xml:space")
        m_preserveSpace = raw->Value() == "preserve";
    return raw;
}

void Element::LinkAttribute(Attribute* attribute)
{
    attribute->m_parent = this;
    attribute->m_prev = m_lastAttribute;
    attribute->m_next = nullptr;
    if (m_lastAttribute)
        m_lastAttribute->m_next = attribute;
    else
        m_firstAttribute = attribute;
    m_lastAttribute = attribute;
}

bool Element::RemoveAttribute(const std::string& name)
{
    Attribute* attribute = FindAttribute(name);
    if (attribute->IsNull() || IsNull())
        return false;
    MarkModified();
    Node* prev = attribute->m_prev;
    Node* next = attribute->m_next;
    if (prev)
        prev->m_next = next;
    else
        m_firstAttribute = static_cast<Attribute*>(next);
    if (next)
        next->m_prev = prev;
    else
        m_lastAttribute = static_cast<Attribute*>(prev);
    if (name == "xml:space")
        m_preserveSpace = false;
    Destroy(attribute);
    return true;
}

Element* Element::FirstChildElement(const std::string& name) const
{
    for (Node* child = FirstChild(); child; child = child->NextSibling()) {
        if (child->IsType(NodeType::Element) && (name.empty() || child->Name() == name))
            return static_cast<Element*>(child);
    }
    return Null();
}

Element* Element::NextSiblingElement(const std::string& name) const
{
    for (Node* node = NextSibling(); node; node = node->NextSibling()) {
        if (node->IsType(NodeType::Element) && (name.empty() || node->Name() == name))
            return static_cast<Element*>(node);
    }
    return Null();
}

void Element::SetPreserveSpace(bool preserve)
{
    if (!IsNull())
        m_preserveSpace = preserve;
}

Element* Element::Null()
{
    static Element null { NullTag {} };
    return &null;
}

// Document ------------------------------------------------------------------

Document::Document()
    : NodeContainer(FixedName(kDocumentName))
{
}

Document::Document(const std::string& rootName)
    : NodeContainer(FixedName(kDocumentName))
{
    Link(new Element(rootName));
}

Document::~Document()
{
    // The children may live in the arena, which goes before the base class
    // would free them.
    if (!m_arena || m_modified) {
        DestroyChildren();
        return;
    }
    // An unchanged parsed tree: only the listed nodes own heap memory. Each
    // is cut from its children first, so its destructor frees its own
    // strings and nothing else; the arena takes all the rest at once.
    for (Node* node : m_arena->HeapOwners()) {
        if (node->IsType(NodeType::Element)) {
            auto* element = static_cast<Element*>(node);
            element->m_firstAttribute = element->m_lastAttribute = nullptr;
        }
        if (node->IsType(NodeType::Element) || node->IsType(NodeType::Attribute)) {
            auto* container = static_cast<NodeContainer*>(node);
            container->m_first = container->m_last = nullptr;
            container->m_currentText = nullptr;
        }
        node->~Node();
    }
    m_first = m_last = nullptr;
    m_currentText = nullptr;
}

std::string Document::OwnText() const
{
    return {};
}

bool Document::IsType(NodeType type) const
{
    return type == NodeType::Document;
}

std::unique_ptr<Node> Document::Copy() const
{
    auto copy = std::make_unique<Document>();
    copy->m_version = m_version;
    copy->m_encoding = m_encoding;
    copy->m_standalone = m_standalone;
    CopyChildrenTo(*copy);
    return copy;
}

Element* Document::Root() const
{
    for (Node* child = FirstChild(); child; child = child->NextSibling()) {
        if (child->IsType(NodeType::Element))
            return static_cast<Element*>(child);
    }
    return Element::Null();
}

Element* Document::SetRoot(std::unique_ptr<Element> element)
{
    if (!element)
        return Element::Null();
    Element* old = Root();
    auto* raw = static_cast<Element*>(InsertBefore(old->IsNull() ? nullptr : old, std::move(element)));
    if (raw->IsNull() || old->IsNull())
        return raw;
    Unlink(old);
    Destroy(old);
    return raw;
}

// Text, Comment, Pi, CData --------------------------------------------------

Text::Text(std::string_view text)
    : Node(FixedName(kTextName))
    , m_owned(std::make_unique<std::string>(text))
    , m_text(*m_owned)
{
}

const std::string* Text::SharedName()
{
    return FixedName(kTextName);
}

Text::Text(NullTag tag)
    : Node(tag, FixedName(kTextName))
{
}

Text::~Text() = default;

bool Text::IsType(NodeType type) const
{
    return type == NodeType::Text;
}

std::unique_ptr<Node> Text::Copy() const
{
    return std::make_unique<Text>(m_text);
}

void Text::AppendValue(std::string& out) const
{
    out += m_text;
}

void Text::SetText(std::string_view text)
{
    if (IsNull())
        return;
    MarkModified();
    if (!m_owned)
        m_owned = std::make_unique<std::string>();
    m_owned->assign(text.data(), text.size());
    m_text = *m_owned;
}

void Text::Append(const char* text, std::size_t length)
{
    if (IsNull())
        return;
    MarkModified();
    if (!m_owned)
        m_owned = std::make_unique<std::string>(m_text);
    m_owned->append(text, length);
    m_text = *m_owned;
}

Text* Text::Null()
{
    static Text null { NullTag {} };
    return &null;
}

Comment::Comment(std::string_view text)
    : Node(FixedName(kCommentName))
    , m_text(text)
{
}

Comment::~Comment() = default;

bool Comment::IsType(NodeType type) const
{
    return type == NodeType::Comment;
}

std::unique_ptr<Node> Comment::Copy() const
{
    return std::make_unique<Comment>(m_text);
}

void Comment::AppendValue(std::string& out) const
{
    out += m_text;
}

Pi::Pi(std::string_view target, std::string_view data)
    : Node(&m_target)
    , m_target(target)
    , m_data(data)
{
}

Pi::~Pi() = default;

bool Pi::IsType(NodeType type) const
{
    return type == NodeType::Pi;
}

std::unique_ptr<Node> Pi::Copy() const
{
    return std::make_unique<Pi>(m_target, m_data);
}

void Pi::AppendValue(std::string& out) const
{
    out += m_data;
}

CData::CData(std::string_view text)
    : Node(FixedName(kCDataName))
    , m_text(text)
{
}

CData::~CData() = default;

bool CData::IsType(NodeType type) const
{
    return type == NodeType::CData;
}

std::unique_ptr<Node> CData::Copy() const
{
    return std::make_unique<CData>(m_text);
}

void CData::AppendValue(std::string& out) const
{
    out += m_text;
}

// References ----------------------------------------------------------------

Reference::~Reference() = default;

bool Reference::IsType(NodeType type) const
{
    return type == NodeType::Reference;
}

void Reference::AppendValue(std::string& out) const
{
    out += static_cast<char>(Character());
}

CharRef::CharRef(unsigned char code)
    : Reference(FixedName(kCharRefName))
    , m_code(code)
{
}

CharRef::~CharRef() = default;

std::unique_ptr<Node> CharRef::Copy() const
{
    return std::make_unique<CharRef>(m_code);
}

EntityRef::EntityRef(const std::string& name)
    : Reference(EntityName(name))
    , m_character(0)
{
    char character = 0;
    LookupPredefinedEntity(name, character);
    m_character = static_cast<unsigned char>(character);
}

EntityRef::~EntityRef() = default;

std::unique_ptr<Node> EntityRef::Copy() const
{
    return std::make_unique<EntityRef>(Name());
}

} // namespace AdvXMLParser
