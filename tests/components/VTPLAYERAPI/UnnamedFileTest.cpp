#include "UnnamedFile.h"
#include "MovieTestSupport.h"
#include "TestEnvironment.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vtapi;
using vantor::test::TempDir;

// Where the file system has no unnamed files, outputs are written under
// hidden names carrying the writer's process id; the next output into the
// folder removes those of processes that have died, and only those.
TEST(PartFiles, NextOutputRemovesThoseOfDeadProcesses)
{
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string deadId = std::to_string(dead);
    const std::string liveId = std::to_string(::getppid());
    struct Case {
        std::string name;
        bool stays;
    };
    const Case cases[] = {
        { ".clip.avi." + deadId + ".0a1b2c3d0001.part", false },
        { ".clip.avi." + liveId + ".0a1b2c3d0001.part", true },
        { ".clip.avi.0a1b2c3d0001.part", true }, // no process id
        { "clip.avi." + deadId + ".0a1b2c3d0001.part", true }, // not hidden
        { ".clip.avi." + deadId + ".0a1b2c3d0001.txt", true },
    };
    TempDir dir;
    for (const Case& c : cases)
        vantor::test::WriteFile(dir / c.name, "old");

    PartialFile::AllowUnnamedFiles(false);
    PartialFile file(dir / "clip.avi");
    PartialFile::AllowUnnamedFiles(true);
    EXPECT_FALSE(file.Unnamed());
    EXPECT_EQ(file.TemporaryPath().rfind(dir / (".clip.avi." + std::to_string(::getpid()) + "."), 0), 0u);
    vantor::test::WriteFile(file.TemporaryPath(), "new");
    file.Commit();
    for (const Case& c : cases)
        EXPECT_EQ(std::filesystem::exists(dir / c.name), c.stays) << c.name;
    EXPECT_EQ(vantor::test::ReadFile(dir / "clip.avi"), "new");
}

// An unnamed output replaces a file of its name in one step, leaving
// nothing else behind.
TEST(PartFiles, UnnamedOutputReplacesAnExistingFile)
{
    TempDir dir;
    vantor::test::WriteFile(dir / "clip.avi", "old");
    PartialFile file(dir / "clip.avi");
    ASSERT_TRUE(file.Unnamed()) << "the test folder's file system has no unnamed files";
    vantor::test::WriteFile(file.TemporaryPath(), "new");
    EXPECT_EQ(vtapi::test::FolderContents(dir.Path()), std::vector<std::string> { "clip.avi" });
    file.Commit();
    EXPECT_EQ(vtapi::test::FolderContents(dir.Path()), std::vector<std::string> { "clip.avi" });
    EXPECT_EQ(vantor::test::ReadFile(dir / "clip.avi"), "new");
}
