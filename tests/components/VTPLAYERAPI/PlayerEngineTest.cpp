#include "PlayerEngine.h"
#include "MovieTestSupport.h"
#include "TestEnvironment.h"
#include "platform/CompressorManager.h"
#include "support/ComponentRegistry.h"

#include <chrono>
#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>

using namespace vtapi;
using namespace vtapi::test;
using vantor::test::TempDir;
using Notifications = std::vector<platform::UINT>;

namespace {

// The engine, as the program drives it, with a message queue for a window.
class PlayerEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_engine = new TPlayerEngine();
        MakeMovie(m_dir / "current.vtr", MovieKind::Current);
        MakeMovie(m_dir / "old.vtr", MovieKind::Version14);
        MakeMovie(m_dir / "packed.vtz", MovieKind::Compressed);
        std::filesystem::create_directory(m_dir / "out");
        // The settings file the exports read: Motion JPEG instead of the default codec.
        WriteSettings(m_dir / "AVI.xml",
            { { "VideoCodecId", static_cast<int>(platform::MakeFourCC('M', 'J', 'P', 'G')) } });
    }
    void TearDown() override { m_engine->Release(); }

    void Start()
    {
        ASSERT_EQ(m_engine->Initialize(1, &m_queue, 1), vantor::kEngineOk);
        ASSERT_EQ(Wait(), Notifications { vantor::EngineReady });
    }

    // The notification that ends a command (progress kept apart), or none
    // after a quiet spell of `quietMs`.
    Notifications Wait(int quietMs = 10000)
    {
        Notifications seen;
        while (auto message = m_queue.GetMessage(quietMs)) {
            if (message->message == vantor::ExportProgress) {
                m_progress.emplace_back(message->wParam, message->lParam);
                continue;
            }
            seen.push_back(message->message);
            break;
        }
        return seen;
    }

    TempDir m_dir;
    platform::MessageQueue m_queue;
    TPlayerEngine* m_engine = nullptr;
    std::vector<std::pair<platform::WPARAM, platform::LPARAM>> m_progress;
};

} // namespace

TEST_F(PlayerEngineTest, CommandsBeforeInitializeAnswerNotRunningAndPostNothing)
{
    EXPECT_EQ(m_engine->OpenMovie((m_dir / "current.vtr").c_str()), vantor::kEngineNotRunning);
    EXPECT_EQ(m_engine->CloseMovie(), vantor::kEngineNotRunning);
    EXPECT_EQ(m_engine->ExportAVI("a.avi", "AVI.xml"), vantor::kEngineNotRunning);
    EXPECT_EQ(m_engine->ConvertMovie("a.vtr", "b.vtr"), vantor::kEngineNotRunning);
    EXPECT_EQ(m_engine->Cancel(), vantor::kEngineNotRunning);
    EXPECT_EQ(m_engine->ExportWMV("a.wmv", "WMV.xml"), vantor::kEngineNotRunning);
    EXPECT_EQ(m_engine->ExportQuickTime("a.mov", "QT.xml"), vantor::kEngineNotRunning);
    EXPECT_EQ(m_engine->ExportFlash("a.swf", "Flash.xml"), vantor::kEngineNotRunning);
    EXPECT_FALSE(m_queue.GetMessage(50).has_value());
}

