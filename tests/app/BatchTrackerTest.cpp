// Per-movie states, the time left and the summary of batch runs, kept by
// BatchTracker from the batch loop's calls, with a clock the test moves.

#include "ScriptedEngine.h"
#include "TestEnvironment.h"

#include "app/BatchRun.h"
#include "app/BatchTracker.h"
#include "app/StringTable.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace vantor {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;
using TimePoint = std::chrono::steady_clock::time_point;

// Failures to open and to export, then an engine error that ends the run:
// the movies it did not reach count as cancelled.
TEST(BatchTrackerTest, ItemStatesAndSummaryOfARunEndedByAnEngineError)
{
    test::TempDir temp;
    test::RecordingBatchView view;
    view.destination = temp.Path();
    view.movieList = { "/m/a.vtr", "/m/b.vtr", "/m/c.vtr", "/m/d.vtr", "/m/e.vtr" };
    test::ScriptedEngine engine;
    engine.movies = { { "a.vtr", { .openFails = true } }, { "b.vtr", { .exportFails = true } } };
    engine.results = { { "ExportAVI", { 0, 110 } } };
    TimePoint now {};
    BatchTracker tracker([](int) { return 1000LL; }, [&now] { return now; });
    BatchRun run(view);
    run.SetEngine(&engine);
    run.SetObserver(&tracker);

    run.Start(ExportFormat::AVI);
    EXPECT_EQ(StatusTip(tracker.Status(0)), "Working: 0%");
    EXPECT_EQ(StatusTip(tracker.Status(1)), "Waiting");
    now += 83s;
    engine.DeliverAll(run);

    Lines tips;
    for (int i = 0; i < tracker.Count(); ++i)
        tips.push_back(StatusTip(tracker.Status(i)));
    EXPECT_EQ(tips,
        Lines({ "Failed", "Failed", "Failed: VTPLAYERAPI movie has new format", "Cancelled", "Cancelled" }));
    EXPECT_EQ(SummaryText(tracker.Counts(), tracker.Elapsed()),
        "0 exported, 0 skipped, 3 failed, 2 cancelled in 1:23");
}

// One step of a run seen by the tracker, `at` seconds after its start:
// S starts a movie, O and P report opening and processing progress
// (done of total), D finishes it as done.
struct Step {
    int at;
    char kind;
    int index;
    long long done;
    long long total;
};

struct EstimateCase {
    const char* name;
    std::vector<long long> sizes;
    std::vector<Step> steps;
    int queryAt;
    long long expectedSeconds; // -1: no estimate
    const char* overall; // for the movie being worked on
};

TEST(BatchTrackerTest, TimeLeftFromLengthsSizesAndMeasuredSpeed)
{
    const EstimateCase cases[] = {
        { "before any work is done", { 100, 300 }, { { 0, 'S', 0, 0, 0 } }, 10, -1, "movie 1 of 2" },
        { "file sizes while no length is known", { 100, 300 },
            { { 0, 'S', 0, 0, 0 }, { 10, 'D', 0, 0, 0 }, { 10, 'S', 1, 0, 0 } }, 10, 30,
            "movie 2 of 2, 0:30 left" },
        { "length of the first movie turns the others' sizes into frames", { 100, 100, 200 },
            { { 0, 'S', 0, 0, 0 }, { 0, 'P', 0, 0, 50 }, { 5, 'P', 0, 25, 50 } }, 5, 35,
            "movie 1 of 3, 0:35 left" },
        { "two known lengths give the ratio for the third", { 100, 100, 200 },
            { { 0, 'S', 0, 0, 0 }, { 0, 'P', 0, 0, 50 }, { 20, 'D', 0, 0, 0 }, { 20, 'S', 1, 0, 0 },
                { 20, 'P', 1, 0, 150 }, { 30, 'P', 1, 30, 150 } },
            30, 120, "movie 2 of 3, 2:00 left" },
        { "a part second rounds up", { 3, 2 },
            { { 0, 'S', 0, 0, 0 }, { 2, 'D', 0, 0, 0 }, { 2, 'S', 1, 0, 0 } }, 2, 2,
            "movie 2 of 2, 0:02 left" },
        { "an hour and more stays in minutes", { 1, 100 },
            { { 0, 'S', 0, 0, 0 }, { 60, 'D', 0, 0, 0 }, { 60, 'S', 1, 0, 0 } }, 60, 6000,
            "movie 2 of 2, 100:00 left" },
    };
    for (const EstimateCase& c : cases) {
        SCOPED_TRACE(c.name);
        TimePoint now {};
        BatchTracker tracker(
            [&c](int index) { return c.sizes.at(static_cast<std::size_t>(index)); }, [&now] { return now; });
        tracker.RunStarted(static_cast<int>(c.sizes.size()));
        for (const Step& step : c.steps) {
            now = TimePoint {} + std::chrono::seconds(step.at);
            if (step.kind == 'S')
                tracker.MovieStarted(step.index);
            else if (step.kind == 'O' || step.kind == 'P')
                tracker.MovieProgress(step.index,
                    step.kind == 'O' ? MoviePhase::Opening : MoviePhase::Processing, step.done, step.total);
            else
                tracker.MovieFinished(step.index, MovieOutcome::Done, {});
        }
        now = TimePoint {} + std::chrono::seconds(c.queryAt);
        const auto left = tracker.TimeLeft();
        EXPECT_EQ(left ? left->count() : -1, c.expectedSeconds);
        EXPECT_EQ(OverallProgressText(tracker.CurrentIndex(), tracker.Count(), left), c.overall);
    }
}

TEST(BatchTrackerTest, TextsInEnglishAndFrench)
{
    struct TextCase {
        const char* pack;
        RunCounts counts;
        std::chrono::milliseconds elapsed;
        const char* summary;
        const char* working;
        const char* failed;
    };
    const TextCase cases[] = {
        { "", { 3, 0, 1, 0 }, 42999ms, "3 exported, 0 skipped, 1 failed, 0 cancelled in 0:42", "Working: 7%",
            "Failed: disk full" },
        { "", { 0, 2, 0, 10 }, 3725000ms, "0 exported, 2 skipped, 0 failed, 10 cancelled in 62:05",
            "Working: 7%", "Failed: disk full" },
        { "French.tsv", { 3, 0, 1, 0 }, 42000ms, "3 exporté(s), 0 ignoré(s), 1 en échec, 0 annulé(s) en 0:42",
            "En cours : 7%", "Échec : disk full" },
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.pack);
        std::string error;
        PointStringTableAt(*c.pack ? ResourceModule::LoadFile(
                               std::string(VANTOR_SOURCE_DIR) + "/resources/strings/" + c.pack, error)
                                   : nullptr);
        EXPECT_EQ(SummaryText(c.counts, c.elapsed), c.summary);
        EXPECT_EQ(StatusTip({ MovieState::Working, 7, {} }), c.working);
        EXPECT_EQ(StatusTip({ MovieState::Failed, 0, "disk full" }), c.failed);
    }
    PointStringTableAt(nullptr);
}

} // namespace
} // namespace vantor
