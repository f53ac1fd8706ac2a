#include "support/StackTrace.h"
#include "support/TraceTransport.h"

#include <gtest/gtest.h>

using namespace vantor::trace;

namespace {

__attribute__((noinline)) void Recurse(int depth, int maxFrames)
{
    if (depth > 0)
        Recurse(depth - 1, maxFrames);
    else
        StackTrace(maxFrames);
    asm volatile("" ::: "memory"); // keeps the call from becoming a jump
}

} // namespace

TEST(StackTraceTest, WalkStopsAtTheFrameLimitAndNamesTheCallers)
{
    struct Case {
        int depth;
        int maxFrames;
        std::size_t lines; // frames plus the first and last line
    };
    const Case cases[] = { { 300, 200, 202 }, { 10, 4, 6 }, { 0, 1, 3 } };
    for (const Case& c : cases) {
        RecordingTraceTransport recorder;
        ScopedTraceTransport scope(&recorder);
        Recurse(c.depth, c.maxFrames);
        const auto entries = recorder.Entries();
        ASSERT_EQ(entries.size(), c.lines) << c.depth;
        EXPECT_EQ(entries.front().text, ">>> Stack trace started >>>");
        EXPECT_EQ(entries.back().text, "<<< Stack trace finished <<<");
        // The walk starts in the trace itself, then its caller.
        if (c.lines > 3) {
            EXPECT_NE(
                entries[2].text.find("!StackTraceTest.cpp::(anonymous namespace)::Recurse(int, int) +0x"),
                std::string::npos)
                << entries[2].text;
        }
    }
}
