#include "flash/ControlBarList.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

using namespace vantor;
using vantor::test::TempDir;
using vantor::test::WriteFile;

TEST(ControlBarList, ListLinesNameAFileInQuotesThenTheDescription)
{
    struct Case {
        const char* line;
        std::optional<ControlBarEntry> expected;
    };
    const Case cases[] = {
        { "  \"Bar.swf\"   Blue bar", ControlBarEntry { "Bar.swf", "Blue bar" } },
        { "\t\"A.swf\"\tsays \"hi\" \r", ControlBarEntry { "A.swf", "says \"hi\" " } },
        { "\"A.swf\"", ControlBarEntry { "A.swf", "" } },
        { "  \"Bar.swf   Blue bar", std::nullopt },
        { "", std::nullopt },
        { "   ", std::nullopt },
        { "x \"Bar.swf\" Blue", std::nullopt },
        { "\"../Bar.swf\" Outside", std::nullopt },
        { "\"\" Nothing", std::nullopt },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseControlBarLine(c.line), c.expected) << c.line;
}

TEST(ControlBarList, LinesOfMissingFilesAreDroppedAndSingleVariantsNamed)
{
    TempDir dir;
    WriteFile(dir / "description.txt", "  \"Bar.swf\"   Blue bar\r\n\"Gone.swf\" Gone\n\"Red.swf\" Red\n");
    WriteFile(dir / "Bar.swf", "x");
    WriteFile(dir / "Red.swf", "x");
    EXPECT_EQ(ReadControlBarList(dir.Path().string()),
        (std::vector<ControlBarEntry> { { "Bar.swf", "Blue bar" }, { "Red.swf", "Red" } }));
    EXPECT_TRUE(ReadControlBarList(dir / "missing").empty());

    const std::pair<const char*, const char*> variants[]
        = { { "Bar.swf", "BarSingle.swf" }, { "DefaultControlBar.swf", "DefaultControlBarSingle.swf" },
              { "Bar", "BarSingle.swf" }, { "a.b.swf", "a.bSingle.swf" } };
    for (const auto& [listed, single] : variants)
        EXPECT_EQ(SingleSwfVariant(listed), single);
}

TEST(ControlBarList, EnablingFollowsTheListTheChoiceAndTheAcceptedMovie)
{
    struct Case {
        ControlBarInputs in;
        ControlBarStates expected;
    };
    // entries, add, custom, accepted, position ->
    // preinstalled, custom, chooseCustom, list, file, position, placement, add
    const Case cases[] = {
        { { 3, true, false, true, true }, { true, true, false, true, false, true, true, true } },
        { { 3, true, true, false, true }, { true, true, false, false, true, false, false, false } },
        { { 3, false, false, true, false }, { false, false, false, false, false, true, false, true } },
        { { 0, true, false, false, true }, { false, true, true, false, true, false, false, false } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecideControlBar(c.in), c.expected) << c.in.entries << c.in.add << c.in.customChosen;
}

} // namespace
