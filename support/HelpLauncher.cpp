#include "support/HelpLauncher.h"

#include "support/HelpViewerProcess.h"
#include "support/Trace.h"

#include "platform/ShellFolders.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

CVHtmlHelp* HelpLauncher = nullptr;

void ShowHelpTopic(const std::string& topic)
{
    if (HelpLauncher != nullptr)
        HelpLauncher->ShowTopic(topic);
}

namespace {

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

std::string PercentEncodePath(const std::string& path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size() + path.size() / 4);
    for (unsigned char c : path) {
        if (IsUnreserved(c) || c == '/') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix)
{
    if (text.size() < suffix.size())
        return false;
    return std::equal(suffix.rbegin(), suffix.rend(), text.rbegin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

// The part of a location before its "::": the help file. The file normally
// ends in ".chm", which also tells where it ends when a folder name holds "::".
std::size_t HelpFileEnd(const std::string& location)
{
    for (std::size_t pos = location.find("::"); pos != std::string::npos;
         pos = location.find("::", pos + 1)) {
        if (EndsWithNoCase(location.substr(0, pos), ".chm"))
            return pos;
    }
    return location.rfind("::/");
}

// The first executable regular file called `name` in the folders of PATH;
// an empty entry means the current folder, as the shell reads it.
std::string FindOnPath(const std::string& name)
{
    const char* env = std::getenv("PATH");
    const std::string path = env ? env : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find(':', start);
        std::string folder = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (folder.empty())
            folder = ".";
        const std::string candidate = folder + "/" + name;
        struct stat info { };
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode)
            && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (end == std::string::npos)
            return {};
        start = end + 1;
    }
}

// Owns a posix_spawn attribute set or file-action list for one spawn.
class SpawnSetup final {
public:
    SpawnSetup()
    {
        posix_spawnattr_init(&m_attributes);
        posix_spawn_file_actions_init(&m_actions);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&m_actions);
        posix_spawnattr_destroy(&m_attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawnattr_t m_attributes;
    posix_spawn_file_actions_t m_actions;
};

// The desktop's viewer. Every page is opened by its own `xdg-open`, started
// in a process group of its own so that a close request reaches whatever it
// started to show the page while it still runs. An xdg-open that has ended
// has handed the page to a program of the desktop (usually the running web
// browser), which is the user's and is left alone.
class XdgOpenViewer final : public HelpViewer {
public:
    ~XdgOpenViewer() override { Unload(); }

    bool Load(std::string& error) override
    {
        m_program = FindOnPath("xdg-open");
        if (m_program.empty()) {
            error = "Failed finding 'xdg-open' on PATH";
            return false;
        }
        return true;
    }

    HelpWindow Open(const std::string& url) override
    {
        ReapEnded();
        SpawnSetup setup;
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int signal : { SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGCHLD })
            sigaddset(&defaults, signal);
        posix_spawnattr_setflags(
            &setup.m_attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        posix_spawnattr_setpgroup(&setup.m_attributes, 0);
        posix_spawnattr_setsigmask(&setup.m_attributes, &none);
        posix_spawnattr_setsigdefault(&setup.m_attributes, &defaults);
        posix_spawn_file_actions_addopen(&setup.m_actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

        std::string program = m_program;
        std::string argument = url;
        char* argv[] = { program.data(), argument.data(), nullptr };
        pid_t pid = 0;
        const int error
            = posix_spawn(&pid, m_program.c_str(), &setup.m_actions, &setup.m_attributes, argv, environ);
        if (error != 0) {
            TraceError("CVHtmlHelp Failed starting %s: %s", m_program.c_str(), std::strerror(error));
            return 0;
        }
        m_running.push_back(pid);
        return pid;
    }

    bool IsOpen(HelpWindow window) override
    {
        ReapEnded();
        return IsRunning(window);
    }

    void CloseWindow(HelpWindow window) override
    {
        if (IsRunning(window))
            SignalGroup(static_cast<pid_t>(window), SIGTERM);
    }

    void CloseAll() override
    {
        for (pid_t pid : m_running)
            SignalGroup(pid, SIGTERM);
    }

    void Unload() override
    {
        ReapEnded();
        if (m_running.empty())
            return;
        CloseAll();
        const auto deadline = std::chrono::steady_clock::now() + kGraceTime;
        while (!m_running.empty() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ReapEnded();
        }
        for (pid_t pid : m_running) {
            TraceError("CVHtmlHelp Help viewer %d did not close; ending it", static_cast<int>(pid));
            SignalGroup(pid, SIGKILL);
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) { }
        }
        m_running.clear();
    }

private:
    // A viewer that ignores the close request is ended after this long.
    static constexpr auto kGraceTime = std::chrono::seconds(2);

    bool IsRunning(HelpWindow window) const
    {
        return std::find(m_running.begin(), m_running.end(), static_cast<pid_t>(window)) != m_running.end();
    }

    // Only viewers not yet reaped are signalled, so the group id cannot
    // belong to anyone else.
    static void SignalGroup(pid_t pid, int signal)
    {
        if (kill(-pid, signal) != 0)
            kill(pid, signal);
    }

    void ReapEnded()
    {
        std::erase_if(m_running, [](pid_t pid) {
            int status = 0;
            pid_t result;
            do {
                result = waitpid(pid, &status, WNOHANG);
            } while (result < 0 && errno == EINTR);
            return result != 0;
        });
    }

    std::string m_program;
    std::vector<pid_t> m_running;
};

// The program's own viewer when it is installed, else the desktop's.
class PreferredViewer final : public HelpViewer {
public:
    explicit PreferredViewer(std::string programFolder)
        : m_programFolder(std::move(programFolder))
    {
    }

    bool Load(std::string& error) override
    {
        m_active = MakeHelpViewerProcess(m_programFolder);
        std::string ownError;
        if (m_active->Load(ownError))
            return true;
        TraceWarning("CVHtmlHelp %s; pages open with xdg-open", ownError.c_str());
        m_active = std::make_unique<XdgOpenViewer>();
        return m_active->Load(error);
    }
    HelpWindow Open(const std::string& url) override { return m_active ? m_active->Open(url) : 0; }
    bool IsOpen(HelpWindow window) override { return m_active && m_active->IsOpen(window); }
    void CloseWindow(HelpWindow window) override
    {
        if (m_active)
            m_active->CloseWindow(window);
    }
    void CloseAll() override
    {
        if (m_active)
            m_active->CloseAll();
    }
    void Unload() override
    {
        if (m_active)
            m_active->Unload();
    }

private:
    const std::string m_programFolder;
    std::unique_ptr<HelpViewer> m_active;
};

} // namespace

std::unique_ptr<HelpViewer> MakeDesktopViewer()
{
    return std::make_unique<XdgOpenViewer>();
}

std::unique_ptr<HelpViewer> MakeSystemHelpViewer(const std::string& programFolder)
{
    return std::make_unique<PreferredViewer>(
        programFolder.empty() ? platform::ExecutableFolder() : programFolder);
}

std::string HelpLocationToFileUrl(const std::string& location)
{
    std::string file = location;
    std::string page;
    if (const std::size_t end = HelpFileEnd(location); end != std::string::npos) {
        file = location.substr(0, end);
        page = location.substr(end + 2);
    }
    if (EndsWithNoCase(file, ".chm"))
        file.resize(file.size() - 4);
    if (!file.empty()) {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
        if (!ec)
            file = absolute.string();
    }
    if (!page.empty() && page.front() != '/')
        page.insert(page.begin(), '/');
    return "file://" + PercentEncodePath(file + page);
}
