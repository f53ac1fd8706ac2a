#pragma once

// The log server. It owns the reading side of the shared trace buffer and
// writes every record to the log file of the program that sent it,
// <state folder>/LogSys/<program>.log, where the state folder is
// $XDG_STATE_HOME, else ~/.local/state. A file past kRotateBytes is renamed
// to <program>.log.1 (replacing the older one) and started again.
//
// A line reads "<date> <time> <process id> <thread id> <type>: <text>", for
// example "2026-12-06 21:50:01.123 4711 4712 Warning: disk almost full".
//
// The server answers the clients' remote operations on the Unix socket of
// ServerSocketPath and ends when asked to stop, or once it may exit when no
// clients are left and none is.

#include "support/LogSysBase.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

namespace logsys {

std::filesystem::path LogFolder();

class LogSysServer final {
public:
    explicit LogSysServer(std::string nameSuffix = {});
    // Serves until stopped. The exit code: 0, or 1 when the buffer or the
    // socket cannot be opened (another server already running is 0).
    int Run();

    static constexpr std::uintmax_t kRotateBytes = 10 * 1024 * 1024;

private:
    std::string Answer(const std::string& operation, const std::string& argument);
    void WriteRecord(const vantor::trace::RecordView& record);
    std::ofstream& LogFile(const std::string& program);

    std::string m_suffix;
    vantor::trace::CCVLogSysBase m_buffer;
    std::filesystem::path m_folder;
    std::map<std::string, std::ofstream> m_files;
    std::set<std::uint32_t> m_disabledClients;
    bool m_exitAllowed = false;
    bool m_stopRequested = false;
};

// Prints the lines that the server adds to PROGRAM's log (every program's
// when empty) as they arrive, until interrupted.
int Follow(const std::string& program);

} // namespace logsys
