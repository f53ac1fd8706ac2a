// Whole runs of the batch loop and of the conversion command against a
// scripted engine: the log lines, label texts, bar positions and engine
// calls of each run, written out.

#include "ScriptedDialogs.h"
#include "ScriptedEngine.h"
#include "TestEnvironment.h"

#include "app/BatchRun.h"
#include "app/ConvertCommand.h"
#include "support/TraceTransport.h"

#include <filesystem>

#include "app/BatchOutputNames.h"
#include "app/ExportChecks.h"
#include "app/ForceDirectories.h"
#include <climits>
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
    // Starts a run of `format` on two movies after clearing what earlier
    // runs of the test left.
    void StartTwo(ExportFormat format, BatchRun& started)
    {
        view.movieList = { "/m/a.vtr", "/m/b.vtr" };
        view.detailTexts.clear();
        view.overallTexts.clear();
        engine.calls.clear();
        engine.pending.clear();
        started.Start(format);
    }

    test::TempDir temp;
    const std::string out = temp / "out";
    const std::string avi = " /cfg/Vantor Batch ExportAVI.xml";
    test::RecordingBatchView view;
    test::ScriptedEngine engine;
    BatchRun run { view };
};

TEST_F(BatchRunTest, OneMovieMovesOverallBarToHundredThenUpTo999ThenBackToZero)
{
    view.movieList = { "/movies/clip.vtr" };
    run.Start(ExportFormat::AVI);
    EXPECT_EQ(run.Phase(), MoviePhase::Opening);
    engine.DeliverAll(run);

    EXPECT_EQ(run.State(), RunState::Idle);
    EXPECT_EQ(view.statusLines, Lines({ "clip.vtr: exported successfully" }));
    EXPECT_EQ(view.overallTexts, Lines({ "Exporting to AVI...", "" }));
    EXPECT_EQ(view.detailTexts, Lines({ "Opening movie: clip.vtr", "Exporting movie: clip.vtr", "" }));
    EXPECT_EQ(view.overallPositions, Positions({ 0, 50, 100, 324, 549, 774, 999, 0 }));
    EXPECT_EQ(view.detailPositions, Positions({ 0, 500, 1000, 0, 250, 500, 750, 1000, 0 }));
    EXPECT_EQ(engine.calls,
        Lines({ "OpenMovie /movies/clip.vtr", "ExportAVI " + out + "/clip.avi" + avi, "CloseMovie" }));
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
    // A share of 250 splits into 25 for opening and 224 (not 225) for exporting.
    EXPECT_EQ(view.overallPositions, Positions({ 0, 25, 249, 250, 275, 500, 525, 749, 750, 775, 999, 0 }));
    const std::string settings = " /cfg/Vantor Batch ExportWMV.xml";
    EXPECT_EQ(engine.calls,
        Lines({ "OpenMovie /m/a.vtr", "ExportWMV " + out + "/a.wmv" + settings, "CloseMovie",
            "OpenMovie /m/b.vtr", "OpenMovie /m/c.vtz", "ExportWMV " + out + "/c.wmv" + settings,
            "OpenMovie /m/d.vtr", "ExportWMV " + out + "/d.wmv" + settings, "CloseMovie" }));
}

TEST_F(BatchRunTest, SecondMovieWithSameNameGetsSuffixAndAGivenSettingsFileWins)
{
    view.movieList = { "/m/one/clip.vtr", "/m/two/clip.vtz", "/m/three/CLIP.vtr" };
    test::WriteFile(out + "/CLIP.mov", "older export");
    test::WriteFile(out + "/CLIP_1.mov", "older export");
    run.Start(ExportFormat::QuickTime);
    engine.DeliverAll(run);
    view.movieList = { "/m/a.vtr" };
    run.SetSettingsFileOverride("/elsewhere/nightly.xml");
    run.Start(ExportFormat::FlashSWF);
    engine.DeliverAll(run);

    const std::string qt = " /cfg/Vantor Batch ExportQT.xml";
    EXPECT_EQ(engine.calls,
        Lines({ "OpenMovie /m/one/clip.vtr", "ExportQuickTime " + out + "/clip.mov" + qt, "CloseMovie",
            "OpenMovie /m/two/clip.vtz", "ExportQuickTime " + out + "/clip_1.mov" + qt, "CloseMovie",
            "OpenMovie /m/three/CLIP.vtr", "ExportQuickTime " + out + "/CLIP_2.mov" + qt, "CloseMovie",
            "OpenMovie /m/a.vtr", "ExportFlash " + out + "/a.swf /elsewhere/nightly.xml", "CloseMovie" }));
    EXPECT_EQ(test::ReadFile(out + "/CLIP.mov"), "older export");
    EXPECT_EQ(view.overallTexts.at(view.overallTexts.size() - 2), "Exporting to Flash...");
    // The log holds the last run only.
    EXPECT_EQ(view.statusLines, Lines({ "a.vtr: exported successfully" }));
}

