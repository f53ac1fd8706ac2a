#include "app/QtDialogs.h"
#include "app/DialogFilter.h"

#include <gtest/gtest.h>

namespace {

using namespace vantor;
using namespace platform;

TEST(QtDialogsTest, WindowsFiltersBecomeQtNameFilters)
{
    struct Case {
        const char* windows;
        std::vector<std::string> qt;
    };
    const Case cases[] = {
        { "Vantor Movie files (*.vtr;*.vtz)|*.vtr;*.vtz",
            { "Vantor Movie files (*.vtr;*.vtz) (*.vtr *.vtz)" } },
        { "HTML files|*.html;*.htm|All files|*.*", { "HTML files (*.html *.htm)", "All files (*.*)" } },
        { "Flash movies (*.swf)|Everything (*)", { "Flash movies (*.swf)", "Everything (*)" } },
        { "Control bar|toolbar.swf", { "Control bar (toolbar.swf)" } },
        { "", {} },
    };
    for (const Case& c : cases)
        EXPECT_EQ(QtNameFilters(c.windows), c.qt) << c.windows;
}

TEST(QtDialogsTest, MessageBoxFlagsKeepTheirWindowsMeaning)
{
    struct Case {
        unsigned flags;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
        int escapeAnswer; // closing the box without a button
    };
    const Case cases[] = {
        { MB_OK | MB_ICONERROR, QMessageBox::Ok, QMessageBox::Critical, IDOK },
        { MB_YESNO | MB_ICONQUESTION, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, IDNO },
        { MB_YESNO | MB_ICONWARNING, QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning, IDNO },
        { MB_OKCANCEL | MB_ICONINFORMATION, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Information,
            IDCANCEL },
        { MB_YESNOCANCEL, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::NoIcon,
            IDCANCEL },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QtButtonsFor(c.flags), c.buttons) << c.flags;
        EXPECT_EQ(QtIconFor(c.flags), c.icon) << c.flags;
        EXPECT_EQ(WindowsAnswerFor(QMessageBox::NoButton, c.flags), c.escapeAnswer) << c.flags;
    }
    EXPECT_EQ(WindowsAnswerFor(QMessageBox::Yes, MB_YESNO), IDYES);
    EXPECT_EQ(WindowsAnswerFor(QMessageBox::No, MB_YESNO), IDNO);
    EXPECT_EQ(WindowsAnswerFor(QMessageBox::Ok, MB_OK), IDOK);
    EXPECT_EQ(WindowsAnswerFor(QMessageBox::Cancel, MB_OKCANCEL), IDCANCEL);
}

} // namespace
