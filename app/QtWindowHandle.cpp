#include "app/QtWindowHandle.h"

#include <QCoreApplication>

namespace vantor {

QtMessageEvent::QtMessageEvent(const platform::Message& message)
    : QEvent(TypeFor(message.message))
    , m_message(message)
{
}

QEvent::Type QtMessageEvent::TypeFor(platform::UINT message)
{
    if (message < platform::WM_USER)
        return QEvent::None;
    platform::UINT offset = message - platform::WM_USER;
    if (offset > static_cast<platform::UINT>(QEvent::MaxUser - QEvent::User))
        return QEvent::None;
    return static_cast<QEvent::Type>(QEvent::User + static_cast<int>(offset));
}

bool QtMessageEvent::Is(const QEvent* event)
{
    return event->type() >= QEvent::User && event->type() <= QEvent::MaxUser
        && dynamic_cast<const QtMessageEvent*>(event) != nullptr;
}

QtWindowHandle::QtWindowHandle(QObject* receiver)
    : m_receiver(receiver)
{
}

QtWindowHandle::~QtWindowHandle()
{
    Unregister();
}

void QtWindowHandle::Deliver(const platform::Message& message)
{
    if (QtMessageEvent::TypeFor(message.message) == QEvent::None)
        return;
    // postEvent is safe from any thread and takes the event over.
    QCoreApplication::postEvent(m_receiver, new QtMessageEvent(message));
}

} // namespace vantor
