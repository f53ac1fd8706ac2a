#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vantor::test {

// A folder that exists for the life of the object and is removed with all
// its contents afterwards.
class TempDir final {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// The private home folder that the test main set up for this process:
// HOME, XDG_CONFIG_HOME, XDG_CONFIG_DIRS, XDG_RUNTIME_DIR and the documents
// folder all point below it, so no test touches the real user's files.
const std::filesystem::path& TestHome();

// The folder that holds the built program, plugins and tools.
std::filesystem::path BinDir();

// Writes `text` to `path`, creating parent folders.
void WriteFile(const std::filesystem::path& path, const std::string& text);
// The whole file, or an empty string when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

// A settings file of `application` and `program` whose configuration holds
// `values`.
std::string SettingsFile(
    const std::string& values, const std::string& application = "", const std::string& program = "");

// Starts `arguments[0]` with the rest as its arguments, standard input from
// /dev/null and, when `output` is given, standard output and error written
// to that file. The process id, or -1.
pid_t StartProgram(const std::vector<std::string>& arguments, const std::filesystem::path& output = {});
// Waits for `pid` to end: its exit code, or -1 when it did not exit.
int WaitProgram(pid_t pid);

struct ProgramResult {
    int status = -1; // the exit code, or -1
    std::string output; // standard output and error together
};
// Runs a program to its end.
ProgramResult RunProgram(const std::vector<std::string>& arguments);

// Sets an environment variable (or unsets it, for nullptr) for one scope and
// restores the old value afterwards.
class ScopedEnv final {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// Polls `condition` every few milliseconds until it holds or `timeout` has
// passed; answers whether it held. For work another thread or process does.
bool Eventually(
    const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(5));

} // namespace vantor::test
