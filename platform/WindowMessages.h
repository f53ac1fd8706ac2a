#pragma once

// Posted window messages without windows: the engine and other worker
// threads post (message, wParam, lParam) to an opaque target that the user
// interface (or a terminal front end, or a test) created. Posting never
// blocks on the receiver and never calls into it on the poster's thread
// beyond handing the message over.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

namespace platform {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using UINT = unsigned int;

constexpr UINT WM_USER = 0x0400;

struct Message {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Something that accepts posted messages. A target registers itself as live
// on construction and unregisters on destruction, so a message posted to a
// target that is already gone is dropped (and PostMessage returns false)
// instead of reaching freed memory.
class MessageTarget {
public:
    MessageTarget();
    virtual ~MessageTarget();
    MessageTarget(const MessageTarget&) = delete;
    MessageTarget& operator=(const MessageTarget&) = delete;

    // Called with the live-target lock held, on the posting thread: hand the
    // message over (queue it) and return at once.
    virtual void Deliver(const Message& message) = 0;

protected:
    // A derived class whose Deliver uses its own members must call this first
    // in its destructor, so that no Deliver runs while those members go away.
    void Unregister();

private:
    bool m_registered = true;
};

using WindowHandle = MessageTarget*;

// Thread-safe. False when the handle is null or no longer live.
bool PostMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam);

// A target that queues messages for a thread to take with GetMessage: the
// message loop of programs and tests that have no window.
class MessageQueue final : public MessageTarget {
public:
    MessageQueue() = default;
    ~MessageQueue() override;

    void Deliver(const Message& message) override;
    // Waits up to timeoutMs (negative: forever) for the next message.
    std::optional<Message> GetMessage(int timeoutMs);
    // The next message when one is waiting, without blocking.
    std::optional<Message> PeekMessage();

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Message> m_messages;
};

} // namespace platform
