// The launcher with the real viewers: stand-in scripts for our own viewer in
// a program folder and for `xdg-open` put first on PATH.

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
#include <sys/prctl.h>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vantor::test::ReadFile;
using vantor::test::TempDir;
using vantor::test::WriteFile;

// A desktop viewer that logs "<pid> <url>" when it starts and "<pid> closed"
// when it is asked to close, and otherwise stays open like a browser.
void WriteStandInViewer(const fs::path& folder, const fs::path& log)
{
    const fs::path script = folder / "xdg-open";
    // The trap is set before the start is logged, so a close request that
    // follows the log line always finds it.
    std::string text = "#!/bin/sh\n";
    text += "trap 'printf \"%s closed\\n\" \"$$\" >> \"" + log.string() + "\"; exit 0' TERM\n";
    text += "printf '%s %s\\n' \"$$\" \"$1\" >> '" + log.string() + "'\n";
    // Ends by itself after 30 s, should a failed test leave it behind.
    text += "i=0; while [ $i -lt 600 ]; do sleep 0.05; i=$((i + 1)); done\n";
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

// "running", "ended" (not yet reaped) or "gone", for a child of the test;
// with 0, for any: "ended" when one is a zombie.
std::string ChildState(pid_t pid)
{
    siginfo_t info {};
    if (waitid(pid == 0 ? P_ALL : P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return "gone";
    return info.si_pid == 0 ? "running" : "ended";
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

// Our own viewer, a stand-in that logs each page read from its input and
// "<pid> closed" at the end of it, shows both pages in one window that
// Close ends. Where it is not installed, the desktop's viewer (the first
// executable `xdg-open` on PATH) gets one process a page, which Close leaves
// running: the browser it stands for is the user's.
TEST_F(HelpViewerProgram, ClosesOurViewerAndLeavesTheDesktopsOneRunning)
{
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0); // adopts the desktop's viewers, to clean them up
    const fs::path other = m_dir.Path() / "other";
    const fs::path program = m_dir.Path() / "program";
    WriteStandInViewer(other, Log());
    WriteFile(Viewers() / "xdg-open", "#!/bin/sh\nexit 0\n");
    fs::permissions(Viewers() / "xdg-open", fs::perms::owner_read | fs::perms::owner_write);
    SetPath(Viewers().string() + ":" + other.string() + ":/usr/bin:/bin");
    for (bool installed : { true, false }) {
        SCOPED_TRACE(installed ? "own viewer" : "desktop's viewer");
        fs::remove(Log());
        fs::remove_all(program);
        if (installed) {
            WriteFile(program / "vantor-help-viewer",
                "#!/bin/sh\nwhile read -r url; do printf '%s %s\\n' \"$$\" \"$url\" >> '" + Log().string()
                    + "'; done\nprintf '%s closed\\n' \"$$\" >> '" + Log().string() + "'\n");
            fs::permissions(program / "vantor-help-viewer", fs::perms::owner_all);
        }
        CVHtmlHelp help(CVHtmlHelp::kWorkerMode, MakeSystemHelpViewer(program.string()));
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
        std::vector<std::string> expected = { first + " " + PageUrl("AVI_format"),
            second + " " + PageUrl("Exporting_to_QuickTime_%28H264%29") };
        if (installed)
            expected.push_back(first + " closed");
        EXPECT_EQ(lines, expected);
        EXPECT_EQ(first == second, installed);
        for (const std::string& pid : { first, second })
            EXPECT_EQ(ChildState(static_cast<pid_t>(std::stoi(pid))), installed ? "gone" : "running") << pid;
        EXPECT_EQ(ChildState(0), installed ? "gone" : "running");
        if (!installed) {
            for (const std::string& pid : { first, second })
                kill(-static_cast<pid_t>(std::stoi(pid)), SIGKILL);
            while (waitpid(-1, nullptr, 0) > 0 || errno == EINTR) { }
        }
    }
}

TEST_F(HelpViewerProgram, IgnoresRequestsWhenNoViewerIsOnPath)
{
    SetPath(Viewers().string());
    CVHtmlHelp help(CVHtmlHelp::kWorkerMode);
    help.SetHelpFile(HelpFile());
    EXPECT_FALSE(help.WaitForService());
    // A viewer installed while the program runs is not picked up.
    WriteStandInViewer(Viewers(), Log());
    help.ShowTopic("AVI_format");
    help.Close();
    EXPECT_FALSE(fs::exists(Log()));
}

} // namespace
