// Two speed targets of the SWF library, each as a ratio against a reference
// measured in the same run (medians of five repetitions):
// - reading a 10 MB movie of many small tags with SwfMovieReader::ReadFile
//   against reading the same file into memory once (target: 200 MB/s);
// - the DefineBitsLossless2 tag of a 1024 x 768 frame against compressing
//   the same pixels with zlib at the same level (target: ratio <= 1.1).
#include "flash/swf/SwfDefinitions.h"
#include "flash/swf/SwfMovieReader.h"
#include "flash/swf/SwfMovieWriter.h"
#include "flash/swf/SwfShape.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

constexpr int kLevel = 6;

// A movie the way an export writes one: per frame a few small shapes, named
// placements, a short script, a sound block and a frame end, about 10 MB.
const std::filesystem::path& MovieFile()
{
    static const std::filesystem::path path = [] {
        SwfMovieWriter movie(9, 1024, 768, 25);
        SwfTimeline& main = movie.Timeline();
        std::vector<std::uint8_t> sound(40, 0x55);
        std::vector<std::uint8_t> script = { 0x07, 0x00 };
        std::size_t size = 0;
        for (int frame = 0; size < 10'000'000; ++frame) {
            for (int i = 0; i < 4; ++i) {
                SwfShape shape;
                shape.Rectangle(frame % 1000, i * 10, 16, 8, shape.SolidFill(0x336699ff));
                std::uint16_t id = movie.NewCharacterId();
                main.Tag(SwfTagCode::DefineShape3, shape.DefineShape3(id));
                main.PlaceObject2(static_cast<std::uint16_t>(i + 1), id, frame * 20, i * 200, "tile");
            }
            main.Tag(SwfTagCode::SoundStreamBlock, sound);
            main.DoAction(script);
            main.ShowFrame();
            size = main.Bytes().size();
        }
        auto path
            = std::filesystem::temp_directory_path() / ("bench_swf_" + std::to_string(getpid()) + ".swf");
        std::vector<std::uint8_t> bytes = movie.Finish(false);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }();
    return path;
}

void ReadFileOnce(benchmark::State& state)
{
    const auto& path = MovieFile();
    auto size = std::filesystem::file_size(path);
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes(size);
        std::ifstream(path, std::ios::binary)
            .read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void ReadMovie(benchmark::State& state)
{
    const auto& path = MovieFile();
    auto size = std::filesystem::file_size(path);
    std::size_t tags = 0;
    for (auto _ : state) {
        SwfMovieReader reader;
        if (reader.ReadFile(path) != SwfReadResult::Ok)
            state.SkipWithError("the movie did not read");
        tags = reader.Tags().size();
        benchmark::DoNotOptimize(tags);
    }
    state.counters["tags"] = static_cast<double>(tags);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// A screen recording frame: flat areas, gradients and fine detail.
const std::vector<std::uint8_t>& Frame()
{
    static const std::vector<std::uint8_t> rgba = [] {
        std::vector<std::uint8_t> pixels(1024 * 768 * 4);
        std::uint32_t noise = 12345;
        for (int y = 0; y < 768; ++y) {
            for (int x = 0; x < 1024; ++x) {
                std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * 1024 + x) * 4];
                noise = noise * 1103515245 + 12345;
                bool text = y > 200 && y < 500 && x > 100 && x < 900 && (noise >> 28) < 3;
                p[0] = text ? 20 : static_cast<std::uint8_t>(x / 4);
                p[1] = text ? 20 : static_cast<std::uint8_t>(y < 100 ? 60 : 230);
                p[2] = text ? 20 : static_cast<std::uint8_t>(y / 3);
                p[3] = 255;
            }
        }
        return pixels;
    }();
    return rgba;
}

void ZlibPixels(benchmark::State& state)
{
    const auto& rgba = Frame();
    std::vector<std::uint8_t> out(compressBound(static_cast<uLong>(rgba.size())));
    for (auto _ : state) {
        uLongf size = static_cast<uLongf>(out.size());
        compress2(out.data(), &size, rgba.data(), static_cast<uLong>(rgba.size()), kLevel);
        benchmark::DoNotOptimize(size);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rgba.size()));
}

void LosslessTag(benchmark::State& state)
{
    const auto& rgba = Frame();
    for (auto _ : state) {
        auto tag = SwfDefineBitsLossless2(1, 1024, 768, rgba, kLevel);
        benchmark::DoNotOptimize(tag.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rgba.size()));
}

void Repeat(benchmark::internal::Benchmark* b)
{
    b->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
}

BENCHMARK(ReadFileOnce)->Apply(Repeat);
BENCHMARK(ReadMovie)->Apply(Repeat);
BENCHMARK(ZlibPixels)->Apply(Repeat);
BENCHMARK(LosslessTag)->Apply(Repeat);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end() && !run.error_occurred && run.run_type == Run::RT_Aggregate
                && run.aggregate_name == "median")
                m_rates[run.run_name.function_name] = it->second.value;
        }
    }

    void PrintRatios() const
    {
        auto rate = [this](const char* name) {
            auto it = m_rates.find(name);
            return it == m_rates.end() ? 0.0 : it->second;
        };
        std::printf("\nreader: %.0f MB/s, %.2f x one read of the file (%.0f MB/s)\n", rate("ReadMovie") / 1e6,
            rate("ReadMovie") / rate("ReadFileOnce"), rate("ReadFileOnce") / 1e6);
        std::printf("lossless bitmap tag: time %.2f x zlib on the same pixels at level %d\n",
            rate("ZlibPixels") / rate("LosslessTag"), kLevel);
    }

private:
    std::map<std::string, double> m_rates;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf("movie: %ju bytes\n", static_cast<std::uintmax_t>(std::filesystem::file_size(MovieFile())));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    std::filesystem::remove(MovieFile());
    benchmark::Shutdown();
    return 0;
}
