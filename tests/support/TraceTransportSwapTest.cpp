#include "support/Trace.h"
#include "support/TraceTransport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <thread>

using namespace vantor::trace;

namespace {

// A transport whose Send blocks until opened, like one waiting for room.
class GateTransport final : public ITraceTransport {
public:
    void Send(const Record&, bool) override
    {
        std::unique_lock lock(m_mutex);
        ++m_entered;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_open; });
    }
    void WaitEntered()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_entered > 0; });
    }
    void Open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_entered = 0;
    bool m_open = false;
};

} // namespace

// The swap waits for the send to the old transport, but not for a send to
// the new one that started while it waited and is still blocked.
TEST(TraceTransportSwapTest, SwapDoesNotWaitForSendsToTheNewTransport)
{
    GateTransport oldTransport;
    GateTransport newTransport;
    SetTraceTransport(&oldTransport);
    std::thread toOld([] { TraceLog("to the old transport"); });
    oldTransport.WaitEntered();

    auto swap = std::async(std::launch::async, [&] { return SetTraceTransport(&newTransport); });
    while (TraceTransport() != &newTransport)
        std::this_thread::yield();
    std::thread toNew([] { TraceLog("to the new transport"); });
    newTransport.WaitEntered();
    oldTransport.Open();

    const auto finished = swap.wait_for(std::chrono::seconds(10));
    newTransport.Open();
    toOld.join();
    toNew.join();
    ASSERT_EQ(finished, std::future_status::ready);
    EXPECT_EQ(swap.get(), &oldTransport);
    SetTraceTransport(nullptr);
}
