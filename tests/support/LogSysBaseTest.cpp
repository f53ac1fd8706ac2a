#include "support/LogSysBase.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <map>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace vantor::trace;

namespace {

// Shared objects of their own for each test, removed afterwards.
class LogSysBaseTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const char* name : { "CVLogSysRegMutex_V6", "CVLogSysRegMMF_V6", "CVLogSysReadAccMutex_V6",
                 "CVLogSysWriteAccMutex_V6" })
            shm_unlink(SharedObjectName(name + m_suffix, false).c_str());
    }
    // Runs `body` in a child process and waits for it to end.
    template <typename Body> void InChild(Body body)
    {
        const pid_t child = fork();
        if (child == 0) {
            body();
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::string m_suffix = ".test" + std::to_string(getpid());
};

void SendFromThreads(CCVLogSysBase& base, int threads, int records)
{
    std::vector<std::thread> senders;
    for (int t = 0; t < threads; ++t)
        senders.emplace_back([&] {
            const auto id = static_cast<std::uint32_t>(gettid());
            for (int i = 0; i < records; ++i) {
                const std::string text = std::to_string(i);
                base.Send({ RecordType::Information, id, text }, true);
            }
        });
    for (auto& sender : senders)
        sender.join();
}

} // namespace

TEST(LogSysRecordTest, RecordBytesFollowTheLayout)
{
    unsigned char bytes[64] = {};
    const std::size_t size = EncodeRecord({ 3, 7, 0x0102030405060708, 0x11223344, 4321, "Hé" }, bytes);
    const unsigned char expected[] = {
        3, 0, 0, 0, 48, 0, 0, 0, 52, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, //
        8, 7, 6, 5, 4, 3, 2, 1, 0x44, 0x33, 0x22, 0x11, 0xE1, 0x10, 0, 0, 48, 0, 0, 0, 0, 0, 0, 0, //
        'H', 0xC3, 0xA9, 0, //
    };
    ASSERT_EQ(size, sizeof expected);
    EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + size),
        std::vector<unsigned char>(expected, expected + size));
}

TEST_F(LogSysBaseTest, TwoProcessesAndManyThreadsLoseNothingAndKeepEachThreadsOrder)
{
    constexpr int kThreads = 4;
    constexpr int kRecords = 5000;
    CCVLogSysBase base(m_suffix);
    ASSERT_TRUE(base.iCreateRegistrationMMF()) << base.LastError();
    std::thread parentSenders([&] { SendFromThreads(base, kThreads, kRecords); });
    InChild([&] {
        CCVLogSysBase child(m_suffix);
        if (!child.iCreateRegistrationMMF())
            _exit(1);
        SendFromThreads(child, kThreads, kRecords);
    });
    parentSenders.join();

    std::map<std::pair<std::uint32_t, std::uint32_t>, int> next; // (process, thread) -> next number
    std::size_t damaged = 0;
    base.Drain([&](const RecordView& record) {
        int& expected = next[{ record.processId, record.threadId }];
        if (record.type != 1 || record.text != std::to_string(expected))
            ++damaged;
        ++expected;
    });
    EXPECT_EQ(damaged, 0u);
    ASSERT_EQ(next.size(), 2u * kThreads);
    for (const auto& [sender, count] : next)
        EXPECT_EQ(count, kRecords);
}

TEST_F(LogSysBaseTest, ClientKilledHoldingTheWriteLockOrItsSlotBlocksNobody)
{
    InChild([&] {
        CCVLogSysBase child(m_suffix);
        if (!child.iCreateRegistrationMMF())
            _exit(1);
        // Ends holding the write mutex and its slot, as if killed.
        NamedMutex write;
        std::string error;
        write.Open("CVLogSysWriteAccMutex_V6" + m_suffix, error);
        pthread_mutex_lock(write.Handle());
        _exit(0);
    });
    CCVLogSysBase base(m_suffix);
    ASSERT_TRUE(base.iCreateRegistrationMMF()) << base.LastError();
    EXPECT_EQ(base.Slot(), 0); // the dead child's slot
    base.Send({ RecordType::Warning, 9, "after the crash" }, true);
    std::vector<std::string> texts;
    base.Drain([&](const RecordView& record) { texts.emplace_back(record.text); });
    EXPECT_EQ(texts, std::vector<std::string> { "after the crash" });
}

// A reader killed while it drains (perhaps holding the read mutex) and a
// new one started: the new reader gets every record the old one had not
// freed, each thread's in order and up to its last.
TEST_F(LogSysBaseTest, ReaderKilledAndRestartedWhileClientsTraceLosesNothingAfterItsLastDrain)
{
    constexpr int kThreads = 4;
    constexpr int kRecords = 20000;
    CCVLogSysBase base(m_suffix);
    ASSERT_TRUE(base.iCreateRegistrationMMF()) << base.LastError();
    const pid_t reader = fork();
    if (reader == 0) {
        CCVLogSysBase server(m_suffix);
        server.OpenAsReader();
        for (;;)
            server.Drain([](const RecordView&) {});
    }
    std::thread senders([&] { SendFromThreads(base, kThreads, kRecords); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill(reader, SIGKILL);
    waitpid(reader, nullptr, 0);
    senders.join();

    CCVLogSysBase restarted(m_suffix);
    ASSERT_TRUE(restarted.OpenAsReader()) << restarted.LastError();
    std::map<std::uint32_t, std::pair<int, int>> seen; // thread -> (first, last)
    std::size_t gaps = 0;
    restarted.Drain([&](const RecordView& record) {
        const int number = std::stoi(std::string(record.text));
        auto [it, first] = seen.try_emplace(record.threadId, number, number - 1);
        gaps += number != it->second.second + 1;
        it->second.second = number;
    });
    EXPECT_EQ(gaps, 0u);
    for (const auto& [thread, range] : seen)
        EXPECT_EQ(range.second, kRecords - 1);
}
