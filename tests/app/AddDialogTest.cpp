// The Add dialog as the user meets it: its filter text shown once, starting
// in the movies folder (made when missing) with nothing typed in.

#include "app/QtDialogs.h"

#include "MainFormFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <filesystem>

namespace vantor::test {
namespace {

struct Shown {
    QStringList filters;
    QString fileName;
    QString folder;
};

// Opens the Qt dialog for `request` and reads what it shows before closing it.
Shown ShowOpenDialog(const platform::OpenFilesRequest& request)
{
    Shown shown;
    QTimer::singleShot(0, [&shown] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        auto* combo = dialog->findChild<QComboBox*>("fileTypeCombo");
        for (int i = 0; combo != nullptr && i < combo->count(); ++i)
            shown.filters << combo->itemText(i);
        shown.fileName = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
        shown.folder = dialog->directory().absolutePath();
        dialog->reject();
    });
    QtDialogs dialogs;
    EXPECT_TRUE(dialogs.OpenFiles(nullptr, request).empty());
    return shown;
}

class AddDialogTest : public MainFormFixture { };

TEST_F(AddDialogTest, FilterShownOnceAndStartsInAnExistingFolderWithEmptyName)
{
    std::filesystem::create_directories(m_dir.Path() / "movies");
    const std::pair<std::string, std::string> cases[] = {
        { m_dir / "movies/", m_dir / "movies" },
        { m_dir / "missing/deeper/", m_dir.Path().string() },
    };
    for (const auto& [initial, expectedFolder] : cases) {
        SCOPED_TRACE(initial);
        platform::OpenFilesRequest request;
        request.title = "Add Vantor Movies";
        request.filter = "Vantor Movie files (*.vtr;*.vtz)|*.vtr;*.vtz";
        request.initialFolder = initial;
        request.allowMultiple = true;
        const Shown shown = ShowOpenDialog(request);
        EXPECT_EQ(shown.filters, QStringList { "Vantor Movie files (*.vtr;*.vtz)" });
        EXPECT_EQ(shown.fileName.toStdString(), "");
        EXPECT_EQ(shown.folder.toStdString(), expectedFolder);
    }
}

TEST_F(AddDialogTest, FirstAddStartsInTheCreatedMoviesFolder)
{
    const std::string movies = std::string(std::getenv("XDG_DOCUMENTS_DIR")) + "/CV Vantor Movies";
    std::filesystem::remove_all(movies);
    auto form = MakeForm();
    form->btnAddMovieClick();
    ASSERT_EQ(dialogs.openFilesRequests.size(), 1u);
    EXPECT_EQ(dialogs.openFilesRequests[0].initialFolder, movies);
    EXPECT_TRUE(std::filesystem::is_directory(movies));
}

} // namespace
} // namespace vantor::test
