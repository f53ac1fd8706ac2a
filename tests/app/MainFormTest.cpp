#include "MainFormFixture.h"

#include "app/BatchRun.h"
#include "app/ProductNames.h"
#include "app/StringTable.h"
#include "strings/StringIds.h"

#include <QAction>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

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

TEST_F(MainFormTest, FirstStartIsCentredWithTheDefaultFolders)
{
    auto form = MakeForm();
    EXPECT_EQ(form->width(), 513);
    EXPECT_EQ(form->height(), 576);
    EXPECT_EQ(form->x(), CentredPosition(ScreenSize().width(), 513));
    EXPECT_EQ(form->y(), CentredPosition(ScreenSize().height(), 576));
    EXPECT_EQ(form->minimumSize(), QSize(370, 539));
    EXPECT_EQ(form->edtDir->text().toStdString(), Documents() + "/CV Vantor Exports");
    EXPECT_EQ(form->MoviesInitialDir(), Documents() + "/CV Vantor Movies");
    EXPECT_EQ(form->SettingsFilePrefix(),
        (vantor::test::TestHome() / "config" / "Corvane" / "Vantor Batch Export").string());
    EXPECT_EQ(form->lbxFiles->count(), 0);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainFormTest, RestoresStoredSizePositionExistingMoviesAndFolders)
{
    const std::string first = Movie("first.vtr");
    const std::string second = Movie("Second.VTZ");
    {
        TXMLSettings settings(false);
        settings.SetInteger("Width", 600);
        settings.SetInteger("Height", 550);
        settings.SetInteger("Left", 12);
        settings.SetInteger("Top", 34);
        settings.SetMultiString("Movies", { second, m_dir / "deleted.vtr", first });
        settings.SetString("DstDirectory", m_dir / "exports");
        settings.SetString("MoviesInitialDir", m_dir / "recordings");
        settings.SetString("FlashOptionsHtmlPath", "/srv/templates/");
        settings.SetString("FlashOptionsSwfPath", "/srv/bars/");
        settings.SaveAll(kMainSettingsApplication);
    }
    auto form = MakeForm();
    EXPECT_EQ(form->size(), QSize(600, 550));
    EXPECT_EQ(form->pos(), QPoint(12, 34));
    ASSERT_EQ(form->lbxFiles->count(), 2);
    EXPECT_EQ(form->lbxFiles->item(0)->text().toStdString(), second);
    EXPECT_EQ(form->lbxFiles->item(1)->text().toStdString(), first);
    EXPECT_EQ(form->Movies().Paths(), (std::vector<std::string> { second, first }));
    EXPECT_EQ(form->edtDir->text().toStdString(), m_dir / "exports");
    EXPECT_EQ(form->MoviesInitialDir(), m_dir / "recordings");
    EXPECT_EQ(FlashOptionsHtmlPath(), "/srv/templates/");
    EXPECT_EQ(FlashOptionsSwfPath(), "/srv/bars/");
    EXPECT_TRUE(form->btnClear->isEnabled());
    EXPECT_TRUE(form->btnExportAVI->isEnabled());
}

TEST_F(MainFormTest, StoredSizeIsCentredAndAnEmptyStoredFolderCountsAsMissing)
{
    {
        TXMLSettings settings(false);
        settings.SetInteger("Width", ScreenSize().width() + 400);
        settings.SetInteger("Height", 560);
        settings.SetString("DstDirectory", "");
        settings.SaveAll(kMainSettingsApplication);
    }
    auto form = MakeForm();
    EXPECT_EQ(form->width(), ScreenSize().width() + 400);
    EXPECT_EQ(form->x(), 0); // wider than the screen: at the left edge
    EXPECT_EQ(form->y(), CentredPosition(ScreenSize().height(), 560));
    EXPECT_EQ(form->edtDir->text().toStdString(), Documents() + "/CV Vantor Exports");
}

TEST_F(MainFormTest, CaptionsComeFromTheStringTableWithTheProductName)
{
    auto form = MakeForm();
    EXPECT_EQ(form->windowTitle().toStdString(), "CV Vantor Pro Batch Export");
    EXPECT_EQ(form->Caption(), ApplicationTitle());
    struct Case {
        QString shown;
        int id;
    };
    const Case cases[] = {
        { form->gbFiles->title(), str::kMoviesToExportGroup },
        { form->btnClear->text(), str::kClearListButton },
        { form->btnAddMovie->text(), str::kAddMovieButton },
        { form->btnRemoveMovie->text(), str::kRemoveMovieButton },
        { form->gbExport->title(), str::kExportingGroup },
        { form->Label1->text(), str::kDestinationFolderLabel },
        { form->btnExportFlash->text(), str::kExportFlashButton },
        { form->btnExportAVI->text(), str::kExportAVIButton },
        { form->btnExportWMV->text(), str::kExportWMVButton },
        { form->btnExportQT->text(), str::kExportQTButton },
        { form->btnConvertFormat->text(), str::kConvertFormatButton },
        { form->gbStatus->title(), str::kStatusGroup },
        { form->btnCancel->text(), str::kCancelAllButton },
        { form->btnCancelCurrent->text(), str::kCancelCurrentButton },
        { form->btnClose->text(), str::kCloseButton },
        { form->mnuExit->text(), str::kExitMenu },
        { form->mnuClearList->text(), str::kClearListMenu },
        { form->mnuAdd->text(), str::kAddMenu },
        { form->mnuRemove->text(), str::kRemoveMenu },
        { form->mnuSelectDestFolder->text(), str::kSelectDestFolderMenu },
        { form->mnuExportFlash->text(), str::kExportFlashMenu },
        { form->mnuExportAVI->text(), str::kExportAVIMenu },
        { form->mnuExportWMV->text(), str::kExportWMVMenu },
        { form->mnuExportQT->text(), str::kExportQTMenu },
        { form->mnuConvertFormat->text(), str::kConvertFormatMenu },
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(LoadStr(c.id).empty()) << c.id;
        EXPECT_EQ(c.shown.toStdString(), LoadStr(c.id)) << c.id;
    }
    EXPECT_EQ(form->gbFiles->title().toStdString(), " Movies to export ");
}

