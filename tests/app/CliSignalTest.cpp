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
#include <unistd.h>

#include <gtest/gtest.h>

extern char** environ;

namespace vantor {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Runs `args` with TMPDIR set to `tmp`, standard error and output in files
// of `folder`; returns the process id.
pid_t Spawn(const std::vector<std::string>& args, const fs::path& folder, const fs::path& tmp)
{
    std::vector<std::string> env { "TMPDIR=" + tmp.string() };
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (std::string(*entry).rfind("TMPDIR=", 0) != 0)
            env.emplace_back(*entry);
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(
        &actions, 1, (folder / "stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(
        &actions, 2, (folder / "stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
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

std::vector<std::string> Contents(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    return names;
}

} // namespace

TEST(CliSignals, NoSignalLeavesAFileInTheDestinationOrTemporaryFolder)
{
    for (const char* name : { "vantor-batch-export-cli", "vtr-make", "libVTPLAYERAPI.so", "regsvr32" })
        if (!fs::exists(test::BinDir() / name))
            GTEST_SKIP() << (test::BinDir() / name).string() << " is not built";
    test::TempDir temp;
    const fs::path tmp = temp.Path() / "tmp";
    fs::create_directories(tmp);
    const std::string movie = temp / "packed.vtz";
    const pid_t maker = Spawn({ (test::BinDir() / "vtr-make").string(), "synthetic", movie, "--size",
                                  "640x480", "--seconds", "20", "--rate", "15" },
        temp.Path(), tmp);
    ASSERT_EQ(Wait(maker), 0) << test::ReadFile(temp / "stderr.txt");

    struct Case {
        const char* what;
        int signal;
        int count;
        const char* waitFor; // in the progress lines
        int status;
        const char* out; // nullptr: not checked (the signal may meet the end of the unpacking)
    };
    const Case cases[] = {
        { "SIGTERM while unpacking", SIGTERM, 1, "Opening movie: packed.vtz", 1, nullptr },
        { "SIGTERM while exporting", SIGTERM, 1, "Exporting movie: packed.vtz", 1,
            "packed.vtz: export cancelled\nExport cancelled\n" },
        { "SIGHUP while exporting", SIGHUP, 1, "Exporting movie: packed.vtz", 1,
            "packed.vtz: export cancelled\nExport cancelled\n" },
        { "two Ctrl+C while exporting", SIGINT, 2, "Exporting movie: packed.vtz", 1, nullptr },
        { "SIGKILL while unpacking", SIGKILL, 1, "Opening movie: packed.vtz", -1, "" },
        { "SIGKILL while exporting", SIGKILL, 1, "Exporting movie: packed.vtz", -1, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path out = temp.Path() / "out";
        const pid_t cli = Spawn({ (test::BinDir() / "vantor-batch-export-cli").string(), "--format", "avi",
                                    "--dest", out.string(), movie },
            temp.Path(), tmp);
        ASSERT_GT(cli, 0);
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
        EXPECT_EQ(Contents(out), std::vector<std::string> {});
        EXPECT_EQ(Contents(tmp), std::vector<std::string> {});
        fs::remove_all(out);
    }
}

} // namespace vantor
