#include "app/InitializeForm.h"

#include "app/ProductNames.h"
#include "app/StringTable.h"
#include "strings/StringIds.h"

#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kClientWidth = 185;
constexpr int kClientHeight = 49;

QString Text(int id)
{
    return QString::fromStdString(vantor::ReplaceProductName(vantor::LoadStr(id)));
}

} // namespace

TInitializeForm::TInitializeForm(QWidget* parent)
    : QDialog(parent,
        // A topmost tool window with a title but no border icons: nothing
        // for the user to close it with.
        Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
            | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName("InitializeForm");
    setWindowTitle(Text(vantor::str::kInitialisingCaption));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(kClientWidth, kClientHeight);
    lblPleaseWait = new QLabel(Text(vantor::str::kPleaseWaitLabel), this);
    lblPleaseWait->setObjectName("lblPleaseWait");
    lblPleaseWait->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblPleaseWait);
}

void TInitializeForm::ShowOver(QWidget* mainForm)
{
    if (isVisible())
        return;
    if (mainForm != nullptr) {
        QRect frame = mainForm->frameGeometry();
        move(frame.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
}

void TInitializeForm::CloseSplash()
{
    m_closing = true;
    done(QDialog::Accepted);
    m_closing = false;
}

void TInitializeForm::closeEvent(QCloseEvent* event)
{
    if (m_closing)
        event->accept();
    else
        event->ignore();
}

void TInitializeForm::reject()
{
    // Escape does not close the splash either.
    if (m_closing)
        QDialog::reject();
}
