#include "flash/FlashExportSettings.h"

#include "ScriptedDialogs.h"
#include "TestEnvironment.h"
#include "xml/XMLSettings.h"

#include <gtest/gtest.h>

namespace {

using namespace vantor;
using vantor::test::ReadFile;
using vantor::test::TempDir;
using vantor::test::WriteFile;

const std::string kDataDir = VANTOR_SOURCE_DIR "/tests/flash/data/";

TEST(FlashExportSettings, FileWithoutKeysLoadsAndSavesTheDefaultColumn)
{
    TempDir dir;
    const std::string prefix = dir / "Vantor Batch Export";
    WriteFile(prefix + "Flash.xml", test::SettingsFile(""));
    FlashExportSettings settings;
    settings.Load(prefix);
    ASSERT_TRUE(settings.Save(prefix));
    EXPECT_EQ(ReadFile(prefix + "Flash.xml"), ReadFile(kDataDir + "FlashDefaults.xml"));
}

TEST(FlashExportSettings, SaveNormalisesKeysAndKeepsUnknownOnes)
{
    struct Case {
        const char* key;
        const char* stored;
        const char* type;
        const char* written;
    };
    const Case cases[] = {
        { "ZlibCompressLevel", "3", "Integer", "9" }, { "FlashVersion", "7", "Integer", "9" },
        { "JPEGQuality", "55", "Integer", "55" }, { "SecureCode", "ab cd", "String", "ab cd" },
        { "SomeEngineKey", "x", "String", "x" }, // the store lives from load to save
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        TempDir dir;
        const std::string prefix = dir / "p";
        WriteFile(prefix + "Flash.xml",
            test::SettingsFile(std::string("      <Value Name=\"") + c.key + "\" Type=\"" + c.type + "\">"
                + c.stored + "</Value>\n"));
        FlashExportSettings settings;
        settings.Load(prefix);
        ASSERT_TRUE(settings.Save(prefix));
        TXMLSettings written(false);
        ASSERT_TRUE(written.ReadXMLSettingsFile(prefix + "Flash.xml"));
        EXPECT_EQ(written.GetString(c.key, "missing"), c.written);
    }
}

// Texts and codes of the file map to percentages, frame counts and list
// positions; what is no number or out of range takes the default.
TEST(FlashExportSettings, TextsAndCodesMapToTheDialogsValuesAndAutoscrollIsRaisedToTenPercent)
{
    const std::pair<const char*, int> cases[] = { { "150", 0 }, { "abc", 0 }, { "100", 100 }, { "0", 0 },
        { "42", 42 }, { "-5", 0 }, { "", 0 }, { "12x", 0 }, { " 7", 7 } };
    for (const auto& [text, percent] : cases)
        EXPECT_EQ(PreloadPercentFromText(text), percent) << text;
    const std::pair<const char*, int> keyframes[] = { { "12", 12 }, { "abc", 30 }, { "", 30 }, { "0", 0 } };
    for (const auto& [text, frames] : keyframes)
        EXPECT_EQ(FlvKeyframesFromText(text), frames) << text;
    const std::pair<int, int> positionToProfile[]
        = { { 0, 1 }, { 1, 0 }, { 2, 2 }, { 3, 5 }, { 4, 0 }, { -1, 0 } };
    for (const auto& [position, profile] : positionToProfile)
        EXPECT_EQ(Mp3ProfileFromPosition(position), profile) << position;
    const std::pair<int, int> profileToPosition[]
        = { { 0, 1 }, { 1, 0 }, { 2, 2 }, { 5, 3 }, { 3, 2 }, { 99, 2 } };
    for (const auto& [profile, position] : profileToPosition)
        EXPECT_EQ(Mp3PositionFromProfile(profile), position) << profile;
    const std::pair<int, int> soundFormats[]
        = { { 1, 0 }, { 4, 1 }, { 2, 2 }, { 64, 5 }, { 2048, 11 }, { 0, -1 }, { 3, -1 }, { 4096, -1 } };
    for (const auto& [code, position] : soundFormats)
        EXPECT_EQ(SoundFormatPosition(code), position) << code;

    // Autoscroll is raised to ten percent.
    FlashExportSettings settings;
    settings.AutoscrollWidth = 3;
    settings.AutoscrollHeight = 40;
    settings.RaiseAutoscrollToMinimum();
    EXPECT_EQ(settings.AutoscrollWidth, 10);
    EXPECT_EQ(settings.AutoscrollHeight, 40);
}

} // namespace
