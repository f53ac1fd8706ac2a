#include "support/HelpLauncher.h"
#include "support/CVHtmlHelp.h"

#include "ScriptedHelpViewer.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace {

using vantor::test::Viewer;
using vantor::test::ViewerScript;

// The folder is stored with one slash at each end (none when empty); the
// location joins help file, folder and topic, and the page is the file URL
// of the folder named after the help file.
TEST(HelpLauncher, NormalisesTheFolderAndBuildsTheLocationAndPageWithinTheLimit)
{
    const struct {
        const char* file;
        const char* folder;
        const char* stored;
        const char* topic;
        const char* location;
        const char* url;
    } cases[] = {
        { "/opt/v/CV Vantor Pro Help.chm", "html", "/html/", "About_codecs",
            "/opt/v/CV Vantor Pro Help.chm::/html/About_codecs.htm",
            "file:///opt/v/CV%20Vantor%20Pro%20Help/html/About_codecs.htm" },
        { "/opt/v/Help.chm", "/html", "/html/", "A", "/opt/v/Help.chm::/html/A.htm",
            "file:///opt/v/Help/html/A.htm" },
        { "/opt/v/Help.CHM", "html/", "/html/", "Exporting_to_QuickTime_(H264)",
            "/opt/v/Help.CHM::/html/Exporting_to_QuickTime_(H264).htm",
            "file:///opt/v/Help/html/Exporting_to_QuickTime_%28H264%29.htm" },
        { "/opt/v/Help.chm", "/html/", "/html/", "A", "/opt/v/Help.chm::/html/A.htm",
            "file:///opt/v/Help/html/A.htm" },
        { "/opt/v/Help.chm", "", "", "A", "/opt/v/Help.chm::/A.htm", "file:///opt/v/Help/A.htm" },
        { "/opt/v/Help.chm", "/", "/", "A", "/opt/v/Help.chm::/A.htm", "file:///opt/v/Help/A.htm" },
        { "/opt/v/Help.chm", "a/b", "/a/b/", "X", "/opt/v/Help.chm::/a/b/X.htm",
            "file:///opt/v/Help/a/b/X.htm" },
        // A folder name with "::" in it still ends at the help file's ".chm".
        { "/opt/a::b/Help.chm", "html", "/html/", "X", "/opt/a::b/Help.chm::/html/X.htm",
            "file:///opt/a%3A%3Ab/Help/html/X.htm" },
        // Bytes of UTF-8 names are encoded one by one.
        { "/opt/\xC3\xA9t\xC3\xA9/Help.chm", "html", "/html/", "X",
            "/opt/\xC3\xA9t\xC3\xA9/Help.chm::/html/X.htm", "file:///opt/%C3%A9t%C3%A9/Help/html/X.htm" },
        // A help file that is already a folder is used as it is.
        { "/opt/v/Help", "html", "/html/", "X", "/opt/v/Help::/html/X.htm", "file:///opt/v/Help/html/X.htm" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " \"" + c.folder + "\"");
        auto script = std::make_shared<ViewerScript>();
        CVHtmlHelp help(CVHtmlHelp::kDirectMode, Viewer(script));
        help.SetHelpFile(c.file);
        help.SetHelpFolder(c.folder);
        EXPECT_EQ(help.HelpFolder(), c.stored);
        help.ShowTopic(c.topic);
        EXPECT_EQ(help.Location(), c.location);
        EXPECT_EQ(script->opened, std::vector<std::string> { c.url });
    }

    // Locations longer than the limit are not shown.
    const std::string fixed = "/p/Help.chm::/.htm";
    for (std::size_t length : { CVHtmlHelp::kMaxLocation - 1, CVHtmlHelp::kMaxLocation }) {
        auto script = std::make_shared<ViewerScript>();
        CVHtmlHelp help(CVHtmlHelp::kDirectMode, Viewer(script));
        help.SetHelpFile("/p/Help.chm");
        help.ShowTopic(std::string(length - fixed.size(), 'x'));
        ASSERT_EQ(help.Location().size(), length);
        EXPECT_EQ(script->opened.size(), length < CVHtmlHelp::kMaxLocation ? 1u : 0u) << length;
    }
}

// The viewer calls from load to close, in both modes; after Close further
// requests are ignored.
TEST(HelpLauncher, ShowsAndClosesThroughTheViewerTheLatestRequestOnceAndServesTheProgram)
{
    const struct {
        const char* name;
        bool loads;
        bool showTopic;
        HelpWindow window;
        bool stillOpen;
        std::vector<std::string> calls;
    } cases[] = {
        { "window open", true, true, 7, true, { "Load", "Open", "IsOpen 7", "CloseWindow 7", "Unload" } },
        { "window closed by the user", true, true, 7, false, { "Load", "Open", "IsOpen 7", "Unload" } },
        { "display failed", true, true, 0, true, { "Load", "Open", "CloseAll", "Unload" } },
        { "nothing shown", true, false, 7, true, { "Load", "CloseAll", "Unload" } },
        { "no viewer", false, true, 7, true, { "Load" } },
    };
    for (const auto& c : cases) {
        for (int mode : { CVHtmlHelp::kWorkerMode, CVHtmlHelp::kDirectMode }) {
            SCOPED_TRACE(std::string(c.name) + (mode == CVHtmlHelp::kWorkerMode ? ", worker" : ", direct"));
            auto script = std::make_shared<ViewerScript>();
            script->loads = c.loads;
            script->window = c.window;
            script->windowStaysOpen = c.stillOpen;
            CVHtmlHelp help(mode, Viewer(script));
            help.SetHelpFile("/p/Help.chm");
            if (c.showTopic)
                help.ShowTopic("AVI_format");
            EXPECT_EQ(help.WaitForService(), c.loads);
            help.Close();
            EXPECT_FALSE(help.WaitForService());
            help.ShowTopic("About_codecs");
            help.Close();
            EXPECT_EQ(script->calls, c.calls);
        }
    }

    // Requests arriving during a display: the latest is shown once.
    auto held = std::make_shared<ViewerScript>();
    held->holdFirstOpen = true;
    CVHtmlHelp holding(CVHtmlHelp::kWorkerMode, Viewer(held));
    holding.SetHelpFile("/p/Help.chm");
    holding.ShowTopic("First");
    {
        std::unique_lock lock(held->mutex);
        held->changed.wait(lock, [&] { return held->insideOpen; });
    }
    for (const char* topic : { "A", "B", "Latest" })
        holding.ShowTopic(topic);
    held->Release();
    holding.Close();
    EXPECT_EQ(
        held->opened, (std::vector<std::string> { "file:///p/Help/First.htm", "file:///p/Help/Latest.htm" }));

    // The hand-over is named after the process; the launcher serves the program.
    ShowHelpTopic("Nobody_listens"); // no launcher: nothing happens
    auto served = std::make_shared<ViewerScript>();
    CVHtmlHelp launcher(CVHtmlHelp::kWorkerMode, Viewer(served));
    EXPECT_EQ(launcher.ShowEventName(), "CVHTMLHelpEvent_" + std::to_string(getpid()));
    EXPECT_EQ(launcher.TerminateEventName(), "CVHTMLHelpTermEvent_" + std::to_string(getpid()));
    launcher.SetHelpFile("/p/Help.chm");
    launcher.SetHelpFolder("/html/");
    HelpLauncher = &launcher;
    ShowHelpTopic(help_topic::kCodecs);
    HelpLauncher = nullptr;
    launcher.Close();
    EXPECT_EQ(served->opened, std::vector<std::string> { "file:///p/Help/html/About_codecs.htm" });
}

} // namespace
