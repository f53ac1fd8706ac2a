#pragma once

// The batch loop: walks the movie list one movie at a time through the
// Player engine. A start step issues one engine command; the engine's posted
// notifications (HandleNotification) issue the next. The class holds the
// run fields and decides every text and bar position; the window only shows
// them through IBatchView. Everything runs on the user-interface thread.

#include "app/BatchObserver.h"
#include "app/PlayerEngineInterface.h"
#include "app/RunState.h"

#include <string>
#include <vector>

namespace vantor {

// The window as the batch loop sees it. Reads are live: the movie list and
// the destination text cannot change during a run because the window
// disables their controls while the run state is not Idle.
class IBatchView {
public:
    virtual ~IBatchView() = default;

    virtual int MovieCount() const = 0;
    virtual std::string MovieAt(int index) const = 0;
    // The destination folder as typed (edtDir).
    virtual std::string DestinationFolder() const = 0;

    virtual void SetOverallText(const std::string& text) = 0; // lblExportOverall
    virtual void SetDetailText(const std::string& text) = 0; // lblExportDetail
    virtual void SetOverallPosition(int position) = 0; // pbExportOverall, 0..1000
    virtual void SetDetailPosition(int position) = 0; // pbExportDetail, 0..1000
    virtual void ClearStatus() = 0; // memStatus
    // Appends a line to the status log and scrolls it to the end.
    virtual void AddStatusLine(const std::string& line) = 0;
    // Re-evaluates which buttons and menu items are enabled.
    virtual void UpdateControls() = 0;
    // The run ended after the user asked to close the window.
    virtual void CloseWindow() = 0;
    // The engine finished initialising: close the "Initialising" splash.
    virtual void EngineReady() = 0;
};

// Every movie of the list, in list order.
std::vector<std::string> ListedMovies(const IBatchView& view);

// The text of an engine result code; empty for a code without text.
std::string EngineErrorText(int code);

// The overall label's text when a run of `format` starts.
std::string StartMessage(ExportFormat format);

class BatchRun final {
public:
    static constexpr int kBarRange = 1000;

    explicit BatchRun(IBatchView& view);
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    // The engine to drive, owned by the window; null makes every engine call
    // fail with -1 without calling anything.
    void SetEngine(IPlayerEngine* engine) { m_engine = engine; }
    IPlayerEngine* Engine() const { return m_engine; }
    IBatchView& View() const { return m_view; }
    // Told about each movie's start, progress and end; null: nobody.
    void SetObserver(IBatchObserver* observer) { m_observer = observer; }
    // The prefix that the format's settings file name is appended to.
    void SetSettingsFilePrefix(std::string prefix) { m_settingsPrefix = std::move(prefix); }
    const std::string& SettingsFilePrefix() const { return m_settingsPrefix; }
    // A settings file handed to the engine instead of the format's file
    // under the prefix (the terminal front end's --settings); empty: none.
    void SetSettingsFileOverride(std::string path) { m_settingsOverride = std::move(path); }
    // The settings file of `format` that the engine is handed: the override
    // when there is one, else the prefix followed by the format's name.
    std::string SettingsFile(ExportFormat format) const;

    // Starts a run over the whole list, after the command's own checks:
    // clears the log, resets the index, sets Running and the format, shows
    // the start message and starts the first movie.
    void Start(ExportFormat format);
    void StartNextMovie();

    // Handles an engine notification (WM_USER + 300 to WM_USER + 310).
    // False for any other message, which the window handles as before.
    bool HandleNotification(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam);

    void CancelAll(); // btnCancelClick
    void CancelCurrent(); // btnCancelCurrentClick
    // The window asks to close. True when it may close now; otherwise the
    // window closes by itself once the run has ended (a running run is
    // cancelled as by Cancel All).
    bool CloseQuery();

    void SetWaitingForEngine(bool waiting) { m_waitingForEngine = waiting; }
    bool WaitingForEngine() const { return m_waitingForEngine; }

    RunState State() const { return m_state; }
    bool IsIdle() const { return m_state == RunState::Idle; }
    ExportFormat Format() const { return m_format; }
    int CurrentIndex() const { return m_currentIndex; }
    const std::string& CurrentMoviePath() const { return m_currentMovie; }
    const std::string& CurrentOutputPath() const { return m_currentOutput; }
    int OverallBase() const { return m_overallBase; }
    MoviePhase Phase() const { return m_phase; }
    bool CloseRequested() const { return m_closeRequested; }

private:
    void OnMovieOpened();
    void OnOperationFailed();
    void OnExportFinished();
    void OnOperationCancelled();
    void OnConverted(int suffixId, MovieOutcome outcome);
    void OnProgress(long long done, long long total);
    // Logs the failed call's text and ends the run.
    void EngineCallFailed(int result);
    void EndRun();
    void Log(const std::string& line) { m_view.AddStatusLine(line); }
    std::string CurrentName() const;
    // Tells the observer that the current movie ended.
    void Finished(MovieOutcome outcome, const std::string& reason = {});

    IBatchView& m_view;
    IPlayerEngine* m_engine = nullptr;
    IBatchObserver* m_observer = nullptr;
    std::string m_settingsPrefix;
    std::string m_settingsOverride;

    RunState m_state = RunState::Idle;
    ExportFormat m_format = ExportFormat::None;
    int m_currentIndex = -1;
    std::string m_currentMovie;
    std::string m_currentOutput;
    int m_overallBase = 0;
    MoviePhase m_phase = MoviePhase::Opening;
    bool m_closeRequested = false;
    bool m_waitingForEngine = false;
    bool m_inCloseQuery = false;
};

} // namespace vantor
