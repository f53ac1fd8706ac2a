#include "xml/XMLValueText.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace {

constexpr std::string_view kTrueWords[] = { "yes", "Yes", "YES", "true", "True", "TRUE" };
constexpr std::string_view kFalseWords[] = { "no", "No", "NO", "false", "False", "FALSE" };

std::string_view TrimSpaces(std::string_view text)
{
    constexpr std::string_view kSpaces = " \t\r\n";
    size_t first = text.find_first_not_of(kSpaces);
    if (first == std::string_view::npos)
        return {};
    size_t last = text.find_last_not_of(kSpaces);
    return text.substr(first, last - first + 1);
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(text[i]) != prefix[i])
            return false;
    }
    return true;
}

int HexDigit(char c)
{
    c = LowerAscii(c);
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Optional sign and decimal digits, nothing else, within T's range.
template <typename T> std::optional<T> DecimalFromText(std::string_view text)
{
    text = TrimSpaces(text);
    // from_chars takes a minus sign but no plus; one sign at most.
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '-' || text.front() == '+'))
            return std::nullopt;
    }
    if (text.empty())
        return std::nullopt;
    T value {};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The C locale's strtod, whatever locale the program has set (Qt sets the
// user's, in which the decimal point may be a comma).
locale_t CLocale()
{
    static locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

std::optional<int32_t> DatePart(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    int32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Splits `text` at every `separator` into exactly `count` parts.
bool SplitExactly(std::string_view text, char separator, std::string_view* parts, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        size_t at = text.find(separator);
        if (i + 1 == count) {
            if (at != std::string_view::npos)
                return false;
            parts[i] = text;
        } else {
            if (at == std::string_view::npos)
                return false;
            parts[i] = text.substr(0, at);
            text.remove_prefix(at + 1);
        }
    }
    return true;
}

// Inference takes only plain decimal reals: strtod would also take "inf",
// "nan" and hexadecimal numbers, which are words and hex data in a file.
bool LooksDecimal(std::string_view text)
{
    text = TrimSpaces(text);
    return !text.empty() && text.find_first_not_of("+-.0123456789eE") == std::string_view::npos;
}

} // namespace

