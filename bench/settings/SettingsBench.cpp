// Load and save of a typical settings file (about 60 values, the size of
// the Flash options file), each against a reference that does only the
// unavoidable part: parsing the same bytes with the document model, and
// writing the same bytes in place with one flush. And the time from
// another process's completed save to the merged value in a watching store
// (target: under 100 ms).
//
// `bench_settings serve FILE` is the other process: for each line N read
// from standard input it sets "Counter" = N, saves FILE and answers with
// the CLOCK_MONOTONIC time at which the save was complete.

#include "xml/AdvXMLParser.h"
#include "xml/XMLSettings.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

int64_t MonotonicNs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

fs::path BenchFolder()
{
    static fs::path folder = [] {
        std::string pattern = (fs::temp_directory_path() / "vantor-settings-bench-XXXXXX").string();
        return fs::path(mkdtemp(pattern.data()));
    }();
    return folder;
}

// About 60 values of every kind a caller writes, in a few sections.
void FillTypical(TXMLSettings& settings)
{
    for (int i = 0; i < 20; ++i)
        settings.SetInteger("Integer" + std::to_string(i), i * 37 - 100);
    for (int i = 0; i < 12; ++i)
        settings.SetBool("Flag" + std::to_string(i), i % 3 == 0);
    for (int i = 0; i < 10; ++i)
        settings.SetFloat("Rate" + std::to_string(i), 29.97 * (i + 1) / 7.0);
    for (int i = 0; i < 10; ++i)
        settings.SetString(
            "Text" + std::to_string(i), "/home/user/Videos/Recording number " + std::to_string(i));
    settings.SetMultiString("Movies", { "/home/user/a.vtr", "/home/user/b.vtz", "/home/user/c.vtr" });
    settings.SetInt64("Window\\Handle", 1234567890123LL);
    for (int i = 0; i < 6; ++i)
        settings.SetInteger("Window\\Position" + std::to_string(i), i * 100);
    settings.SetApplicationName("Vantor Batch Export");
}

const std::string& TypicalFile()
{
    static const std::string path = [] {
        std::string file = (BenchFolder() / "typical.xml").string();
        TXMLSettings settings(false);
        FillTypical(settings);
        settings.SaveFile(file);
        return file;
    }();
    return path;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void BM_LoadTypical(benchmark::State& state)
{
    const std::string& path = TypicalFile();
    for (auto _ : state) {
        TXMLSettings settings(false);
        benchmark::DoNotOptimize(settings.ReadXMLSettingsFile(path));
        benchmark::DoNotOptimize(settings.GetInteger("Integer7", 0));
    }
}
BENCHMARK(BM_LoadTypical);

// Reference: reading and parsing the same bytes, without building values.
void BM_LoadReferenceParseOnly(benchmark::State& state)
{
    const std::string& path = TypicalFile();
    for (auto _ : state) {
        std::string text = ReadAll(path);
        benchmark::DoNotOptimize(AdvXMLParser::Parser::Parse(text.data(), text.size()));
    }
}
BENCHMARK(BM_LoadReferenceParseOnly);

void BM_SaveTypical(benchmark::State& state)
{
    std::string path = (BenchFolder() / "save.xml").string();
    TXMLSettings settings(false);
    FillTypical(settings);
    for (auto _ : state)
        benchmark::DoNotOptimize(settings.SaveFile(path));
}
BENCHMARK(BM_SaveTypical)->Unit(benchmark::kMicrosecond);

// Reference: the same bytes written in place with one flush to disk.
void BM_SaveReferenceWriteInPlace(benchmark::State& state)
{
    const std::string text = ReadAll(TypicalFile());
    std::string path = (BenchFolder() / "plain.xml").string();
    for (auto _ : state) {
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        benchmark::DoNotOptimize(write(fd, text.data(), text.size()));
        fsync(fd);
        close(fd);
    }
}
BENCHMARK(BM_SaveReferenceWriteInPlace)->Unit(benchmark::kMicrosecond);

// A saving process on the other end of two pipes.
class Saver final {
public:
    explicit Saver(const std::string& file)
    {
        int toChild[2];
        int fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
        posix_spawn_file_actions_addclose(&actions, toChild[1]);
        posix_spawn_file_actions_addclose(&actions, fromChild[0]);
        std::string self = fs::read_symlink("/proc/self/exe").string();
        std::string serve = "serve";
        std::string path = file;
        char* argv[] = { self.data(), serve.data(), path.data(), nullptr };
        if (posix_spawn(&m_pid, self.c_str(), &actions, nullptr, argv, environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(toChild[0]);
        close(fromChild[1]);
        m_to = fdopen(toChild[1], "w");
        m_from = fdopen(fromChild[0], "r");
    }
    ~Saver()
    {
        if (m_to != nullptr)
            fclose(m_to);
        if (m_from != nullptr)
            fclose(m_from);
        if (m_pid > 0)
            waitpid(m_pid, nullptr, 0);
    }
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    // Has the other process save `counter`; the time its save completed.
    int64_t Save(int counter)
    {
        std::fprintf(m_to, "%d\n", counter);
        std::fflush(m_to);
        long long done = 0;
        if (std::fscanf(m_from, "%lld", &done) != 1)
            return -1;
        return done;
    }

private:
    pid_t m_pid = -1;
    FILE* m_to = nullptr;
    FILE* m_from = nullptr;
};

void BM_MergeLatency(benchmark::State& state)
{
    std::string path = (BenchFolder() / "merge.xml").string();
    {
        TXMLSettings seed(false);
        FillTypical(seed);
        seed.SetInteger("Counter", 0);
        seed.SaveFile(path);
    }
    TXMLSettings store(true);
    store.ReadXMLSettingsFile(path);
    Saver saver(path);
    int counter = 0;
    int64_t worst = 0;
    for (auto _ : state) {
        ++counter;
        int64_t saved = saver.Save(counter);
        if (saved < 0) {
            state.SkipWithError("the saving process failed");
            break;
        }
        while (store.GetInteger("Counter", 0) != counter)
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        int64_t latency = MonotonicNs() - saved;
        worst = std::max(worst, latency);
        state.SetIterationTime(static_cast<double>(latency) / 1e9);
    }
    state.counters["worst_ms"] = static_cast<double>(worst) / 1e6;
}
BENCHMARK(BM_MergeLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

int Serve(const char* file)
{
    TXMLSettings settings(false);
    settings.ReadXMLSettingsFile(file);
    char line[64];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        settings.SetInteger("Counter", std::atoi(line));
        if (!settings.SaveFile(file))
            return 1;
        std::printf("%lld\n", static_cast<long long>(MonotonicNs()));
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "serve") == 0)
        return Serve(argv[2]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code error;
    fs::remove_all(BenchFolder(), error);
    return 0;
}
