// Text forms of the settings value types and the rules by which file texts
// are read back.

#include "xml/XMLValueConvert.h"
#include "xml/XMLValueText.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(SettingsText, FloatIsWrittenWithTenDigitsAndNumbersMustBeCompleteAndInRange)
{
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        { 100.0, "100." },
        { 0.0, "0." },
        { 12.5, "12.5" },
        { 0.0123, "1.23e-002" },
        { 1e20, "1.e+020" },
        { 0.5, "0.5" },
        { 1.0 / 3.0, "0.3333333333" },
        { 2.0 / 3.0, "0.6666666667" },
        { 1234567890.0, "1234567890." },
        { 12345678901.0, "1.23456789e+010" },
        { 9999999999.6, "1.e+010" }, // rounding to ten digits moves the exponent
        { 1e-300, "1.e-300" },
        { -2.5e-7, "-2.5e-007" },
        { 1.7976931348623157e308, "1.797693135e+308" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(XMLFloatText(c.value), c.text) << c.value;
        // Ten digits read back to the value within their precision; the
        // largest double's text rounds past the range and is left out.
        if (c.value < 1e308) {
            EXPECT_NEAR(XMLFloatFromText(c.text).value_or(-1), c.value, std::abs(c.value) * 1e-9) << c.text;
        }
    }

    // Numbers must be complete and within their range.
    struct Number {
        const char* text;
        std::optional<int32_t> integer;
        std::optional<int64_t> int64;
    } numbers[] = {
        { "12", 12, 12 },
        { "  -7  ", -7, -7 },
        { "+5", 5, 5 },
        { "2147483647", 2147483647, 2147483647 },
        { "2147483648", std::nullopt, 2147483648LL },
        { "-2147483648", INT32_MIN, -2147483648LL },
        { "9223372036854775807", std::nullopt, INT64_MAX },
        { "9223372036854775808", std::nullopt, std::nullopt },
        { "12a", std::nullopt, std::nullopt },
        { "0x10", std::nullopt, std::nullopt },
        { "", std::nullopt, std::nullopt },
        { "-", std::nullopt, std::nullopt },
        { "+-1", std::nullopt, std::nullopt },
        { "1 2", std::nullopt, std::nullopt },
    };
    for (const Number& c : numbers) {
        EXPECT_EQ(XMLIntegerFromText(c.text), c.integer) << c.text;
        EXPECT_EQ(XMLInt64FromText(c.text), c.int64) << c.text;
    }
    EXPECT_EQ(XMLFloatFromText(" 1.5e3 "), 1500.0);
    EXPECT_EQ(XMLFloatFromText("-.5"), -0.5);
    EXPECT_EQ(XMLFloatFromText("1.e+020"), 1e20);
    EXPECT_FALSE(XMLFloatFromText("1,5").has_value());
    EXPECT_FALSE(XMLFloatFromText("1e999").has_value());
    EXPECT_FALSE(XMLFloatFromText("").has_value());
    EXPECT_FALSE(XMLFloatFromText("abc").has_value());
}

