// vantor_crashprogram MODE LOG: traces into the file LOG with the crash
// filter installed, then crashes: MODE "null-write" writes through a null
// pointer, "abort" calls abort(). The test checks the lines of each crash.
#include "support/CrashFilter.h"
#include "support/FileTraceTransport.h"

#include <cstdlib>
#include <cstring>

namespace {

int* volatile g_target = nullptr;

// Left to fault: the undefined-behaviour sanitizer would stop it first.
__attribute__((noinline, no_sanitize("undefined"))) void WriteThroughNull()
{
    *g_target = 42;
}

__attribute__((noinline)) void AbortNow()
{
    std::abort();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    vantor::trace::FileTraceTransport transport(argv[2]);
    vantor::trace::SetTraceTransport(&transport);
    vantor::trace::InstallCrashFilter();
    if (std::strcmp(argv[1], "null-write") == 0)
        WriteThroughNull();
    else if (std::strcmp(argv[1], "abort") == 0)
        AbortNow();
    return 1;
}
