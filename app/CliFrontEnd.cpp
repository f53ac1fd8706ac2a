#include "app/CliFrontEnd.h"

#include "app/BatchOutputNames.h"
#include "app/BatchRun.h"
#include "app/CliOptions.h"
#include "app/CliRunReport.h"
#include "app/CliView.h"
#include "app/ConvertCommand.h"
#include "app/EngineRegistration.h"
#include "app/ExportChecks.h"
#include "app/Language.h"
#include "app/PlayerEngine.h"
#include "app/ProductNames.h"
#include "app/StringTable.h"
#include "app/WindowState.h"
#include "flash/FlashExportCommand.h"
#include "platform/Dialogs.h"
#include "platform/ShellFolders.h"
#include "platform/WindowMessages.h"
#include "strings/StringIds.h"
#include "video/AviExportCommand.h"
#include "video/QuickTimeExportCommand.h"
#include "video/WMVExportCommand.h"
#include "xml/XMLSettings.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/ioctl.h>
#include <unistd.h>

namespace vantor {

namespace {

// How long the engine may take to report that it is ready.
constexpr std::chrono::seconds kEngineReadyTimeout { 60 };
// The message loop wakes at least this often to look at Ctrl+C and redraw.
constexpr int kLoopSliceMs = 50;

// Written by the signal handler, read by the message loop.
volatile std::sig_atomic_t g_interrupts = 0;

// The engine writes every output as an unnamed file that gets its name only
// when complete, so leaving at once never leaves a partial file behind.
[[noreturn]] void LeaveNow()
{
    static const char newline[] = "\n";
    [[maybe_unused]] ssize_t written = ::write(STDERR_FILENO, newline, 1);
    ::_exit(kCliFailed);
}

// Ctrl+C, a terminal hang-up and a polite kill all cancel the run; a
// second one leaves at once.
void OnInterrupt(int)
{
    if (g_interrupts > 0)
        LeaveNow();
    g_interrupts = 1;
}

void InstallSignalHandlers()
{
    struct sigaction action { };
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a question waiting for its answer ends on Ctrl+C.
    action.sa_handler = OnInterrupt;
    for (const int signal : { SIGINT, SIGTERM, SIGHUP })
        sigaction(signal, &action, nullptr);
}

// Message boxes on the terminal. Errors go to standard error; the overwrite
// question is answered by --yes, asked when both standard input and
// standard error are terminals, and otherwise printed and answered No.
class CliDialogs final : public platform::IDialogs {
public:
    CliDialogs(bool yes, bool interactive)
        : m_yes(yes)
        , m_interactive(interactive)
    {
        m_previous = platform::SetDialogs(this);
    }
    ~CliDialogs() override { platform::SetDialogs(m_previous); }
    CliDialogs(const CliDialogs&) = delete;
    CliDialogs& operator=(const CliDialogs&) = delete;

