#include "support/LogMutexLock.h"

#include "platform/ShellFolders.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace vantor::trace {

namespace {

std::string SystemError(int error)
{
    return std::to_string(error) + " (" + std::strerror(error) + ")";
}

// The layout of a named mutex object.
struct SharedMutexBlock {
    std::atomic<std::uint32_t> ready; // set once the mutex is initialised
    pthread_mutex_t mutex;
};

// Waits up to a second for another process to finish what it began (sizing
// or initialising an object it has just created).
template <typename Done> bool WaitBriefly(Done done)
{
    for (int i = 0; i < 1000; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

} // namespace

std::string SharedObjectName(const std::string& name, bool global)
{
    if (global)
        return "/Global." + name;
    // The buffer belongs with the server's socket, which lives in the
    // runtime folder: sessions (and tests) with runtime folders of their own
    // get buffers of their own, and a server never drains another's clients.
    std::uint32_t hash = 2166136261u; // FNV-1a
    for (const unsigned char c : platform::RuntimeFolder())
        hash = (hash ^ c) * 16777619u;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x", hash);
    return "/" + name + "." + std::to_string(getuid()) + suffix;
}

void UnlinkSharedObjects(const std::string& nameSuffix)
{
    for (const char* name :
        { "CVLogSysRegMutex_V6", "CVLogSysRegMMF_V6", "CVLogSysReadAccMutex_V6", "CVLogSysWriteAccMutex_V6" })
        shm_unlink(SharedObjectName(name + nameSuffix, false).c_str());
}

SharedMemory::~SharedMemory()
{
    Release();
}

SharedMemory::SharedMemory(SharedMemory&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr))
    , m_size(std::exchange(other.m_size, 0))
    , m_global(other.m_global)
{
}

SharedMemory& SharedMemory::operator=(SharedMemory&& other) noexcept
{
    if (this != &other) {
        Release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_global = other.m_global;
    }
    return *this;
}

void SharedMemory::Release()
{
    if (m_data)
        munmap(m_data, m_size);
    m_data = nullptr;
    m_size = 0;
}

bool SharedMemory::Open(const std::string& name, std::size_t size, bool& created, std::string& error)
{
    Release();
    created = false;
    m_global = true;
    int fd = shm_open(SharedObjectName(name, true).c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0) {
        m_global = false;
        const std::string local = SharedObjectName(name, false);
        fd = shm_open(local.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            created = true;
            if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
                error = "Failed creating file-mapping. Error=" + SystemError(errno);
                close(fd);
                shm_unlink(local.c_str());
                return false;
            }
        } else if (errno == EEXIST) {
            fd = shm_open(local.c_str(), O_RDWR | O_CLOEXEC, 0);
        }
        if (fd < 0) {
            error = "Failed opening file-mapping. Error=" + SystemError(errno);
            return false;
        }
    }
    // A creator that has not sized the object yet shows it empty.
    struct stat status { };
    if (!WaitBriefly(
            [&] { return fstat(fd, &status) == 0 && static_cast<std::size_t>(status.st_size) >= size; })) {
        error = "Buffer size (" + std::to_string(status.st_size) + ") is not the expected size ("
            + std::to_string(size) + ")";
        close(fd);
        return false;
    }
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    const int mapError = errno;
    close(fd);
    if (data == MAP_FAILED) {
        error = "Failed mapping file-mapping. Error=" + SystemError(mapError);
        return false;
    }
    m_data = data;
    m_size = size;
    error.clear();
    return true;
}

bool NamedMutex::Open(const std::string& name, std::string& error)
{
    bool created = false;
    if (!m_memory.Open(name, sizeof(SharedMutexBlock), created, error))
        return false;
    auto* block = static_cast<SharedMutexBlock*>(m_memory.Data());
    if (created) {
        pthread_mutexattr_t attributes;
        pthread_mutexattr_init(&attributes);
        pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
        pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
        const int result = pthread_mutex_init(&block->mutex, &attributes);
        pthread_mutexattr_destroy(&attributes);
        if (result != 0) {
            error = "Mutex '" + name + "' creation failed. Error " + SystemError(result);
            return false;
        }
        block->ready.store(1, std::memory_order_release);
        return true;
    }
    if (!WaitBriefly([&] { return block->ready.load(std::memory_order_acquire) == 1; })) {
        error = "Mutex '" + name + "' was never initialised";
        return false;
    }
    return true;
}

pthread_mutex_t* NamedMutex::Handle() const
{
    return m_memory.Data() ? &static_cast<SharedMutexBlock*>(m_memory.Data())->mutex : nullptr;
}

CCVLogMutexLock::CCVLogMutexLock(pthread_mutex_t* mutex, int timeoutMs)
    : m_mutex(mutex)
{
    if (!m_mutex)
        return;
    timespec deadline {};
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += timeoutMs / 1000;
    deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    int result = pthread_mutex_timedlock(m_mutex, &deadline);
    if (result == EOWNERDEAD) {
        // The owner died inside its critical section. Everything it guards
        // is published atomically after the writing is done, so what it left
        // half done is simply not visible.
        pthread_mutex_consistent(m_mutex);
        result = 0;
    }
    m_locked = result == 0;
}

CCVLogMutexLock::~CCVLogMutexLock()
{
    Unlock();
}

void CCVLogMutexLock::Unlock()
{
    if (m_locked)
        pthread_mutex_unlock(m_mutex);
    m_locked = false;
}

} // namespace vantor::trace
