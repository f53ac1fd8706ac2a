// What reaches the log for texts with code-page letters: nothing is dropped
// unless formatting cut the text, and no record text passes its limit in
// UTF-8 bytes.

#include "support/Trace.h"
#include "support/TraceTransport.h"

#include <gtest/gtest.h>

using namespace vantor::trace;

namespace {

TEST(TraceTextTest, RecordTextIsWholeUtf8WithinItsLimit)
{
    const std::string e9x300(300, '\xE9');
    std::string acute512;
    for (int i = 0; i < 512; ++i)
        acute512 += "\xC3\xA9";
    const struct {
        bool threadName;
        std::string input, expected;
    } cases[] = {
        { false, "caf\xE9", "caf\xC3\xA9" },
        { false, "ab\xE2\x82", "ab\xC3\xA2\xE2\x80\x9A" }, // lead bytes, but nothing was cut
        { false, e9x300 + e9x300 + e9x300 + e9x300.substr(0, 124), acute512 },
        { false, std::string(1023, 'a') + "\xE9", std::string(1023, 'a') },
        { true, e9x300, acute512.substr(0, 254) },
    };
    for (const auto& c : cases) {
        RecordingTraceTransport recorder;
        ScopedTraceTransport scope(&recorder);
        if (c.threadName)
            TraceThreadName("%s", c.input.c_str());
        else
            TraceLog("%s", c.input.c_str());
        ASSERT_EQ(recorder.Entries().size(), 1u);
        EXPECT_EQ(recorder.Entries()[0].text, c.expected) << c.input.size();
    }
}

} // namespace
