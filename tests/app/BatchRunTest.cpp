// Whole runs of the batch loop against a scripted engine: the log lines,
// label texts, bar positions and engine calls of each run, written out.

#include "RecordingBatchView.h"
#include "ScriptedBatchEngine.h"
#include "TestEnvironment.h"

#include "app/BatchRun.h"
#include "support/TraceTransport.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace vantor {
namespace {

using Lines = std::vector<std::string>;
using Positions = std::vector<int>;
namespace fs = std::filesystem;

class BatchRunTest : public ::testing::Test {
protected:
    BatchRunTest()
    {
        fs::create_directories(out);
        view.destination = out;
        run.SetEngine(&engine);
        run.SetSettingsFilePrefix("/cfg/Vantor Batch Export");
    }

    test::TempDir temp;
    const std::string out = temp / "out";
    test::RecordingBatchView view;
    test::ScriptedBatchEngine engine;
    BatchRun run { view };
};

TEST_F(BatchRunTest, OneMovieMovesOverallBarToHundredThenUpTo999ThenBackToZero)
{
    view.movieList = { "/movies/clip.vtr" };
    run.Start(ExportFormat::AVI);
    EXPECT_EQ(run.State(), RunState::Running);
    EXPECT_EQ(run.Phase(), MoviePhase::Opening);
    engine.DeliverAll(run);

    EXPECT_EQ(run.State(), RunState::Idle);
    EXPECT_EQ(view.statusLines, Lines({ "clip.vtr: exported successfully" }));
    EXPECT_EQ(view.overallTexts, Lines({ "Exporting to AVI...", "" }));
    EXPECT_EQ(view.detailTexts, Lines({ "Opening movie: clip.vtr", "Exporting movie: clip.vtr", "" }));
    EXPECT_EQ(view.overallPositions, Positions({ 0, 50, 100, 324, 549, 774, 999, 0 }));
    EXPECT_EQ(view.detailPositions, Positions({ 0, 500, 1000, 0, 250, 500, 750, 1000, 0 }));
    EXPECT_EQ(engine.calls,
        Lines({ "OpenMovie /movies/clip.vtr",
            "ExportAVI " + out + "/clip.avi /cfg/Vantor Batch ExportAVI.xml", "CloseMovie" }));
    EXPECT_EQ(view.clearStatusCalls, 1);
    EXPECT_EQ(view.closeWindowCalls, 0);
}

TEST_F(BatchRunTest, FailuresToOpenAndToExportSkipOnlyThatMovie)
{
    view.movieList = { "/m/a.vtr", "/m/b.vtr", "/m/c.vtz", "/m/d.vtr" };
    engine.movies["b.vtr"].openFails = true;
    engine.movies["c.vtz"].exportFails = true;
    engine.openSteps = 1;
    engine.processSteps = 1;
    run.Start(ExportFormat::WMV);
    engine.DeliverAll(run);

    EXPECT_EQ(view.statusLines,
        Lines({ "a.vtr: exported successfully", "b.vtr: unable to open", "c.vtz: export failed",
            "d.vtr: exported successfully" }));
    EXPECT_EQ(view.overallTexts, Lines({ "Exporting to WMV...", "" }));
    EXPECT_EQ(view.detailTexts,
        Lines({ "Opening movie: a.vtr", "Exporting movie: a.vtr", "Opening movie: b.vtr",
            "Opening movie: c.vtz", "Exporting movie: c.vtz", "Opening movie: d.vtr",
            "Exporting movie: d.vtr", "" }));
    // A share of 250 splits into 25 for opening and 224 (not 225) for exporting.
    EXPECT_EQ(view.overallPositions, Positions({ 0, 25, 249, 250, 275, 500, 525, 749, 750, 775, 999, 0 }));
    const std::string settings = " /cfg/Vantor Batch ExportWMV.xml";
    EXPECT_EQ(engine.calls,
        Lines({ "OpenMovie /m/a.vtr", "ExportWMV " + out + "/a.wmv" + settings, "CloseMovie",
            "OpenMovie /m/b.vtr", "OpenMovie /m/c.vtz", "ExportWMV " + out + "/c.wmv" + settings,
            "OpenMovie /m/d.vtr", "ExportWMV " + out + "/d.wmv" + settings, "CloseMovie" }));
    EXPECT_EQ(run.State(), RunState::Idle);
}

TEST_F(BatchRunTest, SecondMovieWithSameNameGetsSuffix)
{
    view.movieList = { "/m/one/clip.vtr", "/m/two/clip.vtz", "/m/three/CLIP.vtr" };
    test::WriteFile(out + "/CLIP.mov", "older export");
    test::WriteFile(out + "/CLIP_1.mov", "older export");
    run.Start(ExportFormat::QuickTime);
    engine.DeliverAll(run);

    const std::string settings = " /cfg/Vantor Batch ExportQT.xml";
    EXPECT_EQ(engine.calls,
        Lines({ "OpenMovie /m/one/clip.vtr", "ExportQuickTime " + out + "/clip.mov" + settings, "CloseMovie",
            "OpenMovie /m/two/clip.vtz", "ExportQuickTime " + out + "/clip_1.mov" + settings, "CloseMovie",
            "OpenMovie /m/three/CLIP.vtr", "ExportQuickTime " + out + "/CLIP_2.mov" + settings,
            "CloseMovie" }));
    EXPECT_EQ(view.statusLines,
        Lines({ "clip.vtr: exported successfully", "clip.vtz: exported successfully",
            "CLIP.vtr: exported successfully" }));
    EXPECT_EQ(test::ReadFile(out + "/CLIP.mov"), "older export");
}

TEST_F(BatchRunTest, FlashFormatsShareSettingsFileUnlessOverriddenAndKeepTheirExtensions)
{
    view.movieList = { "/m/a.vtr" };
    run.Start(ExportFormat::FlashFLV);
    engine.DeliverAll(run);
    run.Start(ExportFormat::FlashSWF);
    engine.DeliverAll(run);
    // A settings file given for the run goes to the engine instead.
    run.SetSettingsFileOverride("/elsewhere/nightly.xml");
    run.Start(ExportFormat::FlashSWF);
    engine.DeliverAll(run);

    const std::string settings = " /cfg/Vantor Batch ExportFlash.xml";
    EXPECT_EQ(engine.calls,
        Lines({ "OpenMovie /m/a.vtr", "ExportFlash " + out + "/a.flv" + settings, "CloseMovie",
            "OpenMovie /m/a.vtr", "ExportFlash " + out + "/a.swf" + settings, "CloseMovie",
            "OpenMovie /m/a.vtr", "ExportFlash " + out + "/a_1.swf /elsewhere/nightly.xml", "CloseMovie" }));
    EXPECT_EQ(view.overallTexts,
        Lines({ "Exporting to Flash...", "", "Exporting to Flash...", "", "Exporting to Flash...", "" }));
    // The log holds the second run only.
    EXPECT_EQ(view.statusLines, Lines({ "a.vtr: exported successfully" }));
}

TEST_F(BatchRunTest, CancelCurrentGoesOnWithNextMovieAndAPendingCloseWaitsForIt)
{
    struct Case {
        ExportFormat format;
        std::size_t callsBefore; // engine calls before the progress the cancel follows
        bool close; // the window is closed while the cancel is pending
        Lines lines;
        Lines details;
    };
    const Case cases[] = {
        // On the last movie (a: open, export, close; b: open, export).
        { ExportFormat::AVI, 5, false, { "a.vtr: exported successfully", "b.vtr: export cancelled" },
            { "Opening movie: a.vtr", "Exporting movie: a.vtr", "Opening movie: b.vtr",
                "Exporting movie: b.vtr", "Cancelling...", "" } },
        { ExportFormat::Conversion, 1, false, { "a.vtr: convert cancelled", "b.vtr: converted successfully" },
            { "Converting movie: a.vtr", "Cancelling...", "Converting movie: b.vtr", "" } },
        { ExportFormat::AVI, 1, true, { "a.vtr: export cancelled", "b.vtr: exported successfully" },
            { "Opening movie: a.vtr", "Cancelling...", "Opening movie: b.vtr", "Exporting movie: b.vtr",
                "" } },
    };
    for (const Case& c : cases) {
        view.movieList = { "/m/a.vtr", "/m/b.vtr" };
        view.detailTexts.clear();
        view.overallTexts.clear();
        engine.calls.clear();
        run.Start(c.format);
        engine.DeliverUntilCalls(run, c.callsBefore);
        engine.DeliverOne(run);
        run.CancelCurrent();
        EXPECT_EQ(run.State(), RunState::CancelCurrentPending);
        if (c.close) {
            EXPECT_FALSE(run.CloseQuery());
        }
        EXPECT_EQ(std::count(engine.calls.begin(), engine.calls.end(), "Cancel"), 1);
        engine.DeliverAll(run);

        EXPECT_EQ(run.State(), RunState::Idle);
        EXPECT_EQ(view.statusLines, c.lines);
        EXPECT_EQ(view.detailTexts, c.details);
        EXPECT_EQ(view.overallTexts, Lines({ StartMessage(c.format), "" }));
        EXPECT_EQ(view.overallPositions.back(), 0);
        EXPECT_EQ(view.closeWindowCalls, c.close ? 1 : 0);
        if (c.callsBefore == 5) {
            EXPECT_FALSE(fs::exists(out + "/b.avi")) << "the cancelled export is removed";
        }
    }
}

TEST_F(BatchRunTest, CancelAllEndsRunWithCancelledLines)
{
    struct Case {
        ExportFormat format;
        Lines lines;
    };
    const Case cases[] = {
        { ExportFormat::AVI, { "a.vtr: export cancelled", "Export cancelled" } },
        { ExportFormat::Conversion, { "a.vtr: convert cancelled", "Convert cancelled" } },
    };
    for (const Case& c : cases) {
        view.movieList = { "/m/a.vtr", "/m/b.vtr" };
        view.overallTexts.clear();
        engine.calls.clear();
        run.Start(c.format);
        engine.DeliverOne(run);
        run.CancelAll();
        EXPECT_EQ(run.State(), RunState::CancelAllPending);
        EXPECT_EQ(view.detailTexts.back(), "Cancelling...");
        const int updatesBefore = view.updateControlsCalls;
        engine.DeliverAll(run);

        EXPECT_EQ(run.State(), RunState::Idle);
        EXPECT_EQ(view.statusLines, c.lines);
        EXPECT_EQ(view.overallTexts, Lines({ StartMessage(c.format), "Cancelling...", "" }));
        EXPECT_EQ(view.detailTexts.back(), "");
        EXPECT_EQ(view.overallPositions.back(), 0);
        EXPECT_EQ(view.detailPositions.back(), 0);
        EXPECT_GT(view.updateControlsCalls, updatesBefore);
        // The second movie is never started.
        EXPECT_EQ(engine.calls.size(), 2u);
    }
}

TEST_F(BatchRunTest, CancelAllWhileEngineIsBetweenCommandsWaitsForNextNotification)
{
    view.movieList = { "/m/a.vtr", "/m/b.vtr" };
    run.Start(ExportFormat::AVI);
    engine.DeliverUntilCalls(run, 2); // exporting a
    engine.results["Cancel"] = { kEngineIdle };
    run.CancelAll();

    EXPECT_EQ(run.State(), RunState::CancelAllPending);
    EXPECT_EQ(view.overallTexts, Lines({ "Exporting to AVI...", "Cancelling..." }));
    EXPECT_EQ(view.detailTexts.back(), "Cancelling...");
    // Progress still moves the bars but does not end the run.
    engine.DeliverOne(run);
    EXPECT_EQ(run.State(), RunState::CancelAllPending);
    engine.DeliverAll(run); // ... ExportFinished reaches StartNextMovie, which ends the run

    EXPECT_EQ(run.State(), RunState::Idle);
    EXPECT_EQ(view.overallTexts, Lines({ "Exporting to AVI...", "Cancelling...", "" }));
    EXPECT_TRUE(view.statusLines.empty());
    EXPECT_EQ(engine.calls,
        Lines({ "OpenMovie /m/a.vtr", "ExportAVI " + out + "/a.avi /cfg/Vantor Batch ExportAVI.xml",
            "Cancel" }));
}

TEST_F(BatchRunTest, FailingEngineCallLogsItsTextAndEndsRun)
{
    struct Case {
        const char* operation;
        ExportFormat format;
        int code;
        const char* line;
    };
    const Case cases[] = {
        { "OpenMovie", ExportFormat::AVI, -1, "Failed initialising VTAPI" },
        { "OpenMovie", ExportFormat::AVI, 1, "Generic VTAPI error occured" },
        { "ExportAVI", ExportFormat::AVI, 101, "Unable to locate CV Vantor Pro Player" },
        { "ExportFlash", ExportFormat::FlashSWF, 102, "Failed loading CV Vantor Pro Player" },
        { "ExportWMV", ExportFormat::WMV, 103, "VTAPI is processing another command" },
        { "CloseMovie", ExportFormat::QuickTime, 104, "CV Vantor Pro Player isn't running" },
        { "ConvertMovie", ExportFormat::Conversion, 105, "VTAPI isn't executing a command" },
        { "ConvertMovie", ExportFormat::Conversion, 110, "VTPLAYERAPI movie has new format" },
        { "OpenMovie", ExportFormat::AVI, 106, "" },
        { "OpenMovie", ExportFormat::AVI, 7, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.operation) + " " + std::to_string(c.code));
        view.movieList = { "/m/a.vtr", "/m/b.vtr" };
        engine.calls.clear();
        engine.results.clear();
        engine.results[c.operation] = { c.code };
        view.detailTexts.clear();
        run.Start(c.format);
        engine.DeliverAll(run);

        EXPECT_EQ(run.State(), RunState::Idle);
        EXPECT_EQ(view.statusLines, Lines({ c.line }));
        EXPECT_EQ(view.detailTexts.back(), "");
        EXPECT_EQ(view.overallPositions.back(), 0);
        // The run ends at the failed call: the second movie is never opened.
        EXPECT_EQ(engine.calls.back().rfind(c.operation, 0), 0u) << engine.calls.back();
    }
}

