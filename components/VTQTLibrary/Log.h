#pragma once

// The library's log: every line goes to the function the user installed
// with SetupLogText, as text.

#include "VTQTLibrary.h"

#include <string>

namespace vtqt {

void SetLogFunction(VTQTLogFunction log);
// Sends `line` unchanged; nothing without an installed function.
void LogLine(const std::string& line);
// printf-style; the formatted line is cut at 1024 characters.
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace vtqt
