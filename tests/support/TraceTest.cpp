#include "support/Trace.h"
#include "support/TraceTransport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace vantor::trace;

namespace {

// Restores the process-wide flags whatever a test leaves behind.
class TraceTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        SetLoggingEnabled(true);
        SetServerDisabled(false);
    }
    RecordingTraceTransport m_recorder;
};

std::string Repeat(const std::string& text, int times)
{
    std::string repeated;
    while (times-- > 0)
        repeated += text;
    return repeated;
}

} // namespace

// One call each: record type (as sent), text formatted, cut at its limit
// (1024 bytes, 255 for thread names) without leaving half a character.
TEST_F(TraceTest, EachCallSendsItsRecordTypeAndTextAsUtf8)
{
    const struct {
        void (*send)();
        int type;
        std::string text;
    } cases[] = {
        { [] { TraceLog("%s::%s", "TMainForm", "StartNextMovie"); }, 1, "TMainForm::StartNextMovie" },
        { [] { TraceWarning("code %d", -3); }, 2, "code -3" },
        { [] { TraceError("%05.1f|%x", 2.5, 255u); }, 3, "002.5|ff" },
        { [] { TraceThreadName("worker %c", 'A'); }, 7, "worker A" },
        { [] { TraceLog("%s", std::string(3000, 'x').c_str()); }, 1, std::string(1024, 'x') },
        { [] { TraceWarning("%s", std::string(1024, 'y').c_str()); }, 2, std::string(1024, 'y') },
        { [] { TraceError("%s!", std::string(1024, 'y').c_str()); }, 3, std::string(1024, 'y') },
        { [] { TraceThreadName("%s", std::string(3000, 'x').c_str()); }, 7, std::string(255, 'x') },
        { [] { TraceThreadName("%s", std::string(255, 'n').c_str()); }, 7, std::string(255, 'n') },
        { [] { TraceLog("%s", (std::string(1023, 'a') + "\xC3\xA9").c_str()); }, 1, std::string(1023, 'a') },
        // Code-page letters arrive as UTF-8; nothing is dropped unless the
        // text was cut, and the limit holds in UTF-8 bytes.
        { [] { TraceLog("%s", "na\xEFve"); }, 1, "na\xC3\xAFve" },
        { [] { TraceLog("%s", "ab\xE2\x82"); }, 1, "ab\xC3\xA2\xE2\x80\x9A" },
        { [] { TraceLog("%s", std::string(1024, '\xE9').c_str()); }, 1, Repeat("\xC3\xA9", 512) },
        { [] { TraceLog("%s", (std::string(1023, 'a') + "\xE9").c_str()); }, 1, std::string(1023, 'a') },
        { [] { TraceThreadName("%s", std::string(300, '\xE9').c_str()); }, 7, Repeat("\xC3\xA9", 127) },
    };
    for (const auto& c : cases) {
        RecordingTraceTransport recorder;
        ScopedTraceTransport scope(&recorder);
        c.send();
        const auto entries = recorder.Entries();
        ASSERT_EQ(entries.size(), 1u) << c.text;
        EXPECT_EQ(static_cast<int>(entries[0].type), c.type) << c.text;
        EXPECT_EQ(entries[0].text, c.text);
        EXPECT_TRUE(entries[0].waitForRoom);
        EXPECT_EQ(entries[0].threadId, static_cast<std::uint32_t>(gettid()));
    }

    // Code-page texts arrive as UTF-8.
    struct Conversion {
        std::string input;
        std::string expected;
    };
    const Conversion conversions[] = {
        { "plain ascii", "plain ascii" },
        { "d\xC3\xA9j\xC3\xA0 \xE2\x82\xAC \xF0\x9F\x8E\xA5",
            "d\xC3\xA9j\xC3\xA0 \xE2\x82\xAC \xF0\x9F\x8E\xA5" },
        // The lowest character of each sequence length is UTF-8 already.
        { "\xC2\x80 \xE0\xA0\x80 \xF0\x90\x80\x80", "\xC2\x80 \xE0\xA0\x80 \xF0\x90\x80\x80" },
        // And so is the highest one of each length.
        { "\xDF\xBF \xEF\xBF\xBF \xF4\x8F\xBF\xBF", "\xDF\xBF \xEF\xBF\xBF \xF4\x8F\xBF\xBF" },
        // Code-page bytes: e-acute 0xE9, euro 0x80, right quote 0x92, 0x81 undefined.
        { "caf\xE9 \x80 \x92 \x81", "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x99 \xC2\x81" },
        // A lone continuation byte and an overlong encoding are code-page bytes too.
        { "\xBF\xC0\xAF", "\xC2\xBF\xC3\x80\xC2\xAF" },
        // No sequence starts above 0xF4, even with continuation bytes after it.
        { "\xFC\x80\x80\x80", "\xC3\xBC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC" },
    };
    for (const auto& c : conversions)
        EXPECT_EQ(SystemCodePageToUtf8(c.input), c.expected) << c.input;
}

