#pragma once

// Rewrites a movie in the current format without re-encoding: the packets of
// the video and sound streams are copied into a Matroska file with the
// version tag and the cursor track.

#include "MovieFile.h"

#include <string>

namespace vtapi {

enum class ConvertOutcome {
    Converted,
    Skipped, // a plain current-format movie: nothing to do, nothing written
};

// Throws MovieError or Cancelled; the output appears only on success. The
// output may be the source itself (the source is read completely first).
ConvertOutcome ConvertMovieFile(
    const std::string& source, const std::string& output, const TaskControl& control);

// Copies every packet of `movie` into `outputPath` as a current-format movie.
void RemuxToCurrent(MovieSource& movie, const std::string& outputPath, const TaskControl& control);

} // namespace vtapi
