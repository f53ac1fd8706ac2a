#include "app/QtApplication.h"

#include "ScriptedEngine.h"

#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

TEST(QtApplicationTest, AnEscapedExceptionIsShownAndEndsTheMessageLoopNormally)
{
    static int argc = 1;
    static char name[] = "vantor-test";
    static char* argv[] = { name, nullptr };
    vantor::QtApplication application(argc, argv);
    QApplication::setApplicationName("CV Vantor Pro Batch Export");
    vantor::test::ScriptedDialogs dialogs;

    const std::function<void()> throwers[] = {
        [] { throw std::runtime_error("disk on fire"); },
        [] { throw 42; },
    };
    for (const auto& thrower : throwers) {
        QTimer::singleShot(0, thrower);
        // Should the loop keep running, end it with a code the test can tell apart.
        QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
        EXPECT_EQ(QApplication::exec(), 0);
    }
    // An exception of unknown kind gives an empty message.
    EXPECT_EQ(vantor::test::Shown(dialogs),
        std::vector<std::string>(
            { "CV Vantor Pro Batch Export: disk on fire [16]", "CV Vantor Pro Batch Export:  [16]" }));
}

} // namespace
