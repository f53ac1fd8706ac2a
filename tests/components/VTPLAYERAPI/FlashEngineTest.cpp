#include "MovieTestSupport.h"
#include "PlayerEngine.h"
#include "TestEnvironment.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace vtapi;
using namespace vtapi::test;
using vantor::test::TempDir;

// ExportFlash through the engine object, as the batch loop drives it: the
// options come from the settings file, SFWType picks the SWF or the FLV,
// and the notifications end the export as for every other format.
TEST(FlashEngineTest, ExportFlashReadsTheSettingsFileAndWritesEveryOutput)
{
    struct Case {
        const char* name;
        std::map<std::string, SettingValue> settings;
        const char* output; // below the temporary folder
        platform::UINT ends;
        std::vector<std::string> files; // of the folder "out"
    };
    const Case cases[] = {
        { "separate SWF files", { { "AddControlBar", false }, { "SingleSwf", false } }, "out/m.swf",
            vantor::ExportFinished, { "m.html", "m.swf", "m_toolbar.swf" } },
        { "Screen Video FLV", { { "AddControlBar", false }, { "SFWType", 1 }, { "FLVType", 1 } }, "out/m.flv",
            vantor::ExportFinished, { "m.flv", "m.html", "m_toolbar.swf" } },
        { "no such folder", { { "AddControlBar", false } }, "missing/m.swf", vantor::OperationFailed, {} },
    };
    TempDir dir;
    MakeMovie(dir / "m.vtr", MovieKind::Current);
    platform::MessageQueue queue;
    TPlayerEngine* engine = new TPlayerEngine();
    const auto wait = [&queue] {
        while (auto message = queue.GetMessage(20000))
            if (message->message != vantor::ExportProgress)
                return message->message;
        return platform::UINT { 0 };
    };
    ASSERT_EQ(engine->Initialize(1, &queue, 1), vantor::kEngineOk);
    ASSERT_EQ(wait(), vantor::EngineReady);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(dir / "out");
        std::filesystem::create_directory(dir / "out");
        WriteSettings(dir / "Flash.xml", c.settings);
        ASSERT_EQ(engine->OpenMovie((dir / "m.vtr").c_str()), vantor::kEngineOk);
        ASSERT_EQ(wait(), vantor::MovieOpened);
        ASSERT_EQ(
            engine->ExportFlash((dir / c.output).c_str(), (dir / "Flash.xml").c_str()), vantor::kEngineOk);
        EXPECT_EQ(wait(), c.ends);
        char reason[256] = {};
        EXPECT_EQ(engine->LastFailureReason(reason, sizeof reason) > 0, c.ends == vantor::OperationFailed)
            << reason;
        ASSERT_EQ(engine->CloseMovie(), vantor::kEngineOk);
        if (c.ends == vantor::ExportFinished) {
            EXPECT_EQ(wait(), vantor::ExportSucceeded);
        }
        EXPECT_EQ(FolderContents(dir / "out"), c.files);
    }
    engine->Release();
}
