// The main window at its smallest allowed size, in English and in French:
// everything stays inside the window, no control is squeezed below its own
// minimum, and the movie list's group is the one that gave up height.

#include "app/StringTable.h"

#include "MainFormFixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QLayout>

namespace vantor::test {
namespace {

using MainWindowSizeTest = MainFormFixture;

TEST_F(MainWindowSizeTest, EverythingFitsAtTheMinimumSize)
{
    const std::filesystem::path french = BinDir() / "Languages/vantor-batch-export.FRA";
    for (const std::string& pack : { std::string(), french.string() }) {
        SCOPED_TRACE(pack.empty() ? "English" : "French");
        std::string error;
        PointStringTableAt(pack.empty() ? nullptr : ResourceModule::LoadFile(pack, error));
        auto form = MakeForm();
        form->resize(TMainForm::kMinimumWidth, TMainForm::kMinimumHeight);
        form->show();
        QApplication::processEvents();
        ASSERT_EQ(form->size(), QSize(370, 539));

        for (QWidget* widget : form->centralWidget()->findChildren<QWidget*>()) {
            if (!widget->isVisible() || widget->objectName().isEmpty()
                || widget->objectName().startsWith("qt_"))
                continue;
            SCOPED_TRACE(widget->objectName().toStdString());
            const QRect inForm(widget->mapTo(form.get(), QPoint(0, 0)), widget->size());
            EXPECT_TRUE(form->rect().contains(inForm)) << inForm.bottom() << " " << inForm.right();
            // Fixed sizes (the progress bars) are the design's, not squeezing.
            EXPECT_GE(
                widget->height(), std::min(widget->minimumSizeHint().height(), widget->maximumHeight()));
            EXPECT_GE(widget->width(), std::min(widget->minimumSizeHint().width(), widget->maximumWidth()));
        }
        for (QGroupBox* group : { form->gbExport, form->gbStatus })
            EXPECT_EQ(group->height(), group->sizeHint().height()) << group->objectName().toStdString();
        EXPECT_LT(form->gbFiles->height(), form->gbFiles->sizeHint().height());
    }
    PointStringTableAt(nullptr);
}

} // namespace
} // namespace vantor::test
