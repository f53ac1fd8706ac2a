// The watcher: changes that other processes save to a loaded file reach
// the stores that hold it, by the merge rules.

#include "ScriptedDialogs.h"
#include "TestEnvironment.h"
#include "settings_child/ChildProcess.h"
#include "xml/XMLSettings.h"
#include "xml/XMLSettingsWatcher.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vantor::test::Eventually;
using vantor::test::RunSettingsChild;
using vantor::test::ScriptedDialogs;
using vantor::test::SettingsFile;
using vantor::test::TempDir;
using vantor::test::WriteFile;

// Each test gets its own folder and a dialog script that records every
// message a store shows.
class SettingsWatcher : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedDialogs dialogs;
};

TXMLSettingsWatcher& Watcher()
{
    return TXMLSettingsWatcher::Instance();
}

TEST_F(SettingsWatcher, AnotherProcessesSaveReachesOnlyUnmodifiedValuesOfTheSameType)
{
    const std::string path = dir / "shared.xml";
    ASSERT_EQ(RunSettingsChild({ "write", path, "A=i:1", "B=i:2", "C=i:3", "D=s:old", "S\\F=i:6" }), 0);

    TXMLSettings store(true);
    ASSERT_TRUE(store.ReadXMLSettingsFile(path));
    store.SetInteger("B", 20);
    size_t reloads = Watcher().ReloadCount();

    ASSERT_EQ(RunSettingsChild({ "write", path, "A=i:100", "B=i:200", "C=s:three", "D=s:new", "E=i:5",
                  "S\\F=i:60", "S\\G=i:7" }),
        0);
    ASSERT_TRUE(Eventually([&] { return store.GetInteger("A", 0) == 100; }));
    EXPECT_EQ(store.GetString("D", ""), "new");
    EXPECT_EQ(store.GetInteger("S\\F", 0), 60);
    EXPECT_EQ(store.GetInteger("B", 0), 20); // modified here
    EXPECT_EQ(store.GetInteger("C", 0), 3); // retyped there
    EXPECT_EQ(store.GetInteger("E", -1), -1); // new there
    EXPECT_EQ(store.GetInteger("S\\G", -1), -1);
    EXPECT_FALSE(store.RootKey().FindValue("A")->Modified());
    EXPECT_EQ(Watcher().ReloadCount(), reloads + 1);

    // Merged values stay unmodified and follow the next change too; a save
    // of the store keeps what it set.
    ASSERT_EQ(RunSettingsChild({ "write", path, "A=i:101" }), 0);
    ASSERT_TRUE(Eventually([&] { return store.GetInteger("A", 0) == 101; }));
    ASSERT_TRUE(store.SaveFile(path));
    TXMLSettings reread(false);
    ASSERT_TRUE(reread.ReadXMLSettingsFile(path));
    EXPECT_EQ(reread.GetInteger("B", 0), 20);
    EXPECT_EQ(reread.GetInteger("A", 0), 101);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SettingsWatcher, SeesWritesInPlaceAndReplacementsByRename)
{
    const std::string path = dir / "edit.xml";
    WriteFile(path, SettingsFile("<Value Name=\"N\" Type=\"Integer\">1</Value>"));
    TXMLSettings store(true);
    ASSERT_TRUE(store.ReadXMLSettingsFile(path));

    WriteFile(path, SettingsFile("<Value Name=\"N\" Type=\"Integer\">2</Value>"));
    ASSERT_TRUE(Eventually([&] { return store.GetInteger("N", 0) == 2; }));

    WriteFile(dir / "elsewhere.tmp", SettingsFile("<Value Name=\"N\" Type=\"Integer\">3</Value>"));
    fs::rename(dir / "elsewhere.tmp", path);
    ASSERT_TRUE(Eventually([&] { return store.GetInteger("N", 0) == 3; }));

    // A damaged version is skipped quietly; the next good one is taken.
    WriteFile(path, "<Application><Program");
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(store.GetInteger("N", 0), 3);
    WriteFile(path, SettingsFile("<Value Name=\"N\" Type=\"Integer\">4</Value>"));
    ASSERT_TRUE(Eventually([&] { return store.GetInteger("N", 0) == 4; }));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SettingsWatcher, AStoreNeverReloadsItsOwnWriteButOtherStoresSeeIt)
{
    const std::string path = dir / "own.xml";
    WriteFile(path, SettingsFile("<Value Name=\"N\" Type=\"Integer\">1</Value>"));
    TXMLSettings writer(true);
    ASSERT_TRUE(writer.ReadXMLSettingsFile(path));
    size_t reloads = Watcher().ReloadCount();
    for (int i = 0; i < 5; ++i) {
        writer.SetInteger("N", 10 + i);
        ASSERT_TRUE(writer.SaveFile(path));
    }
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(Watcher().ReloadCount(), reloads);

    TXMLSettings reader(true);
    ASSERT_TRUE(reader.ReadXMLSettingsFile(path));
    writer.SetInteger("N", 99);
    ASSERT_TRUE(writer.SaveFile(path));
    ASSERT_TRUE(Eventually([&] { return reader.GetInteger("N", 0) == 99; }));
    EXPECT_EQ(Watcher().ReloadCount(), reloads + 1);
}