TEST_F(PlayerEngineTest, ExportPostsOpenedProgressFinishedAndSucceededOnClose)
{
    Start();
    EXPECT_EQ(m_engine->Cancel(), vantor::kEngineIdle);
    const std::string output = m_dir / "out/current.avi";
    for (const char* movie : { "current.vtr", "old.vtr", "packed.vtz" }) {
        SCOPED_TRACE(movie);
        m_progress.clear();
        ASSERT_EQ(m_engine->OpenMovie((m_dir / movie).c_str()), vantor::kEngineOk);
        EXPECT_EQ(Wait(), Notifications { vantor::MovieOpened });
        m_progress.clear(); // unpacking a compressed movie reports its own progress
        const auto started = std::chrono::steady_clock::now();
        ASSERT_EQ(m_engine->ExportAVI(output.c_str(), (m_dir / "AVI.xml").c_str()), vantor::kEngineOk);
        EXPECT_EQ(Wait(), Notifications { vantor::ExportFinished });
        const double seconds
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        ASSERT_EQ(m_engine->CloseMovie(), vantor::kEngineOk);
        EXPECT_EQ(Wait(), Notifications { vantor::ExportSucceeded });
        // A second close reports nothing: the success belonged to the export.
        ASSERT_EQ(m_engine->CloseMovie(), vantor::kEngineOk);
        EXPECT_FALSE(m_queue.GetMessage(100).has_value());

        ASSERT_FALSE(m_progress.empty());
        EXPECT_EQ(m_progress.back(), std::make_pair(platform::WPARAM { 5 }, platform::LPARAM { 5 }));
        for (size_t i = 1; i < m_progress.size(); ++i)
            EXPECT_LE(m_progress[i - 1].first, m_progress[i].first);
        EXPECT_LE(static_cast<double>(m_progress.size()), 2 + 20 * seconds);
        const Probe probe = ProbeFile(output);
        EXPECT_EQ(probe.videoCodec, "mjpeg");
        EXPECT_EQ(probe.videoPackets, 5);
        std::filesystem::remove(output);
    }
    // A movie opened and closed without an export has no success to report.
    ASSERT_EQ(m_engine->OpenMovie((m_dir / "current.vtr").c_str()), vantor::kEngineOk);
    EXPECT_EQ(Wait(), Notifications { vantor::MovieOpened });
    ASSERT_EQ(m_engine->CloseMovie(), vantor::kEngineOk);
    EXPECT_FALSE(m_queue.GetMessage(100).has_value());
}

TEST_F(PlayerEngineTest, FailuresEndInOperationFailed)
{
    Start();
    ASSERT_EQ(m_engine->OpenMovie((m_dir / "missing.vtr").c_str()), vantor::kEngineOk);
    EXPECT_EQ(Wait(), Notifications { vantor::OperationFailed });
    ASSERT_EQ(
        m_engine->ExportAVI((m_dir / "out/x.avi").c_str(), (m_dir / "AVI.xml").c_str()), vantor::kEngineOk);
    EXPECT_EQ(Wait(), Notifications { vantor::OperationFailed }) << "no movie is open";

    ASSERT_EQ(m_engine->OpenMovie((m_dir / "current.vtr").c_str()), vantor::kEngineOk);
    EXPECT_EQ(Wait(), Notifications { vantor::MovieOpened });
    ASSERT_EQ(m_engine->ExportAVI((m_dir / "no-folder/x.avi").c_str(), (m_dir / "AVI.xml").c_str()),
        vantor::kEngineOk);
    EXPECT_EQ(Wait(), Notifications { vantor::OperationFailed });
    ASSERT_EQ(m_engine->CloseMovie(), vantor::kEngineOk);
    EXPECT_FALSE(m_queue.GetMessage(100).has_value()) << "a failed export is no success on close";

    ASSERT_EQ(m_engine->ConvertMovie((m_dir / "old.vtr").c_str(), (m_dir / "no-folder/x.vtr").c_str()),
        vantor::kEngineOk);
    EXPECT_EQ(Wait(), Notifications { vantor::OperationFailed });
    EXPECT_TRUE(FolderContents(m_dir / "out").empty());
}

TEST_F(PlayerEngineTest, ConversionOfEachSourceKind)
{
    Start();
    struct Case {
        const char* source;
        platform::UINT outcome;
    };
    for (const Case c :
        { Case { "old.vtr", vantor::ConvertSucceeded }, Case { "packed.vtz", vantor::ConvertSucceeded },
            Case { "current.vtr", vantor::ConvertSkipped } }) {
        const std::string output
            = m_dir / ("out/" + std::filesystem::path(c.source).stem().string() + ".vtr");
        ASSERT_EQ(m_engine->ConvertMovie((m_dir / c.source).c_str(), output.c_str()), vantor::kEngineOk);
        EXPECT_EQ(Wait(), Notifications { c.outcome }) << c.source;
    }
    EXPECT_EQ(FolderContents(m_dir / "out"), (std::vector<std::string> { "old.vtr", "packed.vtr" }));
}

