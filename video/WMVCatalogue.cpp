#include "video/WMVCatalogue.h"

#include "support/Trace.h"
#include "video/BlockList.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <type_traits>
#include <vector>

namespace vantor {

namespace {

// Records are plain blocks that ClearList frees without knowing their type.
static_assert(std::is_trivially_destructible_v<VideoFormatRecord>);
static_assert(std::is_trivially_destructible_v<AudioFormatRecord>);

std::atomic<IWMVCatalogueSink*> g_sink { nullptr };

// The lists whose enumeration the user stopped at the out-of-memory
// question; cleared by ClearList before the next enumeration.
std::mutex g_stoppedMutex;
std::vector<const TBlockList*> g_stopped;

bool IsStopped(const TBlockList& list)
{
    std::lock_guard lock(g_stoppedMutex);
    return std::find(g_stopped.begin(), g_stopped.end(), &list) != g_stopped.end();
}

void SetStopped(const TBlockList& list, bool stopped)
{
    std::lock_guard lock(g_stoppedMutex);
    auto found = std::find(g_stopped.begin(), g_stopped.end(), &list);
    if (stopped && found == g_stopped.end())
        g_stopped.push_back(&list);
    else if (!stopped && found != g_stopped.end())
        g_stopped.erase(found);
}

// Appends a record that the list then owns. A cancelled out-of-memory
// question drops the record and the rest of this enumeration.
template <typename Record> void AppendRecord(TBlockList& list, const Record& record)
{
    if (IsStopped(list))
        return;
    void* memory = ::operator new(sizeof(Record));
    new (memory) Record(record);
    try {
        list.Add(memory);
    } catch (const TBlockListOutOfMemory&) {
        ::operator delete(memory);
        SetStopped(list, true);
        throw;
    }
}

// Runs one callback for the sink, traced. The callbacks are called from the
// library's C code, so nothing may be thrown through them: a failure is
// traced and the entry left out.
template <typename F> void CallBack(const char* name, F body)
{
    TraceMethod trace(name);
    IWMVCatalogueSink* sink = WMVCatalogueSink();
    if (sink == nullptr)
        return;
    try {
        body(*sink);
    } catch (const std::exception& e) {
        TraceError("%s: %s; the entry is left out", name, e.what());
    }
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

IWMVCatalogueSink* SetWMVCatalogueSink(IWMVCatalogueSink* sink)
{
    return g_sink.exchange(sink);
}

IWMVCatalogueSink* WMVCatalogueSink()
{
    return g_sink.load();
}

std::string WideToUtf8(const wchar_t* text)
{
    std::string out;
    if (text == nullptr)
        return out;
    for (; *text != 0; ++text) {
        auto c = static_cast<char32_t>(*text);
        const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
        AppendUtf8(out, surrogate || c > 0x10FFFF ? U'\uFFFD' : c);
    }
    return out;
}

void WMVExportVideoCallback(std::int32_t id, const wchar_t* name)
{
    CallBack(
        "WMVExportVideoCallback", [&](IWMVCatalogueSink& sink) { sink.AddVideoCodec(WideToUtf8(name), id); });
}

void WMVExportAudioCallback(std::int32_t id, const wchar_t* name)
{
    CallBack(
        "WMVExportAudioCallback", [&](IWMVCatalogueSink& sink) { sink.AddAudioCodec(WideToUtf8(name), id); });
}

void WMVExportVideoFormatCallback(std::int32_t formatId, std::int32_t vbr, std::uint32_t passes)
{
    CallBack("WMVExportVideoFormatCallback", [&](IWMVCatalogueSink& sink) {
        AppendRecord(sink.VideoFormatList(), VideoFormatRecord { formatId, vbr, passes });
    });
}

void WMVExportAudioFormatCallback(std::int32_t formatId, const wchar_t*, const WMVWaveFormat* waveFormat,
    std::int32_t vbr, std::uint32_t passes, std::int32_t)
{
    CallBack("WMVExportAudioFormatCallback", [&](IWMVCatalogueSink& sink) {
        AudioFormatRecord record { formatId, vbr, passes, {} };
        if (waveFormat != nullptr)
            std::memcpy(&record.waveFormat, waveFormat, sizeof(WMVWaveFormat));
        AppendRecord(sink.AudioFormatList(), record);
    });
}

void ClearList(TBlockList& list)
{
    const int count = list.Count();
    for (int i = 0; i < count; ++i)
        ::operator delete(list.Get(i));
    try {
        list.Clear();
    } catch (const TBlockListOutOfMemory&) {
        // Clear wanted a new directory; emptying in place needs no memory.
        list.DeleteRange(0, count);
    }
    SetStopped(list, false);
}

} // namespace vantor
