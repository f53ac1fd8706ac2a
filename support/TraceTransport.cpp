#include "support/TraceTransport.h"

#include <thread>

namespace vantor::trace {

namespace {

// Windows-1252 characters 0x80 to 0x9F; 0 marks the five bytes the code page
// leaves undefined, which are kept as the code points of the same value.
constexpr char16_t kCp1252High[32] = {
    0x20AC,
    0,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021, //
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0,
    0x017D,
    0, //
    0,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014, //
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0,
    0x017E,
    0x0178,
};

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Length of the valid UTF-8 character at text[i], 0 when the bytes there do
// not form one, -1 when they are a valid start cut off by the end of text.
int Utf8CharLength(std::string_view text, std::size_t i)
{
    unsigned char c = static_cast<unsigned char>(text[i]);
    int length;
    char32_t min;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    char32_t value = c & (0x3F >> (length - 1));
    for (int k = 1; k < length; ++k) {
        if (i + k >= text.size())
            return -1;
        unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

namespace detail {
std::atomic<ITraceTransport*> g_transport { nullptr };
std::atomic<unsigned> g_sendGeneration { 0 };
std::atomic<int> g_activeSends[2] {};
std::atomic<bool> g_loggingEnabled { true };
std::atomic<bool> g_serverDisabled { false };
} // namespace detail

std::string SystemCodePageToUtf8(std::string_view text, bool cutOff)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        int length = Utf8CharLength(text, i);
        if (length > 0) {
            out.append(text.substr(i, length));
            i += length;
            continue;
        }
        if (length < 0 && cutOff)
            break;
        unsigned char c = static_cast<unsigned char>(text[i++]);
        char16_t mapped = c >= 0x80 && c <= 0x9F ? kCp1252High[c - 0x80] : 0;
        AppendUtf8(out, mapped ? mapped : c);
    }
    return out;
}

void CutUtf8(std::string& text, std::size_t limit)
{
    if (text.size() <= limit)
        return;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
}

ITraceTransport* SetTraceTransport(ITraceTransport* transport)
{
    // One swap at a time: a swap waits for the generation before its own,
    // which the previous swap has already emptied.
    static std::mutex swapMutex;
    std::lock_guard lock(swapMutex);
    ITraceTransport* previous = detail::g_transport.exchange(transport, std::memory_order_seq_cst);
    // A send that could have read the old pointer counted itself in the old
    // generation before the flip; later sends count in the new one.
    const unsigned closed = detail::g_sendGeneration.fetch_add(1, std::memory_order_seq_cst);
    while (detail::g_activeSends[closed & 1].load(std::memory_order_seq_cst) != 0)
        std::this_thread::yield();
    return previous;
}

void SendRecord(const Record& record, bool waitForRoom)
{
    unsigned generation;
    for (;;) {
        generation = detail::g_sendGeneration.load(std::memory_order_seq_cst);
        detail::g_activeSends[generation & 1].fetch_add(1, std::memory_order_seq_cst);
        // Counted in a generation a swap has already closed: count again in
        // the current one, so the swap never waits for this send.
        if (detail::g_sendGeneration.load(std::memory_order_seq_cst) == generation)
            break;
        detail::g_activeSends[generation & 1].fetch_sub(1, std::memory_order_seq_cst);
    }
    if (auto* transport = detail::g_transport.load(std::memory_order_seq_cst))
        transport->Send(record, waitForRoom);
    detail::g_activeSends[generation & 1].fetch_sub(1, std::memory_order_seq_cst);
}

ITraceTransport* TraceTransport()
{
    return detail::g_transport.load(std::memory_order_acquire);
}

void SetLoggingEnabled(bool enabled)
{
    detail::g_loggingEnabled.store(enabled, std::memory_order_relaxed);
}

bool LoggingEnabled()
{
    return detail::g_loggingEnabled.load(std::memory_order_relaxed);
}

void SetServerDisabled(bool disabled)
{
    detail::g_serverDisabled.store(disabled, std::memory_order_relaxed);
}

bool ServerDisabled()
{
    return detail::g_serverDisabled.load(std::memory_order_relaxed);
}

void RecordingTraceTransport::Send(const Record& record, bool waitForRoom)
{
    std::lock_guard lock(m_mutex);
    m_entries.push_back({ record.type, record.threadId, std::string(record.text), waitForRoom });
}

std::vector<RecordingTraceTransport::Entry> RecordingTraceTransport::Entries() const
{
    std::lock_guard lock(m_mutex);
    return m_entries;
}

void RecordingTraceTransport::Clear()
{
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

} // namespace vantor::trace
