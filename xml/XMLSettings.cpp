#include "xml/XMLSettings.h"

#include "platform/Dialogs.h"
#include "platform/ShellFolders.h"
#include "xml/AdvXMLParser.h"
#include "xml/XMLSettingsDocument.h"
#include "xml/XMLSettingsFile.h"
#include "xml/XMLSettingsReport.h"
#include "xml/XMLSettingsWatcher.h"
#include "xml/XMLValueConvert.h"
#include "xml/XMLValueText.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace {

constexpr const char* kMakerFolder = "Corvane";

// The application-data folders, found once for the process.
struct ProcessFolders {
    std::string user = platform::ApplicationDataFolder();
    std::string common = platform::CommonApplicationDataFolder();
};

const ProcessFolders& Folders()
{
    static const ProcessFolders folders;
    return folders;
}

// What follows the last separator of an application name.
std::string FilePart(const std::string& applicationName)
{
    size_t at = applicationName.find_last_of("/\\:");
    return at == std::string::npos ? applicationName : applicationName.substr(at + 1);
}

bool MissingFileError(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

// Follows the sections of a key from `root`; with `create` missing sections
// are made. Gives the section (null when not found) and the value name.
template <typename Key> std::pair<Key*, std::string> Resolve(Key& root, const std::string& key, bool create)
{
    std::string path = key.empty() || key.front() != '\\' ? "\\" + key : key;
    size_t last = path.find_last_of('\\');
    std::string name = path.substr(last + 1);
    Key* section = &root;
    size_t at = 1;
    while (at <= last) {
        size_t end = path.find('\\', at);
        if (end > at) {
            std::string part = path.substr(at, end - at);
            if constexpr (std::is_const_v<Key>) {
                section = section->FindSubKey(part);
            } else {
                section = create ? &section->SubKey(part) : section->FindSubKey(part);
            }
            if (section == nullptr)
                return { nullptr, name };
        }
        at = end + 1;
    }
    return { section, name };
}

void MergeKey(const TXMLKey& changed, TXMLKey& held)
{
    // A value whose text did not fit its type has that type too: an outside
    // correction of it is taken, and a new unfitting text replaces it.
    for (const auto& [name, value] : changed.Values()) {
        TXMLValue* current = held.FindValue(name);
        if (current == nullptr || current->Modified() || current->Type() != value.Type())
            continue;
        current->Assign(value.Payload());
        if (value.IsUnreadable())
            current->MarkUnreadable(value.UnreadableTypeName(), value.UnreadableText());
    }
    for (const auto& [name, subKey] : changed.SubKeys()) {
        if (TXMLKey* heldSubKey = held.FindSubKey(name))
            MergeKey(*subKey, *heldSubKey);
    }
}

} // namespace

TXMLSettings::TXMLSettings(bool watchChanges)
    : m_watchChanges(watchChanges)
{
    Folders();
}

TXMLSettings::~TXMLSettings()
{
    if (m_watchChanges)
        Unwatch();
}

void TXMLSettings::DocumentDeleter::operator()(AdvXMLParser::Document* document) const
{
    delete document;
}

std::string TXMLSettings::UserFilePath(const std::string& applicationName)
{
    return Folders().user + "/" + kMakerFolder + "/" + FilePart(applicationName) + ".xml";
}

std::string TXMLSettings::CommonFilePath(const std::string& applicationName)
{
    // The Windows design appends " Common" where the all-users folder is the
    // user's own; the XDG folders are always distinct.
    return Folders().common + "/" + kMakerFolder + "/" + FilePart(applicationName) + ".xml";
}

bool TXMLSettings::ReadXMLSettings(const std::string& applicationName, bool common)
{
    m_document.reset();
    m_common = common;
    return Load(common ? CommonFilePath(applicationName) : UserFilePath(applicationName), true);
}

bool TXMLSettings::ReadXMLSettingsFile(const std::string& fileName)
{
    m_document.reset();
    return Load(fileName, true);
}

