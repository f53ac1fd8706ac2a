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

namespace vantor::trace {

// Event-log verbosity: 1 errors only, 2 errors and warnings, 3 everything.
void SetEventLogVerbosity(int verbosity);
// Reports `message` to syslog under `category` ("LogSys.Base",
// "LogSys.Client"); type 1 error, 2 warning, 4 information.
void ReportEvent(const char* category, int type, const std::string& message);

// The socket of the server's remote operations.
std::filesystem::path ServerSocketPath(const std::string& nameSuffix = {});

// The system's name for the "OS type is: %s" report: the distribution's
// PRETTY_NAME and the kernel release.
std::string OperatingSystemName();

class CCVLogSysClient final : public CCVLogSysBase {
public:
    // `serverFolder` holds the LogSysServer program to start (default: this
    // program's folder).
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

    std::string m_suffix;
    std::filesystem::path m_serverFolder;
    bool m_isTransport = false;
    bool m_filterInstalled = false;
};

} // namespace vantor::trace
