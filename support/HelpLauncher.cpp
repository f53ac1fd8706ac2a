#include "support/HelpLauncher.h"

#include "support/HelpViewerProcess.h"
#include "support/Trace.h"

#include "platform/ShellFolders.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// The desktop's viewer. Every page is handed to its own `xdg-open`, which
// usually passes it to the user's web browser or runs the browser itself
// until the user closes it. Either way the window is the user's, not ours:
// xdg-open is started detached, in a session of its own under the system's
// reaper, so it is never waited for and no close request ever reaches it or
// what it runs.
class XdgOpenViewer final : public HelpViewer {
public:
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
        const int error = StartDetached(url);
        if (error != 0) {
            TraceError("CVHtmlHelp Failed starting %s: %s", m_program.c_str(), std::strerror(error));
            return 0;
        }
        return kHandedOver;
    }

    bool IsOpen(HelpWindow) override { return false; }
    void CloseWindow(HelpWindow) override { }
    void CloseAll() override { }
    void Unload() override { }

private:
    // Stands for every page handed over: there is no window of ours to close.
    static constexpr HelpWindow kHandedOver = -1;

    // Runs `xdg-open url` as a grandchild: the child in between ends at once
    // and is reaped here, so xdg-open is adopted by the system. Returns 0, or
    // the error of fork or exec. Between fork and exec only async-signal-safe
    // calls are made, as other threads may hold locks.
    int StartDetached(const std::string& url) const
    {
        std::string program = m_program;
        std::string argument = url;
        char* argv[] = { program.data(), argument.data(), nullptr };
        int report[2];
        if (pipe2(report, O_CLOEXEC) != 0)
            return errno;
        sigset_t none;
        sigemptyset(&none);
        const pid_t child = fork();
        if (child < 0) {
            const int error = errno;
            close(report[0]);
            close(report[1]);
            return error;
        }
        if (child == 0) {
            close(report[0]);
            const pid_t grandchild = fork();
            if (grandchild < 0) {
                const int error = errno;
                [[maybe_unused]] const ssize_t written = write(report[1], &error, sizeof error);
                _exit(1);
            }
            if (grandchild != 0)
                _exit(0);
            setsid();
            struct sigaction defaults { };
            defaults.sa_handler = SIG_DFL;
            for (int signal : { SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGCHLD })
                sigaction(signal, &defaults, nullptr);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            const int input = open("/dev/null", O_RDONLY);
            if (input >= 0 && input != STDIN_FILENO) {
                dup2(input, STDIN_FILENO);
                close(input);
            }
            execve(argv[0], argv, environ);
            const int error = errno;
            [[maybe_unused]] const ssize_t written = write(report[1], &error, sizeof error);
            _exit(127);
        }
        close(report[1]);
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) { }
        // The pipe reaches end of file when xdg-open has started; an error
        // of fork or exec arrives on it first.
        int error = 0;
        ssize_t got;
        do {
            got = read(report[0], &error, sizeof error);
        } while (got < 0 && errno == EINTR);
        close(report[0]);
        return got == sizeof error ? error : 0;
    }

    std::string m_program;
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
