#include "flash/FlashExportCommand.h"

#include "app/BatchOutputNames.h"
#include "app/BatchRun.h"
#include "app/ExportChecks.h"
#include "app/ForceDirectories.h"
#include "app/SoundRecorder.h"
#include "flash/FlashExportSettings.h"
#include "flash/HtmlTemplate.h"
#include "support/Trace.h"
#include "xml/XMLSettings.h"

namespace vantor {

namespace {

constexpr const char* kFlashOutputSuffixes[] = { ".swf", ".html", ".flv", "_toolbar.swf", "_preview.swf" };
constexpr int kSfwTypeFlashVideo = 1;

// The steps before the dialog: the destination folder, the one question at
// the first movie with any of its five outputs, and the deletion of all
// five of every movie (two movies of the same name share them).
bool PrepareFlashOutputs(BatchRun& run, platform::DialogOwner owner, const std::string& caption)
{
    const std::string dest = run.View().DestinationFolder();
    if (!CheckDestinationFolder(dest, owner, caption))
        return false;
    const auto outputs = [&dest](const std::string& movie) { return FlashOutputPaths(dest, movie); };
    const std::vector<std::string> movies = ListedMovies(run.View());
    if (!ConfirmOverwrite(movies, outputs, OverwriteQuestion::Export, owner, caption))
        return false;
    DeleteOutputs(movies, outputs);
    return true;
}

} // namespace

std::vector<std::string> FlashOutputPaths(const std::string& destFolder, const std::string& moviePath)
{
    std::vector<std::string> paths;
    const std::string name = FileNamePart(moviePath);
    for (const char* suffix : kFlashOutputSuffixes)
        paths.push_back(destFolder + "/" + ChangeFileExt(name, suffix));
    return paths;
}

ExportFormat FlashExportFormat(int sfwType)
{
    return sfwType == kSfwTypeFlashVideo ? ExportFormat::FlashFLV : ExportFormat::FlashSWF;
}

bool RunFlashExportCommand(
    BatchRun& run, platform::DialogOwner owner, const std::string& caption, IFlashExportDialog* dialog)
{
    TraceMethod trace("TMainForm::btnExportFlashClick");
    if (!PrepareFlashOutputs(run, owner, caption))
        return false;

    int sfwType = 0;
    if (dialog == nullptr) {
        // The engine's file as it is (the terminal's --settings file, when
        // given); only the kind of output matters here.
        FlashExportSettings defaults;
        TXMLSettings store(false);
        store.ReadXMLSettingsFile(run.SettingsFile(ExportFormat::FlashSWF));
        sfwType = store.GetInteger("SFWType", defaults.SFWType);
    } else {
        const std::string& prefix = run.SettingsFilePrefix();
        FlashExportSettings settings;
        settings.Load(prefix);
        settings.RaiseAutoscrollToMinimum();
        if (!dialog->Edit(settings, IsMP3Available())) {
            settings.Discard();
            return false;
        }
        // The settings folder may not exist yet on a new account; the store
        // reports a folder it still cannot write to.
        const std::string file = prefix + kFlashSettingsFileName;
        ForceDirectories(file.substr(0, file.find_last_of('/')));
        settings.Save(prefix);
        sfwType = settings.SFWType;
    }

    // The engine fills the text tags of the export's pages in the
    // program's language.
    page::SetFlashPageTexts(ProgramPageTexts());
    run.Start(FlashExportFormat(sfwType));
    return true;
}

} // namespace vantor
