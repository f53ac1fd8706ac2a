// The program's own help viewer: its window's navigation, every help page
// as it shows it, and the viewer process as the help launcher runs it.

#include "helpviewer/HelpViewerWindow.h"
#include "support/CVHtmlHelp.h"
#include "support/HelpViewerProcess.h"

#include "TestEnvironment.h"
#include "app/QtTestApplication.h"

#include <QAction>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QToolBar>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;
using vantor::test::BinDir;

const fs::path kPages = BinDir() / "CV Vantor Pro Help/html";

QUrl Page(const fs::path& page)
{
    return QUrl::fromLocalFile(QString::fromStdString((kPages / page).string()));
}

TEST(HelpViewerTest, NavigatesBackForwardHomeAndIndex)
{
    vantor::test::TestApplication();
    vantor::HelpViewerWindow window;
    auto trigger = [&window](const QString& text) {
        for (QAction* action : window.findChild<QToolBar*>("Navigation")->actions())
            if (action->text() == text)
                action->trigger();
    };
    window.ShowTopic(Page("AVI_format.htm"));
    EXPECT_EQ(window.windowTitle().toStdString(), "Exporting to AVI - CV Vantor Pro Batch Export Help");
    const std::pair<const char*, const char*> steps[] = { { "Index", "index.htm" },
        { "Back", "AVI_format.htm" }, { "Forward", "index.htm" }, { "Home", "AVI_format.htm" } };
    for (const auto& [action, shown] : steps) {
        trigger(action);
        EXPECT_EQ(window.Browser()->source(), Page(shown)) << action;
    }
    window.ShowTopic(Page("About_codecs.htm")); // the new home
    trigger("Index");
    trigger("Home");
    EXPECT_EQ(window.Browser()->source(), Page("About_codecs.htm"));
}

TEST(HelpViewerTest, EveryHelpPageShowsItsHeadingAndPictures)
{
    vantor::test::TestApplication();
    vantor::HelpViewerWindow window;
    int pages = 0;
    for (const auto& entry : fs::directory_iterator(kPages)) {
        if (entry.path().extension() != ".htm")
            continue;
        ++pages;
        const QString html = QString::fromStdString(vantor::test::ReadFile(entry.path()));
        window.ShowTopic(Page(entry.path().filename()));
        QTextDocument* document = window.Browser()->document();
        const QString heading = QRegularExpression("<h1>([^<]+)</h1>").match(html).captured(1).simplified();
        EXPECT_TRUE(!heading.isEmpty() && document->toPlainText().contains(heading)) << entry.path();
        for (auto it = QRegularExpression("<img src=\"([^\"]+)\"").globalMatch(html); it.hasNext();) {
            const QUrl image(it.next().captured(1));
            EXPECT_FALSE(document->resource(QTextDocument::ImageResource, image).value<QImage>().isNull());
        }
    }
    EXPECT_EQ(pages, 11);
}

TEST(HelpViewerTest, OneViewerWindowShowsEachTopicAndClosesWithTheLauncher)
{
    ASSERT_TRUE(fs::exists(BinDir() / kHelpViewerProgram)) << "the build makes the viewer";
    const std::unique_ptr<HelpViewer> viewer = MakeSystemHelpViewer(BinDir().string());
    std::string error;
    ASSERT_TRUE(viewer->Load(error)) << error;
    const std::string url = Page("AVI_format.htm").toString().toStdString();
    const HelpWindow first = viewer->Open(url);
    ASSERT_NE(first, 0);
    EXPECT_EQ(viewer->Open(url), first) << "one window shows each new topic";

    kill(static_cast<pid_t>(first), SIGTERM); // as when the user closes the window
    for (int i = 0; i < 500 && viewer->IsOpen(first); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const HelpWindow second = viewer->Open(url);
    EXPECT_NE(second, first);
    EXPECT_TRUE(viewer->IsOpen(second));

    const auto begin = std::chrono::steady_clock::now();
    viewer->CloseAll();
    viewer->Unload();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(2))
        << "the viewer closed itself";
    EXPECT_NE(kill(static_cast<pid_t>(second), 0), 0) << "and was reaped";
}

} // namespace
