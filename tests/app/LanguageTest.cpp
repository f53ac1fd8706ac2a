#include "app/Language.h"
#include "app/ProductNames.h"
#include "app/StringTable.h"
#include "strings/StringIds.h"
#include "xml/XMLSettings.h"

#include "ScriptedDialogs.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace vantor;
namespace fs = std::filesystem;

namespace {

constexpr int kFrench = 0x040C;

std::string PackText(const std::string& fingerprint, const std::string& failureText)
{
    return "# test pack\n61191\tEnglishFingerPrint\t" + fingerprint + "\n60300\tFailedLoadingLanguagePack\t"
        + failureText + "\n";
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
    static int StoredLanguageId()
    {
        TXMLSettings settings(false);
        settings.ReadXMLSettings("Vantor2 Player", false);
        return settings.GetInteger("LanguageId", -1);
    }

    test::TempDir m_dir;
    std::string m_executable = m_dir / "vantor-batch-export";
};

} // namespace

TEST_F(LanguageTest, CodeTableHoldsTheStandardPairsInOrder)
{
    auto codes = LanguageCodes();
    ASSERT_EQ(codes.size(), 133u);
    const std::pair<const char*, int> head[] = {
        { "ENG", 0x0809 },
        { "FRA", 0x040C },
        { "DEU", 0x0407 },
        { "JPN", 0x0411 },
        { "RUS", 0x0419 },
        { "ESN", 0x0C0A },
        { "ESP", 0x040A },
        { "ITA", 0x0410 },
        { "CHS", 0x0804 },
        { "AFK", 0x0436 },
        { "SQI", 0x041C },
    };
    for (std::size_t i = 0; i < std::size(head); ++i) {
        EXPECT_STREQ(codes[i].abbreviation, head[i].first) << i;
        EXPECT_EQ(codes[i].id, head[i].second) << i;
    }
    EXPECT_STREQ(codes.back().abbreviation, "VIT");
    EXPECT_EQ(codes.back().id, 0x042A);

    std::set<std::string> abbreviations;
    std::set<int> ids;
    for (const auto& row : codes) {
        EXPECT_TRUE(abbreviations.insert(row.abbreviation).second) << "repeated " << row.abbreviation;
        EXPECT_TRUE(ids.insert(row.id).second) << "repeated id of " << row.abbreviation;
        EXPECT_EQ(LanguageAbbreviation(row.id), row.abbreviation);
    }
}

TEST_F(LanguageTest, CodeLookUpIgnoresCaseAndGivesZeroForUnknownCodes)
{
    const std::pair<const char*, int> cases[] = {
        { "ENG", 0x0809 },
        { "eng", 0x0809 },
        { "Eng", 0x0809 },
        { "fRa", 0x040C },
        { "enu", 0x0409 },
        { "esn", 0x0C0A },
        { "esp", 0x040A },
        { "VIT", 0x042A },
        { "ptb", 0x0416 },
        { "XYZ", 0 },
        { "", 0 },
        { "EN", 0 },
        { "ENGL", 0 },
        { " ENG", 0 },
    };
    for (const auto& [code, id] : cases)
        EXPECT_EQ(LanguageCodeToId(code), id) << "'" << code << "'";
    EXPECT_EQ(LanguageAbbreviation(0), "");
    EXPECT_EQ(LanguageAbbreviation(0x7FFF), "");
}

TEST_F(LanguageTest, LanguageIdRoundTripsThroughTheSettingsFile)
{
    EXPECT_EQ(GetLanguageId(), kEnglishLanguageId) << "no settings file means English";
    {
        TXMLSettings settings(false);
        settings.SetString("Volume", "loud");
        settings.SaveAll("Vantor2 Player");
    }
    SetLanguageId(kFrench);
    EXPECT_EQ(GetLanguageId(), kFrench);
    EXPECT_EQ(StoredLanguageId(), kFrench);
    {
        TXMLSettings settings(false);
        ASSERT_TRUE(settings.ReadXMLSettings("Vantor2 Player", false));
        EXPECT_EQ(settings.GetString("Volume", ""), "loud") << "the other player settings stay";
        // The value is kept in memory: a later change of the file is not
        // seen until the kept value is forgotten.
        settings.SetInteger("LanguageId", 0x0407);
        settings.SaveAll("Vantor2 Player");
    }
    EXPECT_EQ(GetLanguageId(), kFrench);
    ForgetLanguageId();
    EXPECT_EQ(GetLanguageId(), 0x0407);
}

TEST_F(LanguageTest, StoredIdsOutsideTheTableReadAsEnglish)
{
    const std::pair<int, int> cases[] = { { 0, 0x0809 }, { -1, 0x0809 }, { 0x7FFF, 0x0809 },
        { 0x1040C, 0x0809 }, { 0x0409, 0x0409 }, { 0x0C0A, 0x0C0A }, { 0x040C, 0x040C } };
    for (const auto& [stored, read] : cases) {
        {
            TXMLSettings settings(false);
            settings.SetInteger("LanguageId", stored);
            settings.SaveAll("Vantor2 Player");
        }
        ForgetLanguageId();
        EXPECT_EQ(GetLanguageId(), read) << std::hex << stored;
    }
}

