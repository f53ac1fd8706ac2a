#pragma once

// Starting the settings-child program from a test.

#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vantor::test {

// settings-child sits beside the test binaries.
inline std::string SettingsChildPath()
{
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "settings-child").string();
}

// Starts settings-child with `arguments`; the process id, or -1.
inline pid_t StartSettingsChild(const std::vector<std::string>& arguments)
{
    std::string program = SettingsChildPath();
    std::vector<char*> argv { program.data() };
    std::vector<std::string> copies = arguments;
    for (std::string& argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

// Runs settings-child to its end; its exit code, or -1.
inline int RunSettingsChild(const std::vector<std::string>& arguments)
{
    pid_t pid = StartSettingsChild(arguments);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace vantor::test
