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
#include <QTextDocument>
#include <QToolBar>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using vantor::test::BinDir;

fs::path HelpFolder()
{
    return BinDir() / "CV Vantor Pro Help/html";
}

QUrl Page(const std::string& name)
{
    return QUrl::fromLocalFile(QString::fromStdString((HelpFolder() / name).string()));
}

// The viewers this process started that are still running.
std::vector<pid_t> ChildViewers()
{
    std::vector<pid_t> viewers;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string pid, name, state;
        long parent = 0;
        if (stat >> pid >> name >> state >> parent && parent == getpid() && name == "(vantor-help-vie)"
            && state != "Z")
            viewers.push_back(std::stoi(pid));
    }
    return viewers;
}

bool WaitFor(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

TEST(HelpViewerTest, NavigatesBackForwardHomeAndIndex)
{
    vantor::test::TestApplication();
    vantor::HelpViewerWindow window;
    QTextBrowser* page = window.Browser();
    auto action = [&window](const char* text) {
        for (QAction* a : window.findChild<QToolBar*>("Navigation")->actions())
            if (a->text() == text)
                return a;
        return static_cast<QAction*>(nullptr);
    };
    window.ShowTopic(Page("AVI_format.htm"));
    EXPECT_EQ(window.windowTitle().toStdString(), "Exporting to AVI - CV Vantor Pro Batch Export Help");

    struct Step {
        const char* action;
        const char* shown;
    };
    const Step steps[] = {
        { "Index", "index.htm" },
        { "Back", "AVI_format.htm" },
        { "Forward", "index.htm" },
        { "Home", "AVI_format.htm" },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.action);
        ASSERT_TRUE(action(step.action));
        action(step.action)->trigger();
        EXPECT_EQ(page->source(), Page(step.shown));
    }
    // A new topic is the new home.
    window.ShowTopic(Page("About_codecs.htm"));
    action("Index")->trigger();
    action("Home")->trigger();
    EXPECT_EQ(page->source(), Page("About_codecs.htm"));
}

TEST(HelpViewerTest, EveryHelpPageShowsItsHeadingAndPictures)
{
    vantor::test::TestApplication();
    vantor::HelpViewerWindow window;
    int pages = 0;
    for (const auto& entry : fs::directory_iterator(HelpFolder())) {
        if (entry.path().extension() != ".htm")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++pages;
        const QString html = QString::fromStdString(vantor::test::ReadFile(entry.path()));
        const QString heading
            = QRegularExpression("<h1[^>]*>([^<]*)</h1>").match(html).captured(1).simplified();
        window.ShowTopic(QUrl::fromLocalFile(QString::fromStdString(entry.path().string())));
        QTextDocument* document = window.Browser()->document();
        EXPECT_FALSE(heading.isEmpty());
        EXPECT_TRUE(document->toPlainText().contains(heading));
        auto images = QRegularExpression("<img src=\"([^\"]+)\"").globalMatch(html);
        while (images.hasNext()) {
            const QString source = images.next().captured(1);
            const QVariant image = document->resource(QTextDocument::ImageResource, QUrl(source));
            EXPECT_FALSE(image.value<QImage>().isNull()) << source.toStdString();
        }
    }
    EXPECT_EQ(pages, 11);
}

TEST(HelpViewerTest, LauncherRunsOneViewerAndCloseEndsIt)
{
    ASSERT_TRUE(fs::exists(BinDir() / kHelpViewerProgram)) << "the build makes the viewer";
    CVHtmlHelp help(CVHtmlHelp::kWorkerMode, MakeSystemHelpViewer(BinDir().string()));
    help.SetHelpFile((BinDir() / "CV Vantor Pro Help.chm").string());
    help.SetHelpFolder("/html/");
    ASSERT_TRUE(help.WaitForService());

    help.ShowTopic("AVI_format");
    ASSERT_TRUE(WaitFor([] { return ChildViewers().size() == 1; }));
    const pid_t first = ChildViewers()[0];
    help.ShowTopic("About_codecs");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(ChildViewers(), std::vector<pid_t> { first }) << "one window shows each new topic";

    // The user closes the window; the next topic opens a new one.
    kill(first, SIGTERM);
    ASSERT_TRUE(WaitFor([] { return ChildViewers().empty(); }));
    help.ShowTopic("AVI_format");
    ASSERT_TRUE(WaitFor([] { return ChildViewers().size() == 1; }));

    const auto begin = std::chrono::steady_clock::now();
    help.Close();
    EXPECT_TRUE(ChildViewers().empty());
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(2))
        << "the viewer closed itself";
}

} // namespace
