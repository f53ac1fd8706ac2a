#include "support/HelpLauncher.h"
#include "support/CVHtmlHelp.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// What a scripted viewer was asked to do, shared between the test and the
// viewer that the launcher owns.
struct ViewerScript {
    bool loads = true;
    HelpWindow window = 7; // returned by Open; 0 makes every Open fail
    bool windowStaysOpen = true;
    bool holdFirstOpen = false;

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> calls;
    std::vector<std::string> opened;
    std::vector<std::thread::id> threads;
    bool insideOpen = false;
    bool released = false;

    void Record(const std::string& call)
    {
        std::lock_guard lock(mutex);
        calls.push_back(call);
        threads.push_back(std::this_thread::get_id());
    }
    void WaitInsideOpen()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return insideOpen; });
    }
    void Release()
    {
        std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
};

class ScriptedViewer final : public HelpViewer {
public:
    explicit ScriptedViewer(std::shared_ptr<ViewerScript> script)
        : m_script(std::move(script))
    {
    }

    bool Load(std::string& error) override
    {
        m_script->Record("Load");
        if (!m_script->loads)
            error = "no viewer here";
        return m_script->loads;
    }
    HelpWindow Open(const std::string& url) override
    {
        m_script->Record("Open");
        std::unique_lock lock(m_script->mutex);
        m_script->opened.push_back(url);
        if (m_script->holdFirstOpen && !m_script->released) {
            m_script->insideOpen = true;
            m_script->changed.notify_all();
            m_script->changed.wait(lock, [this] { return m_script->released; });
        }
        return m_script->window;
    }
    bool IsOpen(HelpWindow window) override
    {
        m_script->Record("IsOpen " + std::to_string(window));
        return m_script->windowStaysOpen;
    }
    void CloseWindow(HelpWindow window) override
    {
        m_script->Record("CloseWindow " + std::to_string(window));
    }
    void CloseAll() override { m_script->Record("CloseAll"); }
    void Unload() override { m_script->Record("Unload"); }

private:
    std::shared_ptr<ViewerScript> m_script;
};

std::unique_ptr<HelpViewer> Viewer(const std::shared_ptr<ViewerScript>& script)
{
    return std::make_unique<ScriptedViewer>(script);
}

// The folder is stored with one slash at each end (none when empty), and the
// location joins help file, folder and topic.
TEST(HelpLauncher, NormalisesTheFolderAndBuildsTheLocation)
{
    const struct {
        const char* folder;
        const char* stored;
        const char* topic;
        const char* location;
    } cases[] = {
        { "html", "/html/", "About_codecs", "/opt/v/CV Vantor Pro Help.chm::/html/About_codecs.htm" },
        { "/html", "/html/", "AVI_format", "/opt/v/CV Vantor Pro Help.chm::/html/AVI_format.htm" },
        { "html/", "/html/", "AVI_format", "/opt/v/CV Vantor Pro Help.chm::/html/AVI_format.htm" },
        { "/html/", "/html/", "Exporting_to_QuickTime_(H264)",
            "/opt/v/CV Vantor Pro Help.chm::/html/Exporting_to_QuickTime_(H264).htm" },
        { "", "", "AVI_format", "/opt/v/CV Vantor Pro Help.chm::/AVI_format.htm" },
        { "/", "/", "AVI_format", "/opt/v/CV Vantor Pro Help.chm::/AVI_format.htm" },
        { "a/b", "/a/b/", "X", "/opt/v/CV Vantor Pro Help.chm::/a/b/X.htm" },
    };
    auto script = std::make_shared<ViewerScript>();
    CVHtmlHelp help(CVHtmlHelp::kDirectMode, Viewer(script));
    help.SetHelpFile("/opt/v/CV Vantor Pro Help.chm");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("folder \"") + c.folder + "\"");
        help.SetHelpFolder(c.folder);
        EXPECT_EQ(help.HelpFolder(), c.stored);
        help.ShowTopic(c.topic);
        EXPECT_EQ(help.Location(), c.location);
    }
}

