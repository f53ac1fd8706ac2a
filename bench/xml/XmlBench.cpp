// Parses and writes the same inputs with AdvXMLParser and with pugixml: a
// typical 2 KB settings file and a generated 10 MB document. Each case runs
// five times; after the runs the median throughput of both libraries and the
// ratio ours / pugixml's are printed.
//
// Both libraries free their memory after every document. On this project's
// virtual machines a page the C library hands back to the system and then
// touches again costs tens of microseconds, which would make the 10 MB case
// measure page faults rather than parsing; so the benchmark asks the C
// library to keep freed memory in the process (mallopt), for both libraries
// alike. Set VANTOR_BENCH_MALLOC_DEFAULTS=1 to measure with the defaults.
#include "xml/AdvXMLParser.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <map>
#include <string>
#include <vector>

namespace {

// The kind of file the settings store writes: values with a type and a
// Contents child, nested keys, line feeds and two-space indentation.
std::string SettingsFile()
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<Application Name=\"Vantor Batch Export\">\n"
                      "  <Program Name=\"Vantor Batch Export\">\n"
                      "    <Configuration>\n";
    const char* names[] = { "Width", "Height", "FrameRate", "Quality", "KeyFrames", "Sound", "Codec", "Scale",
        "Autoscroll", "FirstFrame", "LastFrame", "Destination", "Movies", "Left", "Top", "Language" };
    int i = 0;
    while (xml.size() < 1900) {
        const char* name = names[i % 16];
        if (i % 5 == 4) {
            xml += "      <Value Name=\"" + std::string(name) + std::to_string(i)
                + "\" Type=\"MultiString\" Delimiter=\",\" QuoteChar=\"&quot;\">\n"
                  "        <Contents>&quot;/home/user/Movies/Demo "
                  "\xC3\xA9t\xC3\xA9.vtr&quot;,&quot;/home/user/b.vtr&quot;"
                  "</Contents>\n      </Value>\n";
        } else {
            xml += "      <Value Name=\"" + std::string(name) + std::to_string(i)
                + "\" Type=\"Integer\">\n        <Contents>" + std::to_string(i * 37 % 1000)
                + "</Contents>\n      </Value>\n";
        }
        ++i;
    }
    xml += "    </Configuration>\n  </Program>\n</Application>\n";
    return xml;
}

// A large document of the same shape with keys nested three deep, some
// comments, entity references and bytes above 0x7F.
std::string LargeDocument(std::size_t size)
{
    std::string xml
        = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- generated -->\n<Application Name=\"Big\">\n";
    xml.reserve(size + 4096);
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    int key = 0;
    while (xml.size() < size) {
        xml += "  <Key Name=\"Section" + std::to_string(key++) + "\">\n";
        for (int k = 0; k < 3; ++k) {
            xml += "    <Key Name=\"Sub" + std::to_string(k) + "\" xml:space=\"default\">\n";
            for (int v = 0; v < 8; ++v) {
                const unsigned r = next() >> 8;
                xml += "      <Value Name=\"Item" + std::to_string(v) + "\" Type=\"String\">\n";
                xml += "        <Contents>";
                switch (r % 4) {
                case 0:
                    xml += std::to_string(r % 100000);
                    break;
                case 1:
                    xml += "Caf\xC3\xA9 &amp; cr\xC3\xA8me &lt;" + std::to_string(r % 977) + "&gt;";
                    break;
                case 2:
                    xml += "The quick brown fox jumps over the lazy dog " + std::to_string(r);
                    break;
                default:
                    xml += "/home/user/Movies/Recording " + std::to_string(r % 5000) + ".vtr";
                    break;
                }
                xml += "</Contents>\n      </Value>\n";
            }
            if (k == 1)
                xml += "      <!-- values of sub key " + std::to_string(k) + " -->\n";
            xml += "    </Key>\n";
        }
        xml += "  </Key>\n";
    }
    xml += "</Application>\n";
    return xml;
}

const std::string& Input(int which)
{
    static const std::string small = SettingsFile();
    static const std::string large = LargeDocument(10 * 1024 * 1024);
    return which == 0 ? small : large;
}

struct StringWriter : pugi::xml_writer {
    std::string text;
    void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
};

void ParseAdv(benchmark::State& state)
{
    const std::string& input = Input(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto document = AdvXMLParser::Parser::Parse(input.data(), input.size());
        benchmark::DoNotOptimize(document.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}

void ParsePugi(benchmark::State& state)
{
    const std::string& input = Input(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        pugi::xml_document document;
        pugi::xml_parse_result result = document.load_buffer(input.data(), input.size());
        if (!result)
            state.SkipWithError("pugixml rejected the input");
        benchmark::DoNotOptimize(&document);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}

void WriteAdv(benchmark::State& state)
{
    const std::string& input = Input(static_cast<int>(state.range(0)));
    auto document = AdvXMLParser::Parser::Parse(input.data(), input.size());
    std::size_t written = 0;
    for (auto _ : state) {
        std::string text = document->ToString();
        written = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written));
}

void WritePugi(benchmark::State& state)
{
    const std::string& input = Input(static_cast<int>(state.range(0)));
    pugi::xml_document document;
    document.load_buffer(input.data(), input.size());
    std::size_t written = 0;
    for (auto _ : state) {
        StringWriter writer;
        document.save(writer, "  ", pugi::format_default, pugi::encoding_utf8);
        written = writer.text.size();
        benchmark::DoNotOptimize(writer.text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written));
}

void Cases(benchmark::internal::Benchmark* benchmark)
{
    benchmark->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
}

// Ours and theirs alternate so that a change in the machine's load hits both.
BENCHMARK(ParseAdv)->Apply(Cases);
BENCHMARK(ParsePugi)->Apply(Cases);
BENCHMARK(WriteAdv)->Apply(Cases);
BENCHMARK(WritePugi)->Apply(Cases);

// Remembers every run's bytes per second so the ratios can be printed last.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto it = run.counters.find("bytes_per_second");
            if (it == run.counters.end() || run.error_occurred)
                continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
                continue;
            m_rates[run.run_name.function_name + "/" + run.run_name.args] = it->second.value;
        }
    }

    void PrintRatios() const
    {
        std::printf(
            "\n%-10s %-16s %14s %14s %8s\n", "operation", "input", "AdvXMLParser", "pugixml", "ratio");
        for (const char* operation : { "Parse", "Write" }) {
            for (int input = 0; input < 2; ++input) {
                const std::string suffix = "/" + std::to_string(input);
                auto ours = m_rates.find(std::string(operation) + "Adv" + suffix);
                auto theirs = m_rates.find(std::string(operation) + "Pugi" + suffix);
                if (ours == m_rates.end() || theirs == m_rates.end())
                    continue;
                std::printf("%-10s %-16s %9.1f MB/s %9.1f MB/s %8.2f\n", operation,
                    input == 0 ? "settings 2 KB" : "generated 10 MB", ours->second / 1e6,
                    theirs->second / 1e6, ours->second / theirs->second);
            }
        }
    }

private:
    std::map<std::string, double> m_rates;
};

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("VANTOR_BENCH_MALLOC_DEFAULTS")) {
        mallopt(M_MMAP_THRESHOLD, 1 << 30);
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf(
        "inputs: settings file %zu bytes, generated document %zu bytes\n", Input(0).size(), Input(1).size());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
