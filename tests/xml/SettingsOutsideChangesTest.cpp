// What other processes and other owners do to settings files: versions
// written at awkward moments still reach watching stores, files that are
// not plain readable files fail quietly, and saves keep what belongs to the
// file.

#include "ScriptedDialogs.h"
#include "TestEnvironment.h"
#include "settings_child/ChildProcess.h"
#include "xml/XMLSettings.h"
#include "xml/XMLSettingsWatcher.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vantor::test::RunSettingsChild;
using vantor::test::ScriptedDialogs;
using vantor::test::StartSettingsChild;
using vantor::test::TempDir;
using vantor::test::WriteFile;

bool Eventually(const std::function<bool()>& condition)
{
    for (auto deadline = std::chrono::steady_clock::now() + 5s;
         std::chrono::steady_clock::now() < deadline;) {
        if (condition())
            return true;
        std::this_thread::sleep_for(2ms);
    }
    return condition();
}

// A file with N = `n` and `filler` more values, which make its load slow.
std::string File(const std::string& n, int filler = 0)
{
    std::string values = "<Value Name=\"N\" Type=\"Integer\">" + n + "</Value>";
    for (int i = 0; i < filler; ++i)
        values += "<Value Name=\"F" + std::to_string(i) + "\" Type=\"Integer\">" + std::to_string(i)
            + "</Value>";
    return "<?xml version=\"1.0\"?><Application Name=\"O\"><Program Name=\"\"><Configuration>" + values
        + "</Configuration></Program></Application>";
}

