#pragma once

// Symbolic stack traces in the trace log. Every line goes out as a trace
// record of the given thread:
//   ">>> Stack trace started >>>"
//   "0x<address>: <module>!<source file>::<symbol> <+0xdisplacement><Line n>"
//   "<<< Stack trace finished <<<"
// Frames are walked with libunwind; modules come from dl_iterate_phdr and
// symbols, files and lines from their DWARF (elfutils libdw). A frame without
// symbol and line shows "<no debug info>" as its file.

#include <cstdint>
#include <ucontext.h>

namespace vantor::trace {

// The crash filter's frame limit.
constexpr int kCrashStackFrames = 200;

// Writes the trace of `context` (a signal handler's context, copied), or of
// the calling thread when null, with at most `maxFrames` frames, as records
// of thread `threadId` (0: the calling thread). Allocates and reads files:
// not for use inside a signal handler (the crash filter runs it in a child
// process).
void StackTrace(int maxFrames, const ucontext_t* context = nullptr, std::uint32_t threadId = 0);

} // namespace vantor::trace
