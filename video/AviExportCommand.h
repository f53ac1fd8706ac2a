#pragma once

// "Export to AVI...": checks the destination, deletes the old ".avi"
// outputs, loads "AVI.xml", lets the user edit the options (the options
// dialog, then the codec chooser), saves every key and starts the batch run
// with the AVI format. The window and the terminal front end run the same
// steps; the terminal has no dialogs and exports with the file's options.

#include "platform/Dialogs.h"
#include "video/AviExportSettings.h"

#include <string>

namespace vantor {
class BatchRun;
}

namespace vantor::video {

// The two dialogs of the command, run after the settings were read.
class IAviExportDialogs {
public:
    virtual ~IAviExportDialogs() = default;
    // Fills the options dialog from `settings`, shows it, runs the codec
    // chooser and reads everything back into `settings`. False when either
    // dialog was cancelled: then nothing is saved and no run starts.
    virtual bool Edit(AviExportSettings& settings) = 0;
};

// btnExportAVIClick. `dialogs` null: the options are taken from the file as
// they are and the file is left unchanged. False when the command stopped
// before the run started.
bool RunAviExportCommand(
    BatchRun& run, platform::DialogOwner owner, const std::string& caption, IAviExportDialogs* dialogs);

} // namespace vantor::video