TEST(HelpLauncher, TurnsLocationsIntoFileUrlsOfThePagesFolder)
{
    const struct {
        const char* location;
        const char* url;
    } cases[] = {
        { "/opt/v/CV Vantor Pro Help.chm::/html/AVI_format.htm",
            "file:///opt/v/CV%20Vantor%20Pro%20Help/html/AVI_format.htm" },
        { "/opt/v/Help.CHM::/AVI_format.htm", "file:///opt/v/Help/AVI_format.htm" },
        { "/opt/v/Help.chm::/html/Exporting_to_QuickTime_(H264).htm",
            "file:///opt/v/Help/html/Exporting_to_QuickTime_%28H264%29.htm" },
        // A folder name with "::" in it still ends at the help file's ".chm".
        { "/opt/a::b/Help.chm::/html/X.htm", "file:///opt/a%3A%3Ab/Help/html/X.htm" },
        // Bytes of UTF-8 names are encoded one by one.
        { "/opt/\xC3\xA9t\xC3\xA9/Help.chm::/html/X.htm", "file:///opt/%C3%A9t%C3%A9/Help/html/X.htm" },
        // A help file that is already a folder is used as it is.
        { "/opt/v/Help::/html/X.htm", "file:///opt/v/Help/html/X.htm" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(HelpLocationToFileUrl(c.location), c.url) << c.location;
}

TEST(HelpLauncher, ShowsTheLatestRequestOnceWhenRequestsArriveDuringADisplay)
{
    auto script = std::make_shared<ViewerScript>();
    script->holdFirstOpen = true;
    CVHtmlHelp help(CVHtmlHelp::kWorkerMode, Viewer(script));
    help.SetHelpFile("/p/Help.chm");
    help.SetHelpFolder("html");
    ASSERT_TRUE(help.WaitForService());

    help.ShowTopic("First");
    script->WaitInsideOpen();
    std::vector<std::thread> callers;
    for (int t = 0; t < 6; ++t) {
        callers.emplace_back([&help, t] {
            for (int i = 0; i < 200; ++i)
                help.ShowTopic("Topic_" + std::to_string(t) + "_" + std::to_string(i));
        });
    }
    for (auto& caller : callers)
        caller.join();
    help.ShowTopic("Latest");
    script->Release();
    help.Close();

    const std::vector<std::string> expected
        = { "file:///p/Help/html/First.htm", "file:///p/Help/html/Latest.htm" };
    EXPECT_EQ(script->opened, expected);
}

// In worker mode every viewer call is made on the worker thread; in direct
// mode on the caller's, and the page is open when ShowTopic returns.
TEST(HelpLauncher, ClosesHelpWindowsWhenClosed)
{
    const struct {
        const char* name;
        bool showTopic;
        HelpWindow window;
        bool stillOpen;
        std::vector<std::string> closeCalls;
    } cases[] = {
        { "window open", true, 7, true, { "IsOpen 7", "CloseWindow 7", "Unload" } },
        { "window closed by the user", true, 7, false, { "IsOpen 7", "Unload" } },
        { "display failed", true, 0, true, { "CloseAll", "Unload" } },
        { "nothing shown", false, 7, true, { "CloseAll", "Unload" } },
    };
    for (const auto& c : cases) {
        for (int mode : { CVHtmlHelp::kWorkerMode, CVHtmlHelp::kDirectMode }) {
            auto script = std::make_shared<ViewerScript>();
            script->window = c.window;
            script->windowStaysOpen = c.stillOpen;
            CVHtmlHelp help(mode, Viewer(script));
            help.SetHelpFile("/p/Help.chm");
            SCOPED_TRACE(std::string(c.name) + (mode == CVHtmlHelp::kWorkerMode ? ", worker" : ", direct"));
            if (c.showTopic)
                help.ShowTopic("AVI_format");
            if (c.showTopic && mode == CVHtmlHelp::kDirectMode) {
                std::lock_guard lock(script->mutex);
                EXPECT_EQ(script->opened, std::vector<std::string> { "file:///p/Help/AVI_format.htm" });
            }
            ASSERT_TRUE(help.WaitForService());
            help.Close();
            EXPECT_FALSE(help.WaitForService());
            // Load, Open for a display, then the close calls.
            std::vector<std::string> expected { "Load" };
            if (c.showTopic)
                expected.push_back("Open");
            expected.insert(expected.end(), c.closeCalls.begin(), c.closeCalls.end());
            EXPECT_EQ(script->calls, expected);
            for (std::thread::id id : script->threads) {
                EXPECT_EQ(id, script->threads.front());
                EXPECT_EQ(id == std::this_thread::get_id(), mode == CVHtmlHelp::kDirectMode);
            }
        }
    }
}

TEST(HelpLauncher, CloseWaitsForTheWindowsToClose)
{
    auto script = std::make_shared<ViewerScript>();
    CVHtmlHelp help(CVHtmlHelp::kWorkerMode, Viewer(script));
    help.SetHelpFile("/p/Help.chm");
    help.ShowTopic("AVI_format");
    ASSERT_TRUE(help.WaitForService());
    const auto start = std::chrono::steady_clock::now();
    help.Close();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    // After Close the viewer has been released and later requests are ignored.
    ASSERT_FALSE(script->calls.empty());
    EXPECT_EQ(script->calls.back(), "Unload");
    const std::size_t calls = script->calls.size();
    help.ShowTopic("About_codecs");
    help.Close();
    EXPECT_EQ(script->calls.size(), calls);
}

TEST(HelpLauncher, IgnoresRequestsSilentlyWithoutAViewer)
{
    for (int mode : { CVHtmlHelp::kWorkerMode, CVHtmlHelp::kDirectMode }) {
        auto script = std::make_shared<ViewerScript>();
        script->loads = false;
        CVHtmlHelp help(mode, Viewer(script));
        help.SetHelpFile("/p/Help.chm");
        EXPECT_FALSE(help.WaitForService());
        help.ShowTopic("AVI_format");
        help.ShowTopic("About_codecs");
        help.Close();
        EXPECT_EQ(script->calls, std::vector<std::string> { "Load" }) << "mode " << mode;
    }
}

TEST(HelpLauncher, DoesNotShowLocationsLongerThanTheLimit)
{
    const std::string file = "/p/Help.chm";
    const std::string fixed = file + "::/html/" + ".htm";
    const struct {
        std::size_t length;
        bool shown;
    } cases[] = {
        { CVHtmlHelp::kMaxLocation - 1, true },
        { CVHtmlHelp::kMaxLocation, false },
        { CVHtmlHelp::kMaxLocation + 500, false },
    };
    for (const auto& c : cases) {
        auto script = std::make_shared<ViewerScript>();
        CVHtmlHelp help(CVHtmlHelp::kDirectMode, Viewer(script));
        help.SetHelpFile(file);
        help.SetHelpFolder("html");
        help.ShowTopic(std::string(c.length - fixed.size(), 'x'));
        ASSERT_EQ(help.Location().size(), c.length);
        EXPECT_EQ(script->opened.size(), c.shown ? 1u : 0u) << "length " << c.length;
    }
}

TEST(HelpLauncher, NamesItsHandOverAfterTheProcess)
{
    CVHtmlHelp help(CVHtmlHelp::kWorkerMode, Viewer(std::make_shared<ViewerScript>()));
    EXPECT_EQ(help.ShowEventName(), "CVHTMLHelpEvent_" + std::to_string(getpid()));
    EXPECT_EQ(help.TerminateEventName(), "CVHTMLHelpTermEvent_" + std::to_string(getpid()));
}

TEST(HelpLauncher, ShowHelpTopicReachesTheProgramsLauncher)
{
    ShowHelpTopic("Nobody_listens"); // no launcher: nothing happens
    auto script = std::make_shared<ViewerScript>();
    {
        CVHtmlHelp help(CVHtmlHelp::kDirectMode, Viewer(script));
        help.SetHelpFile("/p/Help.chm");
        help.SetHelpFolder("/html/");
        HelpLauncher = &help;
        ShowHelpTopic(help_topic::kCodecs);
        HelpLauncher = nullptr;
        help.Close();
    }
    EXPECT_EQ(script->opened, std::vector<std::string> { "file:///p/Help/html/About_codecs.htm" });
}

} // namespace
