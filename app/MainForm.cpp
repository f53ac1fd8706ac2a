#include "app/MainForm.h"

#include "app/ControlRules.h"
#include "app/ConvertCommand.h"
#include "app/EngineRegistration.h"
#include "app/InitializeForm.h"
#include "app/ProductNames.h"
#include "app/QtProductNames.h"
#include "app/QtRunReport.h"
#include "app/QtWindowHandle.h"
#include "app/SoundRecorder.h"
#include "app/StringTable.h"
#include "app/WindowState.h"
#include "platform/Dialogs.h"
#include "platform/ShellFolders.h"
#include "strings/StringIds.h"
#include "support/Trace.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

using namespace vantor;

namespace {

// The movie list lays every item out at one size (uniform item sizes), so
// that a run over thousands of movies does not measure every path each time
// a state icon changes. That size is the widest path's, so no path is cut.
class WidestPathDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void Measure(const QListWidget& list, const QString& path)
    {
        m_widest = std::max(m_widest, list.fontMetrics().horizontalAdvance(path));
    }
    void Reset() { m_widest = 0; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const int own = option.fontMetrics.horizontalAdvance(index.data().toString());
        size.setWidth(size.width() + std::max(m_widest - own, 0));
        return size;
    }

private:
    int m_widest = 0;
};

WidestPathDelegate& PathDelegate(const QListWidget& list)
{
    return *static_cast<WidestPathDelegate*>(list.itemDelegate());
}

QString Text(int id)
{
    return QString::fromStdString(LoadStr(id));
}

QPushButton* MakeButton(QWidget* parent, const char* name, int textId)
{
    auto* button = new QPushButton(Text(textId), parent);
    button->setObjectName(name);
    button->setEnabled(false);
    return button;
}

// The local files a drag carries, in order; other URLs are not files.
std::vector<std::string> DroppedFiles(const QMimeData* data)
{
    std::vector<std::string> files;
    if (data == nullptr || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files.push_back(url.toLocalFile().toStdString());
    }
    return files;
}

void AnswerDrag(QDropEvent* event, DropEffect effect)
{
    if (effect == DropEffect::Copy) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
    }
}

} // namespace

TMainForm::TMainForm(Options options, QWidget* parent)
    : QMainWindow(parent)
    , m_options(std::move(options))
    , m_batch(*this)
{
    TraceMethod trace("TMainForm::FormCreate");
    if (!m_options.createEngine)
        m_options.createEngine = [] { return PlayerEngine::Create(); };
    if (m_options.programFolder.empty())
        m_options.programFolder = platform::ExecutableFolder();

    BuildForm();
    if (m_options.createQuickTimeDetector)
        m_quickTime = m_options.createQuickTimeDetector();
    if (!m_options.quickTimeInstalled && m_quickTime)
        m_options.quickTimeInstalled = [this] { return m_quickTime->IsInstalled(); };
    m_addDialogTitle = LoadStr(str::kAddMoviesTitle);
    m_addDialogFilter = LoadStr(str::kAddMoviesFilter);
    ReplaceProductNameInCaptions(this);
    m_addDialogTitle = ReplaceProductName(m_addDialogTitle);
    m_addDialogFilter = ReplaceProductName(m_addDialogFilter);

    RestoreState();
    m_batch.SetSettingsFilePrefix(vantor::SettingsFilePrefix());
    SetMP3Available(TSoundRecorder::CanRecordMP3());

    m_handle = std::make_unique<QtWindowHandle>(this);
    qApp->installEventFilter(this);
    UpdateControls();

    RegisterEngine(m_options.programFolder, [] { QCoreApplication::processEvents(); });
    m_engine = m_options.createEngine();
    m_batch.SetEngine(m_engine.Get());

    m_batch.SetWaitingForEngine(true);
    int result = m_engine.Initialize(m_handle.get());
    if (result != kEngineOk) {
        platform::MessageBox(nullptr, EngineErrorText(result), Caption(), platform::MB_ICONERROR);
        m_batch.SetWaitingForEngine(false);
    }
    setAcceptDrops(true);
}

TMainForm::~TMainForm()
{
    TraceMethod trace("TMainForm::FormDestroy");
    qApp->removeEventFilter(this);
    SaveState();
    m_batch.SetEngine(nullptr);
    m_engine.Reset();
    m_handle.reset();
    m_quickTime.reset();
}

