#include "app/QtDialogs.h"

#include "app/DialogFilter.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QStringList>
#include <QThread>

#include <filesystem>

namespace vantor {

namespace {

QWidget* OwnerWidget(platform::DialogOwner owner)
{
    return const_cast<QWidget*>(static_cast<const QWidget*>(owner));
}

QString ToQt(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

QMessageBox::StandardButtons QtButtonsFor(unsigned flags)
{
    switch (flags & platform::MB_TYPEMASK) {
    case platform::MB_OKCANCEL:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case platform::MB_YESNOCANCEL:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case platform::MB_YESNO:
        return QMessageBox::Yes | QMessageBox::No;
    case platform::MB_RETRYCANCEL:
        return QMessageBox::Retry | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::Icon QtIconFor(unsigned flags)
{
    switch (flags & platform::MB_ICONMASK) {
    case platform::MB_ICONERROR:
        return QMessageBox::Critical;
    case platform::MB_ICONQUESTION:
        return QMessageBox::Question;
    case platform::MB_ICONWARNING:
        return QMessageBox::Warning;
    case platform::MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int WindowsAnswerFor(QMessageBox::StandardButton button, unsigned flags)
{
    switch (button) {
    case QMessageBox::Ok:
        return platform::IDOK;
    case QMessageBox::Cancel:
        return platform::IDCANCEL;
    case QMessageBox::Yes:
        return platform::IDYES;
    case QMessageBox::No:
        return platform::IDNO;
    case QMessageBox::Retry:
        return platform::IDRETRY;
    default:
        return platform::SafeAnswer(flags);
    }
}

QtDialogs::QtDialogs()
{
    m_previous = platform::SetDialogs(this);
}

QtDialogs::~QtDialogs()
{
    platform::SetDialogs(m_previous);
}

int QtDialogs::MessageBox(
    platform::DialogOwner owner, const std::string& text, const std::string& caption, unsigned flags)
{
    return MessageBoxWithDetail(owner, text, {}, caption, flags);
}

int QtDialogs::MessageBoxWithDetail(platform::DialogOwner owner, const std::string& text,
    const std::string& detail, const std::string& caption, unsigned flags)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (application != nullptr && QThread::currentThread() != application->thread()) {
        // Widgets live on the UI thread only, and a worker must not wait
        // for the user: the box is shown there, with OK alone since its
        // caller has gone on with the safe answer.
        QMetaObject::invokeMethod(
            application,
            [text, detail, caption, flags] {
                auto* box = new QMessageBox(QtIconFor(flags), ToQt(caption), ToQt(text), QMessageBox::Ok);
                box->setInformativeText(ToQt(detail));
                box->setAttribute(Qt::WA_DeleteOnClose);
                box->setWindowModality(Qt::ApplicationModal);
                box->show();
            },
            Qt::QueuedConnection);
        return platform::SafeAnswer(flags);
    }
    QMessageBox box(QtIconFor(flags), ToQt(caption), ToQt(text), QtButtonsFor(flags), OwnerWidget(owner));
    box.setInformativeText(ToQt(detail));
    // Escape answers the way the Windows box does: Cancel where there is one,
    // else No, else OK.
    if (QtButtonsFor(flags) & QMessageBox::Cancel)
        box.setEscapeButton(QMessageBox::Cancel);
    else if (QtButtonsFor(flags) & QMessageBox::No)
        box.setEscapeButton(QMessageBox::No);
    int pressed = box.exec();
    return WindowsAnswerFor(static_cast<QMessageBox::StandardButton>(pressed), flags);
}

std::optional<std::string> QtDialogs::InputBox(platform::DialogOwner owner, const std::string& caption,
    const std::string& prompt, const std::string& defaultText)
{
    bool ok = false;
    QString text = QInputDialog::getText(
        OwnerWidget(owner), ToQt(caption), ToQt(prompt), QLineEdit::Normal, ToQt(defaultText), &ok);
    if (!ok)
        return std::nullopt;
    return text.toStdString();
}

std::vector<std::string> QtDialogs::OpenFiles(
    platform::DialogOwner owner, const platform::OpenFilesRequest& request)
{
    // A folder that does not exist would be typed into the file-name field:
    // the dialog starts in its nearest existing parent instead.
    QFileDialog dialog(OwnerWidget(owner), ToQt(request.title));
    if (!request.initialFolder.empty()) {
        std::filesystem::path folder(request.initialFolder);
        std::error_code ec;
        while (!std::filesystem::is_directory(folder, ec) && folder.has_relative_path())
            folder = folder.parent_path();
        dialog.setDirectory(ToQt(folder.string()));
    }
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The filter shows each description as written; its pattern list only
    // decides which files are listed.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    // Every chosen file, and the folder they are in, must exist.
    dialog.setFileMode(request.allowMultiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    QStringList filters;
    for (const std::string& filter : QtNameFilters(request.filter))
        filters << ToQt(filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    std::vector<std::string> files;
    if (dialog.exec() != QDialog::Accepted)
        return files;
    for (const QString& file : dialog.selectedFiles())
        files.push_back(file.toStdString());
    return files;
}

std::optional<std::string> QtDialogs::BrowseFolder(
    platform::DialogOwner owner, const std::string& title, const std::string& initialFolder)
{
    QString folder = QFileDialog::getExistingDirectory(
        OwnerWidget(owner), ToQt(title), ToQt(initialFolder), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return std::nullopt;
    return folder.toStdString();
}

} // namespace vantor
