#pragma once

// Creates a destination folder with all its missing parents, the way every
// export command does before it asks anything else.

#include <string>

namespace vantor {

// Creates every folder named along `path` ('/'-separated). True when the
// whole path exists afterwards as far as the folder calls can tell: a
// folder that already exists is no failure, the root "/" is never created,
// and an empty path stands for the root and succeeds. A path that does not
// fit in PATH_MAX bytes once its trailing '/' and terminator are added is
// refused (false) without creating anything.
bool ForceDirectories(const std::string& path);
// The same; on failure `failure` names the folder that could not be made
// and the system's reason ("/data/out: Permission denied").
bool ForceDirectories(const std::string& path, std::string& failure);

} // namespace vantor
