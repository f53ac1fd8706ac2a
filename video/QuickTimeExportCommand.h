#pragma once

// "Export to QuickTime...": checks the destination, deletes the old ".mov"
// outputs, loads "QT.xml", lets the user edit the options in the shared
// options dialog switched into its QuickTime mode, saves every key and
// starts the batch run with the QuickTime format. The window and the
// terminal front end run the same steps; the terminal has no dialog and
// exports with the file's options.

#include "platform/Dialogs.h"
#include "video/QuickTimeExportSettings.h"

#include <string>

namespace vantor {
class BatchRun;
}

namespace vantor::video {

// The command's dialog, run after the settings were read.
class IQuickTimeExportDialogs {
public:
    virtual ~IQuickTimeExportDialogs() = default;
    // Fills the options dialog from `settings`, shows it and reads it back
    // into `settings`. False when it was cancelled: then nothing is saved
    // and no run starts.
    virtual bool Edit(QuickTimeExportSettings& settings) = 0;
};

// btnExportQTClick. `dialogs` null: the options are taken from the file as
// they are and the file is left unchanged. False when the command stopped
// before the run started.
bool RunQuickTimeExportCommand(
    BatchRun& run, platform::DialogOwner owner, const std::string& caption, IQuickTimeExportDialogs* dialogs);

} // namespace vantor::video
