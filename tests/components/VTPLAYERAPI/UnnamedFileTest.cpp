#include "UnnamedFile.h"
#include "TestEnvironment.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vtapi;

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
    const std::pair<std::string, bool> cases[] = { // name, stays
        { ".clip.avi." + deadId + ".0a1b2c3d0001.part", false },
        { ".clip.avi." + liveId + ".0a1b2c3d0001.part", true }, { ".clip.avi.0a1b2c3d0001.part", true },
        { "clip.avi." + deadId + ".0a1b2c3d0001.part", true },
        { ".clip.avi." + deadId + ".0a1b2c3d0001.txt", true }
    };
    vantor::test::TempDir dir;
    for (const auto& [name, stays] : cases)
        vantor::test::WriteFile(dir / name, "old");
    PartialFile::AllowUnnamedFiles(false);
    PartialFile file(dir / "clip.avi");
    PartialFile::AllowUnnamedFiles(true);
    EXPECT_EQ(file.TemporaryPath().rfind(dir / (".clip.avi." + std::to_string(::getpid()) + "."), 0), 0u);
    vantor::test::WriteFile(file.TemporaryPath(), "new");
    file.Commit();
    for (const auto& [name, stays] : cases)
        EXPECT_EQ(std::filesystem::exists(dir / name), stays) << name;
    EXPECT_EQ(vantor::test::ReadFile(dir / "clip.avi"), "new");
}
