// The cost of a trace call that has nowhere to go (no transport registered,
// or logging off), against an empty out-of-line call with the same
// arguments as the reference. Target: under 20 ns a call.
//
//   build/bench/bench_trace

#include "support/Trace.h"
#include "support/TraceTransport.h"

#include <benchmark/benchmark.h>

#include <cstdarg>

namespace {

// Reference: a variadic call the compiler cannot remove or inline.
__attribute__((noinline)) void EmptyVariadic(const char* format, ...)
{
    benchmark::DoNotOptimize(format);
}

void BM_ReferenceEmptyCall(benchmark::State& state)
{
    for (auto _ : state)
        EmptyVariadic("%s::%s %d", "TMainForm", "StartNextMovie", 42);
}
BENCHMARK(BM_ReferenceEmptyCall);

void BM_TraceLogWithoutTransport(benchmark::State& state)
{
    vantor::trace::SetTraceTransport(nullptr);
    for (auto _ : state)
        TraceLog("%s::%s %d", "TMainForm", "StartNextMovie", 42);
}
BENCHMARK(BM_TraceLogWithoutTransport);

void BM_TraceLogLoggingOff(benchmark::State& state)
{
    vantor::trace::RecordingTraceTransport recorder;
    vantor::trace::ScopedTraceTransport scope(&recorder);
    vantor::trace::SetLoggingEnabled(false);
    for (auto _ : state)
        TraceLog("%s::%s %d", "TMainForm", "StartNextMovie", 42);
    vantor::trace::SetLoggingEnabled(true);
}
BENCHMARK(BM_TraceLogLoggingOff);

void BM_TraceMethodWithoutTransport(benchmark::State& state)
{
    for (auto _ : state) {
        TraceMethod trace("TMainForm::StartNextMovie");
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TraceMethodWithoutTransport);

// For scale: the full path into a transport that only counts.
class CountingTransport final : public vantor::trace::ITraceTransport {
public:
    void Send(const vantor::trace::Record& record, bool) override { m_bytes += record.text.size(); }
    std::size_t m_bytes = 0;
};

void BM_TraceLogToCountingTransport(benchmark::State& state)
{
    CountingTransport counter;
    vantor::trace::ScopedTraceTransport scope(&counter);
    for (auto _ : state)
        TraceLog("%s::%s %d", "TMainForm", "StartNextMovie", 42);
    benchmark::DoNotOptimize(counter.m_bytes);
}
BENCHMARK(BM_TraceLogToCountingTransport);

} // namespace

BENCHMARK_MAIN();
