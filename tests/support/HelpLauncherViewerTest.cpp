// The launcher with the real viewer: a stand-in `xdg-open` script written
// into the test's folder and put first on PATH.

#include "support/CVHtmlHelp.h"
#include "support/HelpLauncher.h"

#include "TestEnvironment.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vantor::test::ReadFile;
using vantor::test::TempDir;
using vantor::test::WriteFile;

// A viewer that logs "<pid> <url>" when it starts and "<pid> closed" when it
// is asked to close, and otherwise stays open like a help window. With
// `stubborn` it ignores the close request.
void WriteStandInViewer(const fs::path& folder, const fs::path& log, bool stubborn)
{
    const fs::path script = folder / "xdg-open";
    // The trap is set before the start is logged, so a close request that
    // follows the log line always finds it.
    std::string text = "#!/bin/sh\n";
    if (stubborn)
        text += "trap '' TERM\n";
    else
        text += "trap 'printf \"%s closed\\n\" \"$$\" >> \"" + log.string() + "\"; exit 0' TERM\n";
    text += "printf '%s %s\\n' \"$$\" \"$1\" >> '" + log.string() + "'\n";
    text += "while :; do sleep 0.05; done\n";
    WriteFile(script, text);
    fs::permissions(script, fs::perms::owner_all);
}

std::vector<std::string> Lines(const fs::path& path)
{
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(path));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool WaitForLines(const fs::path& path, std::size_t count)
{
    return vantor::test::Eventually([&] { return Lines(path).size() >= count; }, std::chrono::seconds(10));
}

bool ProcessExists(pid_t pid)
{
    return kill(pid, 0) == 0 || errno != ESRCH;
}

class HelpViewerProgram : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(Viewers()); }

    fs::path Viewers() const { return m_dir.Path() / "viewers"; }
    fs::path Log() const { return m_dir.Path() / "viewer.log"; }
    // The help file of a program installed in the test's folder.
    std::string HelpFile() const { return (m_dir.Path() / "CV Vantor Pro Help.chm").string(); }
    std::string PageUrl(const std::string& topic) const
    {
        return "file://" + m_dir.Path().string() + "/CV%20Vantor%20Pro%20Help/html/" + topic + ".htm";
    }
    void SetPath(const std::string& path) { m_path.emplace("PATH", path.c_str()); }

    TempDir m_dir;
    std::optional<vantor::test::ScopedEnv> m_path;
};

// A non-executable file first on PATH is passed over; every window, one
// that ignores the close request too, is gone when the launcher is closed.
TEST_F(HelpViewerProgram, OpensPagesAndLeavesNoViewerBehind)
{
    for (bool stubborn : { false, true }) {
        SCOPED_TRACE(stubborn ? "ignores the close request" : "closes");
        const fs::path other = m_dir.Path() / "other";
        fs::remove(Log());
        WriteStandInViewer(other, Log(), stubborn);
        WriteFile(Viewers() / "xdg-open", "#!/bin/sh\nexit 0\n");
        fs::permissions(Viewers() / "xdg-open", fs::perms::owner_read | fs::perms::owner_write);
        SetPath(Viewers().string() + ":" + other.string() + ":/usr/bin:/bin");
        CVHtmlHelp help(CVHtmlHelp::kWorkerMode);
        help.SetHelpFile(HelpFile());
        help.SetHelpFolder("/html/");
        ASSERT_TRUE(help.WaitForService());
        help.ShowTopic("AVI_format");
        ASSERT_TRUE(WaitForLines(Log(), 1));
        help.ShowTopic("Exporting_to_QuickTime_(H264)");
        ASSERT_TRUE(WaitForLines(Log(), 2));
        help.Close();
        const std::vector<std::string> lines = Lines(Log());
        ASSERT_GE(lines.size(), 2u);
        const std::string first = lines[0].substr(0, lines[0].find(' '));
        const std::string second = lines[1].substr(0, lines[1].find(' '));
        EXPECT_EQ(lines[0], first + " " + PageUrl("AVI_format"));
        EXPECT_EQ(lines[1], second + " " + PageUrl("Exporting_to_QuickTime_%28H264%29"));
        EXPECT_EQ(std::count(lines.begin(), lines.end(), second + " closed"), stubborn ? 0 : 1);
        for (const std::string& pid : { first, second })
            EXPECT_FALSE(ProcessExists(static_cast<pid_t>(std::stoi(pid)))) << pid;
    }
}

TEST_F(HelpViewerProgram, IgnoresRequestsWhenNoViewerIsOnPath)
{
    SetPath(Viewers().string());
    CVHtmlHelp help(CVHtmlHelp::kWorkerMode);
    help.SetHelpFile(HelpFile());
    EXPECT_FALSE(help.WaitForService());
    // A viewer installed while the program runs is not picked up.
    WriteStandInViewer(Viewers(), Log(), false);
    help.ShowTopic("AVI_format");
    help.Close();
    EXPECT_FALSE(fs::exists(Log()));
}

} // namespace
