#include "xml/XMLValue.h"

const char* XMLValueTypeName(TXMLValueType type)
{
    static const char* const kNames[] = { "Unknown", "None", "Boolean", "Integer", "Int64", "Float",
        "DateTime", "String", "MultiString", "Binary" };
    auto code = static_cast<int>(type);
    return code >= 1 && code <= 9 ? kNames[code] : kNames[0];
}
