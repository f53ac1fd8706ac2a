#include "app/QtApplication.h"

#include "ScriptedDialogs.h"

#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// An object whose every posted event handler throws.
class Thrower final : public QObject {
public:
    explicit Thrower(bool standard)
        : m_standard(standard)
    {
    }
    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        if (m_standard)
            throw std::runtime_error("disk on fire");
        throw 42;
    }

private:
    bool m_standard;
};

TEST(QtApplicationTest, AnEscapedExceptionIsShownAndEndsTheMessageLoopNormally)
{
    static int argc = 1;
    static char name[] = "vantor-test";
    static char* argv[] = { name, nullptr };
    vantor::QtApplication application(argc, argv);
    QApplication::setApplicationName("CV Vantor Pro Batch Export");
    vantor::test::ScriptedDialogs dialogs;

    for (bool standard : { true, false }) {
        Thrower thrower(standard);
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        // Should the loop keep running, end it with a code the test can tell apart.
        QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
        EXPECT_EQ(QApplication::exec(), 0);
    }
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, "disk on fire");
    EXPECT_EQ(dialogs.messages[0].caption, "CV Vantor Pro Batch Export");
    EXPECT_EQ(dialogs.messages[0].flags, platform::MB_ICONERROR);
    EXPECT_EQ(dialogs.messages[1].text, ""); // unknown kind: empty message
}

} // namespace
