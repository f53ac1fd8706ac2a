#include "xml/XMLSettingsWatcher.h"

#include "xml/XMLSettings.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

// A finished write in place, or a file put in place by rename (how this
// store and most editors replace files).
constexpr uint32_t kWatchedEvents = IN_CLOSE_WRITE | IN_MOVED_TO;

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    auto absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The path with its folder resolved, so that one folder reached by two
// paths is one watch.
std::string CanonicalFolderPath(const std::string& path)
{
    std::error_code error;
    auto folder = std::filesystem::canonical(FolderOf(path), error);
    std::string name = path.substr(path.find_last_of('/') + 1);
    return error ? path : (folder / name).string();
}

// The file a symbolic link ends at; empty for anything else.
std::string LinkTarget(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error))
        return {};
    auto target = std::filesystem::canonical(path, error);
    return error ? std::string() : target.string();
}

} // namespace

TXMLSettingsWatcher& TXMLSettingsWatcher::Instance()
{
    // Never destroyed: a store that outlives the statics (a global one)
    // still unregisters at its end. The thread itself is joined when the
    // last store goes.
    static TXMLSettingsWatcher* watcher = new TXMLSettingsWatcher;
    return *watcher;
}

void TXMLSettingsWatcher::Register(TXMLSettings& store, const std::string& path, const TXMLFileStamp& seen)
{
    std::string absolute = AbsolutePath(path);
    std::lock_guard threadLock(m_threadLock);
    if (!m_thread.joinable())
        Start();
    std::lock_guard listLock(m_listLock);
    if (Find(store) != nullptr) {
        RemoveLocked(store);
        --m_count;
    }
    auto [record, added] = m_records.try_emplace(absolute);
    if (added)
        WatchNames(absolute, record->second);
    record->second.registrations.push_back({ &store, seen, false });
    ++m_count;
    // A version put in place between the store's read and the watch brought
    // no event that the thread saw.
    if (XMLFileStampOf(absolute) != seen)
        CheckSoon(absolute);
}

void TXMLSettingsWatcher::Unregister(TXMLSettings& store)
{
    std::lock_guard threadLock(m_threadLock);
    {
        std::lock_guard listLock(m_listLock);
        if (Find(store) == nullptr)
            return;
        RemoveLocked(store);
        --m_count;
    }
    if (m_count == 0)
        Stop();
}

void TXMLSettingsWatcher::SuspendForOwnWrite(TXMLSettings& store)
{
    std::lock_guard lock(m_listLock);
    if (Registration* registration = Find(store))
        registration->suspended = true;
}

void TXMLSettingsWatcher::ResumeAfterOwnWrite(TXMLSettings& store, const TXMLFileStamp* written)
{
    std::lock_guard lock(m_listLock);
    std::string path;
    if (Registration* registration = Find(store, &path)) {
        if (written != nullptr)
            registration->seen = *written;
        registration->suspended = false;
        // Events of versions written while the store was suspended were
        // passed over.
        if (XMLFileStampOf(path) != registration->seen)
            CheckSoon(path);
    }
}

size_t TXMLSettingsWatcher::RegistrationCount() const
{
    std::lock_guard lock(m_threadLock);
    return m_count;
}

bool TXMLSettingsWatcher::Running() const
{
    std::lock_guard lock(m_threadLock);
    return m_thread.joinable();
}

size_t TXMLSettingsWatcher::ReloadCount() const
{
    return m_reloads;
}

TXMLSettingsWatcher::Registration* TXMLSettingsWatcher::Find(TXMLSettings& store, std::string* path)
{
    for (auto& [file, record] : m_records) {
        for (Registration& registration : record.registrations) {
            if (registration.store == &store) {
                if (path != nullptr)
                    *path = file;
                return &registration;
            }
        }
    }
    return nullptr;
}

void TXMLSettingsWatcher::RemoveLocked(TXMLSettings& store)
{
    for (auto it = m_records.begin(); it != m_records.end(); ++it) {
        auto& registrations = it->second.registrations;
        auto found = std::find_if(registrations.begin(), registrations.end(),
            [&](const Registration& registration) { return registration.store == &store; });
        if (found == registrations.end())
            continue;
        registrations.erase(found);
        if (registrations.empty()) {
            UnwatchNames(it->first, it->second);
            m_records.erase(it);
        }
        return;
    }
}

void TXMLSettingsWatcher::WatchNames(const std::string& path, ChangeRecord& record)
{
    record.names = { CanonicalFolderPath(path) };
    // A save through a link replaces the target, in the target's folder.
    std::string target = LinkTarget(path);
    if (!target.empty() && target != record.names.front())
        record.names.push_back(target);
    for (const std::string& name : record.names) {
        m_recordsOfName.emplace(name, path);
        std::string folder = FolderOf(name);
        FolderWatch& watch = m_folders[folder];
        if (watch.names++ == 0 && m_inotify >= 0) {
            watch.descriptor = inotify_add_watch(m_inotify, folder.c_str(), kWatchedEvents | IN_ONLYDIR);
            if (watch.descriptor >= 0)
                m_folderOfWatch[watch.descriptor] = folder;
        }
    }
}

