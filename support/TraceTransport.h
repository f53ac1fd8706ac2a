#pragma once

// Where trace records go. The trace calls (support/Trace.h) format their
// text and hand one record to the registered transport; the log-server
// transport registers itself at start-up. While no transport is registered,
// or while logging is off, the trace calls return at once.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::trace {

enum class RecordType : std::int32_t {
    Information = 1, // TraceLog
    Warning = 2, // TraceWarning
    Error = 3, // TraceError
    ThreadName = 7, // TraceThreadName: the text is the thread's name
    Exception = 14, // the crash filter: one record per fatal signal
    RegistryValue = 15, // the settings dump: one record per value
};

// One record as the trace calls build it; the transport adds what only it
// knows (its slot, the time stamp relative to its registration).
struct Record {
    RecordType type = RecordType::Information;
    std::uint32_t threadId = 0; // the kernel's id of the calling thread
    std::string_view text; // UTF-8, at most 1024 bytes; valid during Send only
};

class ITraceTransport {
public:
    virtual ~ITraceTransport() = default;
    // Delivers one record. Called from any thread, concurrently. With
    // `waitForRoom`, blocks while the transport's buffer is full instead of
    // dropping the record.
    virtual void Send(const Record& record, bool waitForRoom) = 0;
};

// Registers `transport` for the whole process (null: none) and returns the
// one it replaces. Not owned. Returns only after every call that was sending
// when the swap began has finished, so the caller may then destroy the old
// transport; calls that begin during the swap do not hold it up. Must not be
// called from inside Send.
ITraceTransport* SetTraceTransport(ITraceTransport* transport);
ITraceTransport* TraceTransport();

// Hands `record` to the registered transport, counted as in flight for
// SetTraceTransport. The trace calls and the crash filter send through it.
void SendRecord(const Record& record, bool waitForRoom);

// Process-wide flags shared with the transport, which sets them at start-up.
// Logging is initially on; the server-disabled flag initially off.
void SetLoggingEnabled(bool enabled);
bool LoggingEnabled();
void SetServerDisabled(bool disabled);
bool ServerDisabled();

// A transport that keeps every record in memory, for tests and tools.
class RecordingTraceTransport final : public ITraceTransport {
public:
    struct Entry {
        RecordType type;
        std::uint32_t threadId;
        std::string text;
        bool waitForRoom;
    };

    void Send(const Record& record, bool waitForRoom) override;
    std::vector<Entry> Entries() const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

// Registers a transport for the life of the object, restoring the previous
// one on destruction.
class ScopedTraceTransport final {
public:
    explicit ScopedTraceTransport(ITraceTransport* transport)
        : m_previous(SetTraceTransport(transport))
    {
    }
    ~ScopedTraceTransport() { SetTraceTransport(m_previous); }
    ScopedTraceTransport(const ScopedTraceTransport&) = delete;
    ScopedTraceTransport& operator=(const ScopedTraceTransport&) = delete;

private:
    ITraceTransport* m_previous;
};

// Exposed for tests: the text conversion the trace calls apply. Bytes that
// form valid UTF-8 pass unchanged; any other byte above 0x7F is read as a
// character of the Western system code page (Windows-1252) and written as
// UTF-8. When the text was `cutOff` by formatting, the start of a UTF-8
// character left incomplete at its end is dropped instead.
std::string SystemCodePageToUtf8(std::string_view text, bool cutOff = false);

// Cuts UTF-8 `text` to at most `limit` bytes, never inside a character.
void CutUtf8(std::string& text, std::size_t limit);

namespace detail {
// The state behind the functions above, read by the trace calls without a
// lock. A send counts itself in the counter of the current generation before
// it reads the transport and out after Send returns. SetTraceTransport
// swaps the pointer, moves new sends to the other counter and waits only for
// the counter of the generation it closed, which holds a bounded number of
// sends.
extern std::atomic<ITraceTransport*> g_transport;
extern std::atomic<unsigned> g_sendGeneration;
extern std::atomic<int> g_activeSends[2];
extern std::atomic<bool> g_loggingEnabled;
extern std::atomic<bool> g_serverDisabled;
} // namespace detail

} // namespace vantor::trace
