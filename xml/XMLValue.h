#pragma once

// One named, typed settings value and the payloads of its nine types.

#include "xml/XMLMeta.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// The codes live only in memory; the names (XMLValueTypeName) go to files.
enum class TXMLValueType : int8_t {
    Unknown = 0, // never written by the store; the name of any code outside 1..9
    None = 1,
    Boolean = 2,
    Integer = 3,
    Int64 = 4,
    Float = 5,
    DateTime = 6,
    String = 7,
    MultiString = 8,
    Binary = 9,
};

// "Boolean", "Integer", ...; "Unknown" for any code outside 1..9.
const char* XMLValueTypeName(TXMLValueType type);

struct TXMLDateTime {
    int32_t second = 0;
    int32_t minute = 0;
    int32_t hour = 0;
    int32_t day = 0;
    int32_t month = 0;
    int32_t year = 0;

    bool operator==(const TXMLDateTime&) const = default;
};

struct TXMLMultiString {
    std::vector<std::string> items;
    char delimiter = ',';
    char quoteChar = '"';

    bool operator==(const TXMLMultiString&) const = default;
};

using TXMLBinary = std::vector<uint8_t>;

// The payload of each type; the alternative's index is the type's code minus
// one (None holds std::monostate).
using TXMLPayload = std::variant<std::monostate, bool, int32_t, int64_t, double, TXMLDateTime, std::string,
    TXMLMultiString, TXMLBinary>;

class TXMLValue {
public:
    TXMLValue() = default;
    TXMLValue(std::string name, TXMLPayload payload)
        : m_name(std::move(name))
        , m_payload(std::move(payload))
    {
    }

    const std::string& Name() const { return m_name; }
    TXMLValueType Type() const { return static_cast<TXMLValueType>(m_payload.index() + 1); }
    const TXMLPayload& Payload() const { return m_payload; }
    // Replaces type and payload whole and marks the value modified.
    void Set(TXMLPayload payload)
    {
        m_payload = std::move(payload);
        m_unreadable.reset();
        m_modified = true;
    }
    // Replaces the payload without touching the modified flag (loads and
    // merges of outside changes).
    void Assign(TXMLPayload payload)
    {
        m_payload = std::move(payload);
        m_unreadable.reset();
    }

    // A value whose file text does not fit its declared type ("abc" as an
    // Integer) is kept as it was read, so that a save writes it back
    // unchanged; the getters treat it as missing and return their default.
    void MarkUnreadable(std::string typeName, std::string text)
    {
        m_unreadable = Unreadable { std::move(typeName), std::move(text) };
    }
    bool IsUnreadable() const { return m_unreadable.has_value(); }
    const std::string& UnreadableTypeName() const { return m_unreadable->typeName; }
    const std::string& UnreadableText() const { return m_unreadable->text; }

    bool Modified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }

    const TXMLMetadata& Metadata() const { return m_metadata; }
    TXMLMetadata& Metadata() { return m_metadata; }

private:
    std::string m_name;
    TXMLPayload m_payload;
    bool m_modified = false;
    TXMLMetadata m_metadata;
    struct Unreadable {
        std::string typeName;
        std::string text;
    };
    std::optional<Unreadable> m_unreadable;
};
