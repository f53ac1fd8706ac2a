// The help viewer. Shows the page named by its argument, if any, then every
// file URL that arrives as a line on standard input (a socket or pipe), in
// one window; ends when that input ends or its window is closed.

#include "app/Language.h"
#include "app/QtTranslations.h"
#include "app/StringTable.h"
#include "helpviewer/HelpViewerWindow.h"
#include "platform/ShellFolders.h"
#include "strings/StringIds.h"

#include <QApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QUrl>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The program's language, when its pack is there and sound; the viewer shows
// no message of its own about packs (the program does that).
void UseProgramLanguage()
{
    using namespace vantor;
    const int id = GetLanguageId();
    if (id == kEnglishLanguageId)
        return;
    auto module = LoadNewResourceModule(id, platform::ExecutableFolder() + "/vantor-batch-export");
    if (module->Text(str::kEnglishFingerPrint) != kFingerPrintText) {
        SetCurrentResourceModule(nullptr);
        return;
    }
    PointStringTableAt(module);
    InstallQtTranslations(id);
}

// Splits standard input into lines, each a page to show.
class RequestReader final : public QObject {
public:
    explicit RequestReader(vantor::HelpViewerWindow& window)
        : m_window(window)
        , m_notifier(STDIN_FILENO, QSocketNotifier::Read)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] { Read(); });
    }

private:
    void Read()
    {
        char buffer[4096];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0)
            return;
        if (n == 0) {
            m_notifier.setEnabled(false);
            QApplication::quit();
            return;
        }
        m_pending.append(buffer, static_cast<int>(n));
        for (qsizetype end; (end = m_pending.indexOf('\n')) >= 0;) {
            const QByteArray line = m_pending.left(end).trimmed();
            m_pending.remove(0, end + 1);
            if (!line.isEmpty())
                m_window.ShowTopic(QUrl::fromEncoded(line));
        }
    }

    vantor::HelpViewerWindow& m_window;
    QSocketNotifier m_notifier;
    QByteArray m_pending;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    UseProgramLanguage();
    vantor::HelpViewerWindow window;
    // Requests come through a socket (or pipe) from the help launcher; a
    // viewer started by hand keeps its terminal's input to itself.
    struct stat input { };
    std::unique_ptr<RequestReader> reader;
    if (fstat(STDIN_FILENO, &input) == 0 && (S_ISSOCK(input.st_mode) || S_ISFIFO(input.st_mode)))
        reader = std::make_unique<RequestReader>(window);
    if (argc > 1)
        window.ShowTopic(
            QUrl::fromUserInput(QString::fromLocal8Bit(argv[1]), QDir::currentPath(), QUrl::AssumeLocalFile));
    return QApplication::exec();
}
