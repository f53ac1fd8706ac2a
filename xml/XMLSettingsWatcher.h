#pragma once

// The process's one watcher of settings files. Stores register the file
// they loaded or saved; one thread waits on inotify for the folders of
// those files (and of their targets, for symbolic links) and, when another
// process has written a registered file, merges its values into every store
// registered on it: values a store has not modified and whose type is
// unchanged take the new contents; modified values, values whose type
// changed and values new in the file are left alone.
//
// The thread loads a changed file without holding the list lock, which it
// takes only to find the stores of the file and to merge, so that a large
// file never holds up the other stores of the process.
//
// The thread starts with the first registration and is stopped and joined
// when the last one goes.

#include "xml/XMLSettingsFile.h"

#include <atomic>
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

    // Watches `path` for `store`, which holds the version `seen`; any other
    // version, even one written before this call, is merged. A store has at
    // most one registration; a second one replaces the first.
    void Register(TXMLSettings& store, const std::string& path, const TXMLFileStamp& seen);
    void Unregister(TXMLSettings& store);
    // Around a store's own write of its registered file: the thread leaves
    // the store alone, and the version written (null when the write failed)
    // counts as seen.
    void SuspendForOwnWrite(TXMLSettings& store);
    void ResumeAfterOwnWrite(TXMLSettings& store, const TXMLFileStamp* written);

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
        // The paths inotify reports changes of the file by: the file in its
        // folder and, for a symbolic link, the link's target in its own.
        std::vector<std::string> names;
    };
    struct FolderWatch {
        int descriptor = -1;
        size_t names = 0;
    };

    void Start();
    void Stop();
    void Run();
    void HandleChange(const std::string& path);
    Registration* Find(TXMLSettings& store, std::string* path = nullptr);
    void RemoveLocked(TXMLSettings& store);
    void WatchNames(const std::string& path, ChangeRecord& record);
    void UnwatchNames(const std::string& path, const ChangeRecord& record);
    // Has the thread look at the file without waiting for an event: a
    // version may have come while nobody was watching for it.
    void CheckSoon(const std::string& path);

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
    std::multimap<std::string, std::string> m_recordsOfName; // reported path -> record path
    std::map<std::string, FolderWatch> m_folders; // folder -> inotify watch
    std::map<int, std::string> m_folderOfWatch;
    std::set<std::string> m_checkSoon; // record paths
    std::atomic<size_t> m_reloads = 0;
};