TEST_F(TraceTest, NothingIsSentWithoutTransportOrWithLoggingOffOrServerDisabled)
{
    // No transport: the call has nowhere to go and must not crash.
    ASSERT_EQ(TraceTransport(), nullptr);
    TraceLog("before %d", 1);

    ScopedTraceTransport scope(&m_recorder);
    SetLoggingEnabled(false);
    TraceLog("off %d", 2);
    TraceThreadName("off");
    EXPECT_TRUE(m_recorder.Entries().empty());

    SetLoggingEnabled(true);
    SetServerDisabled(true);
    TraceLog("server disabled");
    TraceThreadName("server disabled");
    EXPECT_TRUE(m_recorder.Entries().empty());

    SetServerDisabled(false);
    TraceLog("on again");
    auto entries = m_recorder.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].text, "on again");
}

TEST_F(TraceTest, TransportIsRestoredAndReplacedOneIsNoLongerCalled)
{
    RecordingTraceTransport other;
    {
        ScopedTraceTransport outer(&m_recorder);
        {
            ScopedTraceTransport inner(&other);
            TraceLog("to other");
        }
        TraceLog("to recorder");
    }
    TraceLog("to nobody");
    ASSERT_EQ(other.Entries().size(), 1u);
    EXPECT_EQ(other.Entries()[0].text, "to other");
    ASSERT_EQ(m_recorder.Entries().size(), 1u);
    EXPECT_EQ(m_recorder.Entries()[0].text, "to recorder");
    EXPECT_EQ(TraceTransport(), nullptr);
}

TEST_F(TraceTest, TraceMethodLogsEntryAndExit)
{
    ScopedTraceTransport scope(&m_recorder);
    {
        TraceMethod trace("TFlashOptionsForm::FormShow");
        TraceLog("inside");
    }
    auto entries = m_recorder.Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].text, "TFlashOptionsForm::FormShow");
    EXPECT_EQ(entries[1].text, "inside");
    EXPECT_EQ(entries[2].text, "TFlashOptionsForm::FormShow Exit");
}

TEST_F(TraceTest, ConcurrentCallsAllArriveAndTransportCanBeSwappedMeanwhile)
{
    constexpr int kThreads = 4;
    constexpr int kCalls = 2000;
    RecordingTraceTransport second;
    std::atomic<bool> go { false };
    std::vector<std::thread> threads;
    SetTraceTransport(&m_recorder);
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            while (!go.load())
                std::this_thread::yield();
            for (int i = 0; i < kCalls; ++i)
                TraceLog("thread %d call %d", t, i);
        });
    go = true;
    std::this_thread::yield();
    ITraceTransport* previous = SetTraceTransport(&second);
    EXPECT_EQ(previous, &m_recorder);
    // Once the swap returned, the first transport receives nothing more.
    std::size_t firstCount = m_recorder.Entries().size();
    for (auto& thread : threads)
        thread.join();
    SetTraceTransport(nullptr);
    EXPECT_EQ(m_recorder.Entries().size(), firstCount);
    EXPECT_EQ(firstCount + second.Entries().size(), static_cast<std::size_t>(kThreads * kCalls));
}
