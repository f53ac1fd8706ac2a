#include "flash/ControlBarList.h"

#include <gtest/gtest.h>

namespace {

using namespace vantor;

TEST(ControlBarList, ListLinesNameAFileInQuotesThenTheDescription)
{
    struct Case {
        const char* line;
        std::optional<ControlBarEntry> expected;
    };
    const Case cases[] = {
        { "  \"Bar.swf\"   Blue bar", ControlBarEntry { "Bar.swf", "Blue bar" } },
        { "\t\"A.swf\"\tsays \"hi\" \r", ControlBarEntry { "A.swf", "says \"hi\" " } },
        { "  \"Bar.swf   Blue bar", std::nullopt },
        { "", std::nullopt },
        { "x \"Bar.swf\" Blue", std::nullopt },
        { "\"../Bar.swf\" Outside", std::nullopt },
        { "\"\" Nothing", std::nullopt },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseControlBarLine(c.line), c.expected) << c.line;
}

} // namespace
