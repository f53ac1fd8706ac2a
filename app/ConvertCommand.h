#pragma once

// The "Convert v1.4 movies to new file format" command: writes every listed
// movie again, in the current movie format, into the destination folder.
// The batch loop runs with the conversion format; there is no options
// dialog and no settings file.

#include "platform/Dialogs.h"

#include <string>

namespace vantor {

class BatchRun;

// btnConvertFormatClick: creates the destination folder, asks once before
// any existing ".vtr" target is overwritten (nothing is deleted: the engine
// writes over it) and starts the run. False when a check stopped the
// command; `owner` and `caption` are the window's, for the message boxes.
bool RunConvertCommand(BatchRun& run, platform::DialogOwner owner, const std::string& caption);

} // namespace vantor
