#pragma once

// The text form of every value type, as written into settings files, and
// the lenient rules by which file texts are read back.

#include "xml/XMLValue.h"

#include <optional>
#include <string>
#include <string_view>

// The text written for a payload (the "Contents" of a Value element).
std::string XMLValueText(const TXMLPayload& payload);

// `value` as the Windows runtime's _gcvt wrote it with 10 significant
// digits: fixed notation for decimal exponents -1..9, else exponent
// notation with a sign and three digits; trailing zeros dropped, the point
// kept ("100.", "12.5", "1.23e-002", "1.e+020").
std::string XMLFloatText(double value);
std::string XMLDateTimeText(const TXMLDateTime& value);
// Each item within the quote character, items separated by the delimiter.
std::string XMLMultiStringText(const TXMLMultiString& value);
// Two lowercase hex digits a byte, low nibble first (0x1F is "f1").
std::string XMLBinaryText(const TXMLBinary& value);

// The type named by a file's Type attribute, compared case-insensitively by
// prefix; nothing for an empty or unknown name.
std::optional<TXMLValueType> XMLValueTypeFromName(std::string_view name);

// Readers of each type's text. Spaces around numbers are ignored; a text
// that is not a complete number of the type's range gives nothing.
bool XMLBoolFromText(std::string_view text); // one of the six true words
bool XMLIsTrueWord(std::string_view text);
bool XMLIsFalseWord(std::string_view text);
std::optional<int32_t> XMLIntegerFromText(std::string_view text);
std::optional<int64_t> XMLInt64FromText(std::string_view text);
std::optional<double> XMLFloatFromText(std::string_view text);
// "d.m.y", optionally followed by " h:m" or " h:m:s", each part decimal.
std::optional<TXMLDateTime> XMLDateTimeFromText(std::string_view text);
// True when the fields make a calendar date and a time of day.
bool XMLIsValidDateTime(const TXMLDateTime& value);
// Pairs of hex digits, low nibble first; an odd count leaves the last byte
// with its low nibble only. Nothing when a character is not a hex digit.
std::optional<TXMLBinary> XMLBinaryFromText(std::string_view text);
// Splits at the delimiter; an item written within quote characters loses
// them and may itself hold the delimiter. An empty text is an empty list.
TXMLMultiString XMLMultiStringFromText(std::string_view text, char delimiter, char quoteChar);

// The payload of a value read from a file: the declared type's reading of
// the text, or, without a type, the first matching inference (Boolean word,
// Integer, Float, valid date, hex digits as Binary, else String). Nothing
// when the text does not fit the declared type.
std::optional<TXMLPayload> XMLPayloadFromText(
    std::optional<TXMLValueType> type, std::string_view text, char delimiter = ',', char quoteChar = '"');