void TMainForm::BuildForm()
{
    setObjectName("MainForm");
    setWindowTitle(Text(str::kMainFormCaption));
    setFont(QFont("Tahoma", 8));
    resize(kDesignWidth, kDesignHeight);
    setMinimumSize(kMinimumWidth, kMinimumHeight);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    // Compact, as the design's 8 pt form: at the minimum size everything
    // fits, the movie list having given up its height first.
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);

    gbFiles = new QGroupBox(Text(str::kMoviesToExportGroup), central);
    gbFiles->setObjectName("gbFiles");
    lbxFiles = new QListWidget(gbFiles);
    lbxFiles->setObjectName("lbxFiles");
    lbxFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lbxFiles->setSortingEnabled(false);
    // Every item is one line of text with a state icon: with uniform sizes a
    // changed icon does not lay out the whole list again, which a run over
    // thousands of movies would do once per movie.
    lbxFiles->setUniformItemSizes(true);
    lbxFiles->setItemDelegate(new WidestPathDelegate(lbxFiles));
    btnAddMovie = MakeButton(gbFiles, "btnAddMovie", str::kAddMovieButton);
    btnAddMovie->setEnabled(true);
    btnRemoveMovie = MakeButton(gbFiles, "btnRemoveMovie", str::kRemoveMovieButton);
    btnClear = MakeButton(gbFiles, "btnClear", str::kClearListButton);
    auto* filesLayout = new QHBoxLayout(gbFiles);
    auto* filesButtons = new QVBoxLayout;
    filesLayout->addWidget(lbxFiles, 1);
    filesButtons->addWidget(btnAddMovie);
    filesButtons->addWidget(btnRemoveMovie);
    filesButtons->addWidget(btnClear);
    filesButtons->addStretch(1);
    filesLayout->addLayout(filesButtons);
    layout->addWidget(gbFiles, 1);

    gbExport = new QGroupBox(Text(str::kExportingGroup), central);
    gbExport->setObjectName("gbExport");
    Label1 = new QLabel(Text(str::kDestinationFolderLabel), gbExport);
    Label1->setObjectName("Label1");
    edtDir = new QLineEdit(gbExport);
    edtDir->setObjectName("edtDir");
    edtDir->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    btnBrowseDir = new QToolButton(gbExport);
    btnBrowseDir->setObjectName("btnBrowseDir");
    btnBrowseDir->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    btnBrowseDir->setToolTip(Text(str::kBrowseDirHint));
    btnExportFlash = MakeButton(gbExport, "btnExportFlash", str::kExportFlashButton);
    btnExportAVI = MakeButton(gbExport, "btnExportAVI", str::kExportAVIButton);
    btnExportWMV = MakeButton(gbExport, "btnExportWMV", str::kExportWMVButton);
    btnExportQT = MakeButton(gbExport, "btnExportQT", str::kExportQTButton);
    btnConvertFormat = MakeButton(gbExport, "btnConvertFormat", str::kConvertFormatButton);
    auto* exportLayout = new QGridLayout(gbExport);
    exportLayout->addWidget(Label1, 0, 0, 1, 2);
    auto* dirRow = new QHBoxLayout;
    dirRow->addWidget(edtDir, 1);
    dirRow->addWidget(btnBrowseDir);
    exportLayout->addLayout(dirRow, 1, 0, 1, 2);
    exportLayout->addWidget(btnExportFlash, 2, 0);
    exportLayout->addWidget(btnExportAVI, 2, 1);
    exportLayout->addWidget(btnExportWMV, 3, 0);
    exportLayout->addWidget(btnExportQT, 3, 1);
    exportLayout->addWidget(btnConvertFormat, 4, 0, 1, 2);
    layout->addWidget(gbExport);

    gbStatus = new QGroupBox(Text(str::kStatusGroup), central);
    gbStatus->setObjectName("gbStatus");
    lblExportOverall = new QLabel(gbStatus);
    lblExportOverall->setObjectName("lblExportOverall");
    pbExportOverall = new QProgressBar(gbStatus);
    pbExportOverall->setObjectName("pbExportOverall");
    lblExportDetail = new QLabel(gbStatus);
    lblExportDetail->setObjectName("lblExportDetail");
    pbExportDetail = new QProgressBar(gbStatus);
    pbExportDetail->setObjectName("pbExportDetail");
    for (QProgressBar* bar : { pbExportOverall, pbExportDetail }) {
        bar->setRange(0, BatchRun::kBarRange);
        bar->setValue(0);
        bar->setTextVisible(false);
        bar->setFixedHeight(14);
    }
    btnCancel = MakeButton(gbStatus, "btnCancel", str::kCancelAllButton);
    btnCancelCurrent = MakeButton(gbStatus, "btnCancelCurrent", str::kCancelCurrentButton);
    memStatus = new QPlainTextEdit(gbStatus);
    memStatus->setObjectName("memStatus");
    memStatus->setReadOnly(true);
    memStatus->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memStatus->setFixedHeight(60);
    auto* statusLayout = new QVBoxLayout(gbStatus);
    statusLayout->setSpacing(3);
    statusLayout->addWidget(lblExportOverall);
    statusLayout->addWidget(pbExportOverall);
    statusLayout->addWidget(lblExportDetail);
    statusLayout->addWidget(pbExportDetail);
    auto* cancelRow = new QHBoxLayout;
    cancelRow->addStretch(1);
    cancelRow->addWidget(btnCancel);
    cancelRow->addWidget(btnCancelCurrent);
    statusLayout->addLayout(cancelRow);
    statusLayout->addWidget(memStatus);
    layout->addWidget(gbStatus);

    btnClose = MakeButton(central, "btnClose", str::kCloseButton);
    btnClose->setEnabled(true);
    m_runReport = new QtRunReport(*this, lbxFiles, pbExportOverall, pbExportDetail, this);
    m_batch.SetObserver(m_runReport);
    auto* bottomBar = new QHBoxLayout;
    bottomBar->addWidget(m_runReport->SummaryLabel());
    bottomBar->addWidget(m_runReport->DestinationLink());
    bottomBar->addStretch(1);
    bottomBar->addWidget(btnClose);
    layout->addLayout(bottomBar);
    setCentralWidget(central);

    BuildMenu();

    connect(btnAddMovie, &QPushButton::clicked, this, &TMainForm::btnAddMovieClick);
    connect(btnRemoveMovie, &QPushButton::clicked, this, &TMainForm::btnRemoveMovieClick);
    connect(btnClear, &QPushButton::clicked, this, &TMainForm::btnClearClick);
    connect(lbxFiles, &QListWidget::itemSelectionChanged, this, &TMainForm::lbxFilesClick);
    connect(btnBrowseDir, &QToolButton::clicked, this, &TMainForm::btnBrowseDirClick);
    connect(btnExportFlash, &QPushButton::clicked, this, &TMainForm::btnExportFlashClick);
    connect(btnExportAVI, &QPushButton::clicked, this, &TMainForm::btnExportAVIClick);
    connect(btnExportWMV, &QPushButton::clicked, this, &TMainForm::btnExportWMVClick);
    connect(btnExportQT, &QPushButton::clicked, this, &TMainForm::btnExportQTClick);
    connect(btnConvertFormat, &QPushButton::clicked, this, &TMainForm::btnConvertFormatClick);
    connect(btnCancel, &QPushButton::clicked, this, &TMainForm::btnCancelClick);
    connect(btnCancelCurrent, &QPushButton::clicked, this, &TMainForm::btnCancelCurrentClick);
    connect(btnClose, &QPushButton::clicked, this, &TMainForm::btnCloseClick);
}

