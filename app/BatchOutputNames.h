#pragma once

// Names of the files a batch run writes and reads: each movie's output file
// in the destination folder, the settings file handed to the engine, and the
// unique name an export falls back to when its output already exists.

#include "app/RunState.h"

#include <string>

namespace vantor {

// The file-name part of a path: everything after the last '/'.
std::string FileNamePart(const std::string& path);

// `path` with the extension of its file name replaced by `extension` (which
// carries its dot); a name without extension gets `extension` appended.
std::string ChangeFileExt(const std::string& path, const std::string& extension);

// ".swf", ".flv", ".avi", ".wmv", ".mov" or ".vtr"; empty for None.
std::string OutputExtension(ExportFormat format);

// The destination folder, '/', then the movie's file name with the format's
// extension: "/out" + "/a/clip.vtz" + AVI gives "/out/clip.avi".
std::string OutputFilePath(const std::string& destFolder, const std::string& moviePath, ExportFormat format);

// "Flash.xml" (both Flash formats), "AVI.xml", "WMV.xml" or "QT.xml"; empty
// for the conversion, which has no settings.
std::string SettingsFileName(ExportFormat format);

// The settings file prefix followed directly by the format's file name.
std::string SettingsFilePath(const std::string& prefix, ExportFormat format);

// `path` when nothing exists there; otherwise the first free name of
// "<path without extension>_<n><extension>" for n = 1, 2, ...
std::string UniqueOutputPath(const std::string& path);

// True when anything (file, folder, link) exists at `path`.
bool PathExists(const std::string& path);

} // namespace vantor
