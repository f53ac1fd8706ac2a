#include "support/Trace.h"

#include "support/TraceTransport.h"

#include <cstdarg>
#include <cstdio>
#include <unistd.h>

namespace {

using vantor::trace::RecordType;
namespace detail = vantor::trace::detail;

constexpr std::size_t kTextLimit = 1024;
constexpr std::size_t kThreadNameLimit = 255;

std::uint32_t CurrentThreadId()
{
    thread_local const std::uint32_t id = static_cast<std::uint32_t>(gettid());
    return id;
}

// True when a call has somewhere to go. Checked before any formatting so that
// tracing without a transport, or with logging off, costs two loads.
inline bool TraceWanted()
{
    return detail::g_loggingEnabled.load(std::memory_order_relaxed)
        && detail::g_transport.load(std::memory_order_relaxed) != nullptr;
}

void Emit(RecordType type, std::size_t limit, const char* format, va_list args)
{
    char buffer[kTextLimit + 1];
    int written = std::vsnprintf(buffer, sizeof buffer, format ? format : "", args);
    if (written < 0)
        return;
    const bool cutOff = static_cast<std::size_t>(written) > limit;
    const std::size_t length = cutOff ? limit : static_cast<std::size_t>(written);
    if (detail::g_serverDisabled.load(std::memory_order_relaxed))
        return;
    // Code-page characters grow in UTF-8; the record holds at most `limit` bytes.
    std::string text = vantor::trace::SystemCodePageToUtf8(std::string_view(buffer, length), cutOff);
    vantor::trace::CutUtf8(text, limit);

    vantor::trace::SendRecord({ type, CurrentThreadId(), text }, true);
}

} // namespace

#define VANTOR_TRACE_BODY(type, limit)                                                                       \
    if (!TraceWanted())                                                                                      \
        return;                                                                                              \
    va_list args;                                                                                            \
    va_start(args, format);                                                                                  \
    Emit(type, limit, format, args);                                                                         \
    va_end(args)

void TraceLog(const char* format, ...)
{
    VANTOR_TRACE_BODY(RecordType::Information, kTextLimit);
}

void TraceWarning(const char* format, ...)
{
    VANTOR_TRACE_BODY(RecordType::Warning, kTextLimit);
}

void TraceError(const char* format, ...)
{
    VANTOR_TRACE_BODY(RecordType::Error, kTextLimit);
}

void TraceThreadName(const char* format, ...)
{
    VANTOR_TRACE_BODY(RecordType::ThreadName, kThreadNameLimit);
}
