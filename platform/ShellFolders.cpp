#include "platform/ShellFolders.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <unistd.h>

namespace platform {

namespace {

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string WithoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string FolderOf(const std::string& path)
{
    return std::filesystem::path(path).parent_path().string();
}

// Reads XDG_DOCUMENTS_DIR="$HOME/..." from user-dirs.dirs, the file that
// xdg-user-dirs keeps; an entry may start with $HOME, nothing else is expanded.
std::string DocumentsFromUserDirs()
{
    std::ifstream in(ApplicationDataFolder() + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = HomeFolder() + value.substr(5);
        if (!value.empty() && value.front() == '/')
            return WithoutTrailingSlash(value);
    }
    return {};
}

} // namespace

std::string HomeFolder()
{
    std::string home = Env("HOME");
    if (home.empty()) {
        if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
            home = entry->pw_dir;
    }
    return WithoutTrailingSlash(home.empty() ? "/" : home);
}

std::string DocumentsFolder()
{
    std::string documents = Env("XDG_DOCUMENTS_DIR");
    if (!documents.empty() && documents.front() == '/')
        return WithoutTrailingSlash(documents);
    documents = DocumentsFromUserDirs();
    if (!documents.empty())
        return documents;
    return HomeFolder() + "/Documents";
}

std::string ApplicationDataFolder()
{
    std::string config = Env("XDG_CONFIG_HOME");
    if (!config.empty() && config.front() == '/')
        return WithoutTrailingSlash(config);
    return HomeFolder() + "/.config";
}

std::string CommonApplicationDataFolder()
{
    std::string dirs = Env("XDG_CONFIG_DIRS");
    std::string first = dirs.substr(0, dirs.find(':'));
    if (!first.empty() && first.front() == '/')
        return WithoutTrailingSlash(first);
    return "/etc/xdg";
}

std::string RuntimeFolder()
{
    std::string runtime = Env("XDG_RUNTIME_DIR");
    if (!runtime.empty() && runtime.front() == '/')
        return WithoutTrailingSlash(runtime);
    return "/tmp";
}

std::string ExecutablePath()
{
    std::error_code ec;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

std::string ExecutableFolder()
{
    return FolderOf(ExecutablePath());
}

std::string ModulePath(const void* address)
{
    Dl_info info {};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr)
        return {};
    std::error_code ec;
    std::filesystem::path path = std::filesystem::canonical(info.dli_fname, ec);
    return ec ? std::string(info.dli_fname) : path.string();
}

std::string ModuleFolder(const void* address)
{
    return FolderOf(ModulePath(address));
}

} // namespace platform
