#include "AviExport.h"
#include "MovieTestSupport.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <set>

using namespace vtapi;
using namespace vtapi::test;
using vantor::test::TempDir;

namespace {

// A hash of every decoded frame of the file's video, in order; frames are
// compared as 24-bit RGB, whatever the file stores.
std::vector<std::uint64_t> FrameHashes(const std::string& path)
{
    AVFormatContext* raw = nullptr;
    Check(avformat_open_input(&raw, path.c_str(), nullptr, nullptr), "decode " + path);
    InputFormatPtr format(raw);
    Check(avformat_find_stream_info(format.get(), nullptr), "decode " + path);
    const int index
        = Check(av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0), "decode");
    const AVCodec* decoder = avcodec_find_decoder(format->streams[index]->codecpar->codec_id);
    CodecContextPtr context(avcodec_alloc_context3(decoder));
    Check(avcodec_parameters_to_context(context.get(), format->streams[index]->codecpar), "decode");
    Check(avcodec_open2(context.get(), decoder, nullptr), "decode");
    PacketPtr packet = MakePacket();
    FramePtr frame = MakeFrame();
    std::vector<std::uint64_t> hashes;
    const auto receive = [&] {
        while (avcodec_receive_frame(context.get(), frame.get()) >= 0) {
            SwsPtr scaler(
                sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                    frame->width, frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr));
            std::vector<uint8_t> rgb(
                static_cast<size_t>(frame->width) * static_cast<size_t>(frame->height) * 3);
            uint8_t* planes[4] = { rgb.data(), nullptr, nullptr, nullptr };
            int strides[4] = { frame->width * 3, 0, 0, 0 };
            sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
            std::uint64_t hash = 14695981039346656037ull; // FNV-1a
            for (const uint8_t byte : rgb)
                hash = (hash ^ byte) * 1099511628211ull;
            hashes.push_back(hash);
        }
    };
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == index) {
            Check(avcodec_send_packet(context.get(), packet.get()), "decode");
            receive();
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(context.get(), nullptr);
    receive();
    return hashes;
}

} // namespace

// Every frame-rate mode against sources of common rates, exported with a
// lossless compressor: full rate shows every source frame once, half rate
// every second, quarter rate every fourth, and the custom rate every
// `customStep`th.
TEST(FrameExactExport, EveryRateModeShowsTheSourceFramesItsRateCalls)
{
    struct Case {
        AVRational rate;
        int sourceFrames; // of a 2 s movie
        int custom;
        int customStep;
    };
    const Case cases[] = {
        { { 10, 1 }, 20, 5, 2 },
        { { 15, 1 }, 30, 5, 3 },
        { { 24, 1 }, 48, 8, 3 },
        { { 25, 1 }, 50, 5, 5 },
        { { 30000, 1001 }, 60, 30, 1 },
        { { 30, 1 }, 60, 10, 3 },
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(av_q2d(c.rate));
        SyntheticOptions options = TinyOptions(2.0);
        options.width = 160; // big enough for every frame to differ from the one before
        options.height = 120;
        options.frameRate = c.rate;
        options.sampleRate = 0;
        MakeMovie(dir / "movie.vtr", MovieKind::Current, options);
        const std::vector<std::uint64_t> source = FrameHashes(dir / "movie.vtr");
        ASSERT_EQ(source.size(), static_cast<size_t>(c.sourceFrames));
        ASSERT_EQ(std::set<std::uint64_t>(source.begin(), source.end()).size(), source.size());

        const int steps[] = { 1, 2, 4, c.customStep };
        for (int mode = 0; mode < 4; ++mode) {
            SCOPED_TRACE(mode);
            AviSettings settings;
            settings.videoCodecId = platform::MakeFourCC('F', 'F', 'V', '1');
            settings.frameRateMode = mode;
            settings.frameRateCustom = c.custom;
            settings.exportSounds = false;
            MovieSource movie(dir / "movie.vtr", TaskControl {});
            ExportAvi(movie, settings, dir / "out.avi", TaskControl {});
            std::vector<std::uint64_t> expected;
            for (int i = 0; i < c.sourceFrames; i += steps[mode])
                expected.push_back(source[static_cast<size_t>(i)]);
            EXPECT_EQ(FrameHashes(dir / "out.avi"), expected);
        }
    }
}

namespace {

// The standard output of a shell command.
std::string CommandOutput(const std::string& command)
{
    std::string text;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return text;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, got);
    ::pclose(pipe);
    return text;
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

} // namespace

// A reader we did not write, GStreamer, sees the default export (MPEG-4 and
// MP3 in AVI) at full rate with every one of its frames.
TEST(FrameExactExport, GStreamerDecodesEveryFrameOfTheDefaultExport)
{
    if (CommandOutput("command -v gst-discoverer-1.0 gst-launch-1.0").empty())
        GTEST_SKIP() << "gst-discoverer-1.0 or gst-launch-1.0 is missing (Debian: gstreamer1.0-tools, "
                        "gstreamer1.0-plugins-base-apps, -good, -bad, -libav)";
    TempDir dir;
    SyntheticOptions options = TinyOptions(2.0);
    options.frameRate = AVRational { 15, 1 };
    MakeMovie(dir / "movie.vtr", MovieKind::Current, options);
    MovieSource movie(dir / "movie.vtr", TaskControl {});
    ExportAvi(movie, AviSettings {}, dir / "out.avi", TaskControl {});

    const std::string info = CommandOutput("gst-discoverer-1.0 '" + dir / "out.avi" + "' 2>&1");
    EXPECT_NE(info.find("container #0: Audio Video Interleave (AVI)"), std::string::npos) << info;
    EXPECT_NE(info.find("video #1: MPEG-4 Video"), std::string::npos) << info;
    EXPECT_NE(info.find("Frame rate: 15/1"), std::string::npos) << info;
    EXPECT_NE(info.find("audio #2: MPEG-1 Layer 3 (MP3)"), std::string::npos) << info;
    const std::string frames = CommandOutput("gst-launch-1.0 -v filesrc location='" + dir / "out.avi"
        + "' ! avidemux name=d d.video_0 ! decodebin ! fakesink silent=false 2>&1");
    EXPECT_EQ(Count(frames, "last-message = chain"), 30u) << frames;
}
