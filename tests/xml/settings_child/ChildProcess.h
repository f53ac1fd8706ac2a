#pragma once

// Starting the settings-child program from a test.

#include "TestEnvironment.h"

#include <filesystem>
#include <string>
#include <vector>

namespace vantor::test {

// Starts settings-child, which sits beside the test binaries, with
// `arguments`; the process id, or -1.
inline pid_t StartSettingsChild(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(),
        (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "settings-child").string());
    return StartProgram(arguments);
}

// Runs settings-child to its end; its exit code, or -1.
inline int RunSettingsChild(const std::vector<std::string>& arguments)
{
    return WaitProgram(StartSettingsChild(arguments));
}

} // namespace vantor::test
