#pragma once

// The application object. An exception that escapes an event handler is
// shown in the standard exception dialog (an exception of unknown kind with
// an empty message) and ends the message loop; the program then ends
// normally.

#include <QApplication>

namespace vantor {

class QtApplication final : public QApplication {
    Q_OBJECT

public:
    QtApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void ShowException(const QString& message);
};

} // namespace vantor
