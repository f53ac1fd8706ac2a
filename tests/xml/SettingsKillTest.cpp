// A process killed at any moment of a save never leaves a damaged settings
// file behind.

#include "ScriptedDialogs.h"
#include "TestEnvironment.h"
#include "settings_child/ChildProcess.h"
#include "xml/XMLSettings.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vantor::test::ScriptedDialogs;
using vantor::test::TempDir;

constexpr int kValues = 60;
// Large enough that writing one version takes a while.
constexpr int kPaddingKb = 1024;
constexpr int kRounds = 40;

// One process, or two saving the same file, killed at random moments.
TEST(SettingsKill, KilledSavesLeaveOneWholeVersion)
{
    TempDir dir;
    ScriptedDialogs dialogs;
    std::mt19937 random(std::random_device {}());
    // Once the first version is in place the kill lands anywhere among the
    // next few saves: within a few times the time the first save took
    // (machines and sanitizer builds differ a lot in speed).
    int laterVersions = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::string path = dir / ("killed" + std::to_string(round) + ".xml");
        const int savers = round % 4 == 3 ? 2 : 1;
        const std::string padding = std::to_string(savers == 1 ? kPaddingKb : 64);
        auto start = std::chrono::steady_clock::now();
        std::vector<pid_t> children;
        for (int i = 0; i < savers; ++i)
            children.push_back(
                vantor::test::StartSettingsChild({ "loop", path, std::to_string(kValues), padding }));
        bool started = vantor::test::Eventually([&] { return fs::exists(path); }, 10s);
        auto firstSave
            = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
        std::uniform_int_distribution<int64_t> delayUs(0, 2 * savers * firstSave.count());
        for (pid_t child : children) {
            ASSERT_GT(child, 0);
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random) / savers));
            kill(child, SIGKILL);
        }
        for (pid_t child : children)
            ASSERT_EQ(waitpid(child, nullptr, 0), child);
        ASSERT_TRUE(started);

        TXMLSettings settings(false);
        ASSERT_TRUE(settings.ReadXMLSettingsFile(path));
        int version = settings.GetInteger("Version", -1);
        ASSERT_GE(version, 1);
        laterVersions += version > 1;
        for (int k = 0; k < kValues; ++k)
            ASSERT_EQ(settings.GetInteger("Value" + std::to_string(k), -1), version * 1000 + k) << k;
        EXPECT_EQ(settings.GetString("Padding", "").size(), std::stoul(padding) * 1024u);
    }
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_GT(laterVersions, 0); // some kills did land after several saves

    // The next save of each file clears the temporary files that the killed
    // processes left.
    for (int round = 0; round < kRounds; ++round) {
        TXMLSettings settings(false);
        const std::string path = dir / ("killed" + std::to_string(round) + ".xml");
        ASSERT_TRUE(settings.ReadXMLSettingsFile(path));
        ASSERT_TRUE(settings.SaveFile(path));
    }
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().extension(), ".xml") << entry.path();
}

} // namespace
