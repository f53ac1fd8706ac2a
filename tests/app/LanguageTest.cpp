#include "app/Language.h"
#include "app/ProductNames.h"
#include "app/StringTable.h"
#include "app/StringTableFile.h"
#include "strings/StringIds.h"
#include "xml/XMLSettings.h"

#include "ScriptedEngine.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vantor;
namespace fs = std::filesystem;

namespace {

constexpr int kFrench = 0x040C;

std::string PackText(const std::string& fingerprint, const std::string& failureText)
{
    return "61191\tEnglishFingerPrint\t" + fingerprint + "\n60300\tFailedLoadingLanguagePack\t" + failureText
        + "\n";
}

// Each test starts with no "Vantor2 Player" settings, nothing kept in memory
// and the program's own texts current.
class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset()
    {
        std::error_code ec;
        fs::remove(TXMLSettings::UserFilePath("Vantor2 Player"), ec);
        ForgetLanguageId();
        SetCurrentResourceModule(nullptr);
        PointStringTableAt(nullptr);
    }
    static void Store(int id)
    {
        TXMLSettings settings(false);
        settings.ReadXMLSettings("Vantor2 Player", false);
        settings.SetInteger("LanguageId", id);
        settings.SaveAll("Vantor2 Player");
        ForgetLanguageId();
    }
    static int StoredLanguageId()
    {
        TXMLSettings settings(false);
        settings.ReadXMLSettings("Vantor2 Player", false);
        return settings.GetInteger("LanguageId", -1);
    }

    test::TempDir m_dir;
    std::string m_executable = m_dir / "vantor-batch-export";
};

// The string table tests need only the reset.
class StringTableTest : public LanguageTest { };

} // namespace

TEST_F(LanguageTest, CodesAndIdsMapBothWaysAndTheIdIsKeptAndStoredBesideOtherSettings)
{
    ASSERT_EQ(LanguageCodes().size(), 133u);
    for (const auto& row : LanguageCodes())
        EXPECT_EQ(LanguageAbbreviation(row.id), row.abbreviation);
    const std::pair<const char*, int> cases[] = {
        { "ENG", 0x0809 },
        { "fRa", 0x040C },
        { "enu", 0x0409 },
        { "esn", 0x0C0A },
        { "VIT", 0x042A },
        { "XYZ", 0 },
        { "", 0 },
        { "EN", 0 },
        { "ENGL", 0 },
    };
    for (const auto& [code, id] : cases)
        EXPECT_EQ(LanguageCodeToId(code), id) << "'" << code << "'";
    EXPECT_EQ(LanguageAbbreviation(0x7FFF), "");

    // The language id is kept in memory and stored beside other settings.
    EXPECT_EQ(GetLanguageId(), kEnglishLanguageId) << "no settings file means English";
    {
        TXMLSettings settings(false);
        settings.SetString("Volume", "loud");
        settings.SaveAll("Vantor2 Player");
    }
    SetLanguageId(kFrench);
    EXPECT_EQ(StoredLanguageId(), kFrench);
    TXMLSettings settings(false);
    ASSERT_TRUE(settings.ReadXMLSettings("Vantor2 Player", false));
    EXPECT_EQ(settings.GetString("Volume", ""), "loud");
    // A later change of the file is not seen until the kept value is
    // forgotten; stored ids outside the table read as English.
    const std::pair<int, int> stores[] = { { 0x0407, 0x0407 }, { 0x0409, 0x0409 }, { 0, 0x0809 },
        { -1, 0x0809 }, { 0x7FFF, 0x0809 }, { 0x1040C, 0x0809 } };
    EXPECT_EQ(GetLanguageId(), kFrench);
    for (const auto& [stored, read] : stores) {
        Store(stored);
        EXPECT_EQ(GetLanguageId(), read) << std::hex << stored;
    }
}