TEST_F(BatchRunTest, ConversionStartsEachMovieInProcessing)
{
    view.movieList = { "/m/old.vtr", "/m/current.vtz", "/m/broken.vtr" };
    engine.movies["current.vtz"].alreadyCurrent = true;
    engine.movies["broken.vtr"].convertFails = true;
    engine.processSteps = 1;
    ASSERT_TRUE(RunConvertCommand(run, "owner", "Caption"));
    EXPECT_EQ(run.Phase(), MoviePhase::Processing);
    engine.DeliverAll(run);

    EXPECT_EQ(view.statusLines,
        Lines({ "old.vtr: converted successfully", "current.vtz: convert skipped, new format",
            "broken.vtr: convert failed" }));
    EXPECT_EQ(view.overallTexts, Lines({ "Converting to new format...", "" }));
    // The first progress already includes the opening tenth of the share.
    EXPECT_EQ(view.overallPositions, Positions({ 0, 332, 333, 665, 666, 998, 0 }));
    EXPECT_EQ(engine.calls.front(), "ConvertMovie /m/old.vtr " + out + "/old.vtr");
}

TEST_F(BatchRunTest, ConversionInPlaceAsksOnceAndNeverRenames)
{
    test::ScriptedDialogs dialogs;
    test::WriteFile(out + "/a.vtr", "source a");
    test::WriteFile(out + "/b.vtr", "source b");
    view.movieList = { out + "/a.vtr", out + "/b.vtr" };
    dialogs.messageAnswers = { platform::IDNO };
    EXPECT_FALSE(RunConvertCommand(run, "owner", "Caption"));
    EXPECT_TRUE(engine.calls.empty());

    dialogs.messageAnswers = { platform::IDYES };
    EXPECT_TRUE(RunConvertCommand(run, "owner", "Caption"));
    engine.DeliverAll(run);
    EXPECT_EQ(dialogs.messages.size(), 2u); // asked each time, not once per movie
    EXPECT_EQ(engine.calls,
        Lines({ "ConvertMovie " + out + "/a.vtr " + out + "/a.vtr",
            "ConvertMovie " + out + "/b.vtr " + out + "/b.vtr" }));

    // A destination that cannot be created stops the command before the run.
    test::WriteFile(temp / "file", "x");
    view.destination = temp / "file/sub";
    EXPECT_FALSE(RunConvertCommand(run, "owner", "Caption"));
    EXPECT_EQ(test::Shown(dialogs).back(), "Caption: Failed creating the destination folder [16]");
    EXPECT_EQ(dialogs.messages.back().detail, temp / "file/sub" + ": Not a directory");
    EXPECT_EQ(engine.calls.size(), 2u);
}

