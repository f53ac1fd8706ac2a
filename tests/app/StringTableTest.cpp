#include "app/StringTable.h"
#include "app/StringTableFile.h"
#include "strings/StringIds.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>

using namespace vantor;

namespace {

class StringTableTest : public ::testing::Test {
protected:
    void TearDown() override { PointStringTableAt(nullptr); }
};

StringTableRows ReadTable(const std::string& name)
{
    StringTableRows rows;
    std::string error;
    const std::string text = test::ReadFile(std::string(VANTOR_SOURCE_DIR) + "/resources/strings/" + name);
    EXPECT_FALSE(text.empty()) << name;
    EXPECT_TRUE(ParseStringTable(text, rows, error)) << name << ": " << error;
    return rows;
}

// The printf conversions of a text in order ("%s", "%i", "%5.2f"), so that a
// translation cannot ask for other arguments than the program passes.
std::vector<std::string> Conversions(const std::string& text)
{
    static const std::regex conversion(
        R"(%[-+ #0]*[0-9*]*(\.[0-9*]+)?(hh|h|ll|l|L|z|j|t)?[diouxXeEfFgGaAcspn%])");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), conversion); it != std::sregex_iterator();
         ++it)
        found.push_back(it->str());
    return found;
}

} // namespace

TEST_F(StringTableTest, ProgramTableGivesEveryCompiledText)
{
    ASSERT_GT(kEnglishStringCount, 0u);
    for (unsigned i = 0; i < kEnglishStringCount; ++i)
        EXPECT_EQ(LoadStr(kEnglishStrings[i].id), kEnglishStrings[i].text) << kEnglishStrings[i].id;
    EXPECT_EQ(LoadStr(str::kEnglishFingerPrint), "EnglishFingerPrint");
    EXPECT_EQ(str::kEnglishFingerPrint, 61191);
}

TEST_F(StringTableTest, IdsOutsideTheRangeOrWithoutTextAreEmpty)
{
    auto module = ResourceModule::FromTexts("pack",
        { { 60000, "first" }, { 61434, "last" }, { 59999, "below" }, { 61435, "above" }, { 60500, "" } });
    PointStringTableAt(module);
    const std::pair<int, const char*> cases[] = {
        { 60000, "first" },
        { 61434, "last" },
        { 59999, "" },
        { 61435, "" },
        { 60500, "" },
        { 60001, "" },
        { 0, "" },
        { -60000, "" },
    };
    for (const auto& [id, text] : cases)
        EXPECT_EQ(LoadStr(id), text) << id;
}

TEST_F(StringTableTest, PointingAtAModuleRefillsAndNullMeansTheProgram)
{
    PointStringTableAt(ResourceModule::FromTexts("a", { { 61191, "A" } }));
    EXPECT_EQ(LoadStr(61191), "A");
    PointStringTableAt(ResourceModule::FromTexts("b", { { 60300, "B" } }));
    EXPECT_EQ(LoadStr(61191), "") << "nothing of the previous module stays";
    EXPECT_EQ(LoadStr(60300), "B");
    EXPECT_EQ(StringTableModule()->Path(), "b");
    PointStringTableAt(nullptr);
    EXPECT_TRUE(StringTableModule()->IsProgram());
    EXPECT_EQ(LoadStr(61191), "EnglishFingerPrint");
}

TEST_F(StringTableTest, LongTextsAreCutToTheBufferWithoutSplittingCharacters)
{
    const std::string ascii(1500, 'a');
    std::string accented;
    for (int i = 0; i < 1100; ++i)
        accented += "\xC3\xA9"; // e-acute, two bytes a character
    auto module = ResourceModule::FromTexts(
        "pack", { { 60000, ascii }, { 60001, accented }, { 60002, std::string(1023, 'b') } });
    EXPECT_EQ(module->Text(60000), std::string(1023, 'a'));
    EXPECT_EQ(module->Text(60001).size(), 1023u * 2);
    EXPECT_EQ(module->Text(60001), accented.substr(0, 1023 * 2));
    EXPECT_EQ(module->Text(60002), std::string(1023, 'b'));
}

TEST_F(StringTableTest, PackFilesAreReadOrReportedClearly)
{
    test::TempDir dir;
    test::WriteFile(dir / "good.FRA",
        "# comment\r\n60010\tHello\tBonjour\\n\\tà tous\r\n61191\tFp\tEnglishFingerPrint\n");
    test::WriteFile(dir / "bad.FRA", "60010\tHello\tBonjour\n70000\tOut\tof range\n");
    std::string error;

    auto good = ResourceModule::LoadFile(dir / "good.FRA", error);
    ASSERT_TRUE(good);
    EXPECT_EQ(error, "");
    EXPECT_EQ(good->Path(), dir / "good.FRA");
    EXPECT_EQ(good->Text(60010), "Bonjour\n\tà tous");
    EXPECT_EQ(good->Text(61191), "EnglishFingerPrint");

    auto bad = ResourceModule::LoadFile(dir / "bad.FRA", error);
    ASSERT_TRUE(bad) << "a readable file is a module, even when it is no table";
    EXPECT_EQ(bad->Text(60010), "") << "a damaged table gives no texts at all";
    EXPECT_NE(error.find("bad.FRA: line 2"), std::string::npos) << error;

    EXPECT_FALSE(ResourceModule::LoadFile(dir / "missing.FRA", error));
    EXPECT_NE(error.find("missing.FRA"), std::string::npos) << error;
}

TEST_F(StringTableTest, FrenchPackTranslatesEveryEnglishText)
{
    const StringTableRows english = ReadTable("English.tsv");
    const StringTableRows french = ReadTable("French.tsv");
    std::map<int, const StringTableRow*> frenchById;
    for (const auto& row : french)
        frenchById[row.id] = &row;

    for (const auto& row : english) {
        SCOPED_TRACE(std::to_string(row.id) + " " + row.name);
        auto it = frenchById.find(row.id);
        ASSERT_NE(it, frenchById.end()) << "no French text";
        const StringTableRow& translated = *it->second;
        EXPECT_EQ(translated.name, row.name);
        EXPECT_EQ(translated.text.empty(), row.text.empty());
        EXPECT_EQ(Conversions(translated.text), Conversions(row.text)) << translated.text;
        // Leading and trailing blanks are joints with other texts. French
        // may add a blank before a colon, so only a blank of the English
        // text must be kept at the start.
        if (row.text.starts_with(' ')) {
            EXPECT_TRUE(translated.text.starts_with(' ')) << "'" << translated.text << "'";
        }
        EXPECT_EQ(translated.text.ends_with(' '), row.text.ends_with(' ')) << "'" << translated.text << "'";
        frenchById.erase(it);
    }
    for (const auto& [id, row] : frenchById)
        ADD_FAILURE() << "French has id " << id << " " << row->name << " that English lacks";

    // The fingerprint is the same text in every pack.
    for (const auto& row : french) {
        if (row.id == 61191) {
            EXPECT_EQ(row.text, "EnglishFingerPrint");
        }
    }
}

TEST_F(StringTableTest, ConversionsAreRecognised)
{
    EXPECT_EQ(
        Conversions("(movie=%ix%i, toolbar=%ix%i)"), (std::vector<std::string> { "%i", "%i", "%i", "%i" }));
    EXPECT_EQ(
        Conversions("%s: %5.2f%% done, %lu left"), (std::vector<std::string> { "%s", "%5.2f", "%%", "%lu" }));
    EXPECT_TRUE(Conversions("100 percent").empty());
}