std::string XMLFloatText(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    // Ten significant digits, rounded once: d.ddddddddde±x.
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 9);
    std::string_view scientific(buffer, static_cast<size_t>(result.ptr - buffer));
    std::string text;
    if (scientific.front() == '-') {
        text += '-';
        scientific.remove_prefix(1);
    }
    size_t e = scientific.find('e');
    int exponent = std::atoi(std::string(scientific.substr(e + 1)).c_str());
    std::string digits;
    digits += scientific[0];
    digits += scientific.substr(2, e - 2);
    if (exponent >= -1 && exponent <= 9) {
        std::string integral;
        std::string fraction;
        if (exponent < 0) {
            integral = "0";
            fraction = digits;
        } else {
            integral = digits.substr(0, static_cast<size_t>(exponent) + 1);
            fraction = digits.substr(static_cast<size_t>(exponent) + 1);
        }
        while (!fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
        return text + integral + "." + fraction;
    }
    std::string fraction = digits.substr(1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    char exponentText[16];
    std::snprintf(exponentText, sizeof exponentText, "e%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return text + digits.substr(0, 1) + "." + fraction + exponentText;
}

std::string XMLDateTimeText(const TXMLDateTime& value)
{
    char buffer[96];
    if (value.hour == 0 && value.minute == 0 && value.second == 0)
        std::snprintf(buffer, sizeof buffer, "%2d.%02d.%04d", value.day, value.month, value.year);
    else if (value.second == 0)
        std::snprintf(buffer, sizeof buffer, "%2d.%02d.%04d %02d:%02d", value.day, value.month, value.year,
            value.hour, value.minute);
    else
        std::snprintf(buffer, sizeof buffer, "%2d.%02d.%04d %02d:%02d:%02d", value.day, value.month,
            value.year, value.hour, value.minute, value.second);
    return buffer;
}

std::string XMLMultiStringText(const TXMLMultiString& value)
{
    std::string text;
    for (size_t i = 0; i < value.items.size(); ++i) {
        if (i > 0)
            text += value.delimiter;
        text += value.quoteChar;
        text += value.items[i];
        text += value.quoteChar;
    }
    return text;
}

std::string XMLBinaryText(const TXMLBinary& value)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(value.size() * 2);
    for (uint8_t byte : value) {
        text += kDigits[byte & 0x0F];
        text += kDigits[byte >> 4];
    }
    return text;
}

std::string XMLValueText(const TXMLPayload& payload)
{
    struct Visitor {
        std::string operator()(std::monostate) const { return "None"; }
        std::string operator()(bool value) const { return value ? "true" : "false"; }
        std::string operator()(int32_t value) const { return std::to_string(value); }
        std::string operator()(int64_t value) const { return std::to_string(value); }
        std::string operator()(double value) const { return XMLFloatText(value); }
        std::string operator()(const TXMLDateTime& value) const { return XMLDateTimeText(value); }
        std::string operator()(const std::string& value) const { return value; }
        std::string operator()(const TXMLMultiString& value) const { return XMLMultiStringText(value); }
        std::string operator()(const TXMLBinary& value) const { return XMLBinaryText(value); }
    };
    return std::visit(Visitor {}, payload);
}

std::optional<TXMLValueType> XMLValueTypeFromName(std::string_view name)
{
    // The order matters: "int64" must not be taken for "inte"ger, and
    // "multistr" is tested after "str" only because neither prefixes the other.
    static constexpr std::pair<std::string_view, TXMLValueType> kPrefixes[] = {
        { "none", TXMLValueType::None },
        { "bool", TXMLValueType::Boolean },
        { "inte", TXMLValueType::Integer },
        { "int64", TXMLValueType::Int64 },
        { "float", TXMLValueType::Float },
        { "date", TXMLValueType::DateTime },
        { "str", TXMLValueType::String },
        { "multistr", TXMLValueType::MultiString },
        { "bin", TXMLValueType::Binary },
    };
    for (const auto& [prefix, type] : kPrefixes) {
        if (StartsWithNoCase(name, prefix))
            return type;
    }
    return std::nullopt;
}

bool XMLIsTrueWord(std::string_view text)
{
    for (std::string_view word : kTrueWords) {
        if (text == word)
            return true;
    }
    return false;
}

bool XMLIsFalseWord(std::string_view text)
{
    for (std::string_view word : kFalseWords) {
        if (text == word)
            return true;
    }
    return false;
}

bool XMLBoolFromText(std::string_view text)
{
    return XMLIsTrueWord(text);
}

std::optional<int32_t> XMLIntegerFromText(std::string_view text)
{
    return DecimalFromText<int32_t>(text);
}

std::optional<int64_t> XMLInt64FromText(std::string_view text)
{
    return DecimalFromText<int64_t>(text);
}

std::optional<double> XMLFloatFromText(std::string_view text)
{
    std::string trimmed(TrimSpaces(text));
    // strtod would skip other leading white space; only spaces are allowed.
    if (trimmed.empty() || trimmed.front() == '\f' || trimmed.front() == '\v')
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    double value = strtod_l(trimmed.c_str(), &end, CLocale());
    if (end != trimmed.c_str() + trimmed.size())
        return std::nullopt;
    if (errno == ERANGE && std::isinf(value))
        return std::nullopt;
    return value;
}

std::optional<TXMLDateTime> XMLDateTimeFromText(std::string_view text)
{
    text = TrimSpaces(text);
    std::string_view datePart = text;
    std::string_view timePart;
    if (size_t space = text.find(' '); space != std::string_view::npos) {
        datePart = text.substr(0, space);
        timePart = text.substr(space + 1);
        if (timePart.empty())
            return std::nullopt;
    }
    std::string_view date[3];
    if (!SplitExactly(datePart, '.', date, 3))
        return std::nullopt;
    TXMLDateTime value;
    auto day = DatePart(date[0]);
    auto month = DatePart(date[1]);
    auto year = DatePart(date[2]);
    if (!day || !month || !year)
        return std::nullopt;
    value.day = *day;
    value.month = *month;
    value.year = *year;
    if (!timePart.empty()) {
        std::string_view time[3];
        size_t count = SplitExactly(timePart, ':', time, 2) ? 2
            : SplitExactly(timePart, ':', time, 3)          ? 3
                                                            : 0;
        if (count == 0)
            return std::nullopt;
        auto hour = DatePart(time[0]);
        auto minute = DatePart(time[1]);
        auto second = count == 3 ? DatePart(time[2]) : std::optional<int32_t>(0);
        if (!hour || !minute || !second)
            return std::nullopt;
        value.hour = *hour;
        value.minute = *minute;
        value.second = *second;
    }
    return value;
}

bool XMLIsValidDateTime(const TXMLDateTime& value)
{
    if (value.month < 1 || value.month > 12 || value.day < 1 || value.year < 0)
        return false;
    static constexpr int kDays[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    bool leap = (value.year % 4 == 0 && value.year % 100 != 0) || value.year % 400 == 0;
    int days = kDays[value.month - 1] + (value.month == 2 && leap ? 1 : 0);
    return value.day <= days && value.hour >= 0 && value.hour < 24 && value.minute >= 0 && value.minute < 60
        && value.second >= 0 && value.second < 60;
}

std::optional<TXMLBinary> XMLBinaryFromText(std::string_view text)
{
    TXMLBinary bytes;
    bytes.reserve((text.size() + 1) / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        int low = HexDigit(text[i]);
        int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : 0;
        if (low < 0 || high < 0)
            return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(low | high << 4));
    }
    return bytes;
}

TXMLMultiString XMLMultiStringFromText(std::string_view text, char delimiter, char quoteChar)
{
    TXMLMultiString value;
    value.delimiter = delimiter;
    value.quoteChar = quoteChar;
    if (text.empty())
        return value;
    size_t at = 0;
    while (true) {
        // An item within quotes ends at a quote followed by a delimiter or
        // the end, so that it may hold delimiters itself.
        if (delimiter != quoteChar && at < text.size() && text[at] == quoteChar) {
            size_t close = at + 1;
            while ((close = text.find(quoteChar, close)) != std::string_view::npos) {
                if (close + 1 == text.size() || text[close + 1] == delimiter)
                    break;
                ++close;
            }
            if (close != std::string_view::npos) {
                value.items.emplace_back(text.substr(at + 1, close - at - 1));
                if (close + 1 == text.size())
                    return value;
                at = close + 2;
                if (at == text.size()) {
                    value.items.emplace_back();
                    return value;
                }
                continue;
            }
        }
        size_t end = text.find(delimiter, at);
        std::string_view piece
            = text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        if (piece.size() >= 2 && piece.front() == quoteChar && piece.back() == quoteChar)
            piece = piece.substr(1, piece.size() - 2);
        value.items.emplace_back(piece);
        if (end == std::string_view::npos)
            return value;
        at = end + 1;
    }
}

std::optional<TXMLPayload> XMLPayloadFromText(
    std::optional<TXMLValueType> type, std::string_view text, char delimiter, char quoteChar)
{
    auto wrap = [](auto value) -> std::optional<TXMLPayload> {
        if (!value)
            return std::nullopt;
        return TXMLPayload(*value);
    };
    if (!type) {
        if (XMLIsTrueWord(text))
            return TXMLPayload(true);
        if (XMLIsFalseWord(text))
            return TXMLPayload(false);
        if (auto integer = XMLIntegerFromText(text))
            return TXMLPayload(*integer);
        if (auto real = XMLFloatFromText(text); real && LooksDecimal(text))
            return TXMLPayload(*real);
        if (auto date = XMLDateTimeFromText(text); date && XMLIsValidDateTime(*date))
            return TXMLPayload(*date);
        if (auto bytes = XMLBinaryFromText(text))
            return TXMLPayload(std::move(*bytes));
        return TXMLPayload(std::string(text));
    }
    switch (*type) {
    case TXMLValueType::None:
        return TXMLPayload(std::monostate {});
    case TXMLValueType::Boolean:
        return TXMLPayload(XMLBoolFromText(text));
    case TXMLValueType::Integer:
        return wrap(XMLIntegerFromText(text));
    case TXMLValueType::Int64:
        return wrap(XMLInt64FromText(text));
    case TXMLValueType::Float:
        return wrap(XMLFloatFromText(text));
    case TXMLValueType::DateTime:
        return wrap(XMLDateTimeFromText(text));
    case TXMLValueType::String:
        return TXMLPayload(std::string(text));
    case TXMLValueType::MultiString:
        return TXMLPayload(XMLMultiStringFromText(text, delimiter, quoteChar));
    case TXMLValueType::Binary:
        return wrap(XMLBinaryFromText(text));
    case TXMLValueType::Unknown:
        break;
    }
    return std::nullopt;
}