// Cancelling or closing during a run: a pending cancel waits for the engine
// to confirm; a failing one ends the run at once.
TEST_F(BatchRunTest, CancelsAndClosesDuringARun)
{
    EXPECT_TRUE(run.CloseQuery()); // idle: close at once
    EXPECT_FALSE(run.CloseRequested());
    enum class Action { CancelAll, CancelCurrent, CancelCurrentThenClose, Close };
    struct Case {
        Action action;
        ExportFormat format;
        std::size_t callsBefore; // engine calls before the notification the action follows
        int cancelResult; // 0: the engine accepts
        RunState pending; // the state the action leaves
        Lines lines; // the log at the end
        Lines overall; // what the overall label showed
        int closes; // times the window was closed
    };
    const Lines avi = { "Exporting to AVI...", "" };
    const Lines aviCancelled = { "Exporting to AVI...", "Cancelling...", "" };
    const Case cases[] = {
        // On the last movie (a: open, export, close; b: open, export).
        { Action::CancelCurrent, ExportFormat::AVI, 5, 0, RunState::CancelCurrentPending,
            { "a.vtr: exported successfully", "b.vtr: export cancelled" }, avi, 0 },
        { Action::CancelCurrentThenClose, ExportFormat::AVI, 1, 0, RunState::CancelCurrentPending,
            { "a.vtr: export cancelled", "b.vtr: exported successfully" }, avi, 1 },
        { Action::CancelAll, ExportFormat::AVI, 0, 0, RunState::CancelAllPending,
            { "a.vtr: export cancelled", "Export cancelled" }, aviCancelled, 0 },
        { Action::CancelAll, ExportFormat::Conversion, 0, 0, RunState::CancelAllPending,
            { "a.vtr: convert cancelled", "Convert cancelled" },
            { "Converting to new format...", "Cancelling...", "" }, 0 },
        // The engine is between commands: the next notification ends the run.
        { Action::CancelAll, ExportFormat::AVI, 2, kEngineIdle, RunState::CancelAllPending, {}, aviCancelled,
            0 },
        { Action::Close, ExportFormat::AVI, 0, 0, RunState::CancelAllPending,
            { "a.vtr: export cancelled", "Export cancelled" }, aviCancelled, 1 },
        { Action::CancelAll, ExportFormat::AVI, 2, kEngineBusy, RunState::Idle,
            { "VTAPI is processing another command" }, avi, 0 },
        { Action::CancelCurrent, ExportFormat::AVI, 2, kEngineNotRunning, RunState::Idle,
            { "CV Vantor Pro Player isn't running" }, avi, 0 },
        { Action::Close, ExportFormat::AVI, 2, kEngineFailed, RunState::Idle,
            { "Generic VTAPI error occured" }, avi, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.empty() ? "between commands" : c.lines.back());
        // A close request stays for the rest of a run's life.
        BatchRun run { view };
        run.SetEngine(&engine);
        view.closeWindowCalls = 0;
        StartTwo(c.format, run);
        engine.DeliverAll(run, c.callsBefore);
        engine.DeliverOne(run);
        if (c.cancelResult != 0)
            engine.results["Cancel"] = { c.cancelResult };
        const int updatesBefore = view.updateControlsCalls;
        if (c.action == Action::CancelAll)
            run.CancelAll();
        else if (c.action == Action::Close)
            EXPECT_EQ(run.CloseQuery(), c.pending == RunState::Idle);
        else
            run.CancelCurrent();
        EXPECT_EQ(run.State(), c.pending);
        EXPECT_EQ(view.detailTexts.back(), c.pending == RunState::Idle ? "" : "Cancelling...");
        // Asking to close while the cancel is pending does not cancel twice.
        if (c.action == Action::CancelCurrentThenClose || c.action == Action::Close) {
            EXPECT_EQ(run.CloseQuery(), c.pending == RunState::Idle);
        }
        if (c.pending != RunState::Idle)
            engine.DeliverAll(run);

        EXPECT_EQ(run.State(), RunState::Idle);
        EXPECT_EQ(std::count(engine.calls.begin(), engine.calls.end(), "Cancel"), 1);
        EXPECT_EQ(view.statusLines, c.lines);
        EXPECT_EQ(view.overallTexts, c.overall);
        EXPECT_EQ(view.detailTexts.back(), "");
        EXPECT_GT(view.updateControlsCalls, updatesBefore);
        EXPECT_EQ(view.closeWindowCalls, c.closes);
    }
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
        { "ExportAVI", ExportFormat::AVI, 101, "Unable to locate CV Vantor Pro Player" },
        { "ExportFlash", ExportFormat::FlashSWF, 102, "Failed loading CV Vantor Pro Player" },
        { "ExportWMV", ExportFormat::WMV, 103, "VTAPI is processing another command" },
        { "CloseMovie", ExportFormat::QuickTime, 104, "CV Vantor Pro Player isn't running" },
        { "ConvertMovie", ExportFormat::Conversion, 105, "VTAPI isn't executing a command" },
        { "ConvertMovie", ExportFormat::Conversion, 110, "VTPLAYERAPI movie has new format" },
        { "OpenMovie", ExportFormat::AVI, 106, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.operation) + " " + std::to_string(c.code));
        engine.results.clear();
        engine.results[c.operation] = { c.code };
        StartTwo(c.format, run);
        engine.DeliverAll(run);

        EXPECT_EQ(run.State(), RunState::Idle);
        EXPECT_EQ(view.statusLines, Lines({ c.line }));
        EXPECT_EQ(view.detailTexts.back(), "");
        EXPECT_EQ(view.overallPositions.back(), 0);
        // The run ends at the failed call: the second movie is never opened.
        EXPECT_EQ(engine.calls.back().rfind(c.operation, 0), 0u) << engine.calls.back();
    }
}

