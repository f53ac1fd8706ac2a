#include "support/StackTrace.h"

#include "support/TraceTransport.h"

#define UNW_LOCAL_ONLY
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <elfutils/libdwfl.h>
#include <libunwind.h>
#include <link.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace vantor::trace {

namespace {

// The walk stops here whatever the caller asks: a deeper stack is a runaway
// recursion, whose first frames say everything.
constexpr int kFrameCapacity = 1024;

void Line(RecordType type, std::uint32_t threadId, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

void Line(RecordType type, std::uint32_t threadId, const char* format, ...)
{
    char text[1025];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length < 0)
        return;
    std::string utf8(text, std::min<std::size_t>(static_cast<std::size_t>(length), sizeof text - 1));
    CutUtf8(utf8, 1024);
    SendRecord({ type, threadId, utf8 }, true);
}

struct DwflDeleter {
    void operator()(Dwfl* dwfl) const { dwfl_end(dwfl); }
};
using DwflPtr = std::unique_ptr<Dwfl, DwflDeleter>;

int ReportModule(dl_phdr_info* info, size_t, void* data)
{
    auto* dwfl = static_cast<Dwfl*>(data);
    std::string path = info->dlpi_name ? info->dlpi_name : "";
    if (path.empty()) {
        // The executable itself has no name in the loader's list.
        char exe[4096];
        ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
        if (length <= 0)
            return 0;
        path.assign(exe, static_cast<std::size_t>(length));
    }
    if (path[0] != '/')
        return 0; // the vDSO and other modules without a file
    dwfl_report_elf(dwfl, path.c_str(), path.c_str(), -1, info->dlpi_addr, false);
    return 0;
}

// The modules of this process, or null when none could be reported.
DwflPtr ReportModules()
{
    static const Dwfl_Callbacks callbacks = {
        .find_elf = dwfl_linux_proc_find_elf,
        .find_debuginfo = dwfl_standard_find_debuginfo,
        .section_address = nullptr,
        .debuginfo_path = nullptr,
    };
    DwflPtr dwfl(dwfl_begin(&callbacks));
    if (!dwfl)
        return nullptr;
    dwfl_report_begin(dwfl.get());
    dl_iterate_phdr(ReportModule, dwfl.get());
    if (dwfl_report_end(dwfl.get(), nullptr, nullptr) != 0)
        return nullptr;
    return dwfl;
}

const char* FilePart(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

void WriteFrame(Dwfl* dwfl, std::uintptr_t address, bool exact, std::uint32_t threadId)
{
    // A return address points after its call: look up the call itself.
    const Dwarf_Addr pc = exact ? address : address - 1;
    const char* moduleName = "";
    const char* symbolName = nullptr;
    std::string demangled;
    GElf_Off displacement = 0;
    const char* file = nullptr;
    int line = 0;
    Dwfl_Module* module = dwfl ? dwfl_addrmodule(dwfl, pc) : nullptr;
    if (module) {
        const char* mainFile = nullptr;
        const char* name
            = dwfl_module_info(module, nullptr, nullptr, nullptr, nullptr, nullptr, &mainFile, nullptr);
        moduleName = FilePart(mainFile ? mainFile : name ? name : "");
        GElf_Sym symbol;
        symbolName = dwfl_module_addrinfo(module, pc, &displacement, &symbol, nullptr, nullptr, nullptr);
        if (symbolName) {
            int status = -1;
            char* undecorated = abi::__cxa_demangle(symbolName, nullptr, nullptr, &status);
            if (status == 0 && undecorated)
                demangled = undecorated;
            std::free(undecorated);
            if (!demangled.empty())
                symbolName = demangled.c_str();
            // The displacement of the frame's own address, not of the lookup.
            displacement += address - pc;
        }
        if (Dwfl_Line* source = dwfl_module_getsrc(module, pc))
            file = dwfl_lineinfo(source, nullptr, &line, nullptr, nullptr, nullptr);
    }
    char displacementText[32] = "";
    if (symbolName && displacement != 0)
        std::snprintf(displacementText, sizeof displacementText, "+0x%" PRIx64,
            static_cast<std::uint64_t>(displacement));
    char lineText[32] = "";
    if (file && line > 0)
        std::snprintf(lineText, sizeof lineText, " Line %d", line);
    const char* fileText = file ? FilePart(file) : symbolName ? "" : "<no debug info>";
    Line(RecordType::Information, threadId, "0x%016" PRIXPTR ": %s!%s::%s %s%s", address, moduleName,
        fileText, symbolName ? symbolName : "", displacementText, lineText);
}

} // namespace

void StackTrace(int maxFrames, const ucontext_t* context, std::uint32_t threadId)
{
    if (!LoggingEnabled() || ServerDisabled() || !TraceTransport())
        return;
    if (threadId == 0)
        threadId = static_cast<std::uint32_t>(gettid());
    Line(RecordType::Information, threadId, ">>> Stack trace started >>>");

    // Walk first, symbolise after: the walk reads only the stack.
    unw_context_t unwindContext;
    unw_cursor_t cursor;
    int result;
    if (context) {
        // On this platform libunwind's context is the signal's ucontext.
        static_assert(sizeof(unw_context_t) >= sizeof(ucontext_t));
        std::memcpy(&unwindContext, context, sizeof(ucontext_t));
        result = unw_init_local2(&cursor, &unwindContext, UNW_INIT_SIGNAL_FRAME);
    } else {
        result = unw_getcontext(&unwindContext);
        if (result == 0)
            result = unw_init_local(&cursor, &unwindContext);
    }
    if (result != 0) {
        Line(RecordType::Error, threadId, "StackTrace: failed to get current thread context. Error %d",
            result);
        Line(RecordType::Information, threadId, "<<< Stack trace finished <<<");
        return;
    }
    std::vector<std::uintptr_t> frames;
    std::vector<bool> exact;
    const int limit = std::min(maxFrames, kFrameCapacity);
    bool walkFailed = false;
    // The interrupted instruction itself is exact; every other frame holds a
    // return address.
    bool nextExact = context != nullptr;
    for (;;) {
        unw_word_t ip = 0;
        if (unw_get_reg(&cursor, UNW_REG_IP, &ip) != 0 || ip == 0)
            break;
        frames.push_back(ip);
        exact.push_back(nextExact);
        if (static_cast<int>(frames.size()) >= limit)
            break;
        nextExact = unw_is_signal_frame(&cursor) > 0;
        if (int next = unw_step(&cursor); next <= 0) {
            walkFailed = next < 0;
            break;
        }
    }

    DwflPtr dwfl = ReportModules();
    if (!dwfl)
        Line(RecordType::Warning, threadId,
            "StackTrace: Syms failed to initialize. There will be no symbol information");
    for (std::size_t i = 0; i < frames.size(); ++i)
        WriteFrame(dwfl.get(), frames[i], exact[i], threadId);
    if (walkFailed)
        Line(RecordType::Error, threadId, "StackWalk: had some error or other.");
    Line(RecordType::Information, threadId, "<<< Stack trace finished <<<");
}

} // namespace vantor::trace
