#include "support/HelpViewerProcess.h"

#include "support/Trace.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

// A viewer that has not ended this long after its input closed is killed.
constexpr auto kGraceTime = std::chrono::seconds(2);

class FileDescriptor final {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor() { Reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        Reset();
        m_fd = other.m_fd;
        other.m_fd = -1;
        return *this;
    }

    int Get() const { return m_fd; }
    void Reset()
    {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
};

class HelpViewerProcess final : public HelpViewer {
public:
    explicit HelpViewerProcess(std::string programFolder)
        : m_program(std::move(programFolder) + "/" + kHelpViewerProgram)
    {
    }
    ~HelpViewerProcess() override { Unload(); }

    bool Load(std::string& error) override
    {
        if (access(m_program.c_str(), X_OK) != 0) {
            error = "Failed finding " + m_program + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }

    HelpWindow Open(const std::string& url) override
    {
        const std::string line = url + "\n";
        if (IsRunning() && Send(line))
            return m_pid;
        // The window was closed by the user, or never opened.
        Stop();
        if (!Start() || !Send(line)) {
            Stop();
            return 0;
        }
        return m_pid;
    }

    bool IsOpen(HelpWindow window) override { return window == m_pid && IsRunning(); }

    void CloseWindow(HelpWindow window) override
    {
        if (window == m_pid)
            CloseAll();
    }

    // The end of its input is the viewer's close request.
    void CloseAll() override { m_input.Reset(); }

    void Unload() override { Stop(); }

private:
    bool Start()
    {
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
            TraceError("CVHtmlHelp socketpair failed: %s", std::strerror(errno));
            return false;
        }
        FileDescriptor ours(ends[0]);
        FileDescriptor theirs(ends[1]);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, theirs.Get(), STDIN_FILENO);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int signal : { SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGCHLD })
            sigaddset(&defaults, signal);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &defaults);

        std::string program = m_program;
        char* argv[] = { program.data(), nullptr };
        pid_t pid = 0;
        const int error = posix_spawn(&pid, m_program.c_str(), &actions, &attributes, argv, environ);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0) {
            TraceError("CVHtmlHelp Failed starting %s: %s", m_program.c_str(), std::strerror(error));
            return false;
        }
        m_pid = pid;
        m_input = std::move(ours);
        return true;
    }

    bool Send(const std::string& line)
    {
        std::size_t sent = 0;
        while (sent < line.size()) {
            const ssize_t n = send(m_input.Get(), line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }

    bool IsRunning()
    {
        if (m_pid == 0)
            return false;
        pid_t result;
        do {
            result = waitpid(static_cast<pid_t>(m_pid), nullptr, WNOHANG);
        } while (result < 0 && errno == EINTR);
        if (result == 0)
            return true;
        m_pid = 0;
        m_input.Reset();
        return false;
    }

    // Closes the viewer's input and waits for it to end, killing it when it
    // does not; nothing it was is left behind.
    void Stop()
    {
        m_input.Reset();
        const auto deadline = std::chrono::steady_clock::now() + kGraceTime;
        while (IsRunning() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (m_pid != 0) {
            TraceError("CVHtmlHelp Help viewer %ld did not close; ending it", m_pid);
            kill(static_cast<pid_t>(m_pid), SIGKILL);
            while (waitpid(static_cast<pid_t>(m_pid), nullptr, 0) < 0 && errno == EINTR) { }
            m_pid = 0;
        }
    }

    const std::string m_program;
    HelpWindow m_pid = 0;
    FileDescriptor m_input;
};

} // namespace

std::unique_ptr<HelpViewer> MakeHelpViewerProcess(const std::string& programFolder)
{
    return std::make_unique<HelpViewerProcess>(programFolder);
}
