#include "LogSysServer.h"

#include "support/LogSysClient.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace logsys {

namespace {

using vantor::trace::RecordView;

constexpr int kPollMs = 20;
// How long the server waits, once no client is left, for a new one.
constexpr int kIdleExitMs = 1000;

const char* TypeName(std::int32_t type)
{
    switch (type) {
    case 1:
        return "Information";
    case 2:
        return "Warning";
    case 3:
        return "Error";
    case 7:
        return "Thread name";
    case 14:
        return "Exception";
    case 15:
        return "Registry value";
    }
    return "Record";
}

// The wall-clock time of a moment `ago` (100 ns units) before now.
std::string Timestamp(std::int64_t ago)
{
    const auto now = std::chrono::system_clock::now()
        - std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::nanoseconds(std::max<std::int64_t>(ago, 0) * 100));
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis
        = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local {};
    localtime_r(&seconds, &local);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
        local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(millis));
    return text;
}

// A listening Unix socket that removes its file when it goes.
class Listener final {
public:
    ~Listener()
    {
        if (m_fd >= 0) {
            close(m_fd);
            unlink(m_path.c_str());
        }
    }
    bool Listen(const std::string& path)
    {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        if (path.size() >= sizeof address.sun_path)
            return false;
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        unlink(path.c_str()); // left by a server that died
        m_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        const mode_t old = umask(0077);
        const bool bound
            = m_fd >= 0 && bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        umask(old);
        if (!bound || listen(m_fd, 16) != 0) {
            if (m_fd >= 0)
                close(m_fd);
            m_fd = -1;
            return false;
        }
        m_path = path;
        return true;
    }
    int Fd() const { return m_fd; }

private:
    int m_fd = -1;
    std::string m_path;
};

} // namespace

std::filesystem::path LogFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state)
        return std::filesystem::path(state) / "LogSys";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : "/tmp") / ".local/state/LogSys";
}

LogSysServer::LogSysServer(std::string nameSuffix)
    : m_suffix(nameSuffix)
    , m_buffer(std::move(nameSuffix))
    , m_folder(LogFolder())
{
}

std::string LogSysServer::Answer(const std::string& operation, const std::string& argument)
{
    if (operation == "isServerConnected" || operation == "GetReportPerModule"
        || operation == "iCreateRegistrationMMF")
        return "1";
    if (operation == "ServerVersion")
        return "1.0.0.0";
    if (operation == "isLogSysDisabled")
        return "0";
    if (operation == "AllowExitWhenNoClients") {
        m_exitAllowed = true;
        return "1";
    }
    if (operation == "StopLogSysServer") {
        m_stopRequested = true;
        return "1";
    }
    // "<process id> <0|1>" and "<process id>".
    const auto processId = static_cast<std::uint32_t>(std::strtoul(argument.c_str(), nullptr, 10));
    if (operation == "SetClientLogEnabled") {
        if (argument.ends_with(" 0"))
            m_disabledClients.insert(processId);
        else
            m_disabledClients.erase(processId);
        return "1";
    }
    if (operation == "GetClientLogEnabled")
        return m_disabledClients.contains(processId) ? "0" : "1";
    return "";
}

std::ofstream& LogSysServer::LogFile(const std::string& program)
{
    const std::filesystem::path path = m_folder / (program + ".log");
    auto it = m_files.find(program);
    std::error_code error;
    if (it != m_files.end() && std::filesystem::file_size(path, error) > kRotateBytes) {
        it->second.close();
        std::filesystem::rename(path, path.string() + ".1", error);
        m_files.erase(it);
        it = m_files.end();
    }
    if (it == m_files.end())
        it = m_files.emplace(program, std::ofstream(path, std::ios::app)).first;
    return it->second;
}