// The four places and their order are those of the next test.
TEST_F(LanguageTest, CandidatesReplaceTheProgramsExtensionAndNeedACode)
{
    EXPECT_EQ(LanguagePackCandidates("/opt/vb/tool.bin", "DEU")[1], "/opt/vb/tool.DEU");
    EXPECT_EQ(LanguagePackCandidates("/opt/vb/tool.bin", "DEU")[3], "/opt/vb/tool.DE");
    EXPECT_TRUE(LanguagePackCandidates("/opt/vb/vantor-batch-export", "").empty());
}

TEST_F(LanguageTest, PackIsFoundInEachCandidatePlaceInOrder)
{
    const std::string packs[] = {
        m_dir / "Languages/vantor-batch-export.FRA",
        m_dir / "vantor-batch-export.FRA",
        m_dir / "Languages/vantor-batch-export.FR",
        m_dir / "vantor-batch-export.FR",
    };
    // Alone in its place, each candidate is found; with every later one
    // present too, the earliest still wins.
    for (std::size_t only = 0; only < std::size(packs); ++only) {
        for (const auto& pack : packs)
            fs::remove(pack);
        test::WriteFile(packs[only], PackText("EnglishFingerPrint", "pack " + std::to_string(only)));
        auto module = LoadNewResourceModule(kFrench, m_executable);
        ASSERT_TRUE(module);
        EXPECT_EQ(module->Path(), packs[only]) << only;
        EXPECT_EQ(module->Text(str::kFailedLoadingLanguagePack), "pack " + std::to_string(only));
        EXPECT_EQ(CurrentResourceModule(), module);
    }
    for (std::size_t first = std::size(packs); first-- > 0;) {
        test::WriteFile(packs[first], PackText("EnglishFingerPrint", "pack " + std::to_string(first)));
        EXPECT_EQ(LoadNewResourceModule(kFrench, m_executable)->Path(), packs[first]);
    }
}

TEST_F(LanguageTest, WithoutPackTheProgramServes)
{
    // A pack of another language and a folder named like a pack are ignored.
    test::WriteFile(m_dir / "Languages/vantor-batch-export.DEU", PackText("EnglishFingerPrint", "x"));
    fs::create_directories(m_dir / "Languages/vantor-batch-export.FRA");
    for (int id : { kFrench, 0, 0x7FFF }) {
        auto module = LoadNewResourceModule(id, m_executable);
        ASSERT_TRUE(module);
        EXPECT_TRUE(module->IsProgram()) << id;
        EXPECT_EQ(module->Text(str::kEnglishFingerPrint), "EnglishFingerPrint");
    }
}

TEST_F(LanguageTest, StartUpTakesThePackOfTheStoredLanguageOrRunsInEnglish)
{
    test::WriteFile(m_dir / "Languages/vantor-batch-export.FRA", PackText("EnglishFingerPrint", "Échec"));
    const std::string shipped = (test::BinDir() / "vantor-batch-export").string();
    ASSERT_TRUE(fs::exists(test::BinDir() / "Languages/vantor-batch-export.FRA"))
        << "the build installs the French pack";
    struct Case {
        int language;
        std::string program;
        std::string pack; // empty: the program's own texts
        const char* failedText;
    };
    const Case cases[] = {
        { 0x0809, m_executable, "", "Failed loading language pack" }, // English never looks for a pack
        { 0x0407, m_executable, "", "Failed loading language pack" }, // no German pack
        { 0x040C, m_executable, m_dir / "Languages/vantor-batch-export.FRA", "Échec" },
        { 0x040C, shipped, (test::BinDir() / "Languages/vantor-batch-export.FRA").string(),
            "Échec du chargement du module de langue" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failedText);
        test::ScriptedDialogs dialogs;
        SetLanguageId(c.language);
        ForgetLanguageId();
        EXPECT_TRUE(LoadLanguageAtStartup(c.program));
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(CurrentResourceModule()->IsProgram(), c.pack.empty());
        if (!c.pack.empty()) {
            EXPECT_EQ(CurrentResourceModule()->Path(), c.pack);
        }
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
        { "not a table",
            std::string("\x7F"
                        "ELF\x02\x01\x01",
                7) },
        { "empty file", "" },
    };
    for (const auto& [what, content] : broken) {
        SCOPED_TRACE(what);
        test::ScriptedDialogs dialogs;
        test::WriteFile(m_dir / "vantor-batch-export.FR", content);
        SetLanguageId(kFrench);
        ForgetLanguageId();

        EXPECT_FALSE(LoadLanguageAtStartup(m_executable));
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, "Failed loading language pack");
        EXPECT_EQ(dialogs.messages[0].caption, "CV Vantor Pro Batch Export");
        EXPECT_EQ(dialogs.messages[0].flags, platform::MB_OK | platform::MB_ICONERROR);
        EXPECT_EQ(GetLanguageId(), kEnglishLanguageId);
        EXPECT_EQ(StoredLanguageId(), kEnglishLanguageId);
        EXPECT_TRUE(CurrentResourceModule()->IsProgram());
        EXPECT_EQ(LoadStr(str::kEnglishFingerPrint), "EnglishFingerPrint");

        // The next start runs in English without a message.
        ForgetLanguageId();
        EXPECT_TRUE(LoadLanguageAtStartup(m_executable));
        EXPECT_EQ(dialogs.messages.size(), 1u);
    }
}
