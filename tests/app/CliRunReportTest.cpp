// The terminal front end's report beside the status log: reasons below the
// log line, where the run stands in the progress lines, the summary last.

#include "TestEnvironment.h"

#include "app/CliRunReport.h"
#include "app/MovieList.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

using namespace std::chrono_literals;
using TimePoint = std::chrono::steady_clock::time_point;

TEST(CliRunReportTest, ReasonsProgressAndSummaryOnStandardError)
{
    struct Case {
        const char* name;
        const char* reason; // of the second movie's failure
        const char* out;
        const char* errors;
    };
    const Case cases[] = {
        { "a reason", "disk full", "a.vtr: converted successfully\nb.vtr: convert failed\n",
            "Converting movie: a.vtr\nConverting movie: a.vtr 50% (25% overall, movie 1 of 2, 1:30 left)\n"
            "Converting movie: b.vtr\n    disk full\n1 exported, 0 skipped, 1 failed, 0 cancelled in "
            "1:00\n" },
        { "a reason with a line break", "bad\nname", "a.vtr: converted successfully\nb.vtr: convert failed\n",
            "Converting movie: a.vtr\nConverting movie: a.vtr 50% (25% overall, movie 1 of 2, 1:30 left)\n"
            "Converting movie: b.vtr\n    bad\\nname\n1 exported, 0 skipped, 1 failed, 0 cancelled in "
            "1:00\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        std::FILE* out = std::fopen((dir / "out").c_str(), "w+");
        std::FILE* errors = std::fopen((dir / "errors").c_str(), "w+");
        MovieList movies;
        movies.Add("/m/a.vtr");
        movies.Add("/m/b.vtr");
        TimePoint now {};
        CliView view(movies, "/dest", out, errors, false, [&now] { return now; });
        CliRunReport report(
            view, errors, [](int) { return 100LL; }, [&now] { return now; });

        report.RunStarted(2);
        view.SetDetailText("Converting movie: a.vtr");
        report.MovieStarted(0);
        now += 30s;
        report.MovieProgress(0, MoviePhase::Processing, 5, 10);
        view.SetOverallPosition(250);
        view.SetDetailPosition(500);
        now += 1s;
        view.Tick(); // as the message loop does between messages
        view.AddStatusLine("a.vtr: converted successfully");
        report.MovieFinished(0, MovieOutcome::Done, {});
        now += 29s;
        view.SetDetailText("Converting movie: b.vtr");
        report.MovieStarted(1);
        view.AddStatusLine("b.vtr: convert failed");
        report.MovieFinished(1, MovieOutcome::Failed, c.reason);
        report.RunEnded();
        view.Finish();
        report.PrintSummary();

        std::fclose(out);
        std::fclose(errors);
        EXPECT_EQ(test::ReadFile(dir / "out"), c.out);
        EXPECT_EQ(test::ReadFile(dir / "errors"), c.errors);
    }
}

} // namespace
} // namespace vantor
