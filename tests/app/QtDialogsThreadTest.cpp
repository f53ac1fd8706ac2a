#include "QtTestApplication.h"
#include "TestEnvironment.h"
#include "app/QtDialogs.h"
#include "xml/XMLSettings.h"

#include <QThread>
#include <gtest/gtest.h>
#include <thread>

namespace {

// The engine reads its settings on a thread of its own, with reports on:
// the worker goes on at once and the box appears on the UI thread.
TEST(QtDialogsThread, ASettingsReportOfAWorkerThreadIsShownOnTheUiThread)
{
    QApplication& application = vantor::test::TestApplication();
    vantor::QtDialogs dialogs;
    vantor::test::TempDir dir;
    vantor::test::WriteFile(dir / "AVI.xml", "<Application><Program");
    std::thread([&] { TXMLSettings(true).ReadXMLSettingsFile(dir / "AVI.xml"); }).join();

    QMessageBox* shown = nullptr;
    for (int i = 0; i < 200 && shown == nullptr; ++i, QThread::msleep(10)) {
        application.processEvents();
        for (QWidget* widget : QApplication::topLevelWidgets())
            shown = widget->isVisible() ? qobject_cast<QMessageBox*>(widget) : shown;
    }
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text().toStdString(),
        "The XML configuration file " + (dir / "AVI.xml") + " has improper format");
    EXPECT_EQ(shown->windowTitle().toStdString(), "Error");
    delete shown;
}

} // namespace
