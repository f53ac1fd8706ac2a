#include "app/QtApplication.h"

#include "platform/Dialogs.h"

#include <exception>

namespace vantor {

QtApplication::QtApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool QtApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ShowException(QString());
    }
    return false;
}

void QtApplication::ShowException(const QString& message)
{
    platform::MessageBox(activeWindow(), message.toStdString(), applicationDisplayName().toStdString(),
        platform::MB_ICONERROR);
    exit(0);
}

} // namespace vantor
