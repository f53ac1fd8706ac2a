#include "xml/XMLSettingsReport.h"

#include "platform/Dialogs.h"
#include "platform/ShellFolders.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string.h>
#include <syslog.h>
#include <unistd.h>

namespace {

constexpr const char* kEventSource = "CVXMLSettings";

bool EqualsNoCase(const std::string& a, const char* b)
{
    return a.size() == std::strlen(b) && strncasecmp(a.c_str(), b, a.size()) == 0;
}

std::string CurrentDirectory()
{
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

} // namespace

std::string XMLSettingsSystemMessage(int errorCode)
{
    const char* text = errorCode != 0 ? strerrordesc_np(errorCode) : nullptr;
    return text != nullptr ? text : "No text message";
}

std::string XMLSettingsFileMessage(
    const std::string& path, const char* what, const char* operation, int errorCode)
{
    const char* format
        = "The XML configuration file %s can not be %s (%s)\n\nCurrent directory is %s\n\nError "
          "code %d (0x%08X)\n%s";
    std::string directory = CurrentDirectory();
    std::string message = XMLSettingsSystemMessage(errorCode);
    int length = std::snprintf(nullptr, 0, format, path.c_str(), what, operation, directory.c_str(),
        errorCode, static_cast<unsigned>(errorCode), message.c_str());
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, path.c_str(), what, operation, directory.c_str(),
        errorCode, static_cast<unsigned>(errorCode), message.c_str());
    text.resize(static_cast<size_t>(length));
    return text;
}

TXMLSettingsEvent XMLSettingsEvent(const std::string& text, unsigned flags, int errorCode)
{
    TXMLSettingsEvent event;
    unsigned icon = flags & platform::MB_ICONMASK;
    bool information = false;
    if (icon == platform::MB_ICONWARNING) {
        event.priority = LOG_WARNING;
    } else if (icon == platform::MB_ICONERROR) {
        event.priority = LOG_ERR;
    } else if (icon == platform::MB_ICONQUESTION || icon == platform::MB_ICONINFORMATION) {
        event.priority = LOG_INFO;
        information = true;
    } else {
        event.priority = LOG_NOTICE; // a success event
    }
    event.strings = { text, platform::ExecutablePath() };
    if (!information && errorCode != 0) {
        if (const char* message = strerrordesc_np(errorCode))
            event.strings.emplace_back(message);
    }
    return event;
}

void ReportXMLSettingsMessage(
    const std::string& text, const std::string& caption, unsigned flags, int errorCode)
{
    std::string executable = platform::ExecutablePath();
    std::string fileName = executable.substr(executable.find_last_of('/') + 1);
    if (!EqualsNoCase(fileName, "aspnet_wp.exe"))
        platform::MessageBox(nullptr, text, caption, flags);
    LogXMLSettingsMessage(text, flags, errorCode);
}

void LogXMLSettingsMessage(const std::string& text, unsigned flags, int errorCode)
{
    TXMLSettingsEvent event = XMLSettingsEvent(text, flags, errorCode);
    // One record per report; line breaks would split it in the journal.
    std::string record;
    for (const std::string& part : event.strings) {
        if (!record.empty())
            record += " | ";
        record += part;
    }
    for (char& c : record) {
        if (c == '\n')
            c = ' ';
    }
    static std::mutex syslogLock;
    std::lock_guard lock(syslogLock);
    openlog(kEventSource, LOG_PID, LOG_USER);
    syslog(event.priority, "%s", record.c_str());
    closelog();
}
