#pragma once

// Programs run as child processes by the end-to-end tests, with standard
// input from /dev/null and the two output streams in files; and the small
// movies those tests work on, made by vtr-make.

#include "TestEnvironment.h"

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

extern char** environ;

namespace vantor::test {

struct Finished {
    int status = -1; // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

class Child final {
public:
    Child(const std::vector<std::string>& args, const std::filesystem::path& folder)
        : m_outPath(folder / "stdout.txt")
        , m_errPath(folder / "stderr.txt")
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, m_outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child()
    {
        if (m_pid > 0 && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    pid_t Pid() const { return m_pid; }
    std::string ErrSoFar() const { return ReadFile(m_errPath); }
    Finished Wait()
    {
        int raw = 0;
        ::waitpid(m_pid, &raw, 0);
        m_reaped = true;
        return { WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(m_outPath), ReadFile(m_errPath) };
    }

private:
    std::filesystem::path m_outPath;
    std::filesystem::path m_errPath;
    pid_t m_pid = -1;
    bool m_reaped = false;
};

// Runs vtr-make with `args`; its messages come back on failure. `scratch`
// takes its output streams.
inline ::testing::AssertionResult VtrMake(
    const std::vector<std::string>& args, const std::filesystem::path& scratch)
{
    std::vector<std::string> command { (BinDir() / "vtr-make").string() };
    command.insert(command.end(), args.begin(), args.end());
    const Finished made = Child(command, scratch).Wait();
    if (made.status == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "vtr-make failed:\n" << made.err;
}

// A synthetic movie of 64x48 at 10 frames a second, one second long;
// `options` given later override these.
inline ::testing::AssertionResult MakeTinyMovie(const std::filesystem::path& movie,
    const std::filesystem::path& scratch, const std::vector<std::string>& options = {})
{
    std::filesystem::create_directories(movie.parent_path());
    std::vector<std::string> args { "synthetic", movie.string(), "--size", "64x48", "--rate", "10",
        "--seconds", "1" };
    args.insert(args.end(), options.begin(), options.end());
    return VtrMake(args, scratch);
}

} // namespace vantor::test
