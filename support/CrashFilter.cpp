#include "support/CrashFilter.h"

#include "support/StackTrace.h"
#include "support/TraceTransport.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <ctime>
#include <sys/mman.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

// What runs inside the handler, and why each step may:
// - the exception record is formatted by hand into a stack buffer and sent
//   through SendRecord: atomics and the transport's Send, which transports
//   keep free of allocation and of locks that cannot time out;
// - gettid, sigaction, raise, _Fork, waitpid, nanosleep, kill and _exit are
//   async-signal-safe;
// - the stack trace, which allocates and reads DWARF, runs in a child made
//   with _Fork: the child has a copy of the crashed process's memory, walks
//   the copy of the faulting stack and sends its lines through the same
//   transport. A lock held by another thread at the fork (malloc's, the
//   loader's) can hang the child; the handler kills a child that has not
//   finished after kChildTimeoutSeconds, so the process always goes on to
//   the previous handler.

namespace vantor::trace {

namespace {

constexpr int kSignals[] = { SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT };
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
constexpr std::size_t kAlternateStackSize = 256 * 1024;
constexpr int kChildTimeoutSeconds = 10;

struct sigaction g_previous[kSignalCount];
bool g_installed[kSignalCount] = {};
void* g_alternateStack = nullptr;
std::atomic<std::uint32_t> g_crashingThread { 0 };

const char* SignalName(int signal)
{
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    }
    return "signal";
}

// Text built without allocation or locale, for use inside the handler.
class FixedText final {
public:
    FixedText& operator<<(const char* text)
    {
        while (*text && m_length < sizeof m_text - 1)
            m_text[m_length++] = *text++;
        m_text[m_length] = 0;
        return *this;
    }
    FixedText& Decimal(long value)
    {
        char digits[24];
        int count = 0;
        unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value) : value;
        do {
            digits[count++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        if (value < 0)
            digits[count++] = '-';
        char reversed[24];
        for (int i = 0; i < count; ++i)
            reversed[i] = digits[count - 1 - i];
        reversed[count] = 0;
        return *this << reversed;
    }
    // "0x" and `width` upper-case hexadecimal digits (at least one).
    FixedText& Hex(std::uint64_t value, int width)
    {
        char digits[19] = "0x";
        int count = 0;
        for (std::uint64_t rest = value; rest; rest >>= 4)
            ++count;
        if (count < width)
            count = width;
        if (count == 0)
            count = 1;
        for (int i = count - 1; i >= 0; --i, value >>= 4)
            digits[2 + i] = "0123456789ABCDEF"[value & 0xF];
        digits[2 + count] = 0;
        return *this << digits;
    }
    std::string_view View() const { return { m_text, m_length }; }

private:
    char m_text[256] = {};
    std::size_t m_length = 0;
};

void SendExceptionRecord(int signal, const siginfo_t* info, const ucontext_t* context, std::uint32_t threadId)
{
    std::uintptr_t instruction = 0;
    FixedText text;
    text << "Exception " << SignalName(signal) << " (signal ";
    text.Decimal(signal) << "), code ";
    text.Decimal(info ? info->si_code : 0) << ", flags ";
    text.Hex(info && info->si_code > 0 ? 1 : 0, 0) << ", address ";
#if defined(__x86_64__)
    if (context)
        instruction = static_cast<std::uintptr_t>(context->uc_mcontext.gregs[REG_RIP]);
#endif
    text.Hex(instruction, 16);
    if (signal == SIGSEGV || signal == SIGBUS) {
        const char* access = "";
#if defined(__x86_64__)
        // Bit 1 of the page-fault error code: the access was a write.
        if (context && signal == SIGSEGV)
            access = (context->uc_mcontext.gregs[REG_ERR] & 0x2) ? "write " : "read ";
#endif
        text << ", " << access << "access to ";
        text.Hex(reinterpret_cast<std::uintptr_t>(info ? info->si_addr : nullptr), 16);
    }
    SendRecord({ RecordType::Exception, threadId, text.View() }, true);
}

void WriteStackTraceInChild(const ucontext_t* context, std::uint32_t threadId)
{
    const pid_t child = _Fork();
    if (child == 0) {
        struct sigaction defaultAction { };
        defaultAction.sa_handler = SIG_DFL;
        for (int signal : kSignals)
            sigaction(signal, &defaultAction, nullptr);
        StackTrace(kCrashStackFrames, context, threadId);
        _exit(0);
    }
    if (child < 0)
        return;
    const timespec slice { 0, 10 * 1000 * 1000 };
    for (int waited = 0; waited < kChildTimeoutSeconds * 100; ++waited) {
        int status;
        if (waitpid(child, &status, WNOHANG) != 0)
            return;
        nanosleep(&slice, nullptr);
    }
    kill(child, SIGKILL);
    int status;
    waitpid(child, &status, 0);
}

void PassOn(int index, int signal, siginfo_t* info, void* context)
{
    const struct sigaction& previous = g_previous[index];
    if (previous.sa_flags & SA_SIGINFO) {
        if (previous.sa_sigaction)
            previous.sa_sigaction(signal, info, context);
        return;
    }
    if (previous.sa_handler == SIG_IGN)
        return;
    if (previous.sa_handler == SIG_DFL) {
        // Delivered with the default action once this handler returns (the
        // signal is blocked until then); a fault would also recur.
        sigaction(signal, &previous, nullptr);
        raise(signal);
        return;
    }
    previous.sa_handler(signal);
}

void CrashHandler(int signal, siginfo_t* info, void* rawContext)
{
    const int saved = errno;
    int index = 0;
    while (index < kSignalCount && kSignals[index] != signal)
        ++index;
    const auto threadId = static_cast<std::uint32_t>(gettid());
    std::uint32_t idle = 0;
    // One report at a time; a crash inside the report itself goes straight on.
    if (g_crashingThread.compare_exchange_strong(idle, threadId) && LoggingEnabled() && !ServerDisabled()
        && TraceTransport()) {
        const auto* context = static_cast<const ucontext_t*>(rawContext);
        WriteStackTraceInChild(context, threadId);
        SendExceptionRecord(signal, info, context, threadId);
        g_crashingThread.store(0);
    } else if (idle == 0) {
        g_crashingThread.store(0);
    }
    errno = saved;
    if (index < kSignalCount)
        PassOn(index, signal, info, rawContext);
}

} // namespace

bool InstallCrashFilter()
{
    if (!g_alternateStack) {
        void* stack
            = mmap(nullptr, kAlternateStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (stack != MAP_FAILED) {
            stack_t alternate {};
            alternate.ss_sp = stack;
            alternate.ss_size = kAlternateStackSize;
            if (sigaltstack(&alternate, nullptr) == 0)
                g_alternateStack = stack;
            else
                munmap(stack, kAlternateStackSize);
        }
    }
    bool all = true;
    for (int i = 0; i < kSignalCount; ++i) {
        if (g_installed[i])
            continue;
        struct sigaction action { };
        action.sa_sigaction = CrashHandler;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        g_installed[i] = sigaction(kSignals[i], &action, &g_previous[i]) == 0;
        all = all && g_installed[i];
    }
    return all;
}

void RemoveCrashFilter()
{
    for (int i = 0; i < kSignalCount; ++i) {
        if (g_installed[i])
            sigaction(kSignals[i], &g_previous[i], nullptr);
        g_installed[i] = false;
    }
    if (g_alternateStack) {
        stack_t disable {};
        disable.ss_flags = SS_DISABLE;
        sigaltstack(&disable, nullptr);
        munmap(g_alternateStack, kAlternateStackSize);
        g_alternateStack = nullptr;
    }
}

const void* PreviousCrashHandler()
{
    const struct sigaction& previous = g_previous[0];
    if (previous.sa_flags & SA_SIGINFO)
        return reinterpret_cast<const void*>(previous.sa_sigaction);
    if (previous.sa_handler == SIG_DFL || previous.sa_handler == SIG_IGN)
        return nullptr;
    return reinterpret_cast<const void*>(previous.sa_handler);
}

namespace {

// One thread's alternate stack, given up when the thread ends.
class ThreadCrashStack final {
public:
    ThreadCrashStack()
    {
        void* stack
            = mmap(nullptr, kAlternateStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (stack == MAP_FAILED)
            return;
        stack_t alternate {};
        alternate.ss_sp = stack;
        alternate.ss_size = kAlternateStackSize;
        if (sigaltstack(&alternate, nullptr) == 0)
            m_stack = stack;
        else
            munmap(stack, kAlternateStackSize);
    }
    ~ThreadCrashStack()
    {
        if (!m_stack)
            return;
        stack_t disable {};
        disable.ss_flags = SS_DISABLE;
        sigaltstack(&disable, nullptr);
        munmap(m_stack, kAlternateStackSize);
    }
    ThreadCrashStack(const ThreadCrashStack&) = delete;
    ThreadCrashStack& operator=(const ThreadCrashStack&) = delete;

private:
    void* m_stack = nullptr;
};

} // namespace

void InstallThreadCrashStack()
{
    thread_local ThreadCrashStack stack;
    (void)stack;
}

} // namespace vantor::trace