bool TXMLSettings::Load(const std::string& path, bool report)
{
    if (m_watchChanges)
        Unwatch();

    std::string buffer;
    TXMLFileResult read = ReadXMLSettingsBytes(path, buffer);
    if (!read.Ok()) {
        m_lastError = read.error;
        // The defaults stay in force, without a message; only a file that
        // exists but cannot be read is worth a line in the log.
        if (report && (read.stage != TXMLFileStage::Open || !MissingFileError(read.error)))
            LogXMLSettingsMessage(XMLSettingsFileMessage(path, "open", "ReadXMLSettingsFile", read.error),
                platform::MB_OK | platform::MB_ICONERROR, read.error);
        return false;
    }

    try {
        // Bytes before the declaration (a byte-order mark) are skipped.
        size_t start = buffer.find("<?");
        if (start == std::string::npos)
            start = 0;
        auto parsed = AdvXMLParser::Parser::Parse(buffer.data() + start, buffer.size() - start);
        TXMLKey root(m_rootKey.Name());
        TXMLSettingsNames names = XMLKeysFromDocument(*parsed, root);
        root.ClearModified();
        std::lock_guard lock(m_valuesLock);
        m_rootKey = std::move(root);
        m_applicationName = std::move(names.applicationName);
        m_programName = std::move(names.programName);
        m_document.reset(parsed.release());
    } catch (const AdvXMLParser::ParsingException&) {
        m_lastError = 0;
        if (report)
            ReportXMLSettingsMessage("The XML configuration file " + path + " has improper format", "Error",
                platform::MB_OK | platform::MB_ICONERROR, 0);
        return false;
    } catch (const std::exception&) {
        m_lastError = errno;
        if (report)
            ReportXMLSettingsMessage(XMLSettingsFileMessage(path, "open", "ReadXMLSettingsFile", m_lastError),
                "Error", platform::MB_OK | platform::MB_ICONERROR, m_lastError);
        return false;
    }
    m_lastError = 0;
    m_fileName = path;
    m_fileStamp = read.stamp;
    if (m_watchChanges)
        Watch(path);
    return true;
}

bool TXMLSettings::SaveAll(const std::string& applicationName)
{
    std::string path = m_common ? CommonFilePath(applicationName) : UserFilePath(applicationName);
    {
        std::lock_guard lock(m_valuesLock);
        if (m_applicationName.empty())
            m_applicationName = FilePart(applicationName);
    }
    // The maker's folder may not exist yet on a new account; one level is
    // made, the application-data folder itself must exist.
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        m_lastError = errno;
        ReportXMLSettingsMessage(XMLSettingsFileMessage(path, "created", "SaveAll", m_lastError), "Error",
            platform::MB_OK | platform::MB_ICONERROR, m_lastError);
        return false;
    }
    return Save(path, "SaveAll");
}

bool TXMLSettings::SaveFile(const std::string& fileName)
{
    return Save(fileName, "SaveFile");
}

bool TXMLSettings::Save(const std::string& path, const char* operation)
{
    // The watcher leaves the store alone from before the text is made until
    // the file is in place, so that no merge slips in between.
    bool ownFile = m_watchChanges && !m_watchedFile.empty() && m_watchedFile == path;
    if (ownFile)
        TXMLSettingsWatcher::Instance().SuspendForOwnWrite(*this);
    std::string text;
    {
        std::lock_guard lock(m_valuesLock);
        text = XMLSettingsText({ m_applicationName, m_programName }, m_rootKey);
    }
    TXMLFileResult written = WriteXMLSettingsBytes(path, text);
    if (written.Ok())
        m_fileStamp = written.stamp;
    if (ownFile)
        TXMLSettingsWatcher::Instance().ResumeAfterOwnWrite(*this, written.Ok() ? &written.stamp : nullptr);

    if (!written.Ok()) {
        m_lastError = written.error;
        const char* what = written.stage == TXMLFileStage::Create ? "created" : "written";
        ReportXMLSettingsMessage(XMLSettingsFileMessage(path, what, operation, written.error), "Error",
            platform::MB_OK | platform::MB_ICONERROR, written.error);
        return false;
    }
    m_lastError = 0;
    m_fileName = path;
    if (m_watchChanges && !ownFile)
        Watch(path);
    return true;
}

void TXMLSettings::Watch(const std::string& path)
{
    TXMLSettingsWatcher::Instance().Register(*this, path, m_fileStamp);
    m_watchedFile = path;
}

void TXMLSettings::Unwatch()
{
    if (m_watchedFile.empty())
        return;
    TXMLSettingsWatcher::Instance().Unregister(*this);
    m_watchedFile.clear();
}

void TXMLSettings::MergeUnmodified(const TXMLKey& changed)
{
    std::lock_guard lock(m_valuesLock);
    MergeKey(changed, m_rootKey);
}

