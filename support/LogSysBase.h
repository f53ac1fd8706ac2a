#pragma once

// The shared-memory transport to the log server. A process registers in the
// registration mapping ("CVLogSysRegMMF_V6", 20,000,000 bytes), which holds
// a table of client slots and the ring buffer of trace records; writers
// serialise on "CVLogSysWriteAccMutex_V6", the server reads under
// "CVLogSysReadAccMutex_V6", and the slot table is guarded by
// "CVLogSysRegMutex_V6" (see LogMutexLock.h for the names on this system).
//
// A record is published only once it is written whole: a writer that dies
// half way leaves nothing the reader can see. A full buffer makes a sender
// wait for room at most kRoomWaitMs; after one such wait has timed out (the
// server is gone or stuck), senders drop records at once until room returns,
// so tracing never hangs the program.

#include "support/LogMutexLock.h"
#include "support/TraceTransport.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vantor::trace {

constexpr std::size_t kRegistrationMappingSize = 20000000;
constexpr std::uint32_t kRecordHeaderSize = 48;

// One record as the server reads it from the buffer.
struct RecordView {
    std::int32_t type;
    std::uint32_t slot;
    std::int64_t timeStamp; // 100 ns units since the client registered
    std::uint32_t threadId;
    std::uint32_t processId;
    std::string_view text;
};

// Builds the bytes of one record: the 48-byte header, then the
// zero-terminated UTF-8 text. Returns the total size written to `out`,
// which holds at least kRecordHeaderSize + text.size() + 1 bytes.
std::size_t EncodeRecord(const RecordView& record, unsigned char* out);

class CCVLogSysBase : public ITraceTransport {
public:
    // `nameSuffix` is appended to every shared object name (tests use it to
    // stay apart from a real server).
    explicit CCVLogSysBase(std::string nameSuffix = {});
    ~CCVLogSysBase() override;
    CCVLogSysBase(const CCVLogSysBase&) = delete;
    CCVLogSysBase& operator=(const CCVLogSysBase&) = delete;

    // Creates or opens the registration mapping and the access mutexes and
    // takes a slot for this process. False with LastError() on failure.
    virtual bool iCreateRegistrationMMF();
    // Whether the log server is there to read the buffer.
    virtual bool IsServerAvailable();
    void Send(const Record& record, bool waitForRoom) override;
    // Waits, with the write mutex released, until `bytes` fit or the wait
    // times out.
    virtual bool WaitForRoom(std::size_t bytes);

    bool Registered() const { return m_slot >= 0; }
    int Slot() const { return m_slot; }
    const std::string& LastError() const { return m_error; }

    // The server's side: opens the objects without taking a slot, then hands
    // every complete record to `reader`, in buffer order, and frees its room.
    // Returns the number of records read; damaged records are skipped.
    bool OpenAsReader();
    std::size_t Drain(const std::function<void(const RecordView&)>& reader);
    // The number of slots whose process is still running.
    int LiveClients() const;
    // The module name of the process `processId` in `slot`, kept after the
    // process has left until the slot is taken again (empty: not known).
    std::string SlotModule(int slot, std::uint32_t processId) const;
    // When the process `processId` in `slot` registered, on the system's
    // monotonic clock in 100 ns units (the base of its records' time
    // stamps); nothing when the slot holds another process.
    std::optional<std::int64_t> SlotTimeBase(int slot, std::uint32_t processId) const;
    // The system's monotonic clock in 100 ns units, as time bases use it.
    static std::int64_t MonotonicNow();

    static constexpr int kRoomWaitMs = 2000;
    static constexpr int kLockWaitMs = 1000;

private:
    bool OpenObjects();
    struct Layout;
    Layout* Shared() const;

    std::string m_suffix;
    SharedMemory m_mapping;
    NamedMutex m_registrationMutex;
    NamedMutex m_readMutex;
    NamedMutex m_writeMutex;
    int m_slot = -1;
    std::int64_t m_timeBase = 0; // monotonic clock at registration, 100 ns
    std::atomic<bool> m_stalled { false };
    std::string m_error;
};

} // namespace vantor::trace
