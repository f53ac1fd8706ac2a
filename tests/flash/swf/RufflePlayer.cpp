#include "RufflePlayer.h"

#include "TestEnvironment.h"

#include <cstdlib>
#include <sys/wait.h>

namespace {

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

RuffleRun PlayInRuffle(
    const std::filesystem::path& movie, int width, int height, const std::vector<std::string>& steps)
{
    vantor::test::TempDir logs;
    std::string command = "python3 " + Quoted(std::string(VANTOR_SOURCE_DIR) + "/scripts/ruffle-play.py")
        + " " + Quoted(movie.string()) + " " + std::to_string(width) + " " + std::to_string(height);
    for (const std::string& step : steps)
        command += " " + Quoted(step);
    command += " 2>" + Quoted(logs / "stderr");
    int status = std::system(command.c_str());
    RuffleRun run;
    run.message = vantor::test::ReadFile(logs / "stderr");
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.ok = code == 0;
    run.missing = code == 3;
    return run;
}