const TXMLValue* TXMLSettings::FindValue(const std::string& key) const
{
    auto [section, name] = Resolve(m_rootKey, key, false);
    if (section == nullptr)
        return nullptr;
    const TXMLValue* value = section->FindValue(name);
    return value != nullptr && !value->IsUnreadable() ? value : nullptr;
}

bool TXMLSettings::Store(const std::string& key, TXMLPayload payload)
{
    std::lock_guard lock(m_valuesLock);
    auto [section, name] = Resolve(m_rootKey, key, true);
    auto [it, inserted] = section->Values().try_emplace(name, name, TXMLPayload {});
    it->second.Set(std::move(payload));
    return true;
}

bool TXMLSettings::GetBool(const std::string& key, bool defaultValue) const
{
    std::lock_guard lock(m_valuesLock);
    const TXMLValue* value = FindValue(key);
    return value != nullptr ? XMLValueAsBool(value->Payload()) : defaultValue;
}

int32_t TXMLSettings::GetInteger(const std::string& key, int32_t defaultValue) const
{
    std::lock_guard lock(m_valuesLock);
    const TXMLValue* value = FindValue(key);
    return value != nullptr ? XMLValueAsInteger(value->Payload()) : defaultValue;
}

int64_t TXMLSettings::GetInt64(const std::string& key, int64_t defaultValue) const
{
    std::lock_guard lock(m_valuesLock);
    const TXMLValue* value = FindValue(key);
    return value != nullptr ? XMLValueAsInt64(value->Payload()) : defaultValue;
}

double TXMLSettings::GetFloat(const std::string& key, double defaultValue) const
{
    std::lock_guard lock(m_valuesLock);
    const TXMLValue* value = FindValue(key);
    return value != nullptr ? XMLValueAsFloat(value->Payload()) : defaultValue;
}

std::string TXMLSettings::GetString(const std::string& key, const std::string& defaultValue) const
{
    std::lock_guard lock(m_valuesLock);
    const TXMLValue* value = FindValue(key);
    return value != nullptr ? XMLValidUtf8(XMLValueText(value->Payload())) : defaultValue;
}

std::vector<std::string> TXMLSettings::GetMultiString(const std::string& key) const
{
    std::lock_guard lock(m_valuesLock);
    const TXMLValue* value = FindValue(key);
    return value != nullptr ? XMLValueAsMultiString(value->Payload()) : std::vector<std::string> {};
}

TXMLDateTime TXMLSettings::GetDateTime(const std::string& key, const TXMLDateTime& defaultValue) const
{
    std::lock_guard lock(m_valuesLock);
    const TXMLValue* value = FindValue(key);
    return value != nullptr ? XMLValueAsDateTime(value->Payload()).value_or(defaultValue) : defaultValue;
}

TXMLBinary TXMLSettings::GetBinary(const std::string& key, const TXMLBinary& defaultValue) const
{
    std::lock_guard lock(m_valuesLock);
    const TXMLValue* value = FindValue(key);
    return value != nullptr ? XMLValueAsBinary(value->Payload()).value_or(defaultValue) : defaultValue;
}

bool TXMLSettings::SetBool(const std::string& key, bool value)
{
    return Store(key, value);
}

bool TXMLSettings::SetInteger(const std::string& key, int32_t value)
{
    return Store(key, value);
}

bool TXMLSettings::SetInt64(const std::string& key, int64_t value)
{
    return Store(key, value);
}

bool TXMLSettings::SetFloat(const std::string& key, double value)
{
    return Store(key, value);
}

bool TXMLSettings::SetString(const std::string& key, const std::string& value)
{
    return Store(key, XMLValidUtf8(value));
}

bool TXMLSettings::SetMultiString(const std::string& key, const std::vector<std::string>& value)
{
    return Store(key, TXMLMultiString { value, ',', '"' });
}

bool TXMLSettings::SetDateTime(const std::string& key, const TXMLDateTime& value)
{
    return Store(key, value);
}

bool TXMLSettings::SetBinary(const std::string& key, const TXMLBinary& value)
{
    return Store(key, value);
}

std::string TXMLSettings::GetApplicationName()
{
    m_common = false;
    std::lock_guard lock(m_valuesLock);
    return m_applicationName;
}

void TXMLSettings::SetApplicationName(const std::string& name)
{
    m_common = false;
    std::lock_guard lock(m_valuesLock);
    m_applicationName = name;
}