TEST_F(BatchRunTest, FailingCancelEndsRunAndLetsTheWindowClose)
{
    enum class Action { CancelAll, CancelCurrent, Close };
    struct Case {
        Action action;
        int result;
        const char* line;
    };
    const Case cases[] = {
        { Action::CancelAll, kEngineBusy, "VTAPI is processing another command" },
        { Action::CancelCurrent, kEngineNotRunning, "CV Vantor Pro Player isn't running" },
        { Action::Close, kEngineFailed, "Generic VTAPI error occured" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        view.movieList = { "/m/a.vtr", "/m/b.vtr" };
        view.overallTexts.clear();
        engine.pending.clear();
        engine.calls.clear();
        run.Start(ExportFormat::AVI);
        engine.DeliverUntilCalls(run, 2);
        engine.results["Cancel"] = { c.result };
        if (c.action == Action::CancelAll)
            run.CancelAll();
        else if (c.action == Action::CancelCurrent)
            run.CancelCurrent();
        else
            EXPECT_TRUE(run.CloseQuery()); // the window closes at once
        EXPECT_EQ(run.State(), RunState::Idle);
        EXPECT_EQ(view.statusLines, Lines({ c.line }));
        EXPECT_EQ(view.overallTexts, Lines({ "Exporting to AVI...", "" }));
        EXPECT_EQ(view.detailTexts.back(), "");
        EXPECT_EQ(view.closeWindowCalls, 0);
    }
}

TEST_F(BatchRunTest, ClosingDuringRunCancelsAndClosesWhenRunHasEnded)
{
    view.movieList = { "/m/a.vtr", "/m/b.vtr" };
    EXPECT_TRUE(run.CloseQuery()); // idle: close at once
    EXPECT_FALSE(run.CloseRequested());

    run.Start(ExportFormat::AVI);
    engine.DeliverOne(run);
    EXPECT_FALSE(run.CloseQuery());
    EXPECT_TRUE(run.CloseRequested());
    EXPECT_EQ(run.State(), RunState::CancelAllPending);
    EXPECT_EQ(engine.calls.back(), "Cancel");
    // Asking again while the cancel is pending does not cancel twice.
    EXPECT_FALSE(run.CloseQuery());
    EXPECT_EQ(view.closeWindowCalls, 0);

    engine.DeliverAll(run);
    EXPECT_EQ(view.closeWindowCalls, 1);
    EXPECT_EQ(view.statusLines, Lines({ "a.vtr: export cancelled", "Export cancelled" }));
    EXPECT_TRUE(run.CloseQuery());
    EXPECT_EQ(std::count(engine.calls.begin(), engine.calls.end(), "Cancel"), 1);
}

TEST_F(BatchRunTest, ProgressWithoutTotalIsIgnored)
{
    view.movieList = { "/m/a.vtr", "/m/b.vtr" };
    run.Start(ExportFormat::AVI);
    const auto overall = view.overallPositions;
    const auto detail = view.detailPositions;
    run.HandleNotification(ExportProgress, 5, 0);
    run.HandleNotification(ExportProgress, 5, -3);
    EXPECT_EQ(view.overallPositions, overall);
    EXPECT_EQ(view.detailPositions, detail);

    // A count beyond the total stops at the bars' ends.
    run.HandleNotification(ExportProgress, 30, 10);
    EXPECT_EQ(view.overallPositions.back(), 150);
    EXPECT_EQ(view.detailPositions.back(), 1000);
}

TEST_F(BatchRunTest, NotificationsOutsideRunningState)
{
    view.movieList = { "/m/a.vtr" };
    trace::RecordingTraceTransport traces;
    trace::ScopedTraceTransport tracing(&traces);
    run.SetWaitingForEngine(true);
    EXPECT_TRUE(run.HandleNotification(EngineReady, 0, 0));
    EXPECT_FALSE(run.WaitingForEngine());
    EXPECT_EQ(view.engineReadyCalls, 1);

    // Messages that are not the engine's go on to the window.
    EXPECT_FALSE(run.HandleNotification(platform::WM_USER + 299, 0, 0));
    EXPECT_FALSE(run.HandleNotification(platform::WM_USER + 311, 0, 0));

    // A late MovieOpened or cancel after the run has ended changes nothing.
    run.HandleNotification(MovieOpened, 0, 0);
    run.HandleNotification(OperationCancelled, 0, 0);
    run.HandleNotification(ConvertSucceeded, 0, 0);
    run.HandleNotification(ExportProgress, 1, 2);
    EXPECT_EQ(run.State(), RunState::Idle);
    EXPECT_TRUE(view.statusLines.empty());
    EXPECT_TRUE(engine.calls.empty());

    // Every notification but the frequent progress is traced.
    Lines traced;
    for (const auto& entry : traces.Entries())
        if (entry.text.starts_with("TMainForm::HandleNotification "))
            traced.push_back(entry.text.substr(30));
    EXPECT_EQ(traced, Lines({ "300", "299", "311", "301", "304", "309" }));
}

} // namespace
} // namespace vantor
