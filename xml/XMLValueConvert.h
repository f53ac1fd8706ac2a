#pragma once

// What each getter of the settings store makes of a stored value of any
// type (Boolean read as Integer, String read as Float, ...).

#include "xml/XMLValue.h"

#include <optional>
#include <string>
#include <vector>

bool XMLValueAsBool(const TXMLPayload& payload);
// A Float is truncated toward zero and clamped to the range (NaN gives 0);
// an Int64 gives its low 32 bits; a String that is not an Integer text -1.
int32_t XMLValueAsInteger(const TXMLPayload& payload);
int64_t XMLValueAsInt64(const TXMLPayload& payload);
double XMLValueAsFloat(const TXMLPayload& payload);
// The items of a MultiString; the text form as one item for None..String;
// empty for Binary.
std::vector<std::string> XMLValueAsMultiString(const TXMLPayload& payload);
// A DateTime, or a String holding a date text; nothing otherwise.
std::optional<TXMLDateTime> XMLValueAsDateTime(const TXMLPayload& payload);
// A Binary, or a String of hex digits; nothing otherwise.
std::optional<TXMLBinary> XMLValueAsBinary(const TXMLPayload& payload);

// The system code page is UTF-8: text leaving or entering the store keeps
// valid UTF-8 as it is and has every invalid byte replaced by U+FFFD, as a
// conversion through UTF-16 would.
std::string XMLValidUtf8(std::string_view text);
