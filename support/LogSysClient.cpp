#include "support/LogSysClient.h"

#include "support/CrashFilter.h"
#include "support/RegistryDump.h"
#include "support/Trace.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <spawn.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <syslog.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vantor::trace {

namespace {

constexpr int kServerStartWaitMs = 5000;
constexpr int kServerStopWaitMs = 1000;
std::atomic<int> g_verbosity { 1 };
std::atomic<bool> g_registryDump { true };

int MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count());
}

std::string SystemMessage(int error)
{
    return std::to_string(error) + " (" + std::strerror(error) + ")";
}

std::filesystem::path ProgramFolder()
{
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
}

} // namespace

void SetRegistryDump(bool enabled)
{
    g_registryDump.store(enabled);
}

void SetEventLogVerbosity(int verbosity)
{
    g_verbosity.store(verbosity);
}

void ReportEvent(const char* category, int type, const std::string& message)
{
    // Type 1 passes at verbosity 1, 2 at 2, 4 (information) only at 3.
    const int level = type == 4 ? 3 : type;
    if (level > g_verbosity.load())
        return;
    const int error = errno;
    const int priority = type == 1 ? LOG_ERR : type == 2 ? LOG_WARNING : LOG_INFO;
    openlog(category, LOG_PID, LOG_USER);
    if (type == 4)
        syslog(priority, "%s", message.c_str());
    else
        syslog(priority, "%s -- %s", message.c_str(), std::strerror(error));
    closelog();
}

std::filesystem::path ServerSocketPath(const std::string& nameSuffix)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::filesystem::path folder = runtime && *runtime ? runtime : "/tmp";
    return folder / ("LogSysSvc Server" + nameSuffix);
}

std::string OperatingSystemName()
{
    std::string name = "Unknown";
    std::ifstream release("/etc/os-release");
    for (std::string line; std::getline(release, line);) {
        if (line.rfind("PRETTY_NAME=", 0) == 0) {
            name = line.substr(12);
            if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
                name = name.substr(1, name.size() - 2);
        }
    }
    utsname system {};
    if (uname(&system) == 0)
        name += std::string(", ") + system.sysname + " " + system.release;
    return name;
}

CCVLogSysClient::CCVLogSysClient(std::string nameSuffix, std::filesystem::path serverFolder)
    : CCVLogSysBase(nameSuffix)
    , m_suffix(std::move(nameSuffix))
    , m_serverFolder(serverFolder.empty() ? ProgramFolder() : std::move(serverFolder))
{
}

CCVLogSysClient::~CCVLogSysClient()
{
    if (m_isTransport && TraceTransport() == this)
        SetTraceTransport(nullptr);
    if (m_filterInstalled)
        RemoveCrashFilter();
}

std::optional<std::string> CCVLogSysClient::Call(const std::string& operation, const std::string& argument)
{
    const std::string path = ServerSocketPath(m_suffix);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return std::nullopt;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> answer;
    const std::string request = operation + " " + argument + "\n";
    timeval timeout { 2, 0 };
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        std::string text;
        char buffer[256];
        ssize_t got;
        while ((got = recv(fd, buffer, sizeof buffer, 0)) > 0)
            text.append(buffer, static_cast<std::size_t>(got));
        if (got == 0 && !text.empty() && text.back() == '\n') {
            text.pop_back();
            answer = text;
        } else {
            ReportEvent(
                "LogSys.Client", 1, operation + ": Exception occurred. Error " + SystemMessage(errno));
        }
    }
    close(fd);
    return answer;
}

bool CCVLogSysClient::IsServerAvailable()
{
    return Call("isServerConnected") == "1";
}

bool CCVLogSysClient::iCreateRegistrationMMF()
{
    if (Call("iCreateRegistrationMMF") != "1")
        ReportEvent("LogSys.Base", 2, "iCreateRegistrationMMF: the server did not create the mapping");
    if (!CCVLogSysBase::iCreateRegistrationMMF()) {
        ReportEvent("LogSys.Base", 1, LastError());
        return false;
    }
    ReportEvent("LogSys.Base", 4, "iCreateRegistrationMMF success");
    return true;
}

