#include "app/ForceDirectories.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>

namespace vantor {

bool ForceDirectories(const std::string& path)
{
    std::string failure;
    return ForceDirectories(path, failure);
}

bool ForceDirectories(const std::string& path, std::string& failure)
{
    std::string work = path;
    if (work.empty() || work.back() != '/')
        work += '/';
    // The terminator counts against the limit too.
    if (work.size() + 1 > PATH_MAX) {
        failure = path + ": " + std::strerror(ENAMETOOLONG);
        return false;
    }
    if (work == "/")
        return true;

    std::size_t slash = work.find('/');
    // A leading '/' is the root, which always exists.
    if (slash == 0)
        slash = work.find('/', 1);
    while (slash != std::string::npos) {
        const std::string folder = work.substr(0, slash);
        if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
            failure = folder + ": " + std::strerror(errno);
            return false;
        }
        slash = work.find('/', slash + 1);
    }
    return true;
}

} // namespace vantor