TEST_F(LanguageTest, PackIsFoundInEachCandidatePlaceInOrder)
{
    EXPECT_EQ(LanguagePackCandidates("/opt/vb/tool.bin", "DEU")[1], "/opt/vb/tool.DEU");
    EXPECT_TRUE(LanguagePackCandidates("/opt/vb/vantor-batch-export", "").empty());
    const std::string packs[] = {
        m_dir / "Languages/vantor-batch-export.FRA",
        m_dir / "vantor-batch-export.FRA",
        m_dir / "Languages/vantor-batch-export.FR",
        m_dir / "vantor-batch-export.FR",
    };
    // Written from the last place to the first, each newly written one wins.
    for (std::size_t first = std::size(packs); first-- > 0;) {
        test::WriteFile(packs[first], PackText("EnglishFingerPrint", "pack " + std::to_string(first)));
        auto module = LoadNewResourceModule(kFrench, m_executable);
        ASSERT_TRUE(module);
        EXPECT_EQ(module->Path(), packs[first]);
        EXPECT_EQ(module->Text(str::kFailedLoadingLanguagePack), "pack " + std::to_string(first));
        EXPECT_EQ(CurrentResourceModule(), module);
    }
}

TEST_F(LanguageTest, StartUpTakesThePackOfTheStoredLanguageOrRunsInEnglish)
{
    // A pack of another language and a folder named like a pack are ignored.
    test::WriteFile(m_dir / "Languages/vantor-batch-export.DEU", PackText("EnglishFingerPrint", "x"));
    fs::create_directories(m_dir / "Languages/vantor-batch-export.FRA");
    const std::string shipped = (test::BinDir() / "vantor-batch-export").string();
    struct Case {
        int language;
        std::string program;
        std::string pack; // empty: the program's own texts
        const char* failedText;
    };
    const Case cases[] = {
        { 0x0809, m_executable, "", "Failed loading language pack" }, // English never looks for a pack
        { 0x040C, m_executable, "", "Failed loading language pack" }, // only a folder of that name
        { 0x0407, shipped, "", "Failed loading language pack" }, // no German pack
        { 0x040C, shipped, (test::BinDir() / "Languages/vantor-batch-export.FRA").string(),
            "Échec du chargement du module de langue" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        test::ScriptedDialogs dialogs;
        Store(c.language);
        EXPECT_TRUE(LoadLanguageAtStartup(c.program));
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(CurrentResourceModule()->IsProgram() ? "" : CurrentResourceModule()->Path(), c.pack);
        EXPECT_EQ(LoadStr(str::kFailedLoadingLanguagePack), c.failedText);
        EXPECT_EQ(StoredLanguageId(), c.language);
    }
}

TEST_F(LanguageTest, StartUpRejectsAPackWithoutTheFingerPrint)
{
    const std::pair<const char*, std::string> broken[] = {
        { "wrong case", PackText("englishfingerprint", "x") },
        { "trailing space", PackText("EnglishFingerPrint ", "x") },
        { "missing", "60300\tFailedLoadingLanguagePack\tx\n" },
    };
    for (const auto& [what, content] : broken) {
        SCOPED_TRACE(what);
        test::ScriptedDialogs dialogs;
        test::WriteFile(m_dir / "vantor-batch-export.FR", content);
        Store(kFrench);
        EXPECT_FALSE(LoadLanguageAtStartup(m_executable));
        EXPECT_EQ(test::Shown(dialogs),
            std::vector<std::string>({ "CV Vantor Pro Batch Export: Failed loading language pack [16]" }));
        EXPECT_EQ(GetLanguageId(), kEnglishLanguageId);
        EXPECT_EQ(StoredLanguageId(), kEnglishLanguageId);
        EXPECT_EQ(LoadStr(str::kEnglishFingerPrint), "EnglishFingerPrint");
    }
}

TEST_F(StringTableTest, IdsOutsideTheRangeOrWithoutTextAreEmptyLongTextsCut)
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
    // Pointing at another module refills the table; null means the program.
    PointStringTableAt(ResourceModule::FromTexts("b", { { 60300, "B" } }));
    EXPECT_EQ(LoadStr(60000), "");
    EXPECT_EQ(StringTableModule()->Path(), "b");
    PointStringTableAt(nullptr);
    EXPECT_TRUE(StringTableModule()->IsProgram());
    EXPECT_EQ(LoadStr(61191), "EnglishFingerPrint");

    // Long texts are cut to the buffer without splitting characters.
    const std::string ascii(1500, 'a');
    std::string accented;
    for (int i = 0; i < 1100; ++i)
        accented += "\xC3\xA9"; // e-acute, two bytes a character
    auto longTexts = ResourceModule::FromTexts(
        "pack", { { 60000, ascii }, { 60001, accented }, { 60002, std::string(1023, 'b') } });
    EXPECT_EQ(longTexts->Text(60000), std::string(1023, 'a'));
    EXPECT_EQ(longTexts->Text(60001), accented.substr(0, 1023 * 2));
    EXPECT_EQ(longTexts->Text(60002), std::string(1023, 'b'));
}

