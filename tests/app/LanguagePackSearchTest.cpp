// A pack file that does not load is passed over for the next candidate, and
// an accepted language also translates Qt's own texts.

#include "app/Language.h"
#include "app/QtTranslations.h"
#include "strings/StringIds.h"

#include "QtTestApplication.h"
#include "ScriptedDialogs.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace vantor;

namespace {

TEST(LanguagePackSearchTest, DamagedPackFileIsAFailedCandidate)
{
    const std::string pack = "61191\tFp\tEnglishFingerPrint\n60300\tFailedLoadingLanguagePack\tÉchec\n";
    const struct {
        std::string languagesFra, besideFra, expectedText;
    } cases[] = {
        { std::string("\x7F"
                      "ELF\x02\x00",
              6),
            pack, "Échec" },
        { "", "60010\tNoText\n", "Failed loading language pack" },
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        test::WriteFile(dir / "Languages/vantor-batch-export.FRA", c.languagesFra);
        test::WriteFile(dir / "vantor-batch-export.FRA", c.besideFra);
        test::ScriptedDialogs dialogs;
        SetLanguageId(0x040C);
        ForgetLanguageId();
        EXPECT_TRUE(LoadLanguageAtStartup(dir / "vantor-batch-export"));
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(LoadStr(str::kFailedLoadingLanguagePack), c.expectedText);
    }
    SetLanguageId(kEnglishLanguageId);
    PointStringTableAt(nullptr);
}

TEST(LanguagePackSearchTest, QtOwnTextsFollowTheLanguage)
{
    test::TestApplication();
    const struct {
        int id;
        const char *lookIn, *yes;
    } cases[] = {
        { 0x040C, "Voir dans :", "&Oui" },
        { 0x0407, "Suchen in:", "&Ja" },
        { kEnglishLanguageId, "Look in:", "&Yes" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InstallQtTranslations(c.id), c.id != kEnglishLanguageId);
        EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:").toStdString(), c.lookIn);
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes").toStdString(), c.yes);
    }
}

} // namespace