// The exit code of a settings-child run, or -1 when it had not ended
// after five seconds (it is killed then).
int RunChildWithin5s(const std::vector<std::string>& arguments)
{
    pid_t pid = StartSettingsChild(arguments);
    int status = 0;
    for (int i = 0; i < 500 && pid > 0; ++i, std::this_thread::sleep_for(10ms)) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

TEST(SettingsOutsideChanges, AnotherProcessesVersionReachesAWatchingStore)
{
    struct Case {
        const char* what;
        const char* storedN; // N's text in the file the store loads
        int filler;
        bool throughLink; // the store loads a symbolic link to the file, from another folder
        bool duringLoad; // the version is put in place while the store loads
    };
    const Case cases[] = {
        { "a version put in place during the load", "1", 200000, false, true },
        { "a value whose text did not fit its type", "abc", 0, false, false },
        { "a file loaded through a symbolic link", "1", 0, true, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        ScriptedDialogs dialogs;
        const std::string file = dir / "real/o.xml";
        WriteFile(file, File(c.storedN, c.filler));
        std::string path = file;
        if (c.throughLink) {
            path = dir / "o.xml";
            fs::create_symlink("real/o.xml", path);
        }
        TXMLSettings store(true);
        if (c.duringLoad) {
            pid_t child = StartSettingsChild({ "swap", file, dir / "ready", "N=i:9" });
            ASSERT_TRUE(Eventually([&] { return fs::exists(dir / "ready"); }));
            ASSERT_TRUE(store.ReadXMLSettingsFile(path));
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            ASSERT_EQ(status, 0);
        } else {
            ASSERT_TRUE(store.ReadXMLSettingsFile(path));
            ASSERT_EQ(RunSettingsChild({ "write", path, "N=i:9" }), 0);
        }
        EXPECT_TRUE(Eventually([&] { return store.GetInteger("N", 0) == 9; }));

        // The store's next save keeps the other process's value.
        ASSERT_TRUE(store.SaveFile(path));
        TXMLSettings reread(false);
        ASSERT_TRUE(reread.ReadXMLSettingsFile(file));
        EXPECT_EQ(reread.GetInteger("N", 0), 9);
        EXPECT_TRUE(dialogs.messages.empty());
    }
}

TEST(SettingsOutsideChanges, ALargeChangedFileIsLoadedWithoutHoldingUpOtherStores)
{
    TempDir dir;
    const std::string large = dir / "large.xml";
    WriteFile(large, File("1", 300000));
    WriteFile(dir / "small.xml", File("5"));
    TXMLSettings watching(true);
    ASSERT_TRUE(watching.ReadXMLSettingsFile(large));
    size_t reloads = TXMLSettingsWatcher::Instance().ReloadCount();

    ASSERT_EQ(RunSettingsChild({ "write", large, "N=i:2" }), 0);
    ASSERT_TRUE(Eventually([&] { return TXMLSettingsWatcher::Instance().ReloadCount() > reloads; }));
    // Registering needs the watcher's list: it is free while the large file
    // is still being loaded.
    TXMLSettings other(true);
    ASSERT_TRUE(other.ReadXMLSettingsFile(dir / "small.xml"));
    EXPECT_EQ(watching.GetInteger("N", 0), 1);
    EXPECT_TRUE(Eventually([&] { return watching.GetInteger("N", 0) == 2; }));
}

TEST(SettingsOutsideChanges, WhatIsNotAReadableRegularFileFailsQuietlyAndWithoutWaiting)
{
    struct Case {
        const char* what;
        std::function<bool(const std::string&)> make; // false when it cannot be made here
        int error;
    };
    const Case cases[] = {
        { "a folder", [](const std::string& path) { return fs::create_directory(path); }, EISDIR },
        { "a FIFO", [](const std::string& path) { return mkfifo(path.c_str(), 0600) == 0; }, EINVAL },
        { "a file the user may not read",
            [](const std::string& path) {
                WriteFile(path, File("1"));
                fs::permissions(path, fs::perms::none);
                return geteuid() != 0; // the superuser reads it anyway
            },
            EACCES },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        ScriptedDialogs dialogs;
        const std::string path = dir / "x.xml";
        if (!c.make(path)) {
            std::printf("skipped \"%s\": the superuser can read anything\n", c.what);
            continue;
        }
        // Another process neither loads nor replaces it.
        ASSERT_EQ(RunChildWithin5s({ "write", path, "N=i:2" }), 1);
        TXMLSettings store(false);
        store.SetInteger("Kept", 1);
        EXPECT_FALSE(store.ReadXMLSettingsFile(path));
        EXPECT_EQ(store.LastError(), c.error);
        EXPECT_EQ(store.GetInteger("Kept", 0), 1);
        EXPECT_TRUE(dialogs.messages.empty());
    }
}

TEST(SettingsOutsideChanges, AWatchedFileReplacedByAFifoDoesNotStopTheWatcher)
{
    TempDir dir;
    const std::string path = dir / "w.xml";
    WriteFile(path, File("1"));
    TXMLSettings store(true);
    ASSERT_TRUE(store.ReadXMLSettingsFile(path));

    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_hard_link(dir / "fifo", dir / "fifo-kept");
    fs::rename(dir / "fifo", path);
    std::this_thread::sleep_for(100ms); // the watcher meets the FIFO
    WriteFile(dir / "next", File("2"));
    fs::rename(dir / "next", path);
    EXPECT_TRUE(Eventually([&] { return store.GetInteger("N", 0) == 2; }));
    // Frees a watcher that would be waiting in the FIFO's open.
    close(open((dir / "fifo-kept").c_str(), O_WRONLY | O_NONBLOCK));
}

TEST(SettingsOutsideChanges, SavesKeepHardLinksOwnersAndFilesInReadOnlyFolders)
{
    struct Case {
        const char* what;
        std::function<bool(const TempDir&)> make; // false when it cannot be made here
    };
    const Case cases[] = {
        { "a second hard link",
            [](const TempDir& dir) {
                fs::create_hard_link(dir / "f/s.xml", dir / "link.xml");
                return true;
            } },
        { "another owner",
            [](const TempDir& dir) { return chown((dir / "f/s.xml").c_str(), 4321, 4321) == 0; } },
        { "a folder the user may not write to",
            [](const TempDir& dir) {
                fs::permissions(dir / "f", fs::perms::owner_read | fs::perms::owner_exec);
                return geteuid() != 0; // the superuser writes there anyway
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        ScriptedDialogs dialogs;
        const std::string path = dir / "f/s.xml";
        WriteFile(path, File("1"));
        chmod(path.c_str(), 0666);
        if (!c.make(dir)) {
            std::printf("skipped \"%s\": not possible for this user\n", c.what);
            continue;
        }
        struct stat before, after;
        ASSERT_EQ(stat(path.c_str(), &before), 0);
        ASSERT_EQ(RunSettingsChild({ "write", path, "N=i:2" }), 0);
        ASSERT_EQ(stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_nlink, before.st_nlink);
        EXPECT_EQ(after.st_uid, before.st_uid);
        TXMLSettings reread(false);
        ASSERT_TRUE(reread.ReadXMLSettingsFile(path));
        EXPECT_EQ(reread.GetInteger("N", 0), 2);
        fs::permissions(dir / "f", fs::perms::owner_all);
    }
}

TEST(SettingsOutsideChanges, SaveAllMakesOneFolderLevelAndReportsTheRealError)
{
    const fs::path config = vantor::test::TestHome() / "config";
    const std::string path = (config / "Corvane/Levels.xml").string();
    const std::string cwd = fs::current_path().string();
    struct Case {
        const char* what;
        std::function<bool()> make; // false when it cannot be made here
        const char* message; // after "Current directory is <cwd>\n\n"; null when saved
    };
    const Case cases[] = {
        { "a missing maker's folder", [&] { return fs::remove_all(config / "Corvane") < 1000; }, nullptr },
        { "a missing application-data folder", [&] { return fs::remove_all(config) > 0; },
            "Error code 2 (0x00000002)\nNo such file or directory" },
        { "an application-data folder the user may not write to",
            [&] {
                fs::remove_all(config / "Corvane");
                fs::permissions(config, fs::perms::owner_read | fs::perms::owner_exec);
                return geteuid() != 0; // the superuser writes there anyway
            },
            "Error code 13 (0x0000000D)\nPermission denied" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedDialogs dialogs;
        if (!c.make()) {
            std::printf("skipped \"%s\": not possible for this user\n", c.what);
            fs::permissions(config, fs::perms::owner_all);
            continue;
        }
        TXMLSettings store(true);
        store.SetInteger("N", 1);
        EXPECT_EQ(store.SaveAll("Levels"), c.message == nullptr);
        if (c.message == nullptr) {
            EXPECT_TRUE(fs::exists(path));
            EXPECT_TRUE(dialogs.messages.empty());
        } else {
            EXPECT_FALSE(fs::exists(config / "Corvane"));
            ASSERT_EQ(dialogs.messages.size(), 1u);
            EXPECT_EQ(dialogs.messages[0].text,
                "The XML configuration file " + path
                    + " can not be created (SaveAll)\n\nCurrent directory is " + cwd + "\n\n" + c.message);
        }
        fs::create_directories(config);
        fs::permissions(config, fs::perms::owner_all);
    }
}

} // namespace
