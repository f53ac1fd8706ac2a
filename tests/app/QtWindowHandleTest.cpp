#include "app/QtWindowHandle.h"

#include "MainFormFixture.h"

#include "app/DialogFilter.h"
#include "app/QtDialogs.h"
#include <QCoreApplication>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using namespace vantor;

class Receiver final : public QObject {
public:
    std::vector<platform::Message> received;

    bool event(QEvent* event) override
    {
        if (!QtMessageEvent::Is(event))
            return QObject::event(event);
        received.push_back(static_cast<QtMessageEvent*>(event)->Message());
        return true;
    }
};

TEST(QtWindowHandleTest, MessagesFromAnyThreadArriveInOrderAsUserEventsOfWmUserAndUp)
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
    EXPECT_EQ(receiver.received[0].message, platform::WM_USER + 300);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(receiver.received[i].wParam, static_cast<platform::WPARAM>(i));
        EXPECT_EQ(receiver.received[i].lParam, 3);
    }

    // The event types cover WM_USER and up.
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

using namespace platform;

TEST(QtDialogsTest, WindowsFiltersBecomeQtNameFilters)
{
    struct Case {
        const char* windows;
        std::vector<std::string> qt;
    };
    const Case cases[] = {
        { "Vantor Movie files (*.vtr;*.vtz)|*.vtr;*.vtz",
            { "Vantor Movie files (*.vtr;*.vtz) (*.vtr *.vtz)" } },
        { "HTML files|*.html;*.htm|All files|*.*", { "HTML files (*.html *.htm)", "All files (*.*)" } },
        { "Control bar|toolbar.swf", { "Control bar (toolbar.swf)" } },
        { "", {} },
    };
    for (const Case& c : cases)
        EXPECT_EQ(QtNameFilters(c.windows), c.qt) << c.windows;
}

TEST(QtDialogsTest, MessageBoxFlagsKeepTheirWindowsMeaning)
{
    struct Case {
        unsigned flags;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
        int escapeAnswer; // closing the box without a button
    };
    const Case cases[] = {
        { MB_OK | MB_ICONERROR, QMessageBox::Ok, QMessageBox::Critical, IDOK },
        { MB_YESNO | MB_ICONQUESTION, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, IDNO },
        { MB_OKCANCEL | MB_ICONINFORMATION, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Information,
            IDCANCEL },
        { MB_YESNOCANCEL, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::NoIcon,
            IDCANCEL },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QtButtonsFor(c.flags), c.buttons) << c.flags;
        EXPECT_EQ(QtIconFor(c.flags), c.icon) << c.flags;
        EXPECT_EQ(WindowsAnswerFor(QMessageBox::NoButton, c.flags), c.escapeAnswer) << c.flags;
    }
    EXPECT_EQ(WindowsAnswerFor(QMessageBox::Yes, MB_YESNO), IDYES);
}

} // namespace
