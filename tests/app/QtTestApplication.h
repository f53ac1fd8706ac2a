#pragma once

// The one QApplication of a widget test binary, made on first use (Qt runs
// on its offscreen platform in tests). It is never destroyed: destroyed
// among the static objects at exit, it would outlive parts of Qt it needs.

#include <QApplication>

namespace vantor::test {

inline QApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "vantor-test";
    static char* argv[] = { name, nullptr };
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

} // namespace vantor::test
