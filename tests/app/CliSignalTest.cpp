// The terminal front end stopped by signals at several points of an export
// of a compressed movie: whatever the signal, neither the destination nor
// the temporary folder holds anything afterwards.

#include "TestEnvironment.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

extern char** environ;

namespace vantor {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Starts `args` with TMPDIR at `folder`/tmp and its output streams in files of `folder`.
pid_t Spawn(std::vector<std::string> args, const fs::path& folder)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const auto& [fd, name] : { std::pair { 1, "stdout.txt" }, std::pair { 2, "stderr.txt" } })
        posix_spawn_file_actions_addopen(
            &actions, fd, (folder / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    args.insert(args.begin(), { "/usr/bin/env", "TMPDIR=" + (folder / "tmp").string() });
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit status, or -1 when the process did not exit by itself.
int Wait(pid_t pid)
{
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

} // namespace

TEST(CliSignals, NoSignalLeavesAFileInTheDestinationOrTemporaryFolder)
{
    if (!fs::exists(test::BinDir() / "vantor-batch-export-cli") || !fs::exists(test::BinDir() / "vtr-make"))
        GTEST_SKIP() << "the terminal front end or vtr-make is not built";
    test::TempDir temp;
    fs::create_directories(temp / "tmp");
    const std::string movie = temp / "packed.vtz";
    ASSERT_EQ(Wait(Spawn(
                  { test::BinDir() / "vtr-make", "synthetic", movie, "--size", "640x480", "--seconds", "20" },
                  temp.Path())),
        0);

    const char* const cancelled = "packed.vtz: export cancelled\nExport cancelled\n";
    struct Case {
        int signal;
        int count;
        const char* waitFor; // in the progress lines
        int status;
        const char* out; // nullptr: not checked, as the signal may meet the end of the unpacking
    };
    const Case cases[] = {
        { SIGTERM, 1, "Opening movie: packed.vtz", 1, nullptr },
        { SIGTERM, 1, "Exporting movie: packed.vtz", 1, cancelled },
        { SIGHUP, 1, "Exporting movie: packed.vtz", 1, cancelled },
        { SIGINT, 2, "Exporting movie: packed.vtz", 1, nullptr },
        { SIGKILL, 1, "Opening movie: packed.vtz", -1, "" },
        { SIGKILL, 1, "Exporting movie: packed.vtz", -1, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(strsignal(c.signal)) + " after " + c.waitFor);
        const pid_t cli = Spawn(
            { test::BinDir() / "vantor-batch-export-cli", "--format", "avi", "--dest", temp / "out", movie },
            temp.Path());
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (test::ReadFile(temp / "stderr.txt").find(c.waitFor) == std::string::npos
            && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        for (int i = 0; i < c.count; ++i)
            ::kill(cli, c.signal);
        EXPECT_EQ(Wait(cli), c.status) << test::ReadFile(temp / "stderr.txt");
        if (c.out != nullptr) {
            EXPECT_EQ(test::ReadFile(temp / "stdout.txt"), c.out);
        }
        EXPECT_TRUE(!fs::exists(temp / "out") || fs::is_empty(temp / "out"));
        EXPECT_TRUE(fs::is_empty(temp / "tmp"));
        fs::remove_all(temp / "out");
    }
}

} // namespace vantor