void LogSysServer::WriteRecord(const RecordView& record)
{
    if (m_disabledClients.contains(record.processId))
        return;
    std::string program = m_buffer.SlotModule(static_cast<int>(record.slot), record.processId);
    if (program.empty() || program.find('/') != std::string::npos || program[0] == '.')
        program = "unknown";
    // The line carries the client's time of the record: its registration
    // time base plus the record's stamp, on the monotonic clock both sides
    // share, told as wall-clock time. A slot already taken again gives the
    // time of reading.
    std::int64_t ago = 0;
    if (const auto base = m_buffer.SlotTimeBase(static_cast<int>(record.slot), record.processId))
        ago = vantor::trace::CCVLogSysBase::MonotonicNow() - (*base + record.timeStamp);
    LogFile(program) << Timestamp(ago) << ' ' << record.processId << ' ' << record.threadId << ' '
                     << TypeName(record.type) << ": " << record.text << '\n';
}

int LogSysServer::Run()
{
    const std::string socketPath = vantor::trace::ServerSocketPath(m_suffix);
    {
        vantor::trace::CCVLogSysClient probe(m_suffix);
        if (probe.IsServerAvailable())
            return 0; // another server serves already
    }
    std::error_code error;
    std::filesystem::create_directories(m_folder, error);
    if (!m_buffer.OpenAsReader()) {
        std::cerr << "LogSysServer: " << m_buffer.LastError() << '\n';
        return 1;
    }
    Listener listener;
    if (!listener.Listen(socketPath)) {
        std::cerr << "LogSysServer: cannot listen on " << socketPath << ": " << std::strerror(errno) << '\n';
        return 1;
    }
    auto idleSince = std::chrono::steady_clock::now();
    while (!m_stopRequested) {
        pollfd waiting { listener.Fd(), POLLIN, 0 };
        // A client asking something is about to register: the idle time
        // starts again, so the server does not leave under it.
        bool asked = false;
        if (poll(&waiting, 1, kPollMs) > 0) {
            while (true) {
                const int client = accept4(listener.Fd(), nullptr, nullptr, SOCK_CLOEXEC);
                if (client < 0)
                    break;
                asked = true;
                timeval timeout { 1, 0 };
                setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
                std::string request;
                char buffer[256];
                ssize_t got;
                while (request.find('\n') == std::string::npos
                    && (got = recv(client, buffer, sizeof buffer, 0)) > 0)
                    request.append(buffer, static_cast<std::size_t>(got));
                const std::string line = request.substr(0, request.find('\n'));
                const std::size_t space = line.find(' ');
                const std::string answer
                    = Answer(line.substr(0, space),
                          space == std::string::npos ? std::string() : line.substr(space + 1))
                    + "\n";
                send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
                close(client);
            }
        }
        if (m_buffer.Drain([&](const RecordView& record) { WriteRecord(record); }) > 0)
            for (auto& [program, file] : m_files)
                file.flush();
        const auto now = std::chrono::steady_clock::now();
        if (asked || m_buffer.LiveClients() > 0 || !m_exitAllowed)
            idleSince = now;
        else if (now - idleSince > std::chrono::milliseconds(kIdleExitMs))
            break;
    }
    m_buffer.Drain([&](const RecordView& record) { WriteRecord(record); });
    // With no client left the buffer is over: its names go, so that nothing
    // stays behind in /dev/shm, and the next client makes a fresh one.
    if (m_buffer.LiveClients() == 0)
        vantor::trace::UnlinkSharedObjects(m_suffix);
    return 0;
}

int Follow(const std::string& program)
{
    const std::filesystem::path folder = LogFolder();
    std::map<std::filesystem::path, std::uintmax_t> offsets; // what was printed of each file
    bool first = true;
    for (;;) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            const auto& path = entry.path();
            if (path.extension() != ".log" || (!program.empty() && path.stem() != program))
                continue;
            const std::uintmax_t size = std::filesystem::file_size(path, error);
            auto [it, added] = offsets.try_emplace(path, first ? size : 0);
            if (size < it->second)
                it->second = 0; // rotated: the file started again
            if (size == it->second)
                continue;
            std::ifstream in(path, std::ios::binary);
            in.seekg(static_cast<std::streamoff>(it->second));
            std::string line;
            while (std::getline(in, line) && !in.eof()) {
                std::cout << (program.empty() ? path.stem().string() + ": " : std::string()) << line << '\n';
                it->second += line.size() + 1;
            }
        }
        std::cout.flush();
        first = false;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

} // namespace logsys