void TXMLSettingsWatcher::UnwatchNames(const std::string& path, const ChangeRecord& record)
{
    for (const std::string& name : record.names) {
        auto [first, last] = m_recordsOfName.equal_range(name);
        for (auto it = first; it != last; ++it) {
            if (it->second == path) {
                m_recordsOfName.erase(it);
                break;
            }
        }
        auto watch = m_folders.find(FolderOf(name));
        if (watch != m_folders.end() && --watch->second.names == 0) {
            if (watch->second.descriptor >= 0) {
                inotify_rm_watch(m_inotify, watch->second.descriptor);
                m_folderOfWatch.erase(watch->second.descriptor);
            }
            m_folders.erase(watch);
        }
    }
}

void TXMLSettingsWatcher::CheckSoon(const std::string& path)
{
    m_checkSoon.insert(path);
    uint64_t one = 1;
    if (::write(m_wake, &one, sizeof one) < 0) {
        // The counter is already far from empty: the thread wakes anyway.
    }
}

void TXMLSettingsWatcher::Start()
{
    m_inotify = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    m_wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    {
        std::lock_guard lock(m_listLock);
        m_stop = false;
    }
    m_thread = std::thread([this] { Run(); });
}

void TXMLSettingsWatcher::Stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_listLock);
        m_stop = true;
    }
    uint64_t one = 1;
    if (::write(m_wake, &one, sizeof one) < 0) {
        // The counter cannot overflow with one write a stop; nothing to do.
    }
    m_thread.join();
    ::close(m_inotify);
    ::close(m_wake);
    m_inotify = m_wake = -1;
    std::lock_guard lock(m_listLock);
    m_folders.clear();
    m_folderOfWatch.clear();
    m_checkSoon.clear();
}

void TXMLSettingsWatcher::Run()
{
    alignas(inotify_event) char buffer[16384];
    while (true) {
        pollfd fds[2] = { { m_wake, POLLIN, 0 }, { m_inotify, POLLIN, 0 } };
        if (::poll(fds, m_inotify >= 0 ? 2 : 1, -1) < 0 && errno != EINTR)
            return;
        if (fds[0].revents & POLLIN) {
            uint64_t count;
            if (::read(m_wake, &count, sizeof count) < 0) {
                // Already drained; the stop flag is what matters.
            }
        }
        // Gather the changed files first: one save gives several events.
        std::set<std::string> changed;
        {
            std::lock_guard lock(m_listLock);
            if (m_stop)
                return;
            changed.swap(m_checkSoon);
        }
        while (fds[1].revents & POLLIN) {
            ssize_t length = ::read(m_inotify, buffer, sizeof buffer);
            if (length <= 0)
                break;
            std::lock_guard lock(m_listLock);
            for (char* at = buffer; at < buffer + length;) {
                auto* event = reinterpret_cast<inotify_event*>(at);
                at += sizeof(inotify_event) + event->len;
                // Lost events may have been any file's: every file is looked at.
                if (event->mask & IN_Q_OVERFLOW) {
                    for (const auto& [path, record] : m_records)
                        changed.insert(path);
                }
                if (event->len == 0 || !(event->mask & kWatchedEvents))
                    continue;
                auto folder = m_folderOfWatch.find(event->wd);
                if (folder == m_folderOfWatch.end())
                    continue;
                auto [first, last] = m_recordsOfName.equal_range(folder->second + "/" + event->name);
                for (auto it = first; it != last; ++it)
                    changed.insert(it->second);
            }
        }
        for (const std::string& path : changed)
            HandleChange(path);
    }
}

void TXMLSettingsWatcher::HandleChange(const std::string& path)
{
    // The stores that have not seen the version now in place, each with
    // the version it held then.
    std::vector<std::pair<TXMLSettings*, TXMLFileStamp>> due;
    {
        std::lock_guard lock(m_listLock);
        auto record = m_records.find(path);
        if (record == m_records.end())
            return;
        TXMLFileStamp now = XMLFileStampOf(path);
        for (const Registration& registration : record->second.registrations) {
            if (!registration.suspended && registration.seen != now)
                due.emplace_back(registration.store, registration.seen);
        }
    }
    if (due.empty())
        return;

    ++m_reloads;
    TXMLSettings changed(false);
    // A file caught half-written by a program that writes in place fails to
    // parse; its final write brings another event.
    if (!changed.LoadQuietly(path))
        return;

    std::lock_guard lock(m_listLock);
    auto record = m_records.find(path);
    if (record == m_records.end())
        return;
    for (Registration& registration : record->second.registrations) {
        // A store that loaded, saved or went away meanwhile holds a version
        // of its own now.
        bool stillDue = std::any_of(due.begin(), due.end(), [&](const auto& entry) {
            return entry.first == registration.store && entry.second == registration.seen;
        });
        if (!stillDue || registration.suspended)
            continue;
        registration.store->MergeUnmodified(changed.RootKey());
        registration.seen = changed.m_fileStamp;
    }
}