TEST_F(SettingsWatcher, ThreadRunsWhileAnyStoreWatchesAFile)
{
    WriteFile(dir / "a.xml", SettingsFile(""));
    WriteFile(dir / "b.xml", SettingsFile(""));
    ASSERT_FALSE(Watcher().Running());
    ASSERT_EQ(Watcher().RegistrationCount(), 0u);
    {
        TXMLSettings unwatched(false);
        ASSERT_TRUE(unwatched.ReadXMLSettingsFile(dir / "a.xml"));
        EXPECT_FALSE(Watcher().Running());

        TXMLSettings first(true);
        EXPECT_FALSE(first.ReadXMLSettingsFile(dir / "missing.xml"));
        EXPECT_FALSE(Watcher().Running()); // nothing loaded, nothing watched
        ASSERT_TRUE(first.ReadXMLSettingsFile(dir / "a.xml"));
        EXPECT_TRUE(Watcher().Running());
        {
            TXMLSettings second(true);
            ASSERT_TRUE(second.ReadXMLSettingsFile(dir / "a.xml"));
            TXMLSettings third(true);
            ASSERT_TRUE(third.ReadXMLSettingsFile(dir / "b.xml"));
            EXPECT_EQ(Watcher().RegistrationCount(), 3u);
            ASSERT_TRUE(third.ReadXMLSettingsFile(dir / "a.xml")); // moves, does not add
            EXPECT_EQ(Watcher().RegistrationCount(), 3u);
        }
        EXPECT_EQ(Watcher().RegistrationCount(), 1u);
        EXPECT_TRUE(Watcher().Running());
        first.SetInteger("X", 1);
        ASSERT_TRUE(first.SaveFile(dir / "b.xml")); // follows the file it saved
        EXPECT_EQ(Watcher().RegistrationCount(), 1u);
    }
    EXPECT_EQ(Watcher().RegistrationCount(), 0u);
    EXPECT_FALSE(Watcher().Running());
}

TEST_F(SettingsWatcher, StoresComeAndGoWhileFilesChange)
{
    // Stores are created, loaded and destroyed on several threads while
    // another process keeps rewriting the file: nothing may hang or crash.
    const std::string path = dir / "busy.xml";
    ASSERT_EQ(RunSettingsChild({ "write", path, "N=i:0" }), 0);
    pid_t saver = vantor::test::StartSettingsChild({ "loop", path, "5", "1" });
    ASSERT_GT(saver, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 30; ++i) {
                TXMLSettings store(true);
                store.ReadXMLSettingsFile(path);
                store.GetInteger("Version", 0);
                std::this_thread::sleep_for(1ms);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    kill(saver, SIGKILL);
    waitpid(saver, nullptr, 0);
    EXPECT_EQ(Watcher().RegistrationCount(), 0u);
    EXPECT_FALSE(Watcher().Running());
}

} // namespace
