#pragma once

// The QuickTime export: decodes the open movie, follows the cursor with the
// autoscroll window, thins or repeats frames to the output rate, and has
// the QuickTime library encode them as H.264 in one or two passes into a
// MOV file, with the movie's sound as MP3 or AAC. The file is written under
// a temporary name that becomes the output only on success.

#include "MovieFile.h"
#include "QuickTimeSettings.h"

#include <string>

namespace vtapi {

// Progress is reported in output frames over all passes. Throws MovieError
// or Cancelled; nothing is left at `outputPath` then. `libraryPath` empty:
// the QuickTime library beside this engine.
void ExportQuickTimeMovie(MovieSource& movie, const QuickTimeSettings& settings,
    const std::string& outputPath, const TaskControl& control, const std::string& libraryPath = {});

} // namespace vtapi
