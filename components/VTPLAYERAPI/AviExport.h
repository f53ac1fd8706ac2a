#pragma once

// The AVI export: decodes the open movie, follows the cursor with the
// autoscroll window, scales, thins or repeats frames to the output rate,
// encodes with the chosen compressor and MP3 or PCM sound, and writes the
// AVI file under a temporary name that becomes the output only on success.

#include "AviSettings.h"
#include "MovieFile.h"

#include <string>

namespace vtapi {

// Progress is reported in output frames. Throws MovieError or Cancelled;
// nothing is left at `outputPath` then.
void ExportAvi(MovieSource& movie, const AviSettings& settings, const std::string& outputPath,
    const TaskControl& control);

// Makes sure an AVI file is a plain AVI 1.0 file. FFmpeg writes AVI 1.0
// with room for the OpenDML (AVI 2.0) headers kept in JUNK chunks, and
// switches to OpenDML only past 1 GiB; any OpenDML index or header chunk
// found becomes a JUNK chunk of the same size, which older players skip.
// Throws MovieError when the file needs OpenDML (it holds more than one
// RIFF part) or is no AVI file.
void MakeAvi10(const std::string& path);

} // namespace vtapi