void TMainForm::BuildMenu()
{
    auto addAction = [this](QMenu* menu, const char* name, int textId, void (TMainForm::*handler)()) {
        QAction* action = menu->addAction(Text(textId));
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QMenu* file = menuBar()->addMenu(Text(str::kFileMenu));
    file->setObjectName("mnuFile");
    mnuExit = addAction(file, "mnuExit", str::kExitMenu, &TMainForm::btnCloseClick);

    QMenu* movies = menuBar()->addMenu(Text(str::kMoviesMenu));
    movies->setObjectName("mnuMovies");
    mnuClearList = addAction(movies, "mnuClearList", str::kClearListMenu, &TMainForm::btnClearClick);
    mnuAdd = addAction(movies, "mnuAdd", str::kAddMenu, &TMainForm::btnAddMovieClick);
    mnuRemove = addAction(movies, "mnuRemove", str::kRemoveMenu, &TMainForm::btnRemoveMovieClick);

    QMenu* exports = menuBar()->addMenu(Text(str::kExportMenu));
    exports->setObjectName("mnuExport");
    mnuSelectDestFolder = addAction(
        exports, "mnuSelectDestFolder", str::kSelectDestFolderMenu, &TMainForm::btnBrowseDirClick);
    exports->addSeparator();
    mnuExportFlash
        = addAction(exports, "mnuExportFlash", str::kExportFlashMenu, &TMainForm::btnExportFlashClick);
    mnuExportAVI = addAction(exports, "mnuExportAVI", str::kExportAVIMenu, &TMainForm::btnExportAVIClick);
    mnuExportWMV = addAction(exports, "mnuExportWMV", str::kExportWMVMenu, &TMainForm::btnExportWMVClick);
    mnuExportQT = addAction(exports, "mnuExportQT", str::kExportQTMenu, &TMainForm::btnExportQTClick);
    mnuConvertFormat
        = addAction(exports, "mnuConvertFormat", str::kConvertFormatMenu, &TMainForm::btnConvertFormatClick);
}

void TMainForm::RestoreState()
{
    TraceMethod trace("TMainForm::RestoreState");
    WindowStateDefaults defaults;
    defaults.width = width();
    defaults.height = height();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        defaults.screenWidth = screen->geometry().width();
        defaults.screenHeight = screen->geometry().height();
    }
    defaults.documentsFolder = DocumentsFolderCreated();
    defaults.programFolder = m_options.programFolder;

    WindowState state = LoadWindowState(defaults);
    resize(state.width, state.height);
    move(state.left, state.top);
    for (const std::string& movie : state.movies)
        m_movies.AddRestored(movie);
    RefillList();
    edtDir->setText(QString::fromStdString(state.dstDirectory));
    m_moviesInitialDir = state.moviesInitialDir;
    FlashOptionsHtmlPath() = state.flashOptionsHtmlPath;
    FlashOptionsSwfPath() = state.flashOptionsSwfPath;
}

