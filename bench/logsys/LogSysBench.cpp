// Records a second through the shared trace buffer from 1, 2 and 8 threads,
// and one TraceLog call with that transport on, each against a reference
// in the same run: one write(2) of the same bytes to /dev/null.
// Targets: over one million records a second; a TraceLog call under 1 µs.
//
//   build/bench/bench_logsys

#include "support/LogSysBase.h"
#include "support/Trace.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <fcntl.h>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace vantor::trace;

// A registered buffer of its own with a reader that keeps it drained, as
// the server does.
class DrainedBuffer final {
public:
    DrainedBuffer()
        : m_suffix(".bench" + std::to_string(getpid()))
        , m_writer(m_suffix)
        , m_reader(m_suffix)
    {
        m_writer.iCreateRegistrationMMF();
        m_reader.OpenAsReader();
        m_drainer = std::thread([this] {
            while (!m_stop.load())
                if (m_reader.Drain(
                        [](const RecordView& record) { benchmark::DoNotOptimize(record.text.data()); })
                    == 0)
                    std::this_thread::yield();
        });
    }
    ~DrainedBuffer()
    {
        m_stop.store(true);
        m_drainer.join();
        for (const char* name : { "CVLogSysRegMutex_V6", "CVLogSysRegMMF_V6", "CVLogSysReadAccMutex_V6",
                 "CVLogSysWriteAccMutex_V6" })
            shm_unlink(SharedObjectName(name + m_suffix, false).c_str());
    }
    CCVLogSysBase& Writer() { return m_writer; }

private:
    std::string m_suffix;
    CCVLogSysBase m_writer;
    CCVLogSysBase m_reader;
    std::atomic<bool> m_stop { false };
    std::thread m_drainer;
};

DrainedBuffer& Buffer()
{
    static DrainedBuffer buffer;
    return buffer;
}

constexpr std::string_view kText = "TMainForm::StartNextMovie Exit";

void BM_ReferenceWriteToDevNull(benchmark::State& state)
{
    const int fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    unsigned char bytes[kRecordHeaderSize + kText.size() + 1];
    const std::size_t size = EncodeRecord({ 1, 0, 0, 1, 1, kText }, bytes);
    for (auto _ : state)
        benchmark::DoNotOptimize(write(fd, bytes, size));
    close(fd);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReferenceWriteToDevNull)->Threads(1)->Threads(2)->Threads(8)->UseRealTime();

void BM_SendThroughSharedBuffer(benchmark::State& state)
{
    CCVLogSysBase& writer = Buffer().Writer();
    const auto threadId = static_cast<std::uint32_t>(gettid());
    for (auto _ : state)
        writer.Send({ RecordType::Information, threadId, kText }, true);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SendThroughSharedBuffer)->Threads(1)->Threads(2)->Threads(8)->UseRealTime();

void BM_TraceLogThroughSharedBuffer(benchmark::State& state)
{
    ScopedTraceTransport scope(&Buffer().Writer());
    for (auto _ : state)
        TraceLog("%s::%s Exit", "TMainForm", "StartNextMovie");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TraceLogThroughSharedBuffer);

} // namespace

BENCHMARK_MAIN();
