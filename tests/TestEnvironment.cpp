#include "TestEnvironment.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vantor::test {

namespace fs = std::filesystem;

std::string SettingsFile(
    const std::string& values, const std::string& application, const std::string& program)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Application Name=\"" + application
        + "\">\n  <Program Name=\"" + program + "\">\n    <Configuration>\n" + values
        + "\n    </Configuration>\n  </Program>\n</Application>\n";
}

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "vantor-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

const fs::path& TestHome()
{
    static TempDir home;
    return home.Path();
}

fs::path BinDir()
{
    if (const char* dir = std::getenv("VANTOR_BIN_DIR"))
        return dir;
    return VANTOR_BIN_DIR;
}

void WriteFile(const fs::path& path, const std::string& text)
{
    if (path.has_parent_path())
        fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

pid_t StartProgram(const std::vector<std::string>& arguments, const fs::path& output)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (!output.empty()) {
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int WaitProgram(pid_t pid)
{
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

ProgramResult RunProgram(const std::vector<std::string>& arguments)
{
    TempDir folder;
    const fs::path output = folder.Path() / "output";
    ProgramResult result;
    result.status = WaitProgram(StartProgram(arguments, output));
    result.output = ReadFile(output);
    return result;
}

ScopedEnv::ScopedEnv(const char* name, const char* value)
    : m_name(name)
{
    if (const char* old = std::getenv(name))
        m_old = old;
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv()
{
    if (m_old)
        setenv(m_name, m_old->c_str(), 1);
    else
        unsetenv(m_name);
}

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

} // namespace vantor::test