TEST(SettingsText, DateTimeLeavesOutZeroTimePadsTheDayAndRejectsOtherForms)
{
    struct Case {
        TXMLDateTime value;
        const char* text;
    } cases[] = {
        { { 0, 0, 0, 5, 3, 2009 }, " 5.03.2009" },
        { { 0, 30, 14, 5, 3, 2009 }, " 5.03.2009 14:30" },
        { { 7, 30, 14, 5, 3, 2009 }, " 5.03.2009 14:30:07" },
        { { 0, 5, 0, 25, 12, 1999 }, "25.12.1999 00:05" },
        { { 1, 0, 0, 1, 1, 12 }, " 1.01.0012 00:00:01" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(XMLDateTimeText(c.value), c.text);
        EXPECT_EQ(XMLDateTimeFromText(c.text), c.value) << c.text;
    }
    // Texts outside the form are rejected.
    for (const char* text : { "", "5.3", "5.3.2009.1", "a.3.2009", "5.3.2009 14", "5.3.2009 14:30:00:01",
             "5.3.2009 14:x", "-5.3.2009", "5..2009",
             "5.3.2009 "
             "14:30 extra" }) {
        EXPECT_FALSE(XMLDateTimeFromText(text).has_value()) << text;
    }
    EXPECT_TRUE(XMLDateTimeFromText("  5.3.2009 1:2:3  ").has_value());
}

TEST(SettingsText, BinaryIsWrittenLowNibbleFirstMultiStringQuotedAndSplit)
{
    EXPECT_EQ(XMLBinaryText({ 0x1F, 0xA0 }), "f10a");
    EXPECT_EQ(XMLBinaryText({}), "");
    EXPECT_EQ(XMLBinaryText({ 0x00, 0xFF, 0x5C }), "00ffc5");
    struct Case {
        const char* text;
        TXMLBinary bytes;
    } cases[] = {
        { "f10a", { 0x1F, 0xA0 } },
        { "F10A", { 0x1F, 0xA0 } },
        { "ff00", { 0xFF, 0x00 } },
        { "f1a", { 0x1F, 0x0A } }, // odd count: the last byte has its low nibble only
        { "", {} },
    };
    for (const Case& c : cases)
        EXPECT_EQ(XMLBinaryFromText(c.text), c.bytes) << c.text;
    EXPECT_FALSE(XMLBinaryFromText("f1g0").has_value());

    // MultiString quotes every item and splits at the delimiter.
    EXPECT_EQ(XMLMultiStringText({ { "a", "b" }, ',', '"' }), "\"a\",\"b\"");
    EXPECT_EQ(XMLMultiStringText({ {}, ',', '"' }), "");
    EXPECT_EQ(XMLMultiStringText({ { "x" }, ';', '\'' }), "'x'");

    struct Split {
        const char* text;
        char delimiter;
        char quote;
        std::vector<std::string> items;
    } splits[] = {
        { "\"a\",\"b\"", ',', '"', { "a", "b" } },
        { "a,b", ',', '"', { "a", "b" } },
        { "", ',', '"', {} },
        { "\"\"", ',', '"', { "" } },
        { "\"a,b\",c", ',', '"', { "a,b", "c" } }, // quoted items may hold the delimiter
        { "'x';'y z'", ';', '\'', { "x", "y z" } },
        { "\"a\",", ',', '"', { "a", "" } },
        { "\"open,b", ',', '"', { "\"open", "b" } },
        { "\"C:\\a.vtr\",\"C:\\b.vtz\"", ',', '"', { "C:\\a.vtr", "C:\\b.vtz" } },
    };
    for (const Split& c : splits)
        EXPECT_EQ(XMLMultiStringFromText(c.text, c.delimiter, c.quote).items, c.items) << c.text;
}

TEST(SettingsText, TypeNamesAreMatchedByPrefixIgnoringCase)
{
    struct Case {
        const char* name;
        std::optional<TXMLValueType> type;
    } cases[] = {
        { "None", TXMLValueType::None },
        { "bool", TXMLValueType::Boolean },
        { "integer", TXMLValueType::Integer },
        { "INTEGRAL", TXMLValueType::Integer },
        { "int64_t", TXMLValueType::Int64 },
        { "Float", TXMLValueType::Float },
        { "date", TXMLValueType::DateTime },
        { "strings", TXMLValueType::String },
        { "MultiString", TXMLValueType::MultiString },
        { "bin", TXMLValueType::Binary },
        { "Int", std::nullopt },
        { "", std::nullopt },
        { "Double", std::nullopt },
    };
    for (const Case& c : cases)
        EXPECT_EQ(XMLValueTypeFromName(c.name), c.type) << c.name;
    // Every type's own name reads back as that type.
    for (int code = 0; code <= 10; ++code) {
        auto type = static_cast<TXMLValueType>(code);
        std::string name = XMLValueTypeName(type);
        if (code >= 1 && code <= 9)
            EXPECT_EQ(XMLValueTypeFromName(name), type) << name;
        else
            EXPECT_EQ(name, "Unknown");
    }
}

TEST(SettingsText, UntypedValuesTakeTheFirstMatchingTypeDeclaredOnesTheirOwn)
{
    struct Case {
        const char* text;
        TXMLPayload payload;
    } cases[] = {
        { "TRUE", true },
        { "yes", true },
        { "No", false },
        { "12", int32_t(12) },
        { "12.5", 12.5 },
        { "4294967296", 4294967296.0 }, // too big for an Integer: a real
        { "5.03.2009", TXMLDateTime { 0, 0, 0, 5, 3, 2009 } },
        { "31.02.2009", std::string("31.02.2009") }, // no such day
        { "ff00", TXMLBinary { 0xFF, 0x00 } },
        { "", TXMLBinary {} },
        { "inf", std::string("inf") },
        { "nan", std::string("nan") },
        { "hello world", std::string("hello world") },
        { "Yes please", std::string("Yes please") },
    };
    for (const Case& c : cases)
        EXPECT_EQ(XMLPayloadFromText(std::nullopt, c.text), c.payload) << c.text;

    // Declared types read their text or give nothing.
    EXPECT_EQ(XMLPayloadFromText(TXMLValueType::Boolean, "Yes"), TXMLPayload(true));
    EXPECT_EQ(XMLPayloadFromText(TXMLValueType::Boolean, "1"), TXMLPayload(false));
    EXPECT_EQ(XMLPayloadFromText(TXMLValueType::Integer, " 42 "), TXMLPayload(int32_t(42)));
    EXPECT_EQ(XMLPayloadFromText(TXMLValueType::Int64, "-5000000000"), TXMLPayload(int64_t(-5000000000)));
    EXPECT_EQ(XMLPayloadFromText(TXMLValueType::String, "12"), TXMLPayload(std::string("12")));
    EXPECT_EQ(XMLPayloadFromText(TXMLValueType::None, "whatever"), TXMLPayload(std::monostate {}));
    EXPECT_EQ(XMLPayloadFromText(TXMLValueType::MultiString, "a;b", ';', '"'),
        TXMLPayload(TXMLMultiString { { "a", "b" }, ';', '"' }));
    EXPECT_FALSE(XMLPayloadFromText(TXMLValueType::Integer, "abc").has_value());
    EXPECT_FALSE(XMLPayloadFromText(TXMLValueType::Float, "1.2.3").has_value());
    EXPECT_FALSE(XMLPayloadFromText(TXMLValueType::DateTime, "yesterday").has_value());
    EXPECT_FALSE(XMLPayloadFromText(TXMLValueType::Binary, "xyz").has_value());
}

TEST(SettingsConvert, GettersConvertEveryStoredTypeAndInvalidUtf8BecomesReplacements)
{
    struct Case {
        const char* what;
        TXMLPayload stored;
        int32_t integer;
        double real;
        bool flag;
    } cases[] = {
        { "None", std::monostate {}, 0, 0.0, false },
        { "Boolean true", true, 1, 1.0, true },
        { "Boolean false", false, 0, 0.0, false },
        { "Integer", int32_t(-12), -12, -12.0, true },
        { "Integer zero", int32_t(0), 0, 0.0, false },
        { "Int64 low bits", int64_t(0x100000005LL), 5, 4294967301.0, true },
        { "Float", -2.75, -2, -2.75, true },
        { "Float zero", 0.0, 0, 0.0, false },
        { "Float too big", 1e12, INT32_MAX, 1e12, true },
        { "DateTime", TXMLDateTime { 0, 0, 0, 5, 3, 2009 }, 0, 0.0, false },
        { "String number", std::string("42"), 42, 42.0, false },
        { "String word", std::string("True"), -1, 0.0, true },
        { "String real", std::string("2.5"), -1, 2.5, false },
        { "MultiString", TXMLMultiString { { "1" } }, 0, 0.0, false },
        { "Binary", TXMLBinary { 1 }, -1, -1.0, true },
        { "Binary empty", TXMLBinary {}, -1, -1.0, false },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(XMLValueAsInteger(c.stored), c.integer) << c.what;
        EXPECT_EQ(XMLValueAsFloat(c.stored), c.real) << c.what;
        EXPECT_EQ(XMLValueAsBool(c.stored), c.flag) << c.what;
    }
    EXPECT_EQ(XMLValueAsInt64(int64_t(0x100000005LL)), 0x100000005LL);
    EXPECT_EQ(XMLValueAsInt64(std::string("-9000000000")), -9000000000LL);
    EXPECT_EQ(XMLValueAsInteger(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(XMLValueAsInteger(-1e12), INT32_MIN);
    EXPECT_EQ(XMLValueAsInt64(1e30), INT64_MAX);
    // The MultiString getter gives the items, or one text item.
    EXPECT_EQ(
        XMLValueAsMultiString(TXMLMultiString { { "a", "b" } }), (std::vector<std::string> { "a", "b" }));
    EXPECT_EQ(XMLValueAsMultiString(int32_t(7)), (std::vector<std::string> { "7" }));
    EXPECT_EQ(XMLValueAsMultiString(std::monostate {}), (std::vector<std::string> { "None" }));
    EXPECT_EQ(XMLValueAsMultiString(std::string("x,y")), (std::vector<std::string> { "x,y" }));
    EXPECT_TRUE(XMLValueAsMultiString(TXMLBinary { 1 }).empty());

    // Invalid UTF-8 bytes become replacement characters.
    struct Utf8 {
        std::string in;
        std::string out;
    } texts[] = {
        { "plain", "plain" },
        { "Gr\xC3\xBC\xC3\x9F"
          "e",
            "Gr\xC3\xBC\xC3\x9F"
            "e" },
        { "\xE2\x82\xAC 5", "\xE2\x82\xAC 5" }, { "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80" },
        { "caf\xE9", "caf\xEF\xBF\xBD" }, // a Latin-1 byte
        { "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD" }, // overlong
        { "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD" }, // surrogate
        { "\xE2\x82", "\xEF\xBF\xBD\xEF\xBF\xBD" }, // cut short
    };
    for (const Utf8& c : texts)
        EXPECT_EQ(XMLValidUtf8(c.in), c.out);
}

} // namespace
