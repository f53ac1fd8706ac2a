// A pack file that does not load is passed over for the next candidate, and
// an accepted language also translates Qt's own texts.

#include "app/Language.h"
#include "app/QtTranslations.h"
#include "app/StringTable.h"
#include "strings/StringIds.h"
#include "xml/XMLSettings.h"

#include "QtTestApplication.h"
#include "ScriptedDialogs.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <filesystem>

using namespace vantor;
namespace fs = std::filesystem;

namespace {

constexpr int kFrench = 0x040C;
const std::string kValidPack
    = "61191\tEnglishFingerPrint\tEnglishFingerPrint\n60300\tFailedLoadingLanguagePack\tÉchec\n";
const std::string kJunk("\x7F"
                        "ELF\x02\x01\x01\x00",
    8);

TEST(LanguagePackSearchTest, DamagedPackFileIsAFailedCandidate)
{
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> files; // relative path, content
        std::string expectedPack; // empty: the program's own texts
    };
    const Case cases[] = {
        { "junk first, valid pack beside the program",
            { { "Languages/vantor-batch-export.FRA", kJunk }, { "vantor-batch-export.FRA", kValidPack } },
            "vantor-batch-export.FRA" },
        { "empty and bad-table files before a two-letter pack",
            { { "Languages/vantor-batch-export.FRA", "" }, { "vantor-batch-export.FRA", "60010\tA\n" },
                { "Languages/vantor-batch-export.FR", kValidPack } },
            "Languages/vantor-batch-export.FR" },
        { "only junk", { { "Languages/vantor-batch-export.FRA", kJunk } }, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        for (const auto& [path, content] : c.files)
            test::WriteFile(dir / path, content);
        test::ScriptedDialogs dialogs;
        SetLanguageId(kFrench);
        ForgetLanguageId();

        EXPECT_TRUE(LoadLanguageAtStartup(dir / "vantor-batch-export"));
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(CurrentResourceModule()->Path(), c.expectedPack.empty() ? "" : dir / c.expectedPack);
        EXPECT_EQ(LoadStr(str::kFailedLoadingLanguagePack),
            c.expectedPack.empty() ? "Failed loading language pack" : "Échec");
    }
    SetLanguageId(kEnglishLanguageId);
    SetCurrentResourceModule(nullptr);
    PointStringTableAt(nullptr);
}

TEST(LanguagePackSearchTest, QtOwnTextsFollowTheLanguage)
{
    test::TestApplication();
    struct Case {
        int id;
        bool installed;
        const char* lookIn;
        const char* yes;
    };
    const Case cases[] = {
        { kFrench, true, "Voir dans :", "&Oui" },
        { 0x0407, true, "Suchen in:", "&Ja" },
        { kEnglishLanguageId, false, "Look in:", "&Yes" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(InstallQtTranslations(c.id), c.installed);
        EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:").toStdString(), c.lookIn);
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes").toStdString(), c.yes);
    }
}

} // namespace
