#pragma once

// Every modal interaction of the program (message boxes, input boxes, file
// and folder dialogs) goes through this one interface. The window program
// installs its Qt implementation at start; tests install a script; without
// either, messages are written to standard error and questions get their
// safe answer (No, Cancel), so that a program without a user interface
// never overwrites or deletes anything on its own.

#include <optional>
#include <string>
#include <vector>

namespace platform {

// Message-box flags and answers keep their Windows values.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_ICONERROR = 0x10; // also MB_ICONHAND, MB_ICONSTOP
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30; // also MB_ICONEXCLAMATION
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_TYPEMASK = 0xF;
constexpr unsigned MB_ICONMASK = 0xF0;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDRETRY = 4;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The owner of a modal dialog: the window it belongs to (a QWidget* in the
// window program), or null.
using DialogOwner = const void*;

struct OpenFilesRequest {
    std::string title;
    std::string filter; // "Name (*.a *.b)|Other (*.c)", Windows filter text with '|' between entries
    std::string initialFolder;
    bool allowMultiple = false;
};

class IDialogs {
public:
    virtual ~IDialogs() = default;
    // Returns IDOK, IDCANCEL, IDYES or IDNO. Any thread may call it: a box
    // raised on a thread other than the user-interface thread is queued to
    // that thread and shown there, and the caller gets the safe answer at
    // once without waiting. The other dialogs belong to the UI thread.
    virtual int MessageBox(
        DialogOwner owner, const std::string& text, const std::string& caption, unsigned flags)
        = 0;
    // The same box with `detail` beside `text`, which stays as it is: the
    // window shows it under the message, a terminal on the next line. A
    // program without its own way shows the message alone.
    virtual int MessageBoxWithDetail(DialogOwner owner, const std::string& text, const std::string& detail,
        const std::string& caption, unsigned flags)
    {
        (void)detail;
        return MessageBox(owner, text, caption, flags);
    }
    // The text entered, or nothing when cancelled.
    virtual std::optional<std::string> InputBox(DialogOwner owner, const std::string& caption,
        const std::string& prompt, const std::string& defaultText)
        = 0;
    // The chosen files, empty when cancelled.
    virtual std::vector<std::string> OpenFiles(DialogOwner owner, const OpenFilesRequest& request) = 0;
    // The chosen folder, or nothing when cancelled.
    virtual std::optional<std::string> BrowseFolder(
        DialogOwner owner, const std::string& title, const std::string& initialFolder)
        = 0;
};

// The answer a dialog-less program gives to a message box with these flags.
constexpr int SafeAnswer(unsigned flags)
{
    switch (flags & MB_TYPEMASK) {
    case MB_YESNO:
        return IDNO;
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

// Installs `dialogs` for the whole process (null restores the default) and
// returns the one it replaces. Not owned.
IDialogs* SetDialogs(IDialogs* dialogs);
IDialogs& Dialogs();

inline int MessageBox(DialogOwner owner, const std::string& text, const std::string& caption, unsigned flags)
{
    return Dialogs().MessageBox(owner, text, caption, flags);
}

inline int MessageBoxWithDetail(DialogOwner owner, const std::string& text, const std::string& detail,
    const std::string& caption, unsigned flags)
{
    return Dialogs().MessageBoxWithDetail(owner, text, detail, caption, flags);
}

} // namespace platform
