// One 1280 x 720 frame of the synthetic screen recording (BGR0, as the
// recorder's FFV1 decodes) converted to YUV420P:
//  - Converter: the engine's own converter, the whole frame;
//  - Swscale: libswscale as the AVI export set it up before (bicubic, one
//    thread per processor), the whole frame.
// Times are CPU time of the whole process (libswscale's threads included);
// the last line prints Converter / Swscale (target: 0.33 or less).
#include "SyntheticRecording.h"
#include "YuvConverter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

extern "C" {
#include <libavutil/opt.h>
}

namespace {

using namespace vtapi;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

FramePtr NewFrame(AVPixelFormat format)
{
    FramePtr frame = MakeFrame();
    frame->format = format;
    frame->width = kWidth;
    frame->height = kHeight;
    Check(av_frame_get_buffer(frame.get(), 0), "out of memory");
    return frame;
}

// Frame 40 of the moving recording: windows, text and the task bar.
const AVFrame* Source()
{
    static const FramePtr frame = [] {
        FramePtr f = NewFrame(AV_PIX_FMT_BGR0);
        const SyntheticRecording recording({ .width = kWidth, .height = kHeight });
        recording.RenderFrame(40, f->data[0], f->linesize[0]);
        return f;
    }();
    return frame.get();
}

void Converter(benchmark::State& state)
{
    const YuvConverter converter(AV_PIX_FMT_BGR0, AV_PIX_FMT_YUV420P);
    const FramePtr picture = NewFrame(AV_PIX_FMT_YUV420P);
    for (auto _ : state) {
        converter.Convert(Source(), picture.get(), 0, kHeight);
        benchmark::DoNotOptimize(picture->data[0]);
    }
}

void Swscale(benchmark::State& state)
{
    SwsPtr scaler(sws_alloc_context());
    SwsContext* s = scaler.get();
    av_opt_set_int(s, "srcw", kWidth, 0);
    av_opt_set_int(s, "srch", kHeight, 0);
    av_opt_set_int(s, "src_format", AV_PIX_FMT_BGR0, 0);
    av_opt_set_int(s, "dstw", kWidth, 0);
    av_opt_set_int(s, "dsth", kHeight, 0);
    av_opt_set_int(s, "dst_format", AV_PIX_FMT_YUV420P, 0);
    av_opt_set_int(s, "sws_flags", SWS_BICUBIC, 0);
    av_opt_set_int(s, "threads", 0, 0);
    Check(sws_init_context(s, nullptr, nullptr), "cannot convert the frames");
    const FramePtr picture = NewFrame(AV_PIX_FMT_YUV420P);
    for (auto _ : state) {
        Check(sws_scale_frame(s, picture.get(), Source()), "cannot convert the frames");
        benchmark::DoNotOptimize(picture->data[0]);
    }
}

void Repeat(benchmark::internal::Benchmark* b)
{
    b->MeasureProcessCPUTime()->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(Converter)->Apply(Repeat);
BENCHMARK(Swscale)->Apply(Repeat);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (!run.error_occurred && run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                m_times[run.run_name.function_name] = run.GetAdjustedCPUTime();
    }

    void PrintRatio()
    {
        std::printf("\nconverter / libswscale, CPU time per frame: %.3f (target <= 0.33)\n",
            m_times["Converter"] / m_times["Swscale"]);
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio();
    benchmark::Shutdown();
    return 0;
}
