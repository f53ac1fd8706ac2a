#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The text of each log line (the part after type and thread id), prefixed
// by its type.
std::vector<std::string> LogLines(const std::string& log)
{
    std::vector<std::string> lines;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        const auto first = line.find('\t');
        const auto second = line.find('\t', first + 1);
        lines.push_back(line.substr(0, first) + " " + line.substr(second + 1));
    }
    return lines;
}

int IndexOf(const std::vector<std::string>& lines, const std::string& part)
{
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find(part) != std::string::npos)
            return static_cast<int>(i);
    return -1;
}

} // namespace

TEST(CrashFilterTest, CrashWritesStackTraceAndExceptionRecordThenDiesOfItsSignal)
{
    struct Case {
        const char* mode;
        int signal;
        const char* frame; // the crashing function's frame, without displacement
        const char* frameLine;
        const char* exception;
        const char* access;
    };
    const Case cases[] = {
        { "null-write", SIGSEGV,
            ": vantor_crashprogram!CrashProgram.cpp::(anonymous namespace)::WriteThroughNull() ", " Line 17",
            "14 Exception SIGSEGV (signal 11), code 1, flags 0x1, address 0x",
            ", write access to 0x0000000000000000" },
        { "abort", SIGABRT, ": vantor_crashprogram!CrashProgram.cpp::(anonymous namespace)::AbortNow() ",
            " Line 22", "14 Exception SIGABRT (signal 6), code -6, flags 0x0, address 0x", "" },
    };
    const std::string program
        = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "vantor_crashprogram";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        vantor::test::TempDir dir;
        const std::string log = dir / "trace.log";
        const pid_t child = fork();
        if (child == 0) {
            // Under AddressSanitizer its own handler would end the process.
            std::string options = std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "";
            setenv("ASAN_OPTIONS", (options + ":handle_segv=0:handle_sigbus=0").c_str(), 1);
            execl(program.c_str(), program.c_str(), c.mode, log.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << status;
        EXPECT_EQ(WTERMSIG(status), c.signal);

        const auto lines = LogLines(vantor::test::ReadFile(log));
        const int started = IndexOf(lines, "1 >>> Stack trace started >>>");
        const int frame = IndexOf(lines, c.frame);
        const int finished = IndexOf(lines, "1 <<< Stack trace finished <<<");
        const int exception = IndexOf(lines, c.exception);
        ASSERT_GE(started, 0);
        ASSERT_GT(frame, started);
        EXPECT_TRUE(lines[frame].ends_with(c.frameLine)) << lines[frame];
        EXPECT_GT(finished, frame);
        ASSERT_EQ(exception, finished + 1);
        EXPECT_TRUE(lines[exception].ends_with(c.access)) << lines[exception];
        EXPECT_EQ(lines.size(), static_cast<std::size_t>(exception + 1));
    }
}
