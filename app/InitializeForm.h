#pragma once

// The "Initialising" splash: shown modally over the main window while the
// Player engine has not reported that it is ready. The user cannot close
// it; the main window closes it when the engine's ready notification comes.

#include <QDialog>

class QLabel;

class TInitializeForm final : public QDialog {
    Q_OBJECT

public:
    explicit TInitializeForm(QWidget* parent = nullptr);
    TInitializeForm(const TInitializeForm&) = delete;
    TInitializeForm& operator=(const TInitializeForm&) = delete;

    // Shows the splash modally, centred on `mainForm`, without blocking the
    // caller; does nothing while it is shown already.
    void ShowOver(QWidget* mainForm);
    // Closes the splash (the only way it closes).
    void CloseSplash();

    // Escape: ignored, the splash stays.
    void reject() override;

    QLabel* lblPleaseWait = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool m_closing = false;
};
