#pragma once

// The main window: the list of movies, the destination folder, the export
// commands, the run's progress and status log. It owns the Player engine
// object, the movie list and the batch loop; the engine's posted
// notifications reach its event handler (the message hook), which hands
// them to the batch loop.

#include "app/BatchRun.h"
#include "app/MovieList.h"
#include "app/PlayerEngine.h"
#include "app/QuickTimeRuntime.h"

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QToolButton;
class TInitializeForm;

namespace vantor {
class QtRunReport;
class QtWindowHandle;
} // namespace vantor

class TMainForm final : public QMainWindow, public vantor::IBatchView {
    Q_OBJECT

public:
    // What the window is built with; the defaults are the real program's.
    struct Options {
        // Makes the engine object; the default registers nothing and asks
        // the component registry (PlayerEngine::Create).
        std::function<vantor::PlayerEngine()> createEngine;
        // The program's folder: where the engine library and regsvr32 are
        // looked for. Default: the running executable's folder.
        std::string programFolder;
        // Whether Windows Media export is available and whether QuickTime is
        // installed; both asked afresh by every UpdateControls. Default: no.
        std::function<bool()> wmvExportAvailable;
        std::function<bool()> quickTimeInstalled;
        // Makes the QuickTime runtime detector, which the window owns from
        // the first step of its construction to the last of its
        // destruction; when there is one and quickTimeInstalled is not
        // given, its IsInstalled answers. Default: none.
        std::function<std::unique_ptr<vantor::IQuickTimeRuntime>()> createQuickTimeDetector;
    };

    static constexpr int kDesignWidth = 513;
    static constexpr int kDesignHeight = 576;
    static constexpr int kMinimumWidth = 370;
    static constexpr int kMinimumHeight = 539;

    explicit TMainForm(Options options = {}, QWidget* parent = nullptr);
    // Saves the window's state, then releases the engine.
    ~TMainForm() override;
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    // The splash shown on activation while the engine is not ready.
    void SetInitializeForm(TInitializeForm* form) { m_initializeForm = form; }
    // The command behind an export button and its menu item, installed by
    // the program's entry: each format's command lives in its own folder.
    void SetExportCommand(vantor::ExportFormat format, std::function<void()> command);
    // The handle the engine posts its notifications to.
    platform::WindowHandle Handle() const;

    // Adds `path` at the end of the list unless it is there already
    // (compared without regard to case); then UpdateControls.
    void AddMovie(const std::string& path);

    const vantor::MovieList& Movies() const { return m_movies; }
    vantor::BatchRun& Batch() { return m_batch; }
    const vantor::BatchRun& Batch() const { return m_batch; }
    // Per-movie states, time left and the summary of the runs.
    vantor::QtRunReport* RunReport() const { return m_runReport; }
    const std::string& MoviesInitialDir() const { return m_moviesInitialDir; }
    const std::string& SettingsFilePrefix() const { return m_batch.SettingsFilePrefix(); }
    std::string Caption() const;

    // The batch loop's view of the window.
    int MovieCount() const override;
    std::string MovieAt(int index) const override;
    std::string DestinationFolder() const override;
    void SetOverallText(const std::string& text) override;
    void SetDetailText(const std::string& text) override;
    void SetOverallPosition(int position) override;
    void SetDetailPosition(int position) override;
    void ClearStatus() override;
    void AddStatusLine(const std::string& line) override;
    void UpdateControls() override;
    void CloseWindow() override;
    void EngineReady() override;

public slots:
    void btnAddMovieClick();
    void btnRemoveMovieClick();
    void btnClearClick();
    void lbxFilesClick();
    void btnBrowseDirClick();
    void btnExportFlashClick();
    void btnExportAVIClick();
    void btnExportWMVClick();
    void btnExportQTClick();
    void btnConvertFormatClick();
    void btnCancelClick();
    void btnCancelCurrentClick();
    void btnCloseClick();

public:
    // Controls, by the names of the window's design.
    QGroupBox* gbFiles = nullptr;
    QListWidget* lbxFiles = nullptr;
    QPushButton* btnClear = nullptr;
    QPushButton* btnAddMovie = nullptr;
    QPushButton* btnRemoveMovie = nullptr;
    QGroupBox* gbExport = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* edtDir = nullptr;
    QToolButton* btnBrowseDir = nullptr;
    QPushButton* btnExportFlash = nullptr;
    QPushButton* btnExportAVI = nullptr;
    QPushButton* btnExportWMV = nullptr;
    QPushButton* btnExportQT = nullptr;
    QPushButton* btnConvertFormat = nullptr;
    QGroupBox* gbStatus = nullptr;
    QLabel* lblExportOverall = nullptr;
    QProgressBar* pbExportOverall = nullptr;
    QLabel* lblExportDetail = nullptr;
    QProgressBar* pbExportDetail = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnCancelCurrent = nullptr;
    QPlainTextEdit* memStatus = nullptr;
    QPushButton* btnClose = nullptr;

    QAction* mnuExit = nullptr;
    QAction* mnuClearList = nullptr;
    QAction* mnuAdd = nullptr;
    QAction* mnuRemove = nullptr;
    QAction* mnuSelectDestFolder = nullptr;
    QAction* mnuExportFlash = nullptr;
    QAction* mnuExportAVI = nullptr;
    QAction* mnuExportWMV = nullptr;
    QAction* mnuExportQT = nullptr;
    QAction* mnuConvertFormat = nullptr;

protected:
    // The message hook: engine notifications go to the batch loop first;
    // everything else, and what it does not handle, goes on as before.
    bool event(QEvent* event) override;
    // The application-wide keyboard cue (ApplicationEventsMessage).
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override; // FormCloseQuery
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildForm();
    void BuildMenu();
    void RestoreState();
    void SaveState() const;
    void FormActivate();
    void ApplicationEventsMessage(QObject* watched, QEvent* event);
    void RefillList();
    // The installed command of `format`; nothing when none is installed.
    void RunExportCommand(vantor::ExportFormat format);

    Options m_options;
    std::unique_ptr<vantor::IQuickTimeRuntime> m_quickTime; // made first, destroyed last
    vantor::MovieList m_movies;
    vantor::MovieDropTarget m_dropTarget;
    vantor::PlayerEngine m_engine;
    vantor::BatchRun m_batch;
    std::string m_moviesInitialDir;
    std::string m_addDialogTitle;
    std::string m_addDialogFilter;
    TInitializeForm* m_initializeForm = nullptr;
    std::unique_ptr<vantor::QtWindowHandle> m_handle;
    std::map<vantor::ExportFormat, std::function<void()>> m_exportCommands;
    vantor::QtRunReport* m_runReport = nullptr; // a child of the window
};
