#pragma once

// The one QApplication of a widget test binary, made on first use (Qt runs
// on its offscreen platform in tests). It is never destroyed: destroyed
// among the static objects at exit, it would outlive parts of Qt it needs.

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <functional>

namespace vantor::test {

inline QApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "vantor-test";
    static char* argv[] = { name, nullptr };
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

// Runs the event loop until `done` holds or `timeout` passes; the answer is
// `done` at the end.
inline bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}

} // namespace vantor::test
