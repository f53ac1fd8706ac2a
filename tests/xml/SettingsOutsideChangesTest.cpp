// What other processes and other owners do to settings files: versions
// written at awkward moments still reach watching stores, saves keep what
// belongs to the file, and what is not a readable file fails quietly.

#include "ScriptedDialogs.h"
#include "TestEnvironment.h"
#include "settings_child/ChildProcess.h"
#include "xml/XMLSettings.h"
#include "xml/XMLSettingsWatcher.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vantor::test::RunSettingsChild;
using vantor::test::ScriptedDialogs;
using vantor::test::TempDir;
using vantor::test::WriteFile;

// Other processes on a busy machine may take a while.
bool Eventually(const std::function<bool()>& condition)
{
    return vantor::test::Eventually(condition, 20s);
}

// A file with N = `n` and `filler` more values, which make its load slow.
std::string File(const std::string& n, int filler = 0)
{
    std::string values = "<Value Name=\"N\" Type=\"Integer\">" + n + "</Value>";
    for (int i = 0; i < filler; ++i)
        values += "<Value Name=\"F" + std::to_string(i) + "\">" + std::to_string(i) + "</Value>";
    return vantor::test::SettingsFile(values, "O");
}

// Another process saves N = 9 to the file a store watches, after the load or
// while it runs. Where a rename would lose the file's links, owner or a
// folder the user may not write, the file keeps its inode.
TEST(SettingsOutsideChanges, AnotherProcessesVersionReachesAWatchingStore)
{
    struct Case {
        const char* what;
        const char* n; // N's text before
        int filler;
        bool duringLoad;
        const char* setup; // shell command in the folder that holds s.xml; failing means not possible here
        const char* path; // what the store and the other process use
        bool sameInode;
    };
    const Case cases[] = {
        { "a version put in place during the load", "1", 50000, true, "true", "s.xml", false },
        { "a value whose text did not fit its type", "abc", 0, false, "true", "s.xml", false },
        { "a symbolic link from another folder", "1", 0, false, "mkdir l && ln -s ../s.xml l/s.xml",
            "l/s.xml", false },
        { "a second hard link", "1", 0, false, "ln s.xml h", "s.xml", true },
        { "another owner", "1", 0, false, "chown 4321:4321 s.xml", "s.xml", true },
        { "a folder the user may not write to", "1", 0, false, "test $(id -u) != 0 && chmod 500 .", "s.xml",
            true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        ScriptedDialogs dialogs;
        WriteFile(dir / "s.xml", File(c.n, c.filler));
        if (std::system(("cd " + dir.Path().string() + " && " + c.setup).c_str()) != 0) {
            std::printf("skipped \"%s\": not possible for this user\n", c.what);
            continue;
        }
        const std::string path = dir / c.path;
        struct stat before, after;
        ASSERT_EQ(stat(path.c_str(), &before), 0);
        TXMLSettings store(true);
        pid_t swapper = c.duringLoad ? vantor::test::StartSettingsChild({ "swap", path, "N=i:9" }) : -1;
        ASSERT_TRUE(Eventually([&] { return !c.duringLoad || fs::exists(path + ".ready"); }));
        ASSERT_TRUE(store.ReadXMLSettingsFile(path));
        int status = -1;
        if (c.duringLoad)
            waitpid(swapper, &status, 0);
        EXPECT_EQ(c.duringLoad ? status : RunSettingsChild({ "write", path, "N=i:9" }), 0);
        EXPECT_TRUE(Eventually([&] { return store.GetInteger("N", 0) == 9; }));
        ASSERT_EQ(stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino == before.st_ino && after.st_uid == before.st_uid, c.sameInode);
        EXPECT_TRUE(dialogs.messages.empty());
        fs::permissions(dir.Path(), fs::perms::owner_all);
    }
}

TEST(SettingsOutsideChanges, AFolderOrAFifoFailsQuietlyAndAtOnceForStoresAndTheWatcher)
{
    TempDir dir;
    ScriptedDialogs dialogs;
    const std::string path = dir / "w.xml";
    WriteFile(path, File("1"));
    TXMLSettings watching(true), other(false);
    ASSERT_TRUE(watching.ReadXMLSettingsFile(path));
    EXPECT_FALSE(other.ReadXMLSettingsFile(dir.Path()));
    EXPECT_EQ(other.LastError(), EISDIR);

    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::rename(dir / "fifo", path);
    EXPECT_FALSE(other.ReadXMLSettingsFile(path));
    EXPECT_EQ(other.LastError(), EINVAL);
    EXPECT_EQ(RunSettingsChild({ "write", path, "N=i:2" }), 1); // neither loaded nor replaced
    EXPECT_TRUE(dialogs.messages.empty());

    // The watcher met the FIFO too, and still takes the next version.
    ASSERT_EQ(RunSettingsChild({ "write", dir / "next", "N=i:2" }), 0);
    fs::rename(dir / "next", path);
    EXPECT_TRUE(Eventually([&] { return watching.GetInteger("N", 0) == 2; }));
}

TEST(SettingsOutsideChanges, ALargeChangedFileIsLoadedWithoutHoldingUpOtherStores)
{
    TempDir dir;
    WriteFile(dir / "large.xml", File("1", 150000));
    WriteFile(dir / "small.xml", File("5"));
    TXMLSettings watching(true), other(true);
    ASSERT_TRUE(watching.ReadXMLSettingsFile(dir / "large.xml"));
    size_t reloads = TXMLSettingsWatcher::Instance().ReloadCount();
    ASSERT_EQ(RunSettingsChild({ "write", dir / "large.xml", "N=i:2" }), 0);
    ASSERT_TRUE(Eventually([&] { return TXMLSettingsWatcher::Instance().ReloadCount() > reloads; }));
    // Watching needs the watcher's list: it is free while the file loads.
    ASSERT_TRUE(other.ReadXMLSettingsFile(dir / "small.xml"));
    EXPECT_EQ(watching.GetInteger("N", 0), 1);
    EXPECT_TRUE(Eventually([&] { return watching.GetInteger("N", 0) == 2; }));
}

TEST(SettingsOutsideChanges, SaveAllMakesOneFolderLevelAndReportsTheRealError)
{
    ScriptedDialogs dialogs;
    const fs::path config = vantor::test::TestHome() / "config";
    fs::remove_all(config);
    TXMLSettings store(true);
    EXPECT_FALSE(store.SaveAll("Levels"));
    fs::create_directory(config);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
        "The XML configuration file " + (config / "Corvane/Levels.xml").string()
            + " can not be created (SaveAll)\n\nCurrent directory is " + fs::current_path().string()
            + "\n\nError code 2 (0x00000002)\nNo such file or directory");
    EXPECT_TRUE(store.SaveAll("Levels"));
}

} // namespace
