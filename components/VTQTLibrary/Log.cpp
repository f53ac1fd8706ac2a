#include "Log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace vtqt {

namespace {
// Set on the program's thread, read on the engine's.
std::atomic<VTQTLogFunction> g_log { nullptr };
} // namespace

void SetLogFunction(VTQTLogFunction log)
{
    g_log.store(log);
}

void LogLine(const std::string& line)
{
    if (const VTQTLogFunction log = g_log.load())
        log(line.c_str());
}

void Log(const char* format, ...)
{
    if (g_log.load() == nullptr)
        return;
    char line[1025];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    LogLine(line);
}

} // namespace vtqt
