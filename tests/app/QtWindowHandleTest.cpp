#include "app/QtWindowHandle.h"

#include "QtTestApplication.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using namespace vantor;

class Receiver final : public QObject {
public:
    std::vector<platform::Message> received;
    std::vector<QEvent::Type> types;

    bool event(QEvent* event) override
    {
        if (!QtMessageEvent::Is(event))
            return QObject::event(event);
        received.push_back(static_cast<QtMessageEvent*>(event)->Message());
        types.push_back(event->type());
        return true;
    }
};

TEST(QtWindowHandleTest, MessagesFromAnyThreadArriveInOrderAsUserEvents)
{
    vantor::test::TestApplication();
    Receiver receiver;
    auto handle = std::make_unique<QtWindowHandle>(&receiver);

    std::thread worker([&] {
        platform::PostMessage(handle.get(), platform::WM_USER + 300, 0, 0);
        for (int done = 1; done <= 3; ++done)
            platform::PostMessage(handle.get(), platform::WM_USER + 308, done, 3);
        platform::PostMessage(handle.get(), platform::WM_USER - 1, 0, 0); // not a user message: dropped
    });
    worker.join();
    EXPECT_TRUE(receiver.received.empty()); // nothing runs on the posting thread
    QCoreApplication::sendPostedEvents(&receiver);

    ASSERT_EQ(receiver.received.size(), 4u);
    EXPECT_EQ(receiver.types[0], static_cast<QEvent::Type>(QEvent::User + 300));
    EXPECT_EQ(receiver.received[0].message, platform::WM_USER + 300);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(receiver.types[i], static_cast<QEvent::Type>(QEvent::User + 308));
        EXPECT_EQ(receiver.received[i].wParam, static_cast<platform::WPARAM>(i));
        EXPECT_EQ(receiver.received[i].lParam, 3);
    }

    // A handle that is gone takes nothing.
    platform::WindowHandle stale = handle.get();
    handle.reset();
    EXPECT_FALSE(platform::PostMessage(stale, platform::WM_USER + 305, 0, 0));
    QCoreApplication::sendPostedEvents(&receiver);
    EXPECT_EQ(receiver.received.size(), 4u);
}

TEST(QtWindowHandleTest, EventTypesCoverWmUserAndUp)
{
    const std::pair<platform::UINT, int> cases[] = {
        { platform::WM_USER, 1000 },
        { platform::WM_USER + 310, 1310 },
        { platform::WM_USER + 64535, 65535 }, // the last user event type
        { platform::WM_USER + 64536, QEvent::None },
        { platform::WM_USER - 1, QEvent::None },
        { 0x0100, QEvent::None },
    };
    for (const auto& [message, type] : cases)
        EXPECT_EQ(QtMessageEvent::TypeFor(message), static_cast<QEvent::Type>(type)) << message;
}

} // namespace
