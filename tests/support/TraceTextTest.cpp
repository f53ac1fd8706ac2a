// What reaches the log for texts with code-page characters: nothing is
// dropped unless formatting cut the text, and no record text is longer than
// its limit in UTF-8 bytes.

#include "support/Trace.h"
#include "support/TraceTransport.h"

#include <gtest/gtest.h>

#include <string>

using namespace vantor::trace;

namespace {

std::string Repeat(const std::string& piece, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += piece;
    return text;
}

TEST(TraceTextTest, RecordTextIsWholeUtf8WithinItsLimit)
{
    struct Case {
        const char* what;
        bool threadName;
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        { "final code-page letter", false, "caf\xE9", "caf\xC3\xA9" },
        { "final UTF-8 lead bytes, nothing cut", false, "ab\xE2\x82", "ab\xC3\xA2\xE2\x80\x9A" },
        { "1024 code-page letters", false, Repeat("\xE9", 1024), Repeat("\xC3\xA9", 512) },
        { "no half letter at the limit", false, std::string(1023, 'a') + "\xE9", std::string(1023, 'a') },
        { "long thread name", true, Repeat("\xE9", 300), Repeat("\xC3\xA9", 127) },
        { "thread name of 255 bytes", true, std::string(254, 'n') + "\xE9", std::string(254, 'n') },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingTraceTransport recorder;
        ScopedTraceTransport scope(&recorder);
        if (c.threadName)
            TraceThreadName("%s", c.input.c_str());
        else
            TraceLog("%s", c.input.c_str());
        const auto entries = recorder.Entries();
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].text, c.expected);
    }
}

} // namespace