bool CCVLogSysClient::SpawnServer(const std::string& program)
{
    m_server = 0;
    if (access(program.c_str(), X_OK) != 0)
        return false;
    // The server outlives this process when other clients remain: it gets a
    // session of its own.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    const std::string suffixArgument = m_suffix;
    char* argv[] = { const_cast<char*>(program.c_str()), const_cast<char*>("-z"),
        const_cast<char*>(suffixArgument.empty() ? nullptr : "--suffix"),
        const_cast<char*>(suffixArgument.empty() ? nullptr : suffixArgument.c_str()), nullptr };
    const int result = posix_spawn(&m_server, program.c_str(), nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    errno = result;
    return result == 0;
}

bool CCVLogSysClient::StartServer()
{
    const std::optional<std::string> installed
        = ReadRegistryString("HKEY_LOCAL_MACHINE\\Software\\LogSys", "Installation Path");
    if (installed && !installed->empty()) {
        if (!SpawnServer(*installed)) {
            ReportEvent("LogSys.Client", 1, "Failed creating server process");
            return false;
        }
        ReportEvent("LogSys.Client", 4, "Server process creation from Installation Path succeeded");
    } else if (!SpawnServer((m_serverFolder / "LogSysServer").string())) {
        ReportEvent("LogSys.Client", 2, "Failed creating LogSysServer process");
        if (!SpawnServer((m_serverFolder / "LogSysMicro").string())) {
            ReportEvent("LogSys.Client", 2, "Failed creating LogSysMicro.exe process");
            return false;
        }
    } else {
        ReportEvent("LogSys.Client", 4, "LogSysServer process from module fo;der created");
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kServerStartWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (IsServerAvailable())
            return true;
        // A server that has already ended (it could not open its socket or
        // buffer, or another one serves) is not waited for.
        int status = 0;
        if (m_server > 0 && waitpid(m_server, &status, WNOHANG) == m_server) {
            m_server = 0;
            if (IsServerAvailable())
                return true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ReportEvent("LogSys.Client", 1, "WaitForInputIdle failed. Error " + SystemMessage(ETIMEDOUT));
    return false;
}

void CCVLogSysClient::StopServer()
{
    ReportEvent("LogSys.Client", 4, "Server stopping");
    const auto start = std::chrono::steady_clock::now();
    if (Call("StopLogSysServer") != "1") {
        ReportEvent("LogSys.Client", 2, "Server cannot be stopped");
        return;
    }
    const int asked = MillisecondsSince(start);
    const auto waitStart = std::chrono::steady_clock::now();
    while (MillisecondsSince(waitStart) < kServerStopWaitMs && IsServerAvailable())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    char text[96];
    std::snprintf(
        text, sizeof text, "Server stopped after %d + %d msec", asked, MillisecondsSince(waitStart));
    ReportEvent("LogSys.Client", 4, text);
}

void CCVLogSysClient::ReportPreviousFilter()
{
    // These lines are reported whatever the verbosity.
    const int verbosity = g_verbosity.exchange(3);
    if (const void* previous = PreviousCrashHandler()) {
        char text[160];
        std::snprintf(text, sizeof text,
            "OldUnhandledExceptionFilterProc address is %p, UnhandledExceptionFilter address in kernel32.dll "
            "is %p",
            previous, nullptr);
        ReportEvent("LogSys.Client", 4, text);
    } else {
        ReportEvent("LogSys.Client", 4, "OldUnhandledExceptionFilterProc == NULL");
    }
    g_verbosity.store(verbosity);
}

bool CCVLogSysClient::Start()
{
    const char* name = program_invocation_short_name;
    if (strcasecmp(name, "regsvr32") == 0 || strcasecmp(name, "LogSysServer") == 0) {
        SetLoggingEnabled(false);
        return false;
    }
    bool connected = IsServerAvailable();
    ReportEvent("LogSys.Client", connected ? 4 : 2, connected ? "Connection succeeded" : "Connection failed");
    if (!connected)
        connected = StartServer();
    if (connected)
        SetServerDisabled(Call("isLogSysDisabled") == "1");
    ReportEvent("LogSys.Base", 4, "OS type is: " + OperatingSystemName());
    bool registered = false;
    if (connected && !ServerDisabled()) {
        registered = iCreateRegistrationMMF();
        ReportEvent("LogSys.Client", registered ? 4 : 1,
            registered ? "MMF registered successfully" : "MMF registration failed");
        if (registered && g_registryDump.load()) {
            LogStoreRegistryValuesCfg(
                m_serverFolder, program_invocation_short_name, [this](int type, const std::string& text) {
                    if (type == 2)
                        ReportEvent("LogSys.Client", 2, text);
                    else
                        Send({ static_cast<RecordType>(type), static_cast<std::uint32_t>(gettid()), text },
                            true);
                });
        }
    }
    if (connected && !registered)
        StopServer();
    if (registered) {
        SetTraceTransport(this);
        m_isTransport = true;
        ReportEvent("LogSys.Client", 4, "Allowing exit when no clients");
        if (Call("AllowExitWhenNoClients") == "1")
            ReportEvent("LogSys.Client", 4, "Allowed exit when no clients");
    }
    m_filterInstalled = InstallCrashFilter();
    ReportPreviousFilter();
    return registered;
}

LogSysProgramClient::LogSysProgramClient()
    : m_client(new CCVLogSysClient())
{
    m_client->Start();
}

LogSysProgramClient::~LogSysProgramClient()
{
    delete m_client;
}

} // namespace vantor::trace