void TMainForm::SaveState() const
{
    TraceMethod trace("TMainForm::SaveState");
    WindowState state;
    state.width = width();
    state.height = height();
    state.left = x();
    state.top = y();
    state.movies = m_movies.Paths();
    state.dstDirectory = edtDir->text().toStdString();
    state.moviesInitialDir = m_moviesInitialDir;
    state.flashOptionsHtmlPath = FlashOptionsHtmlPath();
    state.flashOptionsSwfPath = FlashOptionsSwfPath();
    SaveWindowState(state);
}

platform::WindowHandle TMainForm::Handle() const
{
    return m_handle.get();
}

std::string TMainForm::Caption() const
{
    return windowTitle().toStdString();
}

void TMainForm::RefillList()
{
    lbxFiles->setUpdatesEnabled(false);
    lbxFiles->clear();
    PathDelegate(*lbxFiles).Reset();
    for (const std::string& path : m_movies.Paths()) {
        auto* item = new QListWidgetItem(QString::fromStdString(path), lbxFiles);
        PathDelegate(*lbxFiles).Measure(*lbxFiles, item->text());
        m_runReport->Decorate(item);
    }
    lbxFiles->setUpdatesEnabled(true);
}

void TMainForm::AddMovie(const std::string& path)
{
    TraceMethod trace("TMainForm::AddMovie");
    lbxFiles->setUpdatesEnabled(false);
    if (m_movies.Add(path)) {
        auto* item = new QListWidgetItem(QString::fromStdString(path), lbxFiles);
        PathDelegate(*lbxFiles).Measure(*lbxFiles, item->text());
        m_runReport->Decorate(item);
    }
    lbxFiles->setUpdatesEnabled(true);
    UpdateControls();
}

