#include "MainFormFixture.h"

#include "app/BatchRun.h"
#include "app/InitializeForm.h"
#include "app/ProductNames.h"
#include "app/StringTable.h"
#include "strings/StringIds.h"

#include "TestEnvironment.h"
#include "app/WindowState.h"
#include <QAction>
#include <QDragEnterEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QUrl>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace vantor;
using vantor::test::MainFormFixture;

class MainFormTest : public MainFormFixture { };

QSize ScreenSize()
{
    return QGuiApplication::primaryScreen()->geometry().size();
}

std::string Documents()
{
    return (vantor::test::TestHome() / "Documents").string();
}

TEST_F(MainFormTest, FirstStartIsCentredWithTheDefaultFoldersAndHandsTheEngineItsWindow)
{
    {
        TXMLSettings settings(false); // an empty folder counts as none
        settings.SetString("DstDirectory", "");
        settings.SaveAll(kMainSettingsApplication);
    }
    auto form = MakeForm();
    EXPECT_EQ(form->size(), QSize(513, 576));
    EXPECT_EQ(form->x(), CentredPosition(ScreenSize().width(), 513));
    EXPECT_EQ(form->y(), CentredPosition(ScreenSize().height(), 576));
    EXPECT_EQ(form->edtDir->text().toStdString(), Documents() + "/CV Vantor Exports");
    EXPECT_EQ(form->MoviesInitialDir(), Documents() + "/CV Vantor Movies");
    EXPECT_TRUE(dialogs.messages.empty());
    // Captions come from the string table, with the product name.
    EXPECT_EQ(form->windowTitle().toStdString(), "CV Vantor Pro Batch Export");
    EXPECT_EQ(form->gbFiles->title().toStdString(), " Movies to export ");
    EXPECT_EQ(form->btnCancelCurrent->text().toStdString(), LoadStr(str::kCancelCurrentButton));
    EXPECT_EQ(form->mnuConvertFormat->text().toStdString(), LoadStr(str::kConvertFormatMenu));
    // The engine gets the window handle and is released with the window.
    EXPECT_EQ(engine.calls, (std::vector<std::string> { "Initialize" }));
    EXPECT_EQ(engine.window, form->Handle());
    EXPECT_EQ(engine.references, 1);
    form.reset();
    EXPECT_EQ(engine.references, 0);
    EXPECT_FALSE(engine.Post(EngineReady)); // the handle went with the window
}

