#pragma once

// Named mutexes shared between processes, and the scoped lock on them.
//
// A named mutex is a process-shared robust pthread mutex in a small POSIX
// shared-memory object. The system-wide object is named "/Global.<name>" and
// only opened, never created (the log server creates it when it serves the
// whole system); otherwise the per-user object "/<name>.<uid>" is created or
// opened, with mode 0600 so that no other user can read it. A process that
// dies holding the mutex does not block the others: the next owner takes it
// over (robust mutex).

#include <cstddef>
#include <pthread.h>
#include <string>

namespace vantor::trace {

// The POSIX shared-memory name of the shared object `name`: "/Global.<name>"
// system-wide, else "/<name>.<uid>.<hash of the runtime folder>".
std::string SharedObjectName(const std::string& name, bool global);
// Removes the names of this user's four log objects (with `nameSuffix`);
// processes that have them open keep them until they let go.
void UnlinkSharedObjects(const std::string& nameSuffix);

// A mapped shared-memory object: system-wide name first, then per user.
class SharedMemory final {
public:
    SharedMemory() = default;
    ~SharedMemory();
    SharedMemory(SharedMemory&& other) noexcept;
    SharedMemory& operator=(SharedMemory&& other) noexcept;

    // Opens or creates (zero-filled, `size` bytes) the object `name`.
    // `created` tells whether this call made it. Empty `error` on success,
    // else the failure with its system error.
    bool Open(const std::string& name, std::size_t size, bool& created, std::string& error);
    void* Data() const { return m_data; }
    std::size_t Size() const { return m_size; }
    bool Global() const { return m_global; }

private:
    void Release();
    void* m_data = nullptr;
    std::size_t m_size = 0;
    bool m_global = false;
};

class NamedMutex final {
public:
    // Opens or creates the mutex `name`; false with `error` set on failure.
    bool Open(const std::string& name, std::string& error);
    pthread_mutex_t* Handle() const;

private:
    SharedMemory m_memory;
};

// Waits for `mutex` for at most `timeoutMs` on construction and releases it
// on destruction. Locked() tells whether the wait succeeded; a mutex whose
// owner died is taken over.
class CCVLogMutexLock final {
public:
    CCVLogMutexLock(pthread_mutex_t* mutex, int timeoutMs);
    ~CCVLogMutexLock();
    CCVLogMutexLock(const CCVLogMutexLock&) = delete;
    CCVLogMutexLock& operator=(const CCVLogMutexLock&) = delete;

    bool Locked() const { return m_locked; }
    // Releases early (the destructor then does nothing).
    void Unlock();

private:
    pthread_mutex_t* m_mutex;
    bool m_locked = false;
};

} // namespace vantor::trace
