#include "app/StringTable.h"
#include "app/ProductNames.h"
#include "app/StringTableFile.h"
#include "strings/StringIds.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string_view>

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
    constexpr std::string_view kFlags = "-+ #0";
    constexpr std::string_view kWidth = "0123456789*.";
    constexpr std::string_view kLength = "hlLzjt";
    constexpr std::string_view kTypes = "diouxXeEfFgGaAcspn%";
    std::vector<std::string> found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        std::size_t end = i + 1;
        while (end < text.size() && kFlags.find(text[end]) != std::string_view::npos)
            ++end;
        while (end < text.size() && kWidth.find(text[end]) != std::string_view::npos)
            ++end;
        while (end < text.size() && kLength.find(text[end]) != std::string_view::npos)
            ++end;
        if (end < text.size() && kTypes.find(text[end]) != std::string_view::npos) {
            found.push_back(text.substr(i, end - i + 1));
            i = end;
        }
    }
    return found;
}

} // namespace

TEST_F(StringTableTest, ProgramTableGivesEveryCompiledText)
{
    ASSERT_GT(kEnglishStringCount, 0u);
    for (unsigned i = 0; i < kEnglishStringCount; ++i)
        EXPECT_EQ(LoadStr(kEnglishStrings[i].id), kEnglishStrings[i].text) << kEnglishStrings[i].id;
    EXPECT_EQ(LoadStr(61191), "EnglishFingerPrint");
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

// Every pack source beside English.tsv (French.tsv and any added later)
// must translate every English text and nothing else.
TEST_F(StringTableTest, EveryPackTranslatesEveryEnglishText)
{
    const StringTableRows english = ReadTable("English.tsv");
    std::vector<std::string> packs;
    for (const auto& entry :
        std::filesystem::directory_iterator(std::string(VANTOR_SOURCE_DIR) + "/resources/strings"))
        if (entry.path().extension() == ".tsv" && entry.path().filename() != "English.tsv")
            packs.push_back(entry.path().filename().string());
    ASSERT_NE(std::find(packs.begin(), packs.end(), "French.tsv"), packs.end());

    for (const std::string& pack : packs) {
        SCOPED_TRACE(pack);
        const StringTableRows translation = ReadTable(pack);
        std::map<int, const StringTableRow*> byId;
        for (const auto& row : translation)
            byId[row.id] = &row;
        for (const auto& row : english) {
            SCOPED_TRACE(std::to_string(row.id) + " " + row.name);
            auto it = byId.find(row.id);
            if (it == byId.end()) {
                ADD_FAILURE() << "no translation";
                continue;
            }
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
            EXPECT_EQ(translated.text.ends_with(' '), row.text.ends_with(' '))
                << "'" << translated.text << "'";
            if (row.id == 61191) {
                EXPECT_EQ(translated.text, "EnglishFingerPrint") << "the fingerprint is never translated";
            }
            byId.erase(it);
        }
        for (const auto& [id, row] : byId)
            ADD_FAILURE() << "id " << id << " " << row->name << " is not in English.tsv";
    }
}

TEST_F(StringTableTest, SourceTablesAreParsedOrRejectedNamingTheLine)
{
    struct Case {
        const char* what;
        std::string text;
        const char* error; // empty: accepted
    };
    const Case cases[] = {
        { "comments, blank lines and CRLF", "# c\r\n\r\n60000\tA\tone\r\n61434\tB\ttwo\n", "" },
        { "escapes and tabs in the text", "60000\tA\ta\\tb\\nc\\\\d\\re\tf\\x\n", "" },
        { "missing text column", "60000\tA\n", "line 1: expected id, name and text" },
        { "id below the range", "# c\n59999\tA\tx\n", "line 2: the id must be a number from 60000 to 61434" },
        { "id above the range", "61435\tA\tx\n", "line 1: the id must be a number" },
        { "id with a sign", "+60000\tA\tx\n", "line 1: the id must be a number" },
        { "id with trailing letters", "60000x\tA\tx\n", "line 1: the id must be a number" },
        { "empty name", "60000\t\tx\n", "line 1: the name is empty" },
        { "repeated id", "60000\tA\tx\n60000\tB\ty\n", "line 2: id 60000 is listed twice" },
        { "repeated name", "60000\tA\tx\n60001\tA\ty\n", "line 2: name A is listed twice" },
        { "text not UTF-8", "60000\tA\tcaf\xE9\n", "line 1: the text is not UTF-8" },
        { "UTF-8 cut short", "60000\tA\tcaf\xC3\n", "line 1: the text is not UTF-8" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StringTableRows rows;
        std::string error;
        bool accepted = ParseStringTable(c.text, rows, error);
        EXPECT_EQ(accepted, std::string(c.error).empty()) << error;
        if (!accepted) {
            EXPECT_TRUE(error.starts_with(c.error)) << error;
        }
    }

    StringTableRows rows;
    std::string error;
    ASSERT_TRUE(ParseStringTable("60000\tA\ta\\tb\\nc\\\\d\\re\tf\\x\n", rows, error));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, "A");
    EXPECT_EQ(rows[0].text, "a\tb\nc\\d\re\tf\\x");
}

TEST_F(StringTableTest, PackFileOfMoreThanEightMegabytesGivesNoTexts)
{
    test::TempDir dir;
    const std::pair<std::size_t, const char*> cases[] = {
        { 8u << 20, "EnglishFingerPrint" },
        { (8u << 20) + 1, "" },
    };
    for (const auto& [size, text] : cases) {
        std::string content = "61191\tFp\tEnglishFingerPrint\n";
        content.resize(size, '#');
        test::WriteFile(dir / "pack.FRA", content);
        std::string error;
        auto module = ResourceModule::LoadFile(dir / "pack.FRA", error);
        ASSERT_TRUE(module);
        EXPECT_EQ(module->Text(61191), text) << size;
        EXPECT_EQ(error.find("too large") != std::string::npos, std::string(text).empty()) << error;
    }
}

TEST_F(StringTableTest, DesignedCaptionsGetTheProductName)
{
    const std::pair<const char*, const char*> cases[] = {
        { "CV Vantor Batch Export", "CV Vantor Pro Batch Export" },
        { "CV Vantor logo", "CV Vantor Pro logo" },
        { "Logo CV Vantor", "Logo CV Vantor Pro" },
        { "CV VantorCV Vantor", "CV Vantor ProCV Vantor Pro" },
        { "cv vantor and CV vantor stay", "cv vantor and CV vantor stay" },
        { "CV Vanto", "CV Vanto" },
        { "", "" },
        // Every occurrence is replaced, even one already followed by "Pro".
        { "CV Vantor Pro", "CV Vantor Pro Pro" },
    };
    for (const auto& [designed, shown] : cases)
        EXPECT_EQ(ReplaceProductName(designed), shown) << designed;
    EXPECT_EQ(ApplicationTitle(), ReplaceProductName("CV Vantor Batch Export"));
}
