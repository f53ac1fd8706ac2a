#pragma once

// The checks every export command (and the conversion) makes before its
// options dialog: the destination folder must exist or be creatable, and the
// user confirms once before existing outputs are overwritten.

#include "app/RunState.h"
#include "platform/Dialogs.h"

#include <functional>
#include <string>
#include <vector>

namespace vantor {

class BatchRun;

// The output files one movie produces in the destination folder.
using OutputsOfMovie = std::function<std::vector<std::string>(const std::string& moviePath)>;

enum class OverwriteQuestion {
    Export, // "... overwritten during export. ..."
    Conversion, // "... overwritten during convertion. ..."
};

// ForceDirectories on `destFolder`. On failure shows "Failed creating the
// destination folder" (owner, caption, error icon) and returns false.
bool CheckDestinationFolder(
    const std::string& destFolder, platform::DialogOwner owner, const std::string& caption);

// Walks the movies in order; at the first one with an existing output asks
// once (Yes/No, warning icon). False when the user answers No; true when
// nothing exists or the user answers Yes.
bool ConfirmOverwrite(const std::vector<std::string>& movies, const OutputsOfMovie& outputsOf,
    OverwriteQuestion question, platform::DialogOwner owner, const std::string& caption);

// Deletes every movie's outputs; a file that is missing or cannot be deleted
// is passed over (the engine reports a file it cannot write).
void DeleteOutputs(const std::vector<std::string>& movies, const OutputsOfMovie& outputsOf);

// The steps every export command takes before its options dialog, in this
// order: the destination folder check, the one overwrite question at the
// first existing output of `format`, and the deletion of every listed
// movie's old output (a later cancel does not bring them back). False when
// a check stopped the command. The run itself starts with BatchRun::Start.
bool PrepareExportOutputs(
    BatchRun& run, ExportFormat format, platform::DialogOwner owner, const std::string& caption);

} // namespace vantor
