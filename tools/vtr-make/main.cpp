// vtr-make: makes Vantor movies.
//
//   vtr-make synthetic OUTPUT [options]    a made-up screen recording
//   vtr-make import INPUT OUTPUT [options] any video file FFmpeg reads
//   vtr-make compress INPUT OUTPUT         a movie compressed to .vtz
//
// An OUTPUT ending in ".vtz" is compressed; --old writes the version 1.4
// layout (AVI) instead of the current one.

#include "MovieFile.h"
#include "MovieImport.h"
#include "SyntheticRecording.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vtapi;

namespace {

constexpr char kUsage[]
    = "usage:\n"
      "  vtr-make synthetic OUTPUT [--size WxH] [--rate FPS] [--seconds S]\n"
      "                            [--sound HZ|none] [--channels 1|2] [--no-cursor] [--still]\n"
      "                            [--old]\n"
      "  vtr-make import INPUT OUTPUT [--size WxH] [--old]\n"
      "  vtr-make compress INPUT OUTPUT\n"
      "An OUTPUT ending in .vtz is compressed with zstd; --old writes the version 1.4 layout.\n";

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Arguments {
    std::string command;
    std::vector<std::string> paths;
    SyntheticOptions synthetic;
    int width = 0;
    int height = 0;
    bool old = false;
};

int ParseInt(const std::string& option, const std::string& text, int low, int high)
{
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < low || value > high)
        throw UsageError(option + " wants a whole number from " + std::to_string(low) + " to "
            + std::to_string(high) + ", not \"" + text + "\"");
    return static_cast<int>(value);
}

double ParsePositive(const std::string& option, const std::string& text, double high)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value > 0) || value > high)
        throw UsageError(option + " wants a number above 0 and at most "
            + std::to_string(static_cast<int>(high)) + ", not \"" + text + "\"");
    return value;
}

void ParseSize(const std::string& text, int* width, int* height)
{
    const auto x = text.find('x');
    if (x == std::string::npos)
        throw UsageError("--size wants WIDTHxHEIGHT, such as 640x480, not \"" + text + "\"");
    *width = ParseInt("--size", text.substr(0, x), 16, 8192);
    *height = ParseInt("--size", text.substr(x + 1), 16, 8192);
}

Arguments Parse(int argc, char** argv)
{
    if (argc < 2)
        throw UsageError("no command given");
    Arguments args;
    args.command = argv[1];
    if (args.command != "synthetic" && args.command != "import" && args.command != "compress")
        throw UsageError("unknown command \"" + args.command + "\"");
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw UsageError(arg + " wants a value");
            return argv[++i];
        };
        if (arg == "--size") {
            ParseSize(value(), &args.width, &args.height);
        } else if (arg == "--rate") {
            const double rate = ParsePositive(arg, value(), 240);
            args.synthetic.frameRate = av_d2q(rate, 100000);
        } else if (arg == "--seconds") {
            args.synthetic.seconds = ParsePositive(arg, value(), 24 * 3600);
        } else if (arg == "--sound") {
            const std::string text = value();
            args.synthetic.sampleRate = text == "none" ? 0 : ParseInt(arg, text, 8000, 96000);
        } else if (arg == "--channels") {
            args.synthetic.channels = ParseInt(arg, value(), 1, 2);
        } else if (arg == "--no-cursor") {
            args.synthetic.cursorTrack = false;
        } else if (arg == "--still") {
            args.synthetic.still = true;
        } else if (arg == "--old") {
            args.old = true;
        } else if (!arg.empty() && arg[0] == '-') {
            throw UsageError("unknown option \"" + arg + "\"");
        } else {
            args.paths.push_back(arg);
        }
    }
    const size_t wanted = args.command == "synthetic" ? 1 : 2;
    if (args.paths.size() != wanted)
        throw UsageError(args.command + " wants " + (wanted == 1 ? "one path" : "two paths"));
    if (args.command == "synthetic" && args.width > 0) {
        args.synthetic.width = args.width;
        args.synthetic.height = args.height;
    }
    return args;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Progress on standard error, a few times a second, when it is a terminal.
TaskControl MakeProgress(const char* what)
{
    TaskControl control;
    if (!isatty(STDERR_FILENO))
        return control;
    auto last = std::make_shared<std::chrono::steady_clock::time_point>();
    control.progress = [what, last](std::int64_t done, std::int64_t total) {
        const auto now = std::chrono::steady_clock::now();
        if (done < total && now - *last < std::chrono::milliseconds(250))
            return;
        *last = now;
        std::fprintf(
            stderr, "\r%s: %3d%%", what, static_cast<int>(done * 100 / std::max<std::int64_t>(1, total)));
        if (done >= total)
            std::fputc('\n', stderr);
    };
    return control;
}

void Run(const Arguments& args)
{
    const std::string& output = args.paths.back();
    const bool compress = EndsWith(output, ".vtz");
    if (args.command == "compress") {
        if (!compress)
            throw UsageError("the compressed movie's name must end in .vtz");
        // Only a movie is compressed: reading it first refuses anything else.
        {
            MovieSource check(args.paths[0], TaskControl {});
        }
        PartialFile packed(output);
        CompressFile(args.paths[0], packed.TemporaryPath(), 3, MakeProgress("Compressing"));
        packed.Commit();
        return;
    }
    const MovieLayout layout = args.old ? MovieLayout::Version14 : MovieLayout::Current;
    // A compressed movie is written plain first, beside its target, then packed.
    const std::string target = compress ? output + ".plain" : output;
    const auto make = [&] {
        if (args.command == "synthetic")
            WriteSyntheticMovie(target, args.synthetic, layout, MakeProgress("Recording"));
        else
            ImportVideo(args.paths[0], target, layout, args.width, args.height, MakeProgress("Importing"));
    };
    if (!compress) {
        make();
        return;
    }
    try {
        make();
        PartialFile packed(output);
        CompressFile(target, packed.TemporaryPath(), 3, MakeProgress("Compressing"));
        packed.Commit();
    } catch (...) {
        std::remove(target.c_str());
        throw;
    }
    std::remove(target.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    av_log_set_level(AV_LOG_ERROR);
    try {
        Run(Parse(argc, argv));
        return 0;
    } catch (const UsageError& error) {
        std::fprintf(stderr, "vtr-make: %s\n%s", error.what(), kUsage);
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vtr-make: %s\n", error.what());
        return 1;
    }
}
