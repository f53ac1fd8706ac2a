#include "xml/XMLValueConvert.h"

#include "xml/XMLValueText.h"

#include <cmath>
#include <limits>

namespace {

template <typename T> T TruncateClamped(double value)
{
    if (std::isnan(value))
        return 0;
    double truncated = std::trunc(value);
    if (truncated <= static_cast<double>(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::min();
    // The maximum of int64_t is not exactly a double; compare with 2^63.
    if (truncated >= -static_cast<double>(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::max();
    return static_cast<T>(truncated);
}

// Length of the valid UTF-8 sequence at `text[at]`, 0 when invalid.
size_t Utf8SequenceLength(std::string_view text, size_t at)
{
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    size_t length;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    if (byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    }
    return length;
}

} // namespace

bool XMLValueAsBool(const TXMLPayload& payload)
{
    struct Visitor {
        bool operator()(std::monostate) const { return false; }
        bool operator()(bool value) const { return value; }
        bool operator()(int32_t value) const { return value != 0; }
        bool operator()(int64_t value) const { return value != 0; }
        bool operator()(double value) const { return value != 0.0; }
        bool operator()(const TXMLDateTime&) const { return false; }
        bool operator()(const std::string& value) const { return XMLIsTrueWord(value); }
        bool operator()(const TXMLMultiString&) const { return false; }
        bool operator()(const TXMLBinary& value) const { return !value.empty(); }
    };
    return std::visit(Visitor {}, payload);
}

int32_t XMLValueAsInteger(const TXMLPayload& payload)
{
    struct Visitor {
        int32_t operator()(std::monostate) const { return 0; }
        int32_t operator()(bool value) const { return value ? 1 : 0; }
        int32_t operator()(int32_t value) const { return value; }
        int32_t operator()(int64_t value) const { return static_cast<int32_t>(static_cast<uint32_t>(value)); }
        int32_t operator()(double value) const { return TruncateClamped<int32_t>(value); }
        int32_t operator()(const TXMLDateTime&) const { return 0; }
        int32_t operator()(const std::string& value) const { return XMLIntegerFromText(value).value_or(-1); }
        int32_t operator()(const TXMLMultiString&) const { return 0; }
        int32_t operator()(const TXMLBinary&) const { return -1; }
    };
    return std::visit(Visitor {}, payload);
}

int64_t XMLValueAsInt64(const TXMLPayload& payload)
{
    struct Visitor {
        int64_t operator()(std::monostate) const { return 0; }
        int64_t operator()(bool value) const { return value ? 1 : 0; }
        int64_t operator()(int32_t value) const { return value; }
        int64_t operator()(int64_t value) const { return value; }
        int64_t operator()(double value) const { return TruncateClamped<int64_t>(value); }
        int64_t operator()(const TXMLDateTime&) const { return 0; }
        int64_t operator()(const std::string& value) const { return XMLInt64FromText(value).value_or(-1); }
        int64_t operator()(const TXMLMultiString&) const { return 0; }
        int64_t operator()(const TXMLBinary&) const { return -1; }
    };
    return std::visit(Visitor {}, payload);
}

double XMLValueAsFloat(const TXMLPayload& payload)
{
    struct Visitor {
        double operator()(std::monostate) const { return 0.0; }
        double operator()(bool value) const { return value ? 1.0 : 0.0; }
        double operator()(int32_t value) const { return value; }
        double operator()(int64_t value) const { return static_cast<double>(value); }
        double operator()(double value) const { return value; }
        double operator()(const TXMLDateTime&) const { return 0.0; }
        double operator()(const std::string& value) const { return XMLFloatFromText(value).value_or(0.0); }
        double operator()(const TXMLMultiString&) const { return 0.0; }
        double operator()(const TXMLBinary&) const { return -1.0; }
    };
    return std::visit(Visitor {}, payload);
}

std::vector<std::string> XMLValueAsMultiString(const TXMLPayload& payload)
{
    if (const auto* multi = std::get_if<TXMLMultiString>(&payload))
        return multi->items;
    if (std::holds_alternative<TXMLBinary>(payload))
        return {};
    return { XMLValueText(payload) };
}

std::optional<TXMLDateTime> XMLValueAsDateTime(const TXMLPayload& payload)
{
    if (const auto* date = std::get_if<TXMLDateTime>(&payload))
        return *date;
    if (const auto* text = std::get_if<std::string>(&payload))
        return XMLDateTimeFromText(*text);
    return std::nullopt;
}

std::optional<TXMLBinary> XMLValueAsBinary(const TXMLPayload& payload)
{
    if (const auto* bytes = std::get_if<TXMLBinary>(&payload))
        return *bytes;
    if (const auto* text = std::get_if<std::string>(&payload))
        return XMLBinaryFromText(*text);
    return std::nullopt;
}

std::string XMLValidUtf8(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            result += "\xEF\xBF\xBD";
            ++at;
        } else {
            result.append(text.substr(at, length));
            at += length;
        }
    }
    return result;
}
