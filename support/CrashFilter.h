#pragma once

// The crash filter: handlers for SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT,
// run on an alternate stack so that a stack overflow is reported too. A fatal
// signal writes the stack trace of the faulting thread (at most
// kCrashStackFrames frames) and one exception record, then hands the signal
// to the handler that was installed before: a previous handler function is
// called, the default action ends the process as it would have without the
// filter, an ignored signal stays ignored.
//
// The exception record reads, for a write through a null pointer:
//   "Exception SIGSEGV (signal 11), code 1, flags 0x1, address 0x000055D0C2A1B2C3,
//    write access to 0x0000000000000000"
// (one line). The code is the signal's si_code; flags 0x1 marks a fault the
// program cannot continue from (raised by the processor), 0x0 a signal sent
// by a process (abort, kill); the address is the interrupted instruction.

namespace vantor::trace {

// Installs the handlers, keeping the previous ones. Call once at start-up,
// from the main thread (which gets the alternate stack). False when a
// handler could not be installed; the others stay installed.
bool InstallCrashFilter();

// Restores the previous handlers and frees the alternate stack.
void RemoveCrashFilter();

// The handler function that a SIGSEGV is passed on to; null when the
// previous disposition was the default action or ignoring the signal.
const void* PreviousCrashHandler();

// Gives the calling thread an alternate stack of its own, so that a stack
// overflow on it is reported too (threads do not inherit the main thread's).
// Freed when the thread ends. Worker threads call it first thing.
void InstallThreadCrashStack();

} // namespace vantor::trace