TEST_F(MainFormTest, EngineGetsTheWindowHandleAndIsReleasedWithTheWindow)
{
    auto form = MakeForm();
    EXPECT_EQ(engine.calls, (std::vector<std::string> { "Initialize" }));
    EXPECT_EQ(engine.initializeMode, 1);
    EXPECT_EQ(engine.initializeFlags, 1);
    EXPECT_EQ(engine.window, form->Handle());
    EXPECT_TRUE(form->Batch().WaitingForEngine());
    EXPECT_EQ(engine.references, 1);
    form.reset();
    EXPECT_EQ(engine.references, 0);
    EXPECT_FALSE(engine.Post(EngineReady)); // the handle went with the window
}

TEST_F(MainFormTest, FailingInitializeShowsOneMessageAndStopsWaiting)
{
    struct Case {
        bool withEngine;
        int result;
        const char* text;
    };
    const Case cases[] = {
        { true, kEngineNotRunning, "CV Vantor Pro Player isn't running" },
        { true, kEngineNotFound, "Unable to locate CV Vantor Pro Player" },
        { false, kEngineNoObject, "Failed initialising VTAPI" }, // no engine object
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        dialogs.messages.clear();
        engine.results["Initialize"] = { c.result };
        auto form = MakeForm(c.withEngine);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, c.text);
        EXPECT_EQ(dialogs.messages[0].caption, "CV Vantor Pro Batch Export");
        EXPECT_EQ(dialogs.messages[0].flags, platform::MB_ICONERROR);
        EXPECT_FALSE(form->Batch().WaitingForEngine());
        // The window stays usable.
        EXPECT_TRUE(form->btnAddMovie->isEnabled());
    }
}

TEST_F(MainFormTest, StateFileIsWrittenOnExitWithEveryKeyAndItsType)
{
    const std::string movie = Movie("talk.vtr");
    auto form = MakeForm();
    form->resize(530, 580);
    form->move(21, 43);
    form->AddMovie(movie);
    form->edtDir->setText(QString::fromStdString(m_dir / "out"));
    FlashOptionsHtmlPath() = "/t/";
    FlashOptionsSwfPath() = "";
    form.reset();

    TXMLSettings stored(false);
    ASSERT_TRUE(stored.ReadXMLSettings(kMainSettingsApplication, false));
    EXPECT_EQ(stored.GetApplicationName(), "Vantor Batch Export");
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
    EXPECT_TRUE(stored.RootKey().SubKeys().empty());
    EXPECT_EQ(stored.GetInteger("Width", 0), 530);
    EXPECT_EQ(stored.GetInteger("Height", 0), 580);
    EXPECT_EQ(stored.GetInteger("Left", 0), 21);
    EXPECT_EQ(stored.GetInteger("Top", 0), 43);
    EXPECT_EQ(stored.GetMultiString("Movies"), (std::vector<std::string> { movie }));
    EXPECT_EQ(stored.GetString("DstDirectory", ""), m_dir / "out");
    EXPECT_EQ(stored.GetString("MoviesInitialDir", ""), Documents() + "/CV Vantor Movies");
    EXPECT_EQ(stored.GetString("FlashOptionsHtmlPath", "?"), "/t/");
    EXPECT_EQ(stored.GetString("FlashOptionsSwfPath", "?"), "");
}

TEST_F(MainFormTest, ClosingDuringARunCancelsItAndClosesWhenItHasEnded)
{
    auto form = MakeForm();
    form->AddMovie(Movie("long.vtr"));
    form->show();
    form->Batch().Start(ExportFormat::AVI);
    ASSERT_EQ(form->Batch().State(), RunState::Running);

    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Batch().State(), RunState::CancelAllPending);
    EXPECT_EQ(engine.calls.back(), "Cancel");
    EXPECT_FALSE(form->btnCancel->isEnabled());

    ASSERT_TRUE(engine.Post(OperationCancelled));
    DeliverPosted();
    EXPECT_EQ(form->Batch().State(), RunState::Idle);
    EXPECT_FALSE(form->isVisible());

    // At rest the window closes at once.
    auto idle = MakeForm();
    idle->show();
    EXPECT_TRUE(idle->close());
}

// Takes every key press, so that Qt's own focus change never sees the key:
// whatever the window then shows comes from the application-wide hook,
// which looks at the key before any widget does.
class KeySink final : public QObject {
public:
    int keys = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        ++keys;
        return true;
    }
};

TEST_F(MainFormTest, TabShowsFocusRectanglesAndStillReachesItsTarget)
{
    auto form = MakeForm();
    form->show();
    form->setAttribute(Qt::WA_KeyboardFocusChange, false);
    KeySink sink;
    form->lbxFiles->installEventFilter(&sink);

    QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QCoreApplication::sendEvent(form->lbxFiles, &letter);
    EXPECT_FALSE(form->testAttribute(Qt::WA_KeyboardFocusChange));

    form->lbxFiles->setFocus();
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(form->lbxFiles, &tab);
    EXPECT_TRUE(form->testAttribute(Qt::WA_KeyboardFocusChange));
    EXPECT_EQ(sink.keys, 2); // the hook never takes a key
}

} // namespace
