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

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vantor::test::ScriptedDialogs;
using vantor::test::TempDir;

constexpr int kValues = 60;
// Large enough that writing one version takes a while.
constexpr int kPaddingKb = 1024;
constexpr int kRounds = 40;

bool WaitForFile(const std::string& path)
{
    for (auto deadline = std::chrono::steady_clock::now() + 10s;
         std::chrono::steady_clock::now() < deadline;) {
        if (fs::exists(path))
            return true;
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

TEST(SettingsKill, KilledSavesLeaveOneWholeVersion)
{
    TempDir dir;
    ScriptedDialogs dialogs;
    std::mt19937 random(std::random_device {}());
    // Once the first version is in place the kill lands anywhere among the
    // next few saves: within twice the time the child took to start and
    // save once (machines and sanitizer builds differ a lot in speed).
    int laterVersions = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::string path = dir / ("killed" + std::to_string(round) + ".xml");
        pid_t child = vantor::test::StartSettingsChild(
            { "loop", path, std::to_string(kValues), std::to_string(kPaddingKb) });
        ASSERT_GT(child, 0);
        auto start = std::chrono::steady_clock::now();
        bool started = WaitForFile(path);
        auto firstSave
            = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
        std::uniform_int_distribution<int64_t> delayUs(0, 2 * firstSave.count());
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        kill(child, SIGKILL);
        ASSERT_EQ(waitpid(child, nullptr, 0), child);
        ASSERT_TRUE(started);

        TXMLSettings settings(false);
        ASSERT_TRUE(settings.ReadXMLSettingsFile(path));
        int version = settings.GetInteger("Version", -1);
        ASSERT_GE(version, 1);
        laterVersions += version > 1;
        for (int k = 0; k < kValues; ++k)
            ASSERT_EQ(settings.GetInteger("Value" + std::to_string(k), -1), version * 1000 + k) << k;
        EXPECT_EQ(settings.GetString("Padding", "").size(), kPaddingKb * 1024u);
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

TEST(SettingsKill, TwoProcessesSavingOneFileLeaveOneWholeVersion)
{
    TempDir dir;
    ScriptedDialogs dialogs;
    std::mt19937 random(std::random_device {}());
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::string path = dir / ("shared" + std::to_string(round) + ".xml");
        auto start = std::chrono::steady_clock::now();
        pid_t first = vantor::test::StartSettingsChild({ "loop", path, std::to_string(kValues), "64" });
        pid_t second = vantor::test::StartSettingsChild({ "loop", path, std::to_string(kValues), "64" });
        ASSERT_GT(first, 0);
        ASSERT_GT(second, 0);
        bool started = WaitForFile(path);
        auto firstSave = std::chrono::steady_clock::now() - start;
        std::uniform_int_distribution<int64_t> delayUs(
            0, 4 * std::chrono::duration_cast<std::chrono::microseconds>(firstSave).count());
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        kill(first, SIGKILL);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random) / 4));
        kill(second, SIGKILL);
        ASSERT_EQ(waitpid(first, nullptr, 0), first);
        ASSERT_EQ(waitpid(second, nullptr, 0), second);
        ASSERT_TRUE(started);

        TXMLSettings settings(false);
        ASSERT_TRUE(settings.ReadXMLSettingsFile(path));
        int version = settings.GetInteger("Version", -1);
        ASSERT_GE(version, 1);
        for (int k = 0; k < kValues; ++k)
            ASSERT_EQ(settings.GetInteger("Value" + std::to_string(k), -1), version * 1000 + k) << k;
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

} // namespace
