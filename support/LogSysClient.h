#pragma once

// The client of the log server: connects to it (starting it when needed),
// registers the process in the shared buffer, becomes the trace transport
// and installs the crash filter. Without a server, and without a server
// program to start, nothing is registered and the trace calls keep
// returning at once.
//
// The server's remote operations travel over a Unix socket,
// $XDG_RUNTIME_DIR/"LogSysSvc Server" (else /tmp): one request line
// ("<operation> <argument>") and one answer line per connection.
// The client's own problems go to syslog, filtered by the verbosity.

#include "support/LogSysBase.h"

#include <filesystem>
#include <optional>
#include <sys/types.h>

namespace vantor::trace {

// Event-log verbosity: 1 errors only, 2 errors and warnings, 3 everything.
void SetEventLogVerbosity(int verbosity);
// Reports `message` to syslog under `category` ("LogSys.Base",
// "LogSys.Client"); type 1 error, 2 warning, 4 information.
void ReportEvent(const char* category, int type, const std::string& message);

// Whether a registered client runs the registry dump (initially on).
void SetRegistryDump(bool enabled);

// The socket of the server's remote operations.
std::filesystem::path ServerSocketPath(const std::string& nameSuffix = {});

// The system's name for the "OS type is: %s" report: the distribution's
// PRETTY_NAME and the kernel release.
std::string OperatingSystemName();

class CCVLogSysClient final : public CCVLogSysBase {
public:
    // `serverFolder` stands for this program's folder (the default): it
    // holds the LogSysServer program to start and the registry dump's
    // configuration file. The server named by "Installation Path" of
    // HKEY_LOCAL_MACHINE\Software\LogSys comes first.
    explicit CCVLogSysClient(std::string nameSuffix = {}, std::filesystem::path serverFolder = {});
    ~CCVLogSysClient() override;

    // The start-up steps. True when the process is registered and the
    // client is the trace transport.
    bool Start();

    bool iCreateRegistrationMMF() override;
    bool IsServerAvailable() override;

    // One remote operation; the answer, or nothing when the server did not
    // answer (reported as "<operation>: Exception occurred. Error %u (%s)").
    std::optional<std::string> Call(const std::string& operation, const std::string& argument = {});

private:
    bool StartServer();
    bool SpawnServer(const std::string& program);
    void StopServer();
    void ReportPreviousFilter();

    std::string m_suffix;
    std::filesystem::path m_serverFolder;
    bool m_isTransport = false;
    bool m_filterInstalled = false;
    pid_t m_server = 0; // the server this client started, while it is waited for
};

// The client of a program: the program's main file holds one at namespace
// scope, so that it starts before the program's own code and is released at
// exit. Test programs that run the same code do without it.
class LogSysProgramClient final {
public:
    LogSysProgramClient();
    ~LogSysProgramClient();
    LogSysProgramClient(const LogSysProgramClient&) = delete;
    LogSysProgramClient& operator=(const LogSysProgramClient&) = delete;

private:
    CCVLogSysClient* m_client;
};

} // namespace vantor::trace
