#include "xml/XMLSettingsDocument.h"

#include "xml/XMLValueText.h"

#include <algorithm>

using namespace AdvXMLParser;

namespace {

bool EqualsNoCase(const std::string& a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        if (x != b[i])
            return false;
    }
    return true;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string NormaliseSpaces(const std::string& text)
{
    std::string result;
    bool pendingSpace = false;
    for (char c : text) {
        if (IsSpace(c)) {
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

// The element's text without that of its child elements (a Value element
// without Contents, a Metadata element with attribute children).
std::string OwnElementText(const Element& element)
{
    std::string text;
    for (Node* node : element.Nodes()) {
        if (!node->IsType(NodeType::Element))
            node->AppendValue(text);
    }
    return element.PreserveSpace() ? text : NormaliseSpaces(text);
}

// The attribute's value with its spaces: a space is a valid delimiter.
std::string RawAttributeValue(const Attribute& attribute)
{
    std::string text;
    for (Node* node : attribute.Nodes())
        node->AppendValue(text);
    return text;
}

char SingleCharacter(const Element& element, const char* name, char fallback)
{
    Attribute* attribute = element.FindAttribute(name);
    if (attribute->IsNull())
        return fallback;
    std::string value = RawAttributeValue(*attribute);
    return value.empty() ? fallback : value.front();
}

TXMLMetadata ReadMetadata(const Element& metadataElement)
{
    TXMLMetadata metadata;
    metadata.text = OwnElementText(metadataElement);
    for (Node* node : metadataElement.Nodes()) {
        if (!node->IsType(NodeType::Element))
            continue;
        auto* element = static_cast<Element*>(node);
        TXMLMetaAttribute& attribute = metadata.attributes[element->Name()];
        attribute.text = element->Value();
        for (Attribute* property : element->Attributes())
            attribute.properties[property->Name()] = property->Value();
    }
    return metadata;
}

void ReadValue(Element& element, TXMLKey& key)
{
    std::string name = element.FindAttribute("Name")->Value();
    Element* contents = element.FindChild("Contents");
    std::string text = contents->IsNull() ? OwnElementText(element) : contents->Value();
    std::string typeName = element.FindAttribute("Type")->Value();
    std::optional<TXMLValueType> type = XMLValueTypeFromName(typeName);

    TXMLValue value(name, TXMLPayload {});
    auto payload = XMLPayloadFromText(
        type, text, SingleCharacter(element, "Delimiter", ','), SingleCharacter(element, "QuoteChar", '"'));
    if (payload) {
        value.Assign(std::move(*payload));
    } else {
        value.Assign(XMLPayloadFromText(type, type == TXMLValueType::DateTime ? "0.0.0" : "0").value());
        value.MarkUnreadable(typeName, text);
    }
    Element* metadata = element.FindChild("Metadata");
    if (!metadata->IsNull())
        value.Metadata() = ReadMetadata(*metadata);
    key.Values().insert_or_assign(name, std::move(value));
}

void ReadKey(const Element& element, TXMLKey& key)
{
    for (Node* node : element.Nodes()) {
        if (!node->IsType(NodeType::Element))
            continue;
        auto* child = static_cast<Element*>(node);
        if (EqualsNoCase(child->Name(), "value"))
            ReadValue(*child, key);
        else if (EqualsNoCase(child->Name(), "key"))
            ReadKey(*child, key.SubKey(child->FindAttribute("Name")->Value()));
    }
}

// Bytes below 0x20 other than tab, line feed and carriage return cannot
// appear in an XML file at all, not even as references; writing one would
// make the whole file unreadable, so it becomes U+FFFD.
bool IsForbiddenControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

std::string XmlSafe(std::string_view text)
{
    if (std::none_of(text.begin(), text.end(), IsForbiddenControl))
        return std::string(text);
    std::string result;
    result.reserve(text.size() + 8);
    for (char c : text) {
        if (IsForbiddenControl(c))
            result += "\xEF\xBF\xBD";
        else
            result += c;
    }
    return result;
}

// True when the reader's folding of spaces would change `text`: leading or
// trailing spaces, a run of two, or any space character other than ' '.
bool SpacesWouldFold(std::string_view text)
{
    if (text.empty())
        return false;
    if (text.front() == ' ' || text.back() == ' ')
        return true;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\t' || c == '\r' || c == '\n' || (c == ' ' && text[i + 1] == ' '))
            return true;
    }
    return false;
}

void WriteMetadata(const TXMLMetadata& metadata, Element& valueElement)
{
    Element* element = valueElement.Child("Metadata");
    if (!metadata.text.empty())
        element->AddText(XmlSafe(metadata.text));
    for (const auto& [name, attribute] : metadata.attributes) {
        auto child = std::make_unique<Element>(name);
        for (const auto& [property, text] : attribute.properties)
            child->SetAttribute(property, XmlSafe(text));
        if (!attribute.text.empty())
            child->AddText(XmlSafe(attribute.text));
        element->AppendChild(std::move(child));
    }
}

void WriteValue(const TXMLValue& value, Element& keyElement)
{
    auto element = std::make_unique<Element>("Value");
    element->SetAttribute("Name", XmlSafe(value.Name()));
    std::string text;
    if (value.IsUnreadable()) {
        element->SetAttribute("Type", XmlSafe(value.UnreadableTypeName()));
        text = value.UnreadableText();
    } else {
        element->SetAttribute("Type", XMLValueTypeName(value.Type()));
        if (const auto* multi = std::get_if<TXMLMultiString>(&value.Payload())) {
            element->SetAttribute("Delimiter", XmlSafe(std::string(1, multi->delimiter)));
            element->SetAttribute("QuoteChar", XmlSafe(std::string(1, multi->quoteChar)));
        }
        text = XmlSafe(XMLValueText(value.Payload()));
    }
    auto contents = std::make_unique<Element>("Contents");
    // A text whose spaces the reader would fold (a String with leading,
    // trailing or repeated spaces, or line breaks) is marked to be kept.
    if (SpacesWouldFold(text))
        contents->SetAttribute("xml:space", "preserve");
    if (!text.empty())
        contents->AddText(text);
    element->AppendChild(std::move(contents));
    if (!value.Metadata().Empty())
        WriteMetadata(value.Metadata(), *element);
    keyElement.AppendChild(std::move(element));
}

void WriteKey(const TXMLKey& key, Element& element)
{
    for (const auto& [name, value] : key.Values())
        WriteValue(value, element);
    for (const auto& [name, subKey] : key.SubKeys()) {
        auto child = std::make_unique<Element>("Key");
        child->SetAttribute("Name", XmlSafe(name));
        WriteKey(*subKey, *child);
        element.AppendChild(std::move(child));
    }
}

} // namespace

TXMLSettingsNames XMLKeysFromDocument(Document& document, TXMLKey& root)
{
    TXMLSettingsNames names;
    Element* application = document.Root();
    names.applicationName = application->FindAttribute("Name")->Value();
    Element* program = application->Child("Program");
    names.programName = program->FindAttribute("Name")->Value();
    ReadKey(*program->Child("Configuration"), root);
    return names;
}

std::unique_ptr<Document> XMLDocumentFromKeys(const TXMLSettingsNames& names, const TXMLKey& root)
{
    auto document = std::make_unique<Document>("Application");
    Element* application = document->Root();
    application->SetAttribute("Name", XmlSafe(names.applicationName));
    Element* program = application->Child("Program");
    program->SetAttribute("Name", XmlSafe(names.programName));
    WriteKey(root, *program->Child("Configuration"));
    return document;
}

std::string XMLSettingsText(const TXMLSettingsNames& names, const TXMLKey& root)
{
    return XMLDocumentFromKeys(names, root)->ToString();
}
