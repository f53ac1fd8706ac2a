// The Add dialog as the user meets it: its filter text shown once, in the
// movies folder (made when missing) with nothing typed in.

#include "app/QtDialogs.h"

#include "MainFormFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

namespace vantor::test {
namespace {

using AddDialogTest = MainFormFixture;

TEST_F(AddDialogTest, StartsInTheMadeMoviesFolderWithFilterShownOnceAndNoName)
{
    const std::string movies = std::string(std::getenv("XDG_DOCUMENTS_DIR")) + "/CV Vantor Movies";
    std::filesystem::remove_all(movies);
    QtDialogs qtDialogs;
    auto form = MakeForm();
    QStringList filters;
    QString fileName = "unread", folder;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        auto* combo = dialog->findChild<QComboBox*>("fileTypeCombo");
        for (int i = 0; i < combo->count(); ++i)
            filters << combo->itemText(i);
        fileName = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
        folder = dialog->directory().absolutePath();
        dialog->reject();
    });
    form->btnAddMovieClick();
    EXPECT_EQ(filters, QStringList { "Vantor Movie files (*.vtr;*.vtz)" });
    EXPECT_EQ(fileName.toStdString(), "");
    EXPECT_EQ(folder.toStdString(), movies);
}

} // namespace
} // namespace vantor::test
