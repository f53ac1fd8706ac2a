#include "support/LogSysBase.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <thread>
#include <unistd.h>

namespace vantor::trace {

namespace {

constexpr std::uint32_t kLayoutVersion = 1;
constexpr int kSlotCount = 1024;
constexpr int kRegistrationWaitMs = 60000;
constexpr std::size_t kMaxText = 1024;

// One client process. A slot whose process has ended is taken again.
struct SlotEntry {
    std::int32_t processId;
    std::uint32_t inUse;
    std::int64_t timeBase;
    char module[240];
};
static_assert(sizeof(SlotEntry) == 256);

std::int64_t Now100ns()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Whole seconds and the rest scaled apart: no overflow.
    return static_cast<std::int64_t>(now.tv_sec) * 10000000 + now.tv_nsec / 100;
}

void Put32(unsigned char* out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t Get32(const unsigned char* in)
{
    return in[0] | (in[1] << 8) | (in[2] << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

constexpr std::size_t Align8(std::size_t bytes)
{
    return (bytes + 7) & ~std::size_t(7);
}

bool ProcessEnded(std::int32_t processId)
{
    return processId <= 0 || (kill(processId, 0) != 0 && errno == ESRCH);
}

} // namespace

struct CCVLogSysBase::Layout {
    std::atomic<std::uint32_t> ready;
    std::uint32_t version;
    std::uint32_t slotCount;
    std::uint32_t reserved;
    std::atomic<std::uint64_t> writePos; // bytes ever published
    std::atomic<std::uint64_t> readPos; // bytes ever consumed by the server
    SlotEntry slots[kSlotCount];

    unsigned char* Ring() { return reinterpret_cast<unsigned char*>(this) + sizeof(Layout); }
    static constexpr std::size_t RingSize()
    {
        return (kRegistrationMappingSize - sizeof(Layout)) & ~std::size_t(7);
    }
};

std::size_t EncodeRecord(const RecordView& record, unsigned char* out)
{
    const std::size_t total = kRecordHeaderSize + record.text.size() + 1;
    std::memset(out, 0, kRecordHeaderSize);
    Put32(out + 0, static_cast<std::uint32_t>(record.type));
    Put32(out + 4, kRecordHeaderSize);
    Put32(out + 8, static_cast<std::uint32_t>(total));
    Put32(out + 12, record.slot);
    const auto stamp = static_cast<std::uint64_t>(record.timeStamp);
    Put32(out + 24, static_cast<std::uint32_t>(stamp));
    Put32(out + 28, static_cast<std::uint32_t>(stamp >> 32));
    Put32(out + 32, record.threadId);
    Put32(out + 36, record.processId);
    Put32(out + 40, kRecordHeaderSize);
    std::memcpy(out + kRecordHeaderSize, record.text.data(), record.text.size());
    out[total - 1] = 0;
    return total;
}

CCVLogSysBase::CCVLogSysBase(std::string nameSuffix)
    : m_suffix(std::move(nameSuffix))
{
}

CCVLogSysBase::~CCVLogSysBase()
{
    if (m_slot < 0)
        return;
    CCVLogMutexLock lock(m_registrationMutex.Handle(), kLockWaitMs);
    SlotEntry& slot = Shared()->slots[m_slot];
    if (lock.Locked() && slot.processId == getpid())
        slot.inUse = 0;
}

CCVLogSysBase::Layout* CCVLogSysBase::Shared() const
{
    return static_cast<Layout*>(m_mapping.Data());
}

bool CCVLogSysBase::OpenObjects()
{
    if (m_mapping.Data())
        return true;
    if (!m_registrationMutex.Open("CVLogSysRegMutex_V6" + m_suffix, m_error))
        return false;
    CCVLogMutexLock lock(m_registrationMutex.Handle(), kRegistrationWaitMs);
    if (!lock.Locked()) {
        m_error = "Timeout occured when waiting for registration mutex";
        return false;
    }
    bool created = false;
    SharedMemory mapping;
    if (!mapping.Open("CVLogSysRegMMF_V6" + m_suffix, kRegistrationMappingSize, created, m_error))
        return false;
    if (!m_readMutex.Open("CVLogSysReadAccMutex_V6" + m_suffix, m_error)) {
        m_error = "Failed creating read access mutex: " + m_error;
        return false;
    }
    if (!m_writeMutex.Open("CVLogSysWriteAccMutex_V6" + m_suffix, m_error)) {
        m_error = "Failed creating write access mutex: " + m_error;
        return false;
    }
    auto* layout = static_cast<Layout*>(mapping.Data());
    if (layout->ready.load(std::memory_order_acquire) == 0) {
        // New, or left half made by a creator that died: the mapping is ours
        // to set up (it is zero-filled, so the buffer is empty).
        layout->version = kLayoutVersion;
        layout->slotCount = kSlotCount;
        layout->ready.store(1, std::memory_order_release);
    } else if (layout->version != kLayoutVersion || layout->slotCount != kSlotCount) {
        m_error = "Failed switching buffer to current version";
        return false;
    }
    m_mapping = std::move(mapping);
    return true;
}

bool CCVLogSysBase::iCreateRegistrationMMF()
{
    if (m_slot >= 0)
        return true;
    if (!OpenObjects())
        return false;
    CCVLogMutexLock lock(m_registrationMutex.Handle(), kRegistrationWaitMs);
    if (!lock.Locked()) {
        m_error = "Wait registration mutex failed";
        return false;
    }
    const pid_t self = getpid();
    Layout* layout = Shared();
    int chosen = -1;
    for (int i = 0; i < kSlotCount && chosen < 0; ++i) {
        const SlotEntry& slot = layout->slots[i];
        if (!slot.inUse || slot.processId == self || ProcessEnded(slot.processId))
            chosen = i;
    }
    if (chosen < 0) {
        m_error = "CCVLogSysBase::iCreateRegistrationMMF failed";
        return false;
    }
    SlotEntry& slot = layout->slots[chosen];
    m_timeBase = Now100ns();
    slot.processId = self;
    slot.timeBase = m_timeBase;
    std::memset(slot.module, 0, sizeof slot.module);
    std::strncpy(slot.module, program_invocation_short_name, sizeof slot.module - 1);
    slot.inUse = 1;
    m_slot = chosen;
    return true;
}

bool CCVLogSysBase::IsServerAvailable()
{
    return true;
}

bool CCVLogSysBase::WaitForRoom(std::size_t bytes)
{
    Layout* layout = Shared();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRoomWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::uint64_t read = layout->readPos.load(std::memory_order_acquire);
        const std::uint64_t written = layout->writePos.load(std::memory_order_acquire);
        if (written + bytes - read <= Layout::RingSize())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

void CCVLogSysBase::Send(const Record& record, bool waitForRoom)
{
    if (m_slot < 0)
        return;
    const std::string_view text = record.text.substr(0, kMaxText);
    unsigned char bytes[kRecordHeaderSize + kMaxText + 1];
    const std::size_t total = EncodeRecord(
        { static_cast<std::int32_t>(record.type), static_cast<std::uint32_t>(m_slot), Now100ns() - m_timeBase,
            record.threadId, static_cast<std::uint32_t>(getpid()), text },
        bytes);
    const std::size_t step = Align8(total);
    Layout* layout = Shared();
    unsigned char* ring = layout->Ring();
    constexpr std::size_t ringSize = Layout::RingSize();
    for (;;) {
        CCVLogMutexLock lock(m_writeMutex.Handle(), kLockWaitMs);
        if (!lock.Locked())
            return;
        const std::uint64_t written = layout->writePos.load(std::memory_order_relaxed);
        const std::uint64_t read = layout->readPos.load(std::memory_order_acquire);
        std::size_t offset = written % ringSize;
        const std::size_t tail = ringSize - offset;
        // A record never wraps: the end of the ring is skipped instead.
        const std::size_t need = step + (tail < step ? tail : 0);
        if (written + need - read <= ringSize) {
            if (tail < step) {
                if (tail >= kRecordHeaderSize) {
                    std::memset(ring + offset, 0, kRecordHeaderSize);
                    Put32(ring + offset + 4, kRecordHeaderSize);
                    Put32(ring + offset + 8, static_cast<std::uint32_t>(tail));
                }
                offset = 0;
            }
            std::memcpy(ring + offset, bytes, total);
            // Published whole, or not at all.
            layout->writePos.store(written + need, std::memory_order_release);
            m_stalled.store(false, std::memory_order_relaxed);
            return;
        }
        if (!waitForRoom || m_stalled.load(std::memory_order_relaxed))
            return;
        lock.Unlock();
        if (!WaitForRoom(need)) {
            m_stalled.store(true, std::memory_order_relaxed);
            return;
        }
    }
}

bool CCVLogSysBase::OpenAsReader()
{
    return OpenObjects();
}

std::size_t CCVLogSysBase::Drain(const std::function<void(const RecordView&)>& reader)
{
    Layout* layout = Shared();
    if (!layout)
        return 0;
    CCVLogMutexLock lock(m_readMutex.Handle(), kLockWaitMs);
    if (!lock.Locked())
        return 0;
    const unsigned char* ring = layout->Ring();
    constexpr std::size_t ringSize = Layout::RingSize();
    std::uint64_t read = layout->readPos.load(std::memory_order_relaxed);
    const std::uint64_t written = layout->writePos.load(std::memory_order_acquire);
    std::size_t count = 0;
    while (read < written) {
        const std::size_t offset = read % ringSize;
        const std::size_t tail = ringSize - offset;
        if (tail < kRecordHeaderSize) {
            read += tail;
            continue;
        }
        const unsigned char* at = ring + offset;
        const std::uint32_t type = Get32(at);
        const std::uint32_t total = Get32(at + 8);
        if (type == 0 && Get32(at + 4) == kRecordHeaderSize && total == tail) {
            read += tail; // the skipped end of the ring
            continue;
        }
        const std::size_t step = Align8(total);
        const bool whole = Get32(at + 4) == kRecordHeaderSize && total > kRecordHeaderSize && step <= tail
            && step <= written - read && Get32(at + 40) == kRecordHeaderSize && at[total - 1] == 0;
        if (!whole) {
            // Damaged: nothing after it can be trusted to start a record.
            read = written;
            break;
        }
        std::uint64_t stamp = Get32(at + 24) | (static_cast<std::uint64_t>(Get32(at + 28)) << 32);
        reader({ static_cast<std::int32_t>(type), Get32(at + 12), static_cast<std::int64_t>(stamp),
            Get32(at + 32), Get32(at + 36),
            std::string_view(
                reinterpret_cast<const char*>(at) + kRecordHeaderSize, total - 1 - kRecordHeaderSize) });
        ++count;
        read += step;
    }
    layout->readPos.store(read, std::memory_order_release);
    return count;
}

int CCVLogSysBase::LiveClients() const
{
    const Layout* layout = Shared();
    int count = 0;
    for (int i = 0; layout && i < kSlotCount; ++i)
        count += layout->slots[i].inUse && !ProcessEnded(layout->slots[i].processId);
    return count;
}

std::optional<std::int64_t> CCVLogSysBase::SlotTimeBase(int slot, std::uint32_t processId) const
{
    const Layout* layout = Shared();
    if (!layout || slot < 0 || slot >= kSlotCount
        || layout->slots[slot].processId != static_cast<std::int32_t>(processId))
        return std::nullopt;
    return layout->slots[slot].timeBase;
}

std::int64_t CCVLogSysBase::MonotonicNow()
{
    return Now100ns();
}

std::string CCVLogSysBase::SlotModule(int slot, std::uint32_t processId) const
{
    const Layout* layout = Shared();
    if (!layout || slot < 0 || slot >= kSlotCount
        || layout->slots[slot].processId != static_cast<std::int32_t>(processId))
        return {};
    return std::string(
        layout->slots[slot].module, strnlen(layout->slots[slot].module, sizeof layout->slots[slot].module));
}

} // namespace vantor::trace
