#pragma once

// How the settings store reports its own failures: a message box (the
// program's dialog interface; standard error without a user interface) and
// a syslog record under the source "CVXMLSettings".

#include <string>
#include <vector>

// The syslog record of one report: its priority and its strings (the text,
// the executable's path and, unless the report is information, the system
// message of `errorCode` when there is one).
struct TXMLSettingsEvent {
    int priority = 0;
    std::vector<std::string> strings;
};

TXMLSettingsEvent XMLSettingsEvent(const std::string& text, unsigned flags, int errorCode);

// Shows the message (unless the program is "aspnet_wp.exe") and logs it.
// `errorCode` is the errno the report is about, 0 when none. Any thread may
// report: the dialog interface shows a report from a thread other than the
// user-interface thread there, without waiting for it.
void ReportXMLSettingsMessage(
    const std::string& text, const std::string& caption, unsigned flags, int errorCode);
// Only the syslog record, for failures the store keeps from the user (a
// settings file that cannot be opened or read).
void LogXMLSettingsMessage(const std::string& text, unsigned flags, int errorCode);

// The system's text for an errno, or "No text message" when it has none.
std::string XMLSettingsSystemMessage(int errorCode);

// "The XML configuration file <path> can not be <what> (<operation>)" with
// the current directory, the error code in decimal and hexadecimal and its
// system message.
std::string XMLSettingsFileMessage(
    const std::string& path, const char* what, const char* operation, int errorCode);