void TMainForm::UpdateControls()
{
    TraceMethod trace("TMainForm::UpdateControls");
    ControlInputs inputs;
    inputs.state = m_batch.State();
    inputs.hasMovies = !m_movies.Empty();
    inputs.anySelected = !lbxFiles->selectedItems().isEmpty();
    ControlStates states = DecideControls(inputs, m_options.wmvExportAvailable, m_options.quickTimeInstalled);

    btnClear->setEnabled(states.clear);
    btnAddMovie->setEnabled(states.add);
    btnRemoveMovie->setEnabled(states.remove);
    // The Flash button waits for its command: until the Flash run is
    // installed it would do nothing.
    btnExportFlash->setEnabled(
        states.exportFlash && m_exportCommands.count(vantor::ExportFormat::FlashSWF) != 0);
    btnExportAVI->setEnabled(states.exportAVI);
    btnConvertFormat->setEnabled(states.convert);
    btnExportWMV->setEnabled(states.exportWMV);
    btnExportQT->setEnabled(states.exportQT);
    edtDir->setEnabled(states.destination);
    btnBrowseDir->setEnabled(states.destination);
    btnCancel->setEnabled(states.cancel);
    btnCancelCurrent->setEnabled(states.cancel);

    // Each menu item follows its button, read after the buttons are set.
    mnuClearList->setEnabled(btnClear->isEnabled());
    mnuAdd->setEnabled(btnAddMovie->isEnabled());
    mnuRemove->setEnabled(btnRemoveMovie->isEnabled());
    mnuExportFlash->setEnabled(btnExportFlash->isEnabled());
    mnuExportAVI->setEnabled(btnExportAVI->isEnabled());
    mnuExportWMV->setEnabled(btnExportWMV->isEnabled());
    mnuExportQT->setEnabled(btnExportQT->isEnabled());
    mnuConvertFormat->setEnabled(btnConvertFormat->isEnabled());
    mnuSelectDestFolder->setEnabled(btnBrowseDir->isEnabled());
}

void TMainForm::btnAddMovieClick()
{
    TraceMethod trace("TMainForm::btnAddMovieClick");
    platform::OpenFilesRequest request;
    request.title = m_addDialogTitle;
    request.filter = m_addDialogFilter;
    request.initialFolder = m_moviesInitialDir;
    request.allowMultiple = true;
    std::error_code ignored; // the dialog starts in the nearest folder that exists
    std::filesystem::create_directories(m_moviesInitialDir, ignored);
    std::vector<std::string> files = platform::Dialogs().OpenFiles(this, request);
    for (const std::string& file : files)
        AddMovie(file);
    if (!files.empty()) {
        const std::string& last = files.back();
        m_moviesInitialDir = last.substr(0, last.rfind('/') + 1);
    }
    UpdateControls();
}

void TMainForm::btnRemoveMovieClick()
{
    TraceMethod trace("TMainForm::btnRemoveMovieClick");
    if (lbxFiles->selectedItems().isEmpty())
        return;
    std::vector<bool> selected;
    for (int i = 0; i < lbxFiles->count(); ++i)
        selected.push_back(lbxFiles->item(i)->isSelected());
    m_movies.RemoveSelected(selected);
    RefillList();
    UpdateControls();
}

void TMainForm::btnClearClick()
{
    TraceMethod trace("TMainForm::btnClearClick");
    int answer = platform::MessageBox(
        this, LoadStr(str::kClearListQuestion), Caption(), platform::MB_YESNO | platform::MB_ICONQUESTION);
    if (answer != platform::IDYES)
        return;
    m_movies.Clear();
    RefillList();
    UpdateControls();
}

void TMainForm::lbxFilesClick()
{
    TraceMethod trace("TMainForm::lbxFilesClick");
    UpdateControls();
}

void TMainForm::btnBrowseDirClick()
{
    TraceMethod trace("TMainForm::btnBrowseDirClick");
    std::optional<std::string> folder = platform::Dialogs().BrowseFolder(
        this, LoadStr(str::kSelectDestFolderTitle), edtDir->text().toStdString());
    if (folder)
        edtDir->setText(QString::fromStdString(*folder));
}

// The four export commands are each format's own: they check the
// destination, show their options dialog, save their settings file and start
// the batch loop (m_batch.Start) with their format.
void TMainForm::btnExportFlashClick()
{
    RunExportCommand(vantor::ExportFormat::FlashSWF);
}

void TMainForm::SetExportCommand(vantor::ExportFormat format, std::function<void()> command)
{
    m_exportCommands[format] = std::move(command);
    // A button whose command has just arrived may now be enabled.
    UpdateControls();
}

void TMainForm::RunExportCommand(vantor::ExportFormat format)
{
    if (const auto command = m_exportCommands.find(format); command != m_exportCommands.end())
        command->second();
}

void TMainForm::btnExportAVIClick()
{
    RunExportCommand(vantor::ExportFormat::AVI);
}

