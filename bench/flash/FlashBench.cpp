// flash-bench [RUNS]
//
// Exports the synthetic 1024 x 768, 15 fps, 60-second recording (22.05 kHz
// mono sound) through the engine's Flash export: to a standard SWF
// (lossless, 32 bit, MP3, the default bar) and to Flash video with Screen
// Video, alternating, RUNS times each (default 3). Prints every run's wall
// time as a share of the movie's duration and the file sizes, then the
// medians. Targets: the SWF export takes at most a quarter of the movie's
// duration, and its file is no larger than the Screen Video FLV.

#include "FlashExport.h"
#include "SwfPlayer.h"
#include "SyntheticRecording.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vtapi;

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::filesystem::path work
        = std::filesystem::temp_directory_path() / ("flash-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(work);
    const std::string moviePath = (work / "screen.vtr").string();
    SyntheticOptions options;
    options.width = 1024;
    options.height = 768;
    options.frameRate = { 15, 1 };
    options.seconds = 60;
    options.sampleRate = 22050;
    WriteSyntheticMovie(moviePath, options, MovieLayout::Current, TaskControl {});
    const double duration = options.seconds;

    FlashSettings swf;
    swf.colorFormat = vantor::kColorFormatLossless;
    swf.colorBitsCount = 32;
    swf.soundCompressFormat = vantor::kSoundCompressMp3;
    FlashSettings flv = swf;
    flv.sfwType = 1;
    flv.flvType = 1;
    flv.singleSwf = false;

    std::vector<double> swfShares, flvShares;
    std::uintmax_t swfSize = 0, flvSize = 0;
    const std::string bars = EngineControlBarFolder();
    for (int run = 0; run < runs; ++run) {
        for (const bool video : { false, true }) {
            const std::filesystem::path out = work / (video ? "flv" : "swf");
            std::filesystem::remove_all(out);
            std::filesystem::create_directories(out);
            MovieSource movie(moviePath, TaskControl {});
            const auto start = std::chrono::steady_clock::now();
            const std::clock_t cpuStart = std::clock();
            ExportFlashMovie(movie, video ? flv : swf, (out / (video ? "screen.flv" : "screen.swf")).string(),
                bars, TaskControl {});
            const double seconds
                = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
            const std::uintmax_t size
                = std::filesystem::file_size(out / (video ? "screen.flv" : "screen.swf"));
            (video ? flvShares : swfShares).push_back(seconds / duration);
            (video ? flvSize : swfSize) = size;
            std::printf("run %d %-4s %6.2f s = %.3f of the duration (CPU %.2f s), %10ju bytes\n", run + 1,
                video ? "FLV" : "SWF", seconds, seconds / duration, cpu, size);
            std::fflush(stdout);
        }
    }
    std::filesystem::remove_all(work);
    const double swfMedian = Median(swfShares);
    std::printf("median SWF %.3f of the duration (target 0.25 or less), FLV Screen Video %.3f\n", swfMedian,
        Median(flvShares));
    std::printf("size SWF %ju bytes, FLV Screen Video %ju bytes, ratio %.3f (target 1.0 or less)\n", swfSize,
        flvSize, static_cast<double>(swfSize) / static_cast<double>(flvSize));
    return 0;
}