TEST_F(BatchRunTest, NotificationsOutsideRunningStateAndProgressWithoutTotal)
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

    // Progress without a total is ignored.
    StartTwo(ExportFormat::AVI, run);
    const std::size_t moves = view.overallPositions.size() + view.detailPositions.size();
    run.HandleNotification(ExportProgress, 5, 0);
    run.HandleNotification(ExportProgress, 5, -3);
    EXPECT_EQ(view.overallPositions.size() + view.detailPositions.size(), moves);

    // A count beyond the total stops at the bars' ends.
    run.HandleNotification(ExportProgress, 30, 10);
    EXPECT_EQ(view.overallPositions.back(), 150);
    EXPECT_EQ(view.detailPositions.back(), 1000);
}

TEST(BatchRunChecksTest, OverwriteQuestionIsAskedOnceAtFirstExistingOutputAndDeleteRemovesThem)
{
    test::TempDir temp;
    const std::string dest = temp.Path().string();
    const std::vector<std::string> movies = { "/m/a.vtr", "/m/b.vtr", "/m/c.vtz" };
    const auto outputs = [&dest](const std::string& movie) {
        const std::string stem = dest + "/" + ChangeFileExt(FileNamePart(movie), "");
        return std::vector<std::string> { stem + ".swf", stem + ".html" };
    };
    test::ScriptedDialogs dialogs;
    EXPECT_TRUE(ConfirmOverwrite(movies, outputs, OverwriteQuestion::Export, "owner", "Cap"));
    EXPECT_TRUE(dialogs.messages.empty());

    test::WriteFile(dest + "/b.html", "old");
    test::WriteFile(dest + "/c.swf", "old");
    test::WriteFile(dest + "/d.swf", "other movie's output");
    dialogs.messageAnswers = { platform::IDYES, platform::IDNO };
    EXPECT_TRUE(ConfirmOverwrite(movies, outputs, OverwriteQuestion::Export, "owner", "Cap"));
    EXPECT_FALSE(ConfirmOverwrite(movies, outputs, OverwriteQuestion::Conversion, "owner", "Cap"));
    ASSERT_EQ(dialogs.messages.size(), 2u); // the export question's text is that of the terminal
    EXPECT_EQ(dialogs.messages[1].text,
        "The destination folder contains files of the same file name which\n\r"
        "will be overwritten during convertion. Are you sure you want to proceed?");
    EXPECT_EQ(dialogs.messages[1].caption, "Cap");
    EXPECT_EQ(dialogs.messages[1].flags, 0x34u); // MB_YESNO | MB_ICONWARNING
    EXPECT_EQ(test::ReadFile(dest + "/b.html"), "old"); // asking changes nothing on disk

    DeleteOutputs(movies, outputs);
    EXPECT_FALSE(fs::exists(dest + "/b.html"));
    EXPECT_FALSE(fs::exists(dest + "/c.swf"));
    EXPECT_TRUE(fs::exists(dest + "/d.swf"));
}

