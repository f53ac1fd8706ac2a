#pragma once

// The main window's handle for posted messages: a message posted to it from
// any thread arrives on the user-interface thread as an event of type
// QEvent::User + n for the message WM_USER + n, delivered to the window's
// event handler (its message hook).

#include "platform/WindowMessages.h"

#include <QEvent>
#include <QObject>

namespace vantor {

class QtMessageEvent final : public QEvent {
public:
    explicit QtMessageEvent(const platform::Message& message);
    const platform::Message& Message() const { return m_message; }

    // The event type of WM_USER + n, or QEvent::None for a message that has
    // no event type (below WM_USER or beyond Qt's user range).
    static QEvent::Type TypeFor(platform::UINT message);
    // True for an event made from a posted message.
    static bool Is(const QEvent* event);

private:
    platform::Message m_message;
};

class QtWindowHandle final : public platform::MessageTarget {
public:
    // `receiver` gets the events and must outlive this handle: Deliver runs
    // on the posting thread under the live-target lock, and the handle's
    // destructor takes that lock, so once the handle is gone no thread can
    // reach the receiver through it. Events already posted are dropped by Qt
    // when the receiver is destroyed.
    explicit QtWindowHandle(QObject* receiver);
    ~QtWindowHandle() override;

    void Deliver(const platform::Message& message) override;

private:
    QObject* m_receiver;
};

} // namespace vantor
