#pragma once

// "Export to Flash...": checks the destination, asks once before the five
// Flash outputs of any listed movie are overwritten and deletes them, loads
// "Flash.xml", lets the user edit the options in the Flash options dialog,
// writes every key back and starts the batch run as standard SWF or as
// Flash video. The window and the terminal front end run the same steps;
// the terminal has no dialog and exports with the file's options.

#include "app/RunState.h"
#include "platform/Dialogs.h"

#include <string>
#include <vector>

namespace vantor {

class BatchRun;
struct FlashExportSettings;

// The Flash options dialog as the command drives it.
class IFlashExportDialog {
public:
    virtual ~IFlashExportDialog() = default;
    // Fills the dialog from `settings` and the MP3 probe, shows it and, when
    // the user chose "Export", reads every value back into `settings`.
    // False for any other end: then nothing is written and no run starts.
    virtual bool Edit(FlashExportSettings& settings, bool mp3Available) = 0;
};

// The five names a Flash export of `moviePath` may write in `destFolder`:
// ".swf", ".html", ".flv", "_toolbar.swf" and "_preview.swf" in place of
// the movie's extension.
std::vector<std::string> FlashOutputPaths(const std::string& destFolder, const std::string& moviePath);

// The batch format of a Flash export: Flash video for SFWType 1, else SWF.
ExportFormat FlashExportFormat(int sfwType);

// btnExportFlashClick. `dialog` null: the options are taken from the
// engine's settings file as they are and the file is left unchanged. False
// when the command stopped before the run started.
bool RunFlashExportCommand(
    BatchRun& run, platform::DialogOwner owner, const std::string& caption, IFlashExportDialog* dialog);

} // namespace vantor
