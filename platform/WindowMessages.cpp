#include "platform/WindowMessages.h"

#include <chrono>
#include <unordered_set>

namespace platform {

namespace {

// Targets that may receive messages. One lock for all of them: posting is
// rare (a few dozen messages a second at most) and short.
std::mutex& LiveLock()
{
    static std::mutex lock;
    return lock;
}

std::unordered_set<MessageTarget*>& LiveTargets()
{
    static std::unordered_set<MessageTarget*> targets;
    return targets;
}

} // namespace

MessageTarget::MessageTarget()
{
    std::lock_guard lock(LiveLock());
    LiveTargets().insert(this);
}

MessageTarget::~MessageTarget()
{
    Unregister();
}

void MessageTarget::Unregister()
{
    std::lock_guard lock(LiveLock());
    if (m_registered) {
        LiveTargets().erase(this);
        m_registered = false;
    }
}

bool PostMessage(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (window == nullptr)
        return false;
    std::lock_guard lock(LiveLock());
    if (!LiveTargets().contains(window))
        return false;
    window->Deliver(Message { message, wParam, lParam });
    return true;
}

MessageQueue::~MessageQueue()
{
    Unregister();
}

void MessageQueue::Deliver(const Message& message)
{
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(message);
    }
    m_ready.notify_one();
}

std::optional<Message> MessageQueue::GetMessage(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    auto hasMessage = [this] { return !m_messages.empty(); };
    if (timeoutMs < 0)
        m_ready.wait(lock, hasMessage);
    else if (!m_ready.wait_for(lock, std::chrono::milliseconds(timeoutMs), hasMessage))
        return std::nullopt;
    Message message = m_messages.front();
    m_messages.pop_front();
    return message;
}

std::optional<Message> MessageQueue::PeekMessage()
{
    std::lock_guard lock(m_mutex);
    if (m_messages.empty())
        return std::nullopt;
    Message message = m_messages.front();
    m_messages.pop_front();
    return message;
}

} // namespace platform
