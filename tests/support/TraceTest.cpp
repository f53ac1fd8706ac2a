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

} // namespace

TEST_F(TraceTest, EachCallSendsItsRecordTypeAndFormattedText)
{
    ScopedTraceTransport scope(&m_recorder);
    TraceLog("%s::%s", "TMainForm", "StartNextMovie");
    TraceWarning("code %d", -3);
    TraceError("%05.1f|%x", 2.5, 255u);
    TraceThreadName("worker %c", 'A');

    auto entries = m_recorder.Entries();
    ASSERT_EQ(entries.size(), 4u);
    struct Expected {
        RecordType type;
        int wireType;
        const char* text;
    };
    const Expected expected[] = {
        { RecordType::Information, 1, "TMainForm::StartNextMovie" },
        { RecordType::Warning, 2, "code -3" },
        { RecordType::Error, 3, "002.5|ff" },
        { RecordType::ThreadName, 7, "worker A" },
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].type, expected[i].type);
        EXPECT_EQ(static_cast<int>(entries[i].type), expected[i].wireType);
        EXPECT_EQ(entries[i].text, expected[i].text);
        EXPECT_TRUE(entries[i].waitForRoom);
        EXPECT_EQ(entries[i].threadId, static_cast<std::uint32_t>(gettid()));
    }
}

TEST_F(TraceTest, LongTextsAreCutAtTheirLimits)
{
    ScopedTraceTransport scope(&m_recorder);
    const std::string longText(3000, 'x');
    const std::string exact1024(1024, 'y');
    TraceLog("%s", longText.c_str());
    TraceWarning("%s", exact1024.c_str());
    TraceError("%s!", exact1024.c_str());
    TraceThreadName("%s", longText.c_str());
    TraceThreadName("%s", std::string(255, 'n').c_str());

    auto entries = m_recorder.Entries();
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].text, std::string(1024, 'x'));
    EXPECT_EQ(entries[1].text, exact1024);
    EXPECT_EQ(entries[2].text, exact1024); // the '!' is the 1025th character
    EXPECT_EQ(entries[3].text, std::string(255, 'x'));
    EXPECT_EQ(entries[4].text, std::string(255, 'n'));
}

TEST_F(TraceTest, NothingIsSentWithoutTransportOrWithLoggingOffOrServerDisabled)
{
    // No transport: the call has nowhere to go and must not crash.
    ASSERT_EQ(TraceTransport(), nullptr);
    TraceLog("before %d", 1);

    ScopedTraceTransport scope(&m_recorder);
    SetLoggingEnabled(false);
    TraceLog("off %d", 2);
    TraceWarning("off");
    TraceError("off");
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

TEST_F(TraceTest, TextArrivesAsUtf8)
{
    struct Case {
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        { "plain ascii", "plain ascii" },
        { "d\xC3\xA9j\xC3\xA0 \xE2\x82\xAC \xF0\x9F\x8E\xA5",
            "d\xC3\xA9j\xC3\xA0 \xE2\x82\xAC \xF0\x9F\x8E\xA5" },
        // The lowest character of each sequence length is UTF-8 already.
        { "\xC2\x80 \xE0\xA0\x80 \xF0\x90\x80\x80", "\xC2\x80 \xE0\xA0\x80 \xF0\x90\x80\x80" },
        // Code-page bytes: e-acute 0xE9, euro 0x80, right quote 0x92, 0x81 undefined.
        { "caf\xE9 \x80 \x92 \x81", "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x99 \xC2\x81" },
        // A lone continuation byte and an overlong encoding are code-page bytes too.
        { "\xBF\xC0\xAF", "\xC2\xBF\xC3\x80\xC2\xAF" },
        // A character cut off by the end of the text is dropped.
        { "ab\xE2\x82", "ab" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(SystemCodePageToUtf8(c.input), c.expected) << c.input;

    // A cut at 1024 bytes that falls inside a character does not leave half of it.
    ScopedTraceTransport scope(&m_recorder);
    std::string text(1023, 'a');
    text += "\xC3\xA9";
    TraceLog("%s", text.c_str());
    TraceLog("%s", "na\xEFve");
    auto entries = m_recorder.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].text, std::string(1023, 'a'));
    EXPECT_EQ(entries[1].text, "na\xC3\xAFve");
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
