#pragma once

// The process's one watcher of settings files. Stores register the file
// they loaded or saved; one thread waits on inotify for the folders of
// those files and, when another process has written a registered file,
// merges its values into every store registered on it: values a store has
// not modified and whose type is unchanged take the new contents; modified
// values, values whose type changed and values new in the file are left
// alone.
//
// The thread starts with the first registration and is stopped and joined
// when the last one goes.

#include "xml/XMLSettingsFile.h"

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class TXMLSettings;

class TXMLSettingsWatcher final {
public:
    static TXMLSettingsWatcher& Instance();

    // Watches `path` for `store`; the file as it is now counts as seen. A
    // store has at most one registration; a second one replaces the first.
    void Register(TXMLSettings& store, const std::string& path);
    void Unregister(TXMLSettings& store);
    // Around a store's own write of its registered file: the thread leaves
    // the store alone, and the file as written counts as seen.
    void SuspendForOwnWrite(TXMLSettings& store);
    void ResumeAfterOwnWrite(TXMLSettings& store);

    size_t RegistrationCount() const;
    bool Running() const;
    // How many times a changed file has been loaded for merging (diagnostics).
    size_t ReloadCount() const;

private:
    TXMLSettingsWatcher() = default;
    ~TXMLSettingsWatcher() = delete;
    TXMLSettingsWatcher(const TXMLSettingsWatcher&) = delete;
    TXMLSettingsWatcher& operator=(const TXMLSettingsWatcher&) = delete;

    struct Registration {
        TXMLSettings* store = nullptr;
        TXMLFileStamp seen;
        bool suspended = false;
    };
    // One watched file (the Windows design's CHANGE_RECORD).
    struct ChangeRecord {
        std::vector<Registration> registrations;
    };
    struct FolderWatch {
        int descriptor = -1;
        size_t files = 0;
    };

    void Start();
    void Stop();
    void Run();
    void HandleChange(const std::string& path);
    Registration* Find(TXMLSettings& store, std::string* path = nullptr);
    void RemoveLocked(TXMLSettings& store);

    // Registration count and thread start and stop; taken before m_listLock.
    mutable std::mutex m_threadLock;
    size_t m_count = 0;
    std::thread m_thread;
    int m_inotify = -1;
    int m_wake = -1; // eventfd
    bool m_stop = false; // under m_listLock

    // The records, folder watches and each store's stamps.
    mutable std::mutex m_listLock;
    std::map<std::string, ChangeRecord> m_records; // absolute path -> record
    std::map<std::string, FolderWatch> m_folders; // folder -> inotify watch
    std::map<int, std::string> m_folderOfWatch;
    size_t m_reloads = 0;
};