TEST_F(PlayerEngineTest, CancelMidExportLeavesNoFileAndBusyCommandsAreRefused)
{
    Start();
    SyntheticOptions longer = TinyOptions(10.0);
    longer.width = 320;
    longer.height = 240;
    longer.frameRate = AVRational { 25, 1 };
    MakeMovie(m_dir / "long.vtr", MovieKind::Current, longer);
    ASSERT_EQ(m_engine->OpenMovie((m_dir / "long.vtr").c_str()), vantor::kEngineOk);
    ASSERT_EQ(Wait(), Notifications { vantor::MovieOpened });
    ASSERT_EQ(m_engine->ExportAVI((m_dir / "out/long.avi").c_str(), (m_dir / "AVI.xml").c_str()),
        vantor::kEngineOk);
    auto first = m_queue.GetMessage(10000);
    ASSERT_TRUE(first.has_value());
    ASSERT_EQ(first->message, vantor::ExportProgress);
    EXPECT_EQ(first->lParam, 250);
    m_progress.emplace_back(first->wParam, first->lParam);

    EXPECT_EQ(m_engine->OpenMovie((m_dir / "current.vtr").c_str()), vantor::kEngineBusy);
    EXPECT_EQ(m_engine->ExportAVI("x.avi", "AVI.xml"), vantor::kEngineBusy);
    EXPECT_EQ(m_engine->ConvertMovie("a", "b"), vantor::kEngineBusy);
    EXPECT_EQ(m_engine->CloseMovie(), vantor::kEngineBusy);
    EXPECT_EQ(m_engine->Cancel(), vantor::kEngineOk);
    EXPECT_EQ(Wait(), Notifications { vantor::OperationCancelled });
    ASSERT_FALSE(m_progress.empty());
    EXPECT_LT(m_progress.back().first, 250u);
    EXPECT_TRUE(FolderContents(m_dir / "out").empty());
    EXPECT_EQ(m_engine->Cancel(), vantor::kEngineIdle);
    ASSERT_EQ(m_engine->CloseMovie(), vantor::kEngineOk);
    EXPECT_FALSE(m_queue.GetMessage(100).has_value());
}

TEST(PlayerEnginePlugin, RegistersItselfAndIsCreatedThroughTheRegistry)
{
    TempDir dir;
    vantor::test::ScopedEnv registry("VANTOR_COMPONENT_REGISTRY", (dir / "Components.xml").c_str());
    const std::string library = (vantor::test::BinDir() / "libVTPLAYERAPI.so").string();
    void* module = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    const auto registerServer
        = reinterpret_cast<platform::DllRegisterServerFn>(dlsym(module, "DllRegisterServer"));
    ASSERT_NE(registerServer, nullptr);
    ASSERT_EQ(registerServer(), platform::S_OK);
    const auto registered = vantor::FindComponentLibrary(vantor::CLSID_PlayerEngine);
    ASSERT_TRUE(registered.has_value());
    EXPECT_EQ(std::filesystem::canonical(*registered), std::filesystem::canonical(library));

    void* object = nullptr;
    ASSERT_EQ(
        vantor::CoCreateInstance(vantor::CLSID_PlayerEngine, nullptr, 3, vantor::IID_IPlayerEngine, &object),
        platform::S_OK);
    auto* engine = static_cast<vantor::IPlayerEngine*>(object);
    platform::MessageQueue queue;
    ASSERT_EQ(engine->Initialize(1, &queue, 1), vantor::kEngineOk);
    const auto ready = queue.GetMessage(10000);
    ASSERT_TRUE(ready.has_value());
    EXPECT_EQ(ready->message, vantor::EngineReady);
    EXPECT_EQ(engine->Cancel(), vantor::kEngineIdle);
    void* other = nullptr;
    EXPECT_EQ(
        engine->QueryInterface("{11111111-2222-3333-4444-555555555555}", &other), platform::E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(engine->Release(), 0u);

    const auto getClass = reinterpret_cast<platform::DllGetClassObjectFn>(dlsym(module, "DllGetClassObject"));
    EXPECT_EQ(getClass("{00000000-1111-2222-3333-444444444444}", vantor::IID_IPlayerEngine, &other),
        platform::CLASS_E_CLASSNOTAVAILABLE);
    const auto unregisterServer
        = reinterpret_cast<platform::DllUnregisterServerFn>(dlsym(module, "DllUnregisterServer"));
    EXPECT_EQ(unregisterServer(), platform::S_OK);
    EXPECT_FALSE(vantor::FindComponentLibrary(vantor::CLSID_PlayerEngine).has_value());
}
