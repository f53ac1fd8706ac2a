#pragma once

// The terminal front end's command line:
//   vantor-batch-export-cli --format FORMAT --dest FOLDER [--settings FILE]
//                           [--yes] MOVIE|FOLDER...

#include "app/MovieList.h"
#include "app/RunState.h"

#include <string>
#include <vector>

namespace vantor {

struct CliOptions {
    ExportFormat format = ExportFormat::None;
    std::string destination;
    std::string settingsFile; // empty: the file the window uses for the format
    bool yes = false; // answer the overwrite question with Yes
    bool help = false;
    std::vector<std::string> inputs; // movies and folders, as given
};

// The formats the front end offers, by their command-line names.
ExportFormat CliFormatFromName(const std::string& name);

// Parses the arguments after the program name. False with a message in
// `error` for an unknown option, a missing value, an unknown format, or a
// missing --format or --dest (unless --help was given).
bool ParseCliArguments(const std::vector<std::string>& arguments, CliOptions& options, std::string& error);

// Builds the movie list from the inputs in order: a movie file is added, a
// folder adds its ".vtr" and ".vtz" movies in name order, and the list's
// rules leave out paths listed twice (in any letter case). Files that are
// not movies are left out with a note in `notes`. False with `error` for an
// input that does not exist.
bool CollectMovies(const std::vector<std::string>& inputs, MovieList& list, std::vector<std::string>& notes,
    std::string& error);

} // namespace vantor
