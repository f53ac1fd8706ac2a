#include "MainFormFixture.h"

#include "app/StringTable.h"
#include "strings/StringIds.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

namespace {

using namespace vantor;
using vantor::test::MainFormFixture;

class MainFormMovieListTest : public MainFormFixture {
protected:
    static std::vector<std::string> Listed(const TMainForm& form)
    {
        std::vector<std::string> items;
        for (int i = 0; i < form.lbxFiles->count(); ++i)
            items.push_back(form.lbxFiles->item(i)->text().toStdString());
        return items;
    }

    // Drags `paths` over the window and drops them; whether the window took
    // the drag on entering.
    static bool DragAndDrop(TMainForm& form, const std::vector<std::string>& paths)
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
        bool taken = enter.isAccepted() && enter.dropAction() == Qt::CopyAction;
        QDragMoveEvent move(
            QPoint(25, 25), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &move);
        EXPECT_EQ(move.isAccepted(), taken);
        QDropEvent drop(
            QPointF(25, 25), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &drop);
        return taken;
    }
};

TEST_F(MainFormMovieListTest, AddDialogAddsNewPathsOnceAndRemembersTheFolder)
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
    EXPECT_EQ(request.initialFolder, (vantor::test::TestHome() / "Documents").string() + "/CV Vantor Movies");
    EXPECT_EQ(Listed(*form), (std::vector<std::string> { a, b }));
    EXPECT_EQ(form->MoviesInitialDir(), (m_dir / "sub") + "/");

    // The same paths in another letter case add nothing; a new one is appended.
    std::string upperA = a;
    upperA.replace(upperA.size() - 5, 5, "A.VTR");
    const std::string c = Movie("c.vtr");
    dialogs.openFilesAnswers.push_back({ upperA, c });
    form->mnuAdd->trigger();
    EXPECT_EQ(dialogs.openFilesRequests.back().initialFolder, (m_dir / "sub") + "/");
    EXPECT_EQ(Listed(*form), (std::vector<std::string> { a, b, c }));
    EXPECT_EQ(form->MoviesInitialDir(), m_dir.Path().string() + "/");

    // Cancelled: nothing changes.
    form->btnAddMovieClick();
    EXPECT_EQ(Listed(*form), (std::vector<std::string> { a, b, c }));
    EXPECT_EQ(form->MoviesInitialDir(), m_dir.Path().string() + "/");
}

TEST_F(MainFormMovieListTest, RemoveTakesOutEverySelectedMovie)
{
    auto form = MakeForm();
    for (const char* name : { "1.vtr", "2.vtr", "3.vtr", "4.vtr", "5.vtr" })
        form->AddMovie(Movie(name));
    EXPECT_FALSE(form->btnRemoveMovie->isEnabled());
    form->btnRemoveMovieClick(); // nothing selected: nothing happens
    EXPECT_EQ(form->lbxFiles->count(), 5);

    for (int i : { 1, 2, 3 })
        form->lbxFiles->item(i)->setSelected(true);
    EXPECT_TRUE(form->btnRemoveMovie->isEnabled());
    EXPECT_TRUE(form->mnuRemove->isEnabled());
    form->mnuRemove->trigger();
    EXPECT_EQ(Listed(*form), (std::vector<std::string> { m_dir / "1.vtr", m_dir / "5.vtr" }));
    EXPECT_EQ(form->Movies().Paths(), Listed(*form));
    EXPECT_FALSE(form->btnRemoveMovie->isEnabled());
}

TEST_F(MainFormMovieListTest, ClearAsksFirstAndOnlyYesEmptiesTheList)
{
    auto form = MakeForm();
    form->AddMovie(Movie("x.vtr"));
    form->AddMovie(Movie("y.vtz"));

    dialogs.messageAnswers.push_back(platform::IDNO);
    form->btnClearClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Are you sure you want to clear movies list?");
    EXPECT_EQ(dialogs.messages[0].caption, "CV Vantor Pro Batch Export");
    EXPECT_EQ(dialogs.messages[0].flags, platform::MB_YESNO | platform::MB_ICONQUESTION);
    EXPECT_EQ(form->lbxFiles->count(), 2);

    dialogs.messageAnswers.push_back(platform::IDYES);
    form->mnuClearList->trigger();
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(form->lbxFiles->count(), 0);
    EXPECT_TRUE(form->Movies().Empty());
    // An empty list cannot be cleared.
    EXPECT_FALSE(form->btnClear->isEnabled());
    EXPECT_FALSE(form->mnuClearList->isEnabled());
}

