#pragma once

// TXMLSettings: the typed settings store. Every persistent setting of the
// program, and the options handed to the Player engine, live in XML files
// read and written through it.
//
// Use: create a store, load one file, Get/Set values by key, save, destroy.
// A store belongs to one thread at a time; with watching on, the process's
// one watcher thread merges changes that other processes save to the loaded
// file into the values this store has not modified itself.
//
// Keys are value names, optionally preceded by sections separated by '\'
// ("Window\Left"); a leading '\' is optional. Names are case-sensitive.

#include "xml/XMLKey.h"
#include "xml/XMLSettingsFile.h"
#include "xml/XMLValue.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace AdvXMLParser {
class Document;
}

class TXMLSettings final {
public:
    // With `watchChanges` the loaded file is watched for outside changes.
    explicit TXMLSettings(bool watchChanges);
    // Stops watching (and stops the watcher thread when no store is left).
    ~TXMLSettings();
    TXMLSettings(const TXMLSettings&) = delete;
    TXMLSettings& operator=(const TXMLSettings&) = delete;

    // Loads the per-user file of the application (common false) or the
    // all-users one. A file that is missing, not a regular file, or cannot
    // be read returns false without a message (the last two are logged) and
    // leaves the values held before; a damaged one is reported and returns
    // false.
    bool ReadXMLSettings(const std::string& applicationName, bool common);
    // Loads the file at `fileName` under the same rules.
    bool ReadXMLSettingsFile(const std::string& fileName);

    // Getters return the stored value converted to the requested type, or
    // the default when the key does not exist (or the file's text of it did
    // not fit its declared type).
    bool GetBool(const std::string& key, bool defaultValue) const;
    int32_t GetInteger(const std::string& key, int32_t defaultValue) const;
    int64_t GetInt64(const std::string& key, int64_t defaultValue) const;
    double GetFloat(const std::string& key, double defaultValue) const;
    // The text form of any stored type.
    std::string GetString(const std::string& key, const std::string& defaultValue) const;
    // The items of a MultiString; a single item for None..String; empty when
    // missing.
    std::vector<std::string> GetMultiString(const std::string& key) const;
    TXMLDateTime GetDateTime(const std::string& key, const TXMLDateTime& defaultValue) const;
    TXMLBinary GetBinary(const std::string& key, const TXMLBinary& defaultValue) const;

    // Setters create the value (and its sections) when missing, else replace
    // its type and payload; the value is marked modified. They return true.
    bool SetBool(const std::string& key, bool value);
    bool SetInteger(const std::string& key, int32_t value);
    bool SetInt64(const std::string& key, int64_t value);
    bool SetFloat(const std::string& key, double value);
    bool SetString(const std::string& key, const std::string& value);
    bool SetMultiString(const std::string& key, const std::vector<std::string>& value);
    bool SetDateTime(const std::string& key, const TXMLDateTime& value);
    bool SetBinary(const std::string& key, const TXMLBinary& value);

    // Both also clear the all-users flag, so that SaveAll writes the
    // per-user file.
    std::string GetApplicationName();
    void SetApplicationName(const std::string& name);
    const std::string& GetProgramName() const { return m_programName; }

    // Writes the per-user (or, after an all-users load, the all-users) file
    // of the application, creating its folder (one level). Replaces the file
    // atomically where it can (WriteXMLSettingsBytes); a failure is
    // reported, leaves the old file as it was and returns false.
    bool SaveAll(const std::string& applicationName);
    // Writes the file at `fileName`; its folder must exist.
    bool SaveFile(const std::string& fileName);

    // The path of the file last loaded or saved.
    const std::string& FileName() const { return m_fileName; }
    // The errno of the last failed load or save, 0 when none.
    int LastError() const { return m_lastError; }

    // The per-user and all-users file paths of an application.
    static std::string UserFilePath(const std::string& applicationName);
    static std::string CommonFilePath(const std::string& applicationName);

    // Read access to the whole tree (tests, diagnostics). Not synchronised
    // with the watcher: use it while no file is watched.
    const TXMLKey& RootKey() const { return m_rootKey; }

private:
    friend class TXMLSettingsWatcher;

    bool Load(const std::string& path, bool report);
    // A load for the watcher: no messages, no watching.
    bool LoadQuietly(const std::string& path) { return Load(path, false); }
    bool Save(const std::string& path, const char* operation);
    // Copies every value of `changed` that this store holds under the same
    // key and type and has not modified.
    void MergeUnmodified(const TXMLKey& changed);
    const TXMLValue* FindValue(const std::string& key) const;
    bool Store(const std::string& key, TXMLPayload payload);
    void Watch(const std::string& path);
    void Unwatch();

    std::string m_applicationName;
    std::string m_programName;
    std::string m_fileName;
    bool m_common = false;
    // The deleter keeps the document model's header out of this one.
    struct DocumentDeleter {
        void operator()(AdvXMLParser::Document* document) const;
    };
    std::unique_ptr<AdvXMLParser::Document, DocumentDeleter> m_document;
    TXMLKey m_rootKey { "$$$Root$$$" };
    bool m_watchChanges;

    // Taken by every Get/Set/Save and by the watcher while it merges, so
    // that a value is always replaced whole.
    mutable std::mutex m_valuesLock;
    std::string m_watchedFile; // the file registered with the watcher, empty when none
    TXMLFileStamp m_fileStamp; // the version of m_fileName last read or written
    int m_lastError = 0;
};
