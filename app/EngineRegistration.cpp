#include "app/EngineRegistration.h"

#include <cerrno>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vantor {

namespace {

// Starts `program` (a path, or a name looked up on PATH) with the
// environment and the standard streams only: no other descriptor of the
// program reaches the child.
pid_t Spawn(const std::string& program, std::vector<std::string> arguments, bool searchPath)
{
    std::vector<char*> argv;
    std::string name = program;
    argv.push_back(name.data());
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t child = 0;
    int result = searchPath ? posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ)
                            : posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? child : -1;
}

} // namespace

bool RegisterEngine(const std::string& programFolder, const std::function<void()>& betweenSlices)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path library = fs::path(programFolder) / kEngineLibraryFile;
    if (!fs::is_regular_file(library, error))
        return false;

    const fs::path tool = fs::path(programFolder) / kRegistrationTool;
    // The library path is one argument, so spaces in the folder need no quotes.
    std::vector<std::string> arguments { "/s", library.string() };
    pid_t child = fs::exists(tool, error) ? Spawn(tool.string(), arguments, false)
                                          : Spawn(kRegistrationTool, arguments, true);
    if (child <= 0)
        return false;

    // A pidfd becomes readable when the child ends, so each slice ends early
    // then; without one, each slice is a plain 100 ms sleep.
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    for (;;) {
        pollfd watch { pidfd, POLLIN, 0 };
        poll(pidfd >= 0 ? &watch : nullptr, pidfd >= 0 ? 1 : 0, kRegistrationWaitSliceMs);
        int status = 0;
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR))
            break;
        if (betweenSlices)
            betweenSlices();
    }
    if (pidfd >= 0)
        close(pidfd);
    return true;
}

} // namespace vantor
