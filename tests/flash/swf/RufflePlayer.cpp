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

RgbImage Screenshot(const std::string& path)
{
    const std::string bytes = vantor::test::ReadFile(path);
    RgbImage image;
    DecodeJpeg(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), image);
    return image;
}

std::uint32_t PixelAt(const RgbImage& image, int x, int y)
{
    const std::uint8_t* p = &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
    return static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
}

bool Near(std::uint32_t actual, std::uint32_t expected, int tolerance)
{
    for (int shift = 0; shift <= 16; shift += 8) {
        if (std::abs(
                static_cast<int>((actual >> shift) & 0xff) - static_cast<int>((expected >> shift) & 0xff))
            > tolerance)
            return false;
    }
    return true;
}
