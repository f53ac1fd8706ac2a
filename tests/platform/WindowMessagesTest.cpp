#include "platform/WindowMessages.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

using platform::MessageQueue;
using platform::PostMessage;

TEST(WindowMessages, MessagesFromManyThreadsArriveInEachThreadsOrder)
{
    MessageQueue queue;
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back([&queue, t] {
            for (int i = 0; i < kEach; ++i)
                ASSERT_TRUE(PostMessage(&queue, platform::WM_USER + t, i, -i));
        });
    std::vector<int> next(kThreads, 0);
    for (int n = 0; n < kThreads * kEach; ++n) {
        auto message = queue.GetMessage(5000);
        ASSERT_TRUE(message.has_value());
        int t = static_cast<int>(message->message - platform::WM_USER);
        ASSERT_EQ(message->wParam, static_cast<platform::WPARAM>(next[t]));
        ASSERT_EQ(message->lParam, -next[t]);
        ++next[t];
    }
    for (auto& poster : posters)
        poster.join();
    EXPECT_FALSE(queue.PeekMessage().has_value());
    EXPECT_FALSE(queue.GetMessage(10).has_value());
}

TEST(WindowMessages, PostingToAGoneOrNullTargetIsRefused)
{
    platform::WindowHandle gone;
    {
        MessageQueue queue;
        gone = &queue;
        EXPECT_TRUE(PostMessage(gone, 1, 0, 0));
    }
    EXPECT_FALSE(PostMessage(gone, 1, 0, 0));
    EXPECT_FALSE(PostMessage(nullptr, 1, 0, 0));
}
