#pragma once

// The window program's dialogs: message boxes, input boxes and the file and
// folder dialogs, shown with Qt. Message-box flags keep their Windows values
// everywhere else; this is the one place that translates them.

#include "platform/Dialogs.h"

#include <QMessageBox>

namespace vantor {

// MB_OK, MB_OKCANCEL, MB_YESNO, MB_YESNOCANCEL to the buttons shown.
QMessageBox::StandardButtons QtButtonsFor(unsigned flags);
// MB_ICONERROR, MB_ICONQUESTION, MB_ICONWARNING, MB_ICONINFORMATION.
QMessageBox::Icon QtIconFor(unsigned flags);
// The button the user pressed to IDOK, IDCANCEL, IDYES or IDNO; closing the
// box without a button gives the safe answer of `flags`.
int WindowsAnswerFor(QMessageBox::StandardButton button, unsigned flags);

class QtDialogs final : public platform::IDialogs {
public:
    // Installs itself for the whole process; the previous dialogs come back
    // when it is destroyed.
    QtDialogs();
    ~QtDialogs() override;
    QtDialogs(const QtDialogs&) = delete;
    QtDialogs& operator=(const QtDialogs&) = delete;

    // From another thread than the application's: queued to it, shown
    // without an owner, and answered at once with the safe answer.
    int MessageBox(platform::DialogOwner owner, const std::string& text, const std::string& caption,
        unsigned flags) override;
    int MessageBoxWithDetail(platform::DialogOwner owner, const std::string& text, const std::string& detail,
        const std::string& caption, unsigned flags) override;
    std::optional<std::string> InputBox(platform::DialogOwner owner, const std::string& caption,
        const std::string& prompt, const std::string& defaultText) override;
    std::vector<std::string> OpenFiles(
        platform::DialogOwner owner, const platform::OpenFilesRequest& request) override;
    std::optional<std::string> BrowseFolder(
        platform::DialogOwner owner, const std::string& title, const std::string& initialFolder) override;

private:
    platform::IDialogs* m_previous = nullptr;
};

} // namespace vantor
