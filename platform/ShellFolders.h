#pragma once

#include <string>

// The folders that the Windows design takes from the shell, found the XDG
// way. Each returns a path without a trailing slash; none is created here.
namespace platform {

// XDG_DOCUMENTS_DIR (environment, then ~/.config/user-dirs.dirs), else ~/Documents.
std::string DocumentsFolder();
// $XDG_CONFIG_HOME, else ~/.config.
std::string ApplicationDataFolder();
// The first entry of $XDG_CONFIG_DIRS, else /etc/xdg.
std::string CommonApplicationDataFolder();
// The user's home folder: $HOME, else the password database.
std::string HomeFolder();
// $XDG_RUNTIME_DIR, else /tmp.
std::string RuntimeFolder();

// The folder that holds the running executable ("the program's folder").
std::string ExecutableFolder();
// The full path of the running executable.
std::string ExecutablePath();
// The folder of the shared library or executable that contains `address`
// (a plugin uses the address of one of its own functions).
std::string ModuleFolder(const void* address);
// The full path of that module.
std::string ModulePath(const void* address);

} // namespace platform
