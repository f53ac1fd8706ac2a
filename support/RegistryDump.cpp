#include "support/RegistryDump.h"

#include "platform/ShellFolders.h"
#include "xml/XMLSettings.h"
#include "xml/XMLValueText.h"

#include <array>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <strings.h>

namespace vantor::trace {

namespace {

constexpr std::array<const char*, 9> kRootNames
    = { "HKEY_CLASSES_ROOT", "HKEY_CURRENT_CONFIG", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
          "HKEY_PERFORMANCE_DATA", "HKEY_PERFORMANCE_TEXT", "HKEY_PERFORMANCE_NLSTEXT", "HKEY_DYN_DATA" };

std::vector<std::string> SplitKey(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The key's section in a loaded file, or null.
const TXMLKey* FindSection(const TXMLKey& root, const std::string& section)
{
    const TXMLKey* key = &root;
    for (const std::string& name : SplitKey(section)) {
        const auto found = key->SubKeys().find(name);
        if (found == key->SubKeys().end())
            return nullptr;
        key = found->second.get();
    }
    return key;
}

// The registry's name for a value's type and the value's text as the dump
// shows it.
std::pair<const char*, std::string> RegistryText(const TXMLPayload& payload)
{
    switch (static_cast<TXMLValueType>(payload.index() + 1)) {
    case TXMLValueType::None:
        return { "REG_NONE", "" };
    case TXMLValueType::Boolean:
        return { "REG_DWORD", std::get<bool>(payload) ? "1" : "0" };
    case TXMLValueType::Integer:
        return { "REG_DWORD", std::to_string(static_cast<std::uint32_t>(std::get<std::int32_t>(payload))) };
    case TXMLValueType::Int64: {
        char text[24];
        std::snprintf(
            text, sizeof text, "%" PRIx64, static_cast<std::uint64_t>(std::get<std::int64_t>(payload)));
        return { "REG_QWORD", text };
    }
    case TXMLValueType::MultiString:
        return { "REG_MULTI_SZ", XMLValueText(payload) };
    case TXMLValueType::Binary: {
        static constexpr char kDigits[] = "0123456789abcdef";
        std::string text;
        for (const std::uint8_t byte : std::get<TXMLBinary>(payload)) {
            text += kDigits[byte >> 4];
            text += kDigits[byte & 15];
        }
        return { "REG_BINARY", text };
    }
    default:
        // Strings, and the store's floats and dates, which the registry
        // keeps as text.
        return { "REG_SZ", XMLValueText(payload) };
    }
}

class RegistryDump final {
public:
    explicit RegistryDump(const RegistryDumpSink& sink)
        : m_sink(sink)
    {
    }

    void Key(const std::string& keyPath, bool recursive)
    {
        const std::optional<RegistryKeyFile> location = LocateRegistryKey(keyPath);
        TXMLSettings settings(false);
        const TXMLKey* key = nullptr;
        int error = ENOENT;
        if (location && settings.ReadXMLSettingsFile(location->file))
            key = FindSection(settings.RootKey(), location->section);
        else if (location && settings.LastError() != 0)
            error = settings.LastError();
        if (key == nullptr) {
            Fail("LogStoreRegistryValues -- registry key <" + keyPath + "> cannot be open, ", error);
            return;
        }
        Values(keyPath, *key, recursive);
    }

private:
    void Values(const std::string& keyPath, const TXMLKey& key, bool recursive)
    {
        for (const auto& [name, value] : key.Values()) {
            if (value.IsUnreadable()) {
                Fail("LogStoreRegistryValues -- registry key <" + keyPath + "> value <" + name
                        + "> cannot be retrieved, ",
                    EINVAL);
                continue;
            }
            const auto [type, text] = RegistryText(value.Payload());
            m_sink(15, keyPath + "\t" + name + "\t" + type + "\t" + text);
        }
        if (!recursive)
            return;
        for (const auto& [name, subKey] : key.SubKeys())
            Values(keyPath + "\\" + name, *subKey, true);
    }

    void Fail(const std::string& message, int error) { m_sink(3, message + " -- " + std::strerror(error)); }

    const RegistryDumpSink& m_sink;
};

// The value of attribute `name` in the text of one <key ...> entry.
std::optional<std::string> Attribute(const std::string& entry, const std::string& name)
{
    const std::string opening = name + "=\"";
    const std::size_t at = entry.find(opening);
    if (at == std::string::npos)
        return std::nullopt;
    const std::size_t start = at + opening.size();
    const std::size_t end = entry.find('"', start);
    if (end == std::string::npos)
        return std::nullopt;
    return entry.substr(start, end - start);
}

} // namespace

std::optional<RegistryKeyFile> LocateRegistryKey(const std::string& keyPath)
{
    std::string root = "HKEY_CURRENT_USER";
    std::string subKey = keyPath;
    const std::string first = keyPath.substr(0, keyPath.find('\\'));
    for (const char* name : kRootNames) {
        if (strcasecmp(first.c_str(), name) == 0) {
            root = name;
            subKey = first.size() < keyPath.size() ? keyPath.substr(first.size() + 1) : std::string();
        }
    }
    std::string folder;
    if (root == "HKEY_CURRENT_USER")
        folder = platform::ApplicationDataFolder();
    else if (root == "HKEY_LOCAL_MACHINE")
        folder = platform::CommonApplicationDataFolder();
    const std::vector<std::string> parts = SplitKey(subKey);
    if (folder.empty() || parts.size() < 2 || strcasecmp(parts[0].c_str(), "Software") != 0)
        return std::nullopt;
    const std::string& maker = parts[1];
    const std::string& application = parts.size() > 2 ? parts[2] : maker;
    RegistryKeyFile location { folder + "/" + maker + "/" + application + ".xml", {} };
    for (std::size_t i = 3; i < parts.size(); ++i)
        location.section += (i > 3 ? "\\" : "") + parts[i];
    return location;
}

std::optional<std::string> ReadRegistryString(const std::string& keyPath, const std::string& valueName)
{
    const std::optional<RegistryKeyFile> location = LocateRegistryKey(keyPath);
    if (!location)
        return std::nullopt;
    std::error_code error;
    if (!std::filesystem::is_regular_file(location->file, error))
        return std::nullopt;
    TXMLSettings settings(false);
    if (!settings.ReadXMLSettingsFile(location->file))
        return std::nullopt;
    const TXMLKey* key = FindSection(settings.RootKey(), location->section);
    const TXMLValue* value = key ? key->FindValue(valueName) : nullptr;
    if (value == nullptr || value->IsUnreadable())
        return std::nullopt;
    return XMLValueText(value->Payload());
}

std::vector<std::string> RegistryDumpConfigNames(const std::string& programName)
{
    const std::size_t dot = programName.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? programName : programName.substr(0, dot);
    return { "BugReportInfo.xml", stem + ".LogSys.xml", programName + ".LogSys.xml", "CVBR-" + stem + ".xml",
        "CVBR-" + programName + ".xml" };
}

void LogStoreRegistryValuesCfg(
    const std::filesystem::path& programFolder, const std::string& programName, const RegistryDumpSink& sink)
{
    std::filesystem::path config;
    for (const std::string& name : RegistryDumpConfigNames(programName)) {
        std::error_code error;
        if (std::filesystem::exists(programFolder / name, error)) {
            config = programFolder / name;
            break;
        }
    }
    if (config.empty()) {
        sink(2, "LogStoreRegistryValuesCfg -- XML configuration file not found");
        return;
    }
    std::ifstream file(config, std::ios::binary);
    if (!file) {
        sink(3, "XMLCfgFile <" + config.string() + "> cannot be open");
        return;
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(config, error);
    if (error) {
        sink(3, "XMLCfgFile: Cannot read file size");
        return;
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!file.read(text.data(), static_cast<std::streamsize>(text.size()))) {
        sink(3, "XMLCfgFile: cannot read from file " + std::to_string(size) + " bytes");
        return;
    }
    const std::size_t open = text.find("<regkeys>");
    const std::size_t close = open == std::string::npos ? open : text.find("</regkeys>", open);
    const std::string section
        = close == std::string::npos ? std::string() : text.substr(open + 9, close - open - 9);
    if (section.find("<key") == std::string::npos) {
        sink(3, "No RegKeys section or any keys in config file");
        return;
    }
    RegistryDump dump(sink);
    for (std::size_t at = section.find("<key"); at != std::string::npos; at = section.find("<key", at)) {
        const std::size_t end = section.find('>', at);
        if (end == std::string::npos) {
            sink(3, "Bad XML config file format");
            return;
        }
        const std::string entry = section.substr(at, end - at);
        at = end;
        const std::optional<std::string> name = Attribute(entry, "Name");
        if (!name) {
            sink(3, "Invalid registry key description: Name is missed");
            continue;
        }
        const std::optional<std::string> recursive = Attribute(entry, "Recursive");
        dump.Key(*name, recursive && strcasecmp(recursive->c_str(), "true") == 0);
    }
}

} // namespace vantor::trace