    int MessageBox(
        platform::DialogOwner, const std::string& text, const std::string&, unsigned flags) override
    {
        if ((flags & platform::MB_TYPEMASK) != platform::MB_YESNO) {
            std::fprintf(stderr, "%s\n", text.c_str());
            return platform::SafeAnswer(flags);
        }
        if (m_yes)
            return platform::IDYES;
        if (!m_interactive) {
            std::fprintf(stderr, "%s\n", text.c_str());
            return platform::IDNO;
        }
        std::fprintf(stderr, "%s%s", text.c_str(), LoadStr(str::kCliAnswerPrompt).c_str());
        std::fflush(stderr);
        char answer[64];
        if (std::fgets(answer, sizeof answer, stdin) == nullptr) {
            std::fputc('\n', stderr);
            return platform::IDNO;
        }
        const std::string letters = LoadStr(str::kCliYesLetters);
        return answer[0] != '\0' && letters.find(answer[0]) != std::string::npos ? platform::IDYES
                                                                                 : platform::IDNO;
    }
    // A check that failed names the path and the system's reason on the
    // line after its message.
    int MessageBoxWithDetail(platform::DialogOwner owner, const std::string& text, const std::string& detail,
        const std::string& caption, unsigned flags) override
    {
        const int answer = MessageBox(owner, text, caption, flags);
        if (!detail.empty())
            std::fprintf(stderr, "%s\n", IndentedReason(detail).c_str());
        return answer;
    }
    std::optional<std::string> InputBox(
        platform::DialogOwner, const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::vector<std::string> OpenFiles(platform::DialogOwner, const platform::OpenFilesRequest&) override
    {
        return {};
    }
    std::optional<std::string> BrowseFolder(
        platform::DialogOwner, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }

private:
    bool m_yes;
    bool m_interactive;
    platform::IDialogs* m_previous = nullptr;
};

// An export command as the window runs it, without its options dialog:
// the shared destination steps, then the run. AVI runs the window's command
// with the options of its settings file.
bool RunExportCommand(BatchRun& run, ExportFormat format, const std::string& caption)
{
    if (format == ExportFormat::AVI)
        return video::RunAviExportCommand(run, nullptr, caption, nullptr);
    if (format == ExportFormat::FlashSWF)
        return RunFlashExportCommand(run, nullptr, caption, nullptr);
    if (format == ExportFormat::WMV)
        return video::RunWmvExportCommand(run, nullptr, caption, nullptr);
    if (format == ExportFormat::QuickTime)
        return video::RunQuickTimeExportCommand(run, nullptr, caption, nullptr);
    if (!PrepareExportOutputs(run, format, nullptr, caption))
        return false;
    run.Start(format);
    return true;
}

int TerminalColumns()
{
    winsize size {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

bool ProgressOnTerminal()
{
    const char* term = std::getenv("TERM");
    return ::isatty(STDERR_FILENO) && !(term != nullptr && std::strcmp(term, "dumb") == 0);
}

bool EndsWith(const std::string& text, const std::string& suffix)
{
    return !suffix.empty() && text.size() >= suffix.size()
        && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// 0 when every movie has its one line of success; otherwise 1.
int RunResult(const std::vector<std::string>& lines, std::size_t movieCount)
{
    const std::string successes[] = { LoadStr(str::kBatchExportedOk), LoadStr(str::kBatchConvertedOk),
        LoadStr(str::kBatchConvertSkipped) };
    std::size_t succeeded = 0;
    for (const std::string& line : lines)
        for (const std::string& suffix : successes)
            if (EndsWith(line, suffix)) {
                ++succeeded;
                break;
            }
    return succeeded == movieCount && lines.size() == movieCount ? kCliSucceeded : kCliFailed;
}

void PrintUsage(std::FILE* to)
{
    std::fputs(LoadStr(str::kCliUsage).c_str(), to);
    std::fputs("\n", to);
    std::fputs(LoadStr(str::kCliUsageMore).c_str(), to);
}

} // namespace

int RunCli(int argc, char** argv)
{
    const std::string caption = ApplicationTitle();
    // The terminal front end speaks the window program's language and reads
    // its packs (vantor-batch-export.FRA), which sit beside both programs.
    if (!LoadLanguageAtStartup(platform::ExecutableFolder() + "/vantor-batch-export"))
        return kCliRefused;

    CliOptions options;
    std::string error;
    if (!ParseCliArguments(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "%s\n%s\n", error.c_str(), LoadStr(str::kCliSeeHelp).c_str());
        return kCliRefused;
    }
    if (options.help) {
        PrintUsage(stdout);
        return kCliSucceeded;
    }

    MovieList movies;
    std::vector<std::string> notes;
    const bool collected = CollectMovies(options.inputs, movies, notes, error);
    for (const std::string& note : notes)
        std::fprintf(stderr, "%s\n", note.c_str());
    if (!collected || movies.Empty()) {
        std::fprintf(stderr, "%s\n", collected ? LoadStr(str::kCliNoMovies).c_str() : error.c_str());
        return kCliRefused;
    }

    std::string settingsFile;
    if (options.format != ExportFormat::Conversion) {
        settingsFile = options.settingsFile.empty() ? SettingsFilePath(SettingsFilePrefix(), options.format)
                                                    : options.settingsFile;
        if (!options.settingsFile.empty() && !PathExists(settingsFile)) {
            std::fprintf(stderr, "%s%s\n", LoadStr(str::kCliNoSettingsFile).c_str(), settingsFile.c_str());
            return kCliRefused;
        }
        // Loading reports a damaged file now (the engine then reads its
        // defaults); a missing file simply means the defaults. The AVI
        // and Flash commands load their files themselves.
        if (options.format != ExportFormat::AVI && options.format != ExportFormat::FlashSWF) {
            TXMLSettings settings(true);
            settings.ReadXMLSettingsFile(settingsFile);
        }
    }

    CliDialogs dialogs(options.yes, ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO));
    InstallSignalHandlers();

    // The queue outlives the engine, which may still post while it stops.
    platform::MessageQueue queue;
    const bool terminal = ProgressOnTerminal();
    CliView view(movies, options.destination, stdout, stderr, terminal);
    if (terminal)
        view.SetWidth(TerminalColumns());
    BatchRun run(view);
    CliRunReport report(view, stderr,
        [&movies](int index) { return MovieFileSize(movies.At(static_cast<std::size_t>(index))); });
    run.SetObserver(&report);

    const std::string programFolder = platform::ExecutableFolder();
    RegisterEngine(programFolder, {});
    PlayerEngine engine = PlayerEngine::Create();
    run.SetEngine(engine.Get());
    run.SetSettingsFilePrefix(SettingsFilePrefix());
    run.SetSettingsFileOverride(options.settingsFile);

    if (engine) {
        const int result = engine.Initialize(&queue);
        if (result != kEngineOk) {
            platform::MessageBox(nullptr, EngineErrorText(result), caption, platform::MB_ICONERROR);
        } else {
            run.SetWaitingForEngine(true);
            const auto deadline = std::chrono::steady_clock::now() + kEngineReadyTimeout;
            while (run.WaitingForEngine()) {
                if (g_interrupts > 0)
                    return kCliFailed;
                if (std::chrono::steady_clock::now() > deadline) {
                    std::fprintf(stderr, "%s\n", LoadStr(str::kCliEngineNoStart).c_str());
                    return kCliFailed;
                }
                if (auto message = queue.GetMessage(kLoopSliceMs))
                    run.HandleNotification(message->message, message->wParam, message->lParam);
            }
        }
    }
    if (g_interrupts > 0)
        return kCliFailed;

    const bool started = options.format == ExportFormat::Conversion
        ? RunConvertCommand(run, nullptr, caption)
        : RunExportCommand(run, options.format, caption);
    if (!started)
        return kCliRefused;

    int interruptsHandled = 0;
    while (!run.IsIdle()) {
        if (g_interrupts > interruptsHandled) {
            interruptsHandled = g_interrupts;
            if (run.State() == RunState::Running)
                run.CancelAll();
        }
        if (auto message = queue.GetMessage(kLoopSliceMs))
            run.HandleNotification(message->message, message->wParam, message->lParam);
        view.Tick();
    }
    view.Finish();
    report.PrintSummary();
    return RunResult(view.StatusLines(), movies.Count());
}

} // namespace vantor
