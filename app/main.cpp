// The program's entry: picks the interface language, creates the help
// launcher and the forms in their fixed order, runs the message loop.

#include "app/InitializeForm.h"
#include "app/Language.h"
#include "app/MainForm.h"
#include "app/MovieList.h"
#include "app/ProductNames.h"
#include "app/QtApplication.h"
#include "app/QtDialogs.h"
#include "app/QtTranslations.h"
#include "app/StringTable.h"
#include "flash/FlashOptionsForm.h"
#include "flash/QtFlashExportCommand.h"
#include "platform/ShellFolders.h"
#include "strings/StringIds.h"
#include "support/HelpLauncher.h"
#include "support/LogSysClient.h"
#include "video/QtVideoCommands.h"
#include "video/QuickTimeAPI.h"
#include "video/WMVExportForm.h"
#include "video/WMVExportLibrary.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// Connects to the log server before the program's own code runs; released
// at exit.
const vantor::trace::LogSysProgramClient g_logSys;

// Qt ends the process when it cannot reach a display; say so plainly first.
bool HasDisplay()
{
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

// Files handed over by the desktop (the desktop entry's %F, "Open With" in
// a file manager) join the list as if they had been dropped on the window.
// `argc` and `argv` are what the application object left of the command line.
void AddOpenedMovies(TMainForm& mainForm, int argc, char** argv)
{
    std::vector<std::string> names;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        std::filesystem::path path = std::filesystem::absolute(argv[i], error);
        if (!error)
            names.push_back(path.lexically_normal().string());
    }
    vantor::MovieDropTarget opened;
    opened.DragEnter(true, names);
    for (const std::string& movie : opened.Drop(names))
        mainForm.AddMovie(movie);
}

} // namespace

int main(int argc, char** argv)
{
    using namespace vantor;

    // The program's own texts are current until a language pack is accepted.
    SetCurrentResourceModule(ResourceModule::Program());
    if (!HasDisplay()) {
        std::fprintf(stderr, "%s\n", LoadStr(str::kNoDisplayMessage).c_str());
        return 1;
    }
    QtApplication application(argc, argv);
    QtDialogs dialogs;

    if (!LoadLanguageAtStartup())
        return 0;
    if (!CurrentResourceModule()->IsProgram())
        InstallQtTranslations(GetLanguageId());

    auto helpLauncher = std::make_unique<CVHtmlHelp>(CVHtmlHelp::kWorkerMode);
    HelpLauncher = helpLauncher.get();

    const std::string title = ApplicationTitle();
    QApplication::setApplicationName(QString::fromStdString(title));
    HelpLauncher->SetHelpFile(platform::ExecutableFolder() + "/" + std::string(kProductName) + " Help.chm");
    HelpLauncher->SetHelpFolder("/html/");

    int exitCode = 0;
    {
        TMainForm::Options options;
        options.createQuickTimeDetector = [] { return std::make_unique<video::TQuickTimeAPI>(); };
        // The WMV command is offered only while the export library is there.
        options.wmvExportAvailable = [] { return IsWMVExportAvailable(); };
        TMainForm mainForm(std::move(options));
        video::CreateVideoForms(mainForm); // TOutputSizeForm and the AVI command
        auto* initializeForm = new TInitializeForm(&mainForm); // owned by the main window
        mainForm.SetInitializeForm(initializeForm);
        video::CreateWmvExportForm(mainForm, TWMVExportForm::AvailableLibrary());
        // The Flash options dialog: one instance without owner, reused by
        // every run, gone before the main window.
        auto flashOptionsForm = std::make_unique<TFlashOptionsForm>();
        FlashOptionsForm = flashOptionsForm.get();
        InstallFlashExportCommand(mainForm, *flashOptionsForm);
        mainForm.show();
        AddOpenedMovies(mainForm, argc, argv);
        exitCode = QApplication::exec();
        FlashOptionsForm = nullptr;
    }

    HelpLauncher->Close();
    HelpLauncher = nullptr;
    helpLauncher.reset();
    return exitCode;
}
