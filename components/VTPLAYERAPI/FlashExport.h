#pragma once

// The engine's Flash export: reads "Flash.xml", writes the movie as a
// standard SWF (SFWType 0) or as Flash video with its player movie
// (SFWType 1), the toolbar and preview movies the options ask for, and the
// HTML page from the chosen template. All files of the movie appear
// together, or none of them (FlashOutputs).

#include "FlashSettings.h"
#include "MovieFile.h"

#include <string>
#include <vector>

namespace vtapi {

// `outputPath` is the movie's ".swf" or ".flv" name; the other names are
// made from it. `barFolder` holds the preinstalled control bars. Progress is
// reported in output frames. Throws MovieError or Cancelled; nothing is
// left in the destination folder then. Returns the files written.
std::vector<std::string> ExportFlashMovie(MovieSource& movie, const FlashSettings& settings,
    const std::string& outputPath, const std::string& barFolder, const TaskControl& control);

// The SWF bytes as a plain ("FWS") file: a compressed ("CWS") one is
// inflated. Throws MovieError for anything that is not a SWF.
std::vector<std::uint8_t> PlainSwf(const std::vector<std::uint8_t>& bytes);

} // namespace vtapi