TEST(BatchRunChecksTest, OutputNamesPerFormatTakeTheFirstFreeNumber)
{
    struct Case {
        std::string dest;
        std::string movie;
        ExportFormat format;
        std::string output;
        std::string settings;
    };
    const Case cases[] = {
        { "/out", "/m/clip.vtr", ExportFormat::FlashSWF, "/out/clip.swf", "Flash.xml" },
        { "/out", "/m/clip.vtr", ExportFormat::FlashFLV, "/out/clip.flv", "Flash.xml" },
        { "/out", "/m/clip.vtz", ExportFormat::AVI, "/out/clip.avi", "AVI.xml" },
        { "/out", "/m/clip.VTR", ExportFormat::WMV, "/out/clip.wmv", "WMV.xml" },
        { "/out", "/m/clip.vtr", ExportFormat::QuickTime, "/out/clip.mov", "QT.xml" },
        { "/out", "/m/clip.vtz", ExportFormat::Conversion, "/out/clip.vtr", "" },
        { "/out", "/m/my.clip.v2.vtr", ExportFormat::AVI, "/out/my.clip.v2.avi", "AVI.xml" },
        { "", "/m/clip.vtr", ExportFormat::AVI, "/clip.avi", "AVI.xml" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OutputFilePath(c.dest, c.movie, c.format), c.output) << c.movie;
        EXPECT_EQ(
            SettingsFilePath("/cfg/Vantor Batch Export", c.format), "/cfg/Vantor Batch Export" + c.settings);
    }

    // A taken name gets the first free number.
    test::TempDir temp;
    const std::string dir = temp.Path().string();
    EXPECT_EQ(UniqueOutputPath(dir + "/clip.avi"), dir + "/clip.avi");
    test::WriteFile(dir + "/clip.avi", "x");
    test::WriteFile(dir + "/clip_1.avi", "x");
    fs::create_directory(dir + "/clip_2.avi"); // a folder takes the name too
    EXPECT_EQ(UniqueOutputPath(dir + "/clip.avi"), dir + "/clip_3.avi");
    test::WriteFile(dir + "/noext", "x");
    EXPECT_EQ(UniqueOutputPath(dir + "/noext"), dir + "/noext_1");
}

// Builds a path below `base` of exactly `length` bytes out of short
// components, so that only the total length matters.
std::string PathOfLength(const std::string& base, std::size_t length)
{
    std::string path = base;
    while (path.size() + 102 < length)
        path += "/" + std::string(100, 'd');
    return path + "/" + std::string(length - path.size() - 1, 'e');
}

// Every missing parent is created; a file in the way fails; root and the
// empty path count as created; a path past PATH_MAX is refused.
TEST(BatchRunChecksTest, ForceDirectoriesCreatesEveryMissingParentWithinPathMax)
{
    test::TempDir temp;
    const std::string base = temp.Path().string();
    test::WriteFile(base + "/file", "x");
    struct Case {
        std::string path;
        bool created;
        std::string folder; // exists afterwards when created
    };
    const Case cases[] = {
        { base + "/a/b/c", true, base + "/a/b/c" },
        { base + "/d/e/", true, base + "/d/e" },
        { base + "//f//g", true, base + "/f/g" },
        { "", true, "" },
        { "/", true, "/" },
        { base + "/file/sub", false, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ForceDirectories(c.path), c.created);
        if (!c.folder.empty()) {
            EXPECT_TRUE(fs::is_directory(c.folder));
        }
    }

    // The added '/' and the terminator must fit too: PATH_MAX - 2 bytes of
    // text is the longest folder path that can be created.
    const std::string longest = PathOfLength(temp.Path().string() + "/ok", PATH_MAX - 2);
    EXPECT_TRUE(ForceDirectories(longest));
    EXPECT_TRUE(fs::is_directory(longest));

    const std::string tooLong = PathOfLength(temp.Path().string() + "/no", PATH_MAX - 1);
    EXPECT_FALSE(ForceDirectories(tooLong));
    EXPECT_FALSE(fs::exists(temp / "no"));
    // A trailing '/' leaves room for nothing else.
    EXPECT_TRUE(ForceDirectories(longest + "/"));
    EXPECT_FALSE(ForceDirectories(longest + "x/"));
}

} // namespace
} // namespace vantor