void TMainForm::btnExportWMVClick()
{
    RunExportCommand(vantor::ExportFormat::WMV);
}

void TMainForm::btnExportQTClick()
{
    RunExportCommand(vantor::ExportFormat::QuickTime);
}

void TMainForm::btnConvertFormatClick()
{
    TraceMethod trace("TMainForm::btnConvertFormatClick");
    RunConvertCommand(m_batch, this, Caption());
}

void TMainForm::btnCancelClick()
{
    TraceMethod trace("TMainForm::btnCancelClick");
    m_batch.CancelAll();
}

void TMainForm::btnCancelCurrentClick()
{
    TraceMethod trace("TMainForm::btnCancelCurrentClick");
    m_batch.CancelCurrent();
}

void TMainForm::btnCloseClick()
{
    TraceMethod trace("TMainForm::btnCloseClick");
    close();
}

int TMainForm::MovieCount() const
{
    return static_cast<int>(m_movies.Count());
}

std::string TMainForm::MovieAt(int index) const
{
    if (index < 0 || index >= MovieCount())
        return {};
    return m_movies.At(static_cast<std::size_t>(index));
}

std::string TMainForm::DestinationFolder() const
{
    return edtDir->text().toStdString();
}

void TMainForm::SetOverallText(const std::string& text)
{
    lblExportOverall->setText(QString::fromStdString(text));
}

void TMainForm::SetDetailText(const std::string& text)
{
    lblExportDetail->setText(QString::fromStdString(text));
}

void TMainForm::SetOverallPosition(int position)
{
    pbExportOverall->setValue(position);
}

void TMainForm::SetDetailPosition(int position)
{
    pbExportDetail->setValue(position);
}

void TMainForm::ClearStatus()
{
    memStatus->clear();
}

void TMainForm::AddStatusLine(const std::string& line)
{
    memStatus->appendPlainText(QString::fromStdString(line));
    QScrollBar* bar = memStatus->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void TMainForm::CloseWindow()
{
    close();
}

void TMainForm::EngineReady()
{
    TraceMethod trace("TMainForm::EngineReady");
    if (m_initializeForm != nullptr)
        m_initializeForm->CloseSplash();
}

void TMainForm::FormActivate()
{
    TraceMethod trace("TMainForm::FormActivate");
    if (m_batch.WaitingForEngine() && m_initializeForm != nullptr)
        m_initializeForm->ShowOver(this);
}

bool TMainForm::event(QEvent* event)
{
    if (QtMessageEvent::Is(event)) {
        const platform::Message& message = static_cast<QtMessageEvent*>(event)->Message();
        if (m_batch.HandleNotification(message.message, message.wParam, message.lParam))
            return true;
    } else if (event->type() == QEvent::WindowActivate) {
        FormActivate();
    }
    return QMainWindow::event(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        // Delete in the list does what Remove does, while Remove is enabled.
        if (watched == lbxFiles && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Delete)) {
            if (btnRemoveMovie->isEnabled())
                btnRemoveMovieClick();
            return true;
        }
        ApplicationEventsMessage(watched, event);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::ApplicationEventsMessage(QObject* watched, QEvent* event)
{
    // Tab shows focus rectangles where they were hidden (a window used with
    // the mouse only draws none). The key goes on to its target either way.
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab)
        return;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr)
        return;
    QWidget* window = widget->window();
    if (!window->testAttribute(Qt::WA_KeyboardFocusChange)) {
        window->setAttribute(Qt::WA_KeyboardFocusChange, true);
        window->update();
    }
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    TraceMethod trace("TMainForm::FormCloseQuery");
    if (m_batch.CloseQuery())
        event->accept();
    else
        event->ignore();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    TraceMethod trace("TMainForm::DragEnter");
    AnswerDrag(event, m_dropTarget.DragEnter(btnAddMovie->isEnabled(), DroppedFiles(event->mimeData())));
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event)
{
    AnswerDrag(event, m_dropTarget.DragOver());
}

void TMainForm::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_dropTarget.DragLeave();
    event->accept();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    TraceMethod trace("TMainForm::Drop");
    AnswerDrag(event, m_dropTarget.Effect());
    for (const std::string& movie : m_dropTarget.Drop(DroppedFiles(event->mimeData())))
        AddMovie(movie);
}
