// The terminal front end run as a process on movies made by vtr-make, with
// the real Player engine: the printed lines and the exit status of each
// outcome.

#include "ChildProcess.h"

#include <chrono>
#include <filesystem>
#include <thread>

namespace vantor {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Child;
using test::Finished;

class CliEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : { "vantor-batch-export-cli", "vtr-make", "libVTPLAYERAPI.so", "regsvr32" })
            if (!fs::exists(test::BinDir() / name))
                GTEST_SKIP() << (test::BinDir() / name).string() << " is not built";
    }

    std::string Cli() const { return (test::BinDir() / "vantor-batch-export-cli").string(); }

    void MakeMovie(const std::string& path, std::vector<std::string> options = {})
    {
        ASSERT_TRUE(test::MakeTinyMovie(path, temp.Path(), options));
    }

    Finished RunCli(std::vector<std::string> args)
    {
        args.insert(args.begin(), Cli());
        return Child(args, temp.Path()).Wait();
    }

    test::TempDir temp;
    const std::string movies = temp / "movies";
    const std::string out = temp / "out";
};

bool IsAvi(const std::string& path)
{
    const std::string bytes = test::ReadFile(path);
    return bytes.size() > 12 && bytes.compare(0, 4, "RIFF") == 0 && bytes.compare(8, 4, "AVI ") == 0;
}

// Conversion is run end to end through the window; here the terminal's own
// part: the printed lines, the exit status and the files.
TEST_F(CliEndToEndTest, ExitsWithTwoOnARefusedStartZeroOnSuccessAndOneOnAFailure)
{
    MakeMovie(movies + "/old.vtr", { "--old" });
    MakeMovie(movies + "/packed.vtz", { "--old" });
    test::WriteFile(out + "/packed.avi", "older export");
    test::WriteFile(temp / "file", "x");
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        // Without a terminal to ask on, an overwrite is refused.
        { { "--format", "avi", "--dest", out, movies },
            "The destination folder contains files of the same file name which\n\r"
            "will be overwritten during export. Are you sure you want to proceed?\n" },
        { { "--format", "mp4", "--dest", out, movies }, "Unknown format (use convert, avi or wmv): mp4\n" },
        { { "--format", "avi", "--dest", out, temp / "file" }, "No movies to process\n" },
        { { "--format", "avi", "--dest", out, "--settings", temp / "no.xml", movies },
            "No such settings file: " + temp / "no.xml" + "\n" },
        { { "--format", "avi", "--dest", temp / "file/sub", movies },
            "Failed creating the destination folder\n" },
    };
    for (const auto& [args, err] : refused) {
        const Finished finished = RunCli(args);
        EXPECT_EQ(finished.status, 2) << err;
        EXPECT_NE(finished.err.find(err), std::string::npos) << finished.err;
        EXPECT_EQ(finished.out, "");
    }
    EXPECT_EQ(test::ReadFile(out + "/packed.avi"), "older export");
    EXPECT_FALSE(fs::exists(out + "/old.avi"));

    const Finished exported = RunCli({ "--yes", "--format", "avi", "--dest", out, movies });
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.out, "old.vtr: exported successfully\npacked.vtz: exported successfully\n");
    // The old output was deleted first, so the new one takes its name.
    EXPECT_TRUE(IsAvi(out + "/old.avi"));
    EXPECT_TRUE(IsAvi(out + "/packed.avi"));
    EXPECT_FALSE(fs::exists(out + "/packed_1.avi"));
    // Progress went to standard error as plain lines.
    EXPECT_NE(exported.err.find("Exporting movie: packed.vtz"), std::string::npos) << exported.err;

    test::WriteFile(movies + "/damaged.vtr", std::string(4096, 'x'));
    const Finished failed = RunCli({ "--format", "avi", "--dest", temp / "other", movies });
    EXPECT_EQ(failed.status, 1) << failed.err;
    EXPECT_EQ(failed.out,
        "damaged.vtr: unable to open\n"
        "old.vtr: exported successfully\n"
        "packed.vtz: exported successfully\n");
}

TEST_F(CliEndToEndTest, InterruptCancelsRun)
{
    // Only the first movie is long enough to be interrupted; the next one
    // must never be started.
    MakeMovie(movies + "/a.vtr", { "--size", "640x480", "--seconds", "20" });
    MakeMovie(movies + "/b.vtr");
    Child cli({ Cli(), "--format", "avi", "--dest", out, movies }, temp.Path());
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (cli.ErrSoFar().find("Exporting movie: a.vtr") == std::string::npos
        && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    ::kill(cli.Pid(), SIGINT);
    const Finished finished = cli.Wait();

    EXPECT_EQ(finished.status, 1) << finished.err;
    EXPECT_EQ(finished.out, "a.vtr: export cancelled\nExport cancelled\n");
    EXPECT_FALSE(fs::exists(out + "/a.avi"));
    EXPECT_FALSE(fs::exists(out + "/b.avi"));
}

} // namespace
} // namespace vantor
