#pragma once

// Registry keys on this system, and the log client's registry dump.
//
// A key is a settings-store file: "HKEY_CURRENT_USER\Software\<maker>\<app>"
// is the per-user file <user config>/<maker>/<app>.xml and
// "HKEY_LOCAL_MACHINE\Software\<maker>\<app>" the all-users one under the
// common config folder; what follows <app> names sections inside the file.
// A key of a maker alone ("Software\LogSys") is the file <maker>/<maker>.xml.
// Other roots have no files here and cannot be opened.
//
// The dump reads a configuration file beside the program that names keys:
//   <regkeys><key Name="HKEY_CURRENT_USER\Software\Corvane\Vantor"
//                 Recursive="true"/></regkeys>
// and sends one registry-value record per value: the key path, the value
// name, the type name and the value text, separated by tabs.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantor::trace {

struct RegistryKeyFile {
    std::string file; // the settings file
    std::string section; // the sections inside it, '\'-separated; empty: the file's root
};

// Where `keyPath` lives; nothing for a root without files or a path that
// names no maker under "Software". A path that starts with none of the
// root names is taken under HKEY_CURRENT_USER.
std::optional<RegistryKeyFile> LocateRegistryKey(const std::string& keyPath);

// The text of one value of a key, nothing when the key or value is missing.
std::optional<std::string> ReadRegistryString(const std::string& keyPath, const std::string& valueName);

// The configuration file names looked for in the program's folder, in
// order, for the program file `programName`.
std::vector<std::string> RegistryDumpConfigNames(const std::string& programName);

// What the dump sends: a registry value (type 15), an error (type 3) or a
// warning for the client's own report (type 2), with its text.
using RegistryDumpSink = std::function<void(int type, const std::string& text)>;

// Runs the dump for the program `programName` in `programFolder`.
void LogStoreRegistryValuesCfg(
    const std::filesystem::path& programFolder, const std::string& programName, const RegistryDumpSink& sink);

} // namespace vantor::trace
