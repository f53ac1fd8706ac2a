// The terminal front end stopped by signals at several points of an export
// of a compressed movie: whatever the signal, neither the destination nor
// the temporary folder holds anything afterwards.

#include "ChildProcess.h"

#include <chrono>
#include <filesystem>
#include <thread>

namespace vantor {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(CliSignals, NoSignalLeavesAFileInTheDestinationOrTemporaryFolder)
{
    if (!fs::exists(test::BinDir() / "vantor-batch-export-cli") || !fs::exists(test::BinDir() / "vtr-make"))
        GTEST_SKIP() << "the terminal front end or vtr-make is not built";
    test::TempDir temp;
    fs::create_directories(temp / "tmp");
    const std::string movie = temp / "packed.vtz";
    ASSERT_TRUE(test::VtrMake({ "synthetic", movie, "--size", "640x480", "--seconds", "20" }, temp.Path()));

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
        // TMPDIR at temp/tmp, the output streams in files of temp.
        test::Child cli(
            { "/usr/bin/env", "TMPDIR=" + temp / "tmp", test::BinDir() / "vantor-batch-export-cli",
                "--format", "avi", "--dest", temp / "out", movie },
            temp.Path());
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (test::ReadFile(temp / "stderr.txt").find(c.waitFor) == std::string::npos
            && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        for (int i = 0; i < c.count; ++i)
            ::kill(cli.Pid(), c.signal);
        const test::Finished finished = cli.Wait();
        EXPECT_EQ(finished.status, c.status) << finished.err;
        if (c.out != nullptr) {
            EXPECT_EQ(finished.out, c.out);
        }
        EXPECT_TRUE(!fs::exists(temp / "out") || fs::is_empty(temp / "out"));
        EXPECT_TRUE(fs::is_empty(temp / "tmp"));
        fs::remove_all(temp / "out");
    }
}

} // namespace
} // namespace vantor