TEST_F(StringTableTest, PackFilesAreReadOrReportedClearlyUpToEightMegabytes)
{
    test::TempDir dir;
    test::WriteFile(dir / "good.FRA", "60010\tHello\tBonjour\\tà tous\n");
    test::WriteFile(dir / "bad.FRA", "60010\tHello\tBonjour\n70000\tOut\tof range\n");
    std::string error;

    auto good = ResourceModule::LoadFile(dir / "good.FRA", error);
    ASSERT_TRUE(good);
    EXPECT_EQ(good->Text(60010), "Bonjour\tà tous");

    EXPECT_FALSE(ResourceModule::LoadFile(dir / "bad.FRA", error)) << "a damaged table does not load";
    EXPECT_NE(error.find("bad.FRA: line 2"), std::string::npos) << error;

    EXPECT_FALSE(ResourceModule::LoadFile(dir / "missing.FRA", error));
    EXPECT_NE(error.find("missing.FRA"), std::string::npos) << error;

    // A pack file of more than eight megabytes does not load.
    const std::pair<std::size_t, const char*> sizes[] = {
        { 8u << 20, "EnglishFingerPrint" },
        { (8u << 20) + 1, "" },
    };
    for (const auto& [size, text] : sizes) {
        std::string content = "61191\tFp\tEnglishFingerPrint\n";
        content.resize(size, '#');
        test::WriteFile(dir / "pack.FRA", content);
        auto module = ResourceModule::LoadFile(dir / "pack.FRA", error);
        EXPECT_EQ(module ? module->Text(61191) : "", text) << size;
        EXPECT_EQ(error.find("too large") != std::string::npos, std::string(text).empty()) << error;
    }
}

TEST_F(StringTableTest, SourceTablesAreParsedOrRejectedNamingTheLineAndCaptionsGetTheProductName)
{
    // Accepted: the text of the last row. Rejected: the start of the error.
    const std::pair<std::string, std::string> cases[] = {
        { "# c\r\n\r\n60000\tA\tone\r\n61434\tB\ttwo\n", "two" },
        { "60000\tA\ta\\tb\\nc\\\\d\\re\tf\\x\n", "a\tb\nc\\d\re\tf\\x" },
        { "60000\tA\n", "line 1: expected id, name and text" },
        { "# c\n59999\tA\tx\n", "line 2: the id must be a number from 60000 to 61434" },
        { "60000x\tA\tx\n", "line 1: the id must be a number" },
        { "60000\t\tx\n", "line 1: the name is empty" },
        { "60000\tA\tx\n60000\tB\ty\n", "line 2: id 60000 is listed twice" },
        { "60000\tA\tx\n60001\tA\ty\n", "line 2: name A is listed twice" },
        { "60000\tA\tcaf\xE9\n", "line 1: the text is not UTF-8" },
    };
    for (const auto& [text, expected] : cases) {
        StringTableRows rows;
        std::string error;
        const bool accepted = ParseStringTable(text, rows, error);
        EXPECT_EQ(accepted ? rows.back().text : error.substr(0, expected.size()), expected) << error;
    }

    // Designed captions get the product name.
    const std::pair<const char*, const char*> captions[] = {
        { "CV Vantor Batch Export", "CV Vantor Pro Batch Export" },
        { "Logo CV Vantor", "Logo CV Vantor Pro" },
        { "cv vantor and CV vantor stay", "cv vantor and CV vantor stay" },
        // Every occurrence is replaced, even one already followed by "Pro".
        { "CV Vantor Pro", "CV Vantor Pro Pro" },
    };
    for (const auto& [designed, shown] : captions)
        EXPECT_EQ(ReplaceProductName(designed), shown) << designed;
}