TEST_F(MainFormMovieListTest, DropsAddOnlyMovieFilesAndOnlyAtRest)
{
    auto form = MakeForm();
    const std::string listed = Movie("listed.vtr");
    form->AddMovie(listed);
    std::filesystem::create_directories(m_dir.Path() / "folder");
    std::filesystem::create_directories(m_dir.Path() / "folder.vtr");
    vantor::test::WriteFile(m_dir.Path() / "notes.txt", "text");
    const std::string one = Movie("one.vtr");
    const std::string two = Movie("TWO.VTZ");
    std::string listedUpper = listed;
    listedUpper.replace(listedUpper.size() - 10, 10, "LISTED.vtr");

    EXPECT_TRUE(DragAndDrop(
        *form, { m_dir / "folder", m_dir / "notes.txt", one, m_dir / "folder.vtr", two, listedUpper }));
    EXPECT_EQ(Listed(*form), (std::vector<std::string> { listed, one, two }));

    EXPECT_FALSE(DragAndDrop(*form, { m_dir / "folder", m_dir / "notes.txt" }));
    EXPECT_EQ(form->lbxFiles->count(), 3);

    // During a run the drag is refused and a drop adds nothing.
    form->Batch().Start(ExportFormat::FlashSWF);
    ASSERT_EQ(form->Batch().State(), RunState::Running);
    const std::string three = Movie("three.vtr");
    EXPECT_FALSE(DragAndDrop(*form, { three }));
    EXPECT_EQ(form->lbxFiles->count(), 3);
}

TEST_F(MainFormMovieListTest, BrowseSetsTheDestinationOnlyWhenAFolderIsChosen)
{
    auto form = MakeForm();
    const QString before = form->edtDir->text();
    form->btnBrowseDirClick();
    EXPECT_EQ(form->edtDir->text(), before);
    ASSERT_EQ(dialogs.folderRequests.size(), 1u);
    EXPECT_EQ(dialogs.folderRequests[0], before.toStdString());

    dialogs.folderAnswers.push_back(m_dir / "chosen");
    form->mnuSelectDestFolder->trigger();
    EXPECT_EQ(form->edtDir->text().toStdString(), m_dir / "chosen");
}

// Which controls are enabled: buttons first, then the menu items that
// follow them.
struct Shown {
    bool clear, add, remove, flash, avi, wmv, qt, convert, dir, cancel;
    bool operator==(const Shown&) const = default;
};

Shown ShownBy(const TMainForm& f)
{
    EXPECT_EQ(f.mnuClearList->isEnabled(), f.btnClear->isEnabled());
    EXPECT_EQ(f.mnuAdd->isEnabled(), f.btnAddMovie->isEnabled());
    EXPECT_EQ(f.mnuRemove->isEnabled(), f.btnRemoveMovie->isEnabled());
    EXPECT_EQ(f.mnuExportFlash->isEnabled(), f.btnExportFlash->isEnabled());
    EXPECT_EQ(f.mnuExportAVI->isEnabled(), f.btnExportAVI->isEnabled());
    EXPECT_EQ(f.mnuExportWMV->isEnabled(), f.btnExportWMV->isEnabled());
    EXPECT_EQ(f.mnuExportQT->isEnabled(), f.btnExportQT->isEnabled());
    EXPECT_EQ(f.mnuConvertFormat->isEnabled(), f.btnConvertFormat->isEnabled());
    EXPECT_EQ(f.mnuSelectDestFolder->isEnabled(), f.btnBrowseDir->isEnabled());
    EXPECT_EQ(f.edtDir->isEnabled(), f.btnBrowseDir->isEnabled());
    EXPECT_EQ(f.btnCancelCurrent->isEnabled(), f.btnCancel->isEnabled());
    EXPECT_EQ(f.btnExportAVI->isEnabled(), f.btnExportFlash->isEnabled());
    return { f.btnClear->isEnabled(), f.btnAddMovie->isEnabled(), f.btnRemoveMovie->isEnabled(),
        f.btnExportFlash->isEnabled(), f.btnExportAVI->isEnabled(), f.btnExportWMV->isEnabled(),
        f.btnExportQT->isEnabled(), f.btnConvertFormat->isEnabled(), f.btnBrowseDir->isEnabled(),
        f.btnCancel->isEnabled() };
}

TEST_F(MainFormMovieListTest, UpdateControlsFollowsTheListAndTheRunState)
{
    enum class Step { Empty, Movies, Selected, Running, CancelAll, CancelCurrent };
    struct Case {
        const char* name;
        Step step;
        bool wmv;
        bool qt;
        Shown expected;
    };
    const Case cases[] = {
        { "empty list", Step::Empty, true, true,
            { false, true, false, false, false, false, false, false, true, false } },
        { "movies", Step::Movies, false, false,
            { true, true, false, true, true, false, false, true, true, false } },
        { "movies, WMV", Step::Movies, true, false,
            { true, true, false, true, true, true, false, true, true, false } },
        { "movies, QT", Step::Movies, false, true,
            { true, true, false, true, true, false, true, true, true, false } },
        { "selected", Step::Selected, true, true,
            { true, true, true, true, true, true, true, true, true, false } },
        { "running", Step::Running, true, true,
            { false, false, false, false, false, false, false, false, false, true } },
        { "cancel all pending", Step::CancelAll, true, true,
            { false, false, false, false, false, false, false, false, false, false } },
        { "cancel current pending", Step::CancelCurrent, true, true,
            { false, false, false, false, false, false, false, false, false, false } },
    };
    for (const Case& c : cases) {
        wmvAvailable = c.wmv;
        quickTimeInstalled = c.qt;
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
        EXPECT_EQ(ShownBy(*form), c.expected) << c.name;
        // The runtime checks are asked on every call, only with movies at rest.
        const bool asks = c.step == Step::Movies || c.step == Step::Selected;
        EXPECT_EQ(wmvAsked - asked, asks ? 1 : 0) << c.name;
        form.reset();
    }
}

} // namespace