TEST_F(MainFormTest, SplashShowsOnActivationUntilTheEngineIsReady)
{
    auto form = MakeForm();
    auto* splash = new TInitializeForm(form.get());
    form->SetInitializeForm(splash);
    form->show();
    Activate(*form);
    ASSERT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(splash->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(splash->isModal());
    EXPECT_LE((splash->frameGeometry().center() - form->frameGeometry().center()).manhattanLength(), 4);
    EXPECT_FALSE(splash->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(splash->close()); // the user cannot close it
    splash->reject(); // Escape
    EXPECT_TRUE(splash->isVisible());

    ASSERT_TRUE(engine.Post(EngineReady));
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(splash->isVisible());
    Activate(*form);
    EXPECT_FALSE(splash->isVisible());
}

TEST_F(MainFormTest, FailingInitializeShowsOneMessageAndNoSplash)
{
    struct Case {
        bool withEngine;
        int result;
        const char* text;
    };
    const Case cases[] = {
        { true, kEngineNotRunning, "CV Vantor Pro Batch Export: CV Vantor Pro Player isn't running [16]" },
        { true, kEngineNotFound, "CV Vantor Pro Batch Export: Unable to locate CV Vantor Pro Player [16]" },
        { false, kEngineNoObject, "CV Vantor Pro Batch Export: Failed initialising VTAPI [16]" }, // no object
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        dialogs.messages.clear();
        engine.results["Initialize"] = { c.result };
        auto form = MakeForm(c.withEngine);
        EXPECT_EQ(test::Shown(dialogs), std::vector<std::string>({ c.text }));
        EXPECT_FALSE(form->Batch().WaitingForEngine());
        auto* splash = new TInitializeForm(form.get());
        form->SetInitializeForm(splash);
        form->show();
        Activate(*form);
        EXPECT_FALSE(splash->isVisible());
    }
}

TEST_F(MainFormTest, StateIsStoredOnExitWithEveryKeyAndItsTypeAndRestoredAtStart)
{
    const std::string first = Movie("first.vtr");
    const std::string second = Movie("Second.VTZ");
    auto form = MakeForm();
    form->resize(530, 580);
    form->move(21, 43);
    form->AddMovie(second);
    form->AddMovie(Movie("deleted.vtr"));
    dialogs.openFilesAnswers.push_back({ first });
    form->btnAddMovieClick();
    form->edtDir->setText(QString::fromStdString(m_dir / "out"));
    FlashOptionsHtmlPath() = "/t/";
    FlashOptionsSwfPath() = "";
    form.reset();

    TXMLSettings stored(false);
    ASSERT_TRUE(stored.ReadXMLSettings(kMainSettingsApplication, false));
    EXPECT_EQ(stored.GetApplicationName(), "Vantor Batch Export");
    EXPECT_TRUE(stored.RootKey().SubKeys().empty());
    std::map<std::string, TXMLValueType> types;
    for (const auto& [name, value] : stored.RootKey().Values())
        types[name] = value.Type();
    const std::map<std::string, TXMLValueType> expected {
        { "Width", TXMLValueType::Integer },
        { "Height", TXMLValueType::Integer },
        { "Left", TXMLValueType::Integer },
        { "Top", TXMLValueType::Integer },
        { "Movies", TXMLValueType::MultiString },
        { "DstDirectory", TXMLValueType::String },
        { "MoviesInitialDir", TXMLValueType::String },
        { "FlashOptionsHtmlPath", TXMLValueType::String },
        { "FlashOptionsSwfPath", TXMLValueType::String },
    };
    EXPECT_EQ(types, expected);

    // At the next start a movie whose file became a folder is left out.
    std::filesystem::remove(m_dir / "deleted.vtr");
    std::filesystem::create_directories(m_dir / "deleted.vtr");
    FlashOptionsHtmlPath() = "?";
    FlashOptionsSwfPath() = "?";
    form = MakeForm();
    EXPECT_EQ(form->geometry(), QRect(21, 43, 530, 580));
    EXPECT_EQ(form->Movies().Paths(), (std::vector<std::string> { second, first }));
    EXPECT_EQ(form->lbxFiles->item(1)->text().toStdString(), first);
    EXPECT_EQ(form->edtDir->text().toStdString(), m_dir / "out");
    EXPECT_EQ(form->MoviesInitialDir(), m_dir.Path().string() + "/");
    EXPECT_EQ(FlashOptionsHtmlPath(), "/t/");
    EXPECT_EQ(FlashOptionsSwfPath(), "");
    EXPECT_TRUE(form->btnExportAVI->isEnabled());
}

TEST_F(MainFormTest, ClosingDuringARunCancelsItAndClosesWhenItHasEnded)
{
    auto form = MakeForm();
    form->AddMovie(Movie("long.vtr"));
    form->show();
    form->Batch().Start(ExportFormat::AVI);
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(engine.calls.back(), "Cancel");

    ASSERT_TRUE(engine.Post(OperationCancelled));
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(form->isVisible());

    // At rest the window closes at once.
    auto idle = MakeForm();
    idle->show();
    EXPECT_TRUE(idle->close());
}

namespace fs = std::filesystem;

class WindowStateTest : public ::testing::Test {
protected:
    vantor::test::TempDir m_dir;
};

TEST_F(WindowStateTest, CentringNeverGoesNegative)
{
    struct Case {
        int screen;
        int window;
        int position;
    };
    const Case cases[] = { { 1024, 513, 255 }, { 768, 576, 96 }, { 800, 799, 0 }, { 800, 798, 1 },
        { 600, 600, 0 }, { 600, 2000, 0 }, { 0, 513, 0 } };
    for (const Case& c : cases)
        EXPECT_EQ(CentredPosition(c.screen, c.window), c.position) << c.screen << " " << c.window;
}

// The documents folder's defaults are those of the window's first start.
TEST_F(WindowStateTest, WithoutDocumentsOrConfigurationFoldersTheProgramFolderServes)
{
    const std::string program = m_dir / "program";
    EXPECT_EQ(DefaultDestinationFolder("/home/u/Documents/", program), "/home/u/Documents/CV Vantor Exports");
    // The program's Exports folder, which the Add dialog only starts in when
    // it exists.
    EXPECT_EQ(DefaultDestinationFolder("", program), program + "/Exports");
    EXPECT_EQ(DefaultMoviesFolder("", program), "");
    fs::create_directories(program + "/Exports");
    EXPECT_EQ(DefaultMoviesFolder("", program), program + "/Exports");

    // So does the settings file prefix.
    EXPECT_EQ(SettingsFilePrefix(m_dir / "config", m_dir / "program"),
        (m_dir / "config") + "/Corvane/Vantor Batch Export");
    EXPECT_TRUE(fs::is_directory(m_dir / "config")); // created when missing
    // An application-data folder that cannot exist (a file is in the way).
    vantor::test::WriteFile(m_dir / "blocked", "file");
    EXPECT_EQ(SettingsFilePrefix((m_dir.Path() / "blocked" / "config").string(), m_dir / "program"),
        (m_dir / "program") + "/Vantor Batch Export");
}

// Drags `paths` over the window and drops them; whether the window took the
// drag on entering.
bool DragAndDrop(TMainForm& form, const std::vector<std::string>& paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& path : paths)
        urls << QUrl::fromLocalFile(QString::fromStdString(path));
    urls << QUrl("https://example.org/remote.vtr"); // not a file: never added
    data.setUrls(urls);
    QDragEnterEvent enter(
        QPoint(20, 20), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &enter);
    QDropEvent drop(QPointF(25, 25), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &drop);
    return enter.isAccepted() && enter.dropAction() == Qt::CopyAction;
}

class MainFormMovieListTest : public MainFormFixture { };

TEST_F(MainFormMovieListTest, AddDropRemoveClearAndBrowse)
{
    auto form = MakeForm();
    const std::string a = Movie("a.vtr");
    const std::string b = Movie("sub/b.vtz");
    dialogs.openFilesAnswers.push_back({ a, b });
    form->btnAddMovieClick();
    ASSERT_EQ(dialogs.openFilesRequests.size(), 1u);
    const platform::OpenFilesRequest& request = dialogs.openFilesRequests[0];
    EXPECT_EQ(request.title, "Add Vantor Movies");
    EXPECT_EQ(request.filter, "Vantor Movie files (*.vtr;*.vtz)|*.vtr;*.vtz");
    EXPECT_TRUE(request.allowMultiple);
    EXPECT_EQ(request.initialFolder, Documents() + "/CV Vantor Movies");
    EXPECT_EQ(form->MoviesInitialDir(), (m_dir / "sub") + "/");
    // The same path in another letter case adds nothing; the folder of the
    // last one chosen is remembered; a cancelled dialog changes nothing.
    dialogs.openFilesAnswers.push_back({ m_dir / "A.VTR", Movie("c.vtr") });
    form->mnuAdd->trigger();
    EXPECT_EQ(dialogs.openFilesRequests.back().initialFolder, (m_dir / "sub") + "/");
    form->btnAddMovieClick();
    EXPECT_EQ(form->MoviesInitialDir(), m_dir.Path().string() + "/");

    // Drops add movie files only, and only at rest.
    std::filesystem::create_directories(m_dir.Path() / "folder.vtr");
    vantor::test::WriteFile(m_dir.Path() / "notes.txt", "text");
    EXPECT_TRUE(
        DragAndDrop(*form, { m_dir / "notes.txt", Movie("d.vtr"), m_dir / "folder.vtr", Movie("E.VTZ") }));
    EXPECT_FALSE(DragAndDrop(*form, { m_dir / "notes.txt" }));
    std::vector<std::string> listed;
    for (int i = 0; i < form->lbxFiles->count(); ++i)
        listed.push_back(form->lbxFiles->item(i)->text().toStdString());
    EXPECT_EQ(listed, (std::vector<std::string> { a, b, m_dir / "c.vtr", m_dir / "d.vtr", m_dir / "E.VTZ" }));

    for (int i : { 1, 2, 3 })
        form->lbxFiles->item(i)->setSelected(true);
    form->mnuRemove->trigger();
    EXPECT_EQ(form->Movies().Paths(), (std::vector<std::string> { a, m_dir / "E.VTZ" }));
    EXPECT_EQ(form->lbxFiles->count(), 2);
    EXPECT_FALSE(form->btnRemoveMovie->isEnabled());

    dialogs.messageAnswers = { platform::IDNO, platform::IDYES };
    form->btnClearClick();
    EXPECT_EQ(test::Shown(dialogs),
        std::vector<std::string>(
            { "CV Vantor Pro Batch Export: Are you sure you want to clear movies list? [36]" }));
    EXPECT_EQ(form->lbxFiles->count(), 2);
    form->mnuClearList->trigger();
    EXPECT_TRUE(form->Movies().Empty());
    EXPECT_EQ(form->lbxFiles->count(), 0);

    form->btnBrowseDirClick(); // cancelled
    EXPECT_EQ(dialogs.folderRequests, (std::vector<std::string> { Documents() + "/CV Vantor Exports" }));
    dialogs.folderAnswers.push_back(m_dir / "chosen");
    form->mnuSelectDestFolder->trigger();
    EXPECT_EQ(form->edtDir->text().toStdString(), m_dir / "chosen");

    form->AddMovie(a);
    form->Batch().Start(ExportFormat::FlashSWF);
    EXPECT_FALSE(DragAndDrop(*form, { Movie("f.vtr") }));
    EXPECT_EQ(form->lbxFiles->count(), 1);
}

// Which controls are enabled, one digit each: clear, add, remove, Flash,
// AVI, WMV, QuickTime, convert, browse, cancel. The menu items (and Cancel
// Current beside Cancel All) follow their buttons.
std::pair<std::string, std::string> Enabled(const TMainForm& f)
{
    const auto digits = [](std::initializer_list<bool> flags) {
        std::string text;
        for (bool flag : flags)
            text += flag ? '1' : '0';
        return text;
    };
    EXPECT_EQ(f.edtDir->isEnabled(), f.btnBrowseDir->isEnabled());
    return { digits({ f.btnClear->isEnabled(), f.btnAddMovie->isEnabled(), f.btnRemoveMovie->isEnabled(),
                 f.btnExportFlash->isEnabled(), f.btnExportAVI->isEnabled(), f.btnExportWMV->isEnabled(),
                 f.btnExportQT->isEnabled(), f.btnConvertFormat->isEnabled(), f.btnBrowseDir->isEnabled(),
                 f.btnCancel->isEnabled() }),
        digits({ f.mnuClearList->isEnabled(), f.mnuAdd->isEnabled(), f.mnuRemove->isEnabled(),
            f.mnuExportFlash->isEnabled(), f.mnuExportAVI->isEnabled(), f.mnuExportWMV->isEnabled(),
            f.mnuExportQT->isEnabled(), f.mnuConvertFormat->isEnabled(), f.mnuSelectDestFolder->isEnabled(),
            f.btnCancelCurrent->isEnabled() }) };
}

// Items share one size, which is the widest path's: a shorter path listed
// last does not cut the longer ones, before or after the list is rebuilt.
TEST_F(MainFormMovieListTest, EveryPathShowsWholeWhateverItsPlace)
{
    auto form = MakeForm();
    form->show();
    const std::string longest = Movie("a movie with a much longer name than the others.vtr");
    for (const std::string& path : { Movie("b.vtr"), longest, Movie("c.vtr") })
        form->AddMovie(path);
    for (const bool rebuilt : { false, true }) {
        if (rebuilt) {
            form->lbxFiles->item(2)->setSelected(true);
            form->btnRemoveMovieClick();
        }
        QApplication::processEvents();
        const QListWidgetItem* item = form->lbxFiles->item(1);
        ASSERT_EQ(item->text().toStdString(), longest);
        EXPECT_GE(form->lbxFiles->visualItemRect(item).width(),
            form->lbxFiles->fontMetrics().horizontalAdvance(item->text()))
            << rebuilt;
    }
}

TEST_F(MainFormMovieListTest, UpdateControlsFollowsTheListAndTheRunState)
{
    enum class Step { Empty, Movies, Selected, Running, CancelAll, CancelCurrent };
    struct Case {
        const char* name;
        Step step;
        bool wmv;
        bool qt;
        std::string expected;
    };
    const Case cases[] = {
        { "empty list", Step::Empty, true, true, "0100000010" },
        { "movies", Step::Movies, false, false, "1101100110" },
        { "movies, WMV", Step::Movies, true, false, "1101110110" },
        { "movies, QT", Step::Movies, false, true, "1101101110" },
        { "selected", Step::Selected, true, true, "1111111110" },
        { "running", Step::Running, true, true, "0000000001" },
        { "cancel all pending", Step::CancelAll, true, true, "0000000000" },
        { "cancel current pending", Step::CancelCurrent, true, true, "0000000000" },
        { "movies, no Flash command", Step::Movies, false, false, "1100100110" },
    };
    for (const Case& c : cases) {
        wmvAvailable = c.wmv;
        quickTimeInstalled = c.qt;
        withFlashCommand = std::string(c.name).find("no Flash") == std::string::npos;
        auto form = MakeForm();
        if (c.step != Step::Empty) {
            form->AddMovie(Movie("a.vtr"));
            form->AddMovie(Movie("b.vtr"));
        }
        if (c.step == Step::Selected)
            form->lbxFiles->item(1)->setSelected(true);
        if (c.step >= Step::Running) {
            form->lbxFiles->item(0)->setSelected(true);
            form->Batch().Start(ExportFormat::AVI);
        }
        if (c.step == Step::CancelAll)
            form->btnCancelClick();
        if (c.step == Step::CancelCurrent)
            form->btnCancelCurrentClick();
        const int asked = wmvAsked;
        form->UpdateControls();
        EXPECT_EQ(Enabled(*form), std::make_pair(c.expected, c.expected)) << c.name;
        // The runtime checks are asked on every call, only with movies at rest.
        const bool asks = c.step == Step::Movies || c.step == Step::Selected;
        EXPECT_EQ(wmvAsked - asked, asks ? 1 : 0) << c.name;
        if (!withFlashCommand) {
            // The command's arrival enables its button at once.
            form->SetExportCommand(ExportFormat::FlashSWF, [] {});
            EXPECT_EQ(Enabled(*form).first, "1101100110");
        }
        form.reset();
    }
}

} // namespace
