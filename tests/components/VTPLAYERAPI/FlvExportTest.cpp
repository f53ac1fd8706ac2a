#include "FlvExport.h"
#include "MovieTestSupport.h"
#include "TestEnvironment.h"

#include "flash/swf/SwfMovieReader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <sstream>

using namespace vtapi;
using namespace vtapi::test;
using vantor::test::TempDir;

namespace {

struct GstProbe {
    std::string codec;
    int width = 0;
    int height = 0;
    int keyFrames = 0;
};

// The FLV through GStreamer's own demuxer: the discoverer names the codec
// and size; flvdemux into a fake sink marks every frame but the key frames
// as "delta-unit".
GstProbe ProbeWithGStreamer(const std::string& path)
{
    GstProbe probe;
    auto discovered = vantor::test::RunProgram({ "/usr/bin/gst-discoverer-1.0", path });
    std::istringstream lines(discovered.output);
    for (std::string line; std::getline(lines, line);) {
        if (auto at = line.find("video #"); at != std::string::npos)
            probe.codec = line.substr(line.find(": ", at) + 2);
        else if (sscanf(line.c_str(), " Width: %d", &probe.width) == 1
            || sscanf(line.c_str(), " Height: %d", &probe.height) == 1)
            continue;
    }
    auto buffers = vantor::test::RunProgram({ "/usr/bin/gst-launch-1.0", "-v", "filesrc", "location=" + path,
        "!", "flvdemux", "name=d", "d.video", "!", "identity", "silent=false", "!", "fakesink" });
    std::istringstream chains(buffers.output);
    for (std::string line; std::getline(chains, line);)
        if (line.find("chain") != std::string::npos && line.find("delta-unit") == std::string::npos)
            ++probe.keyFrames;
    return probe;
}

bool HaveGStreamer()
{
    return std::system("/usr/bin/gst-inspect-1.0 flvdemux >/dev/null 2>&1") == 0
        && std::filesystem::exists("/usr/bin/gst-discoverer-1.0");
}

bool Near(std::uint32_t actual, std::uint32_t expected, int tolerance)
{
    for (int shift = 0; shift <= 16; shift += 8)
        if (std::abs(
                static_cast<int>((actual >> shift) & 0xff) - static_cast<int>((expected >> shift) & 0xff))
            > tolerance)
            return false;
    return true;
}

} // namespace

// One second at 10 fps of a 256 x 192 movie with 22.05 kHz mono sound:
// Screen Video codes the 64 x 64 blocks that changed, so only the frames
// the key-frame interval asks for are whole pictures.
TEST(FlvExportTest, WritesTheChosenCodecPaddedToMultiplesOf16)
{
    struct Case {
        const char* name;
        FlvExportOptions options;
        const char* codec;
        const char* gstCodec;
        int width, height, keyFrames;
        const char* audio;
        int sampleRate;
        bool padded; // pixel (0, 0) is padding, else the movie's
    };
    const Case cases[] = {
        { "H.263 at full size", { .keyFrameInterval = 4 }, "flv1", "Sorenson Spark Video", 256, 192, 3, "mp3",
            22050, false },
        { "Screen Video at 300 x 200, red padding",
            { .codec = FlvVideoCodec::ScreenVideo,
                .keyFrameInterval = 5,
                .paddingColour = 0xff0000,
                .scaleToPercents = false,
                .outputSizeWidth = 300,
                .outputSizeHeight = 200,
                .outputSizeKeepAspectRatio = false },
            "flashsv", "Flash Screen Video", 304, 208, 2, "mp3", 22050, true },
        { "H.263 at 110 percent, PCM, white padding",
            { .paddingColour = 0xffffff, .outputSizeWidthPercent = 110, .soundCompressFormat = 1 }, "flv1",
            "Sorenson Spark Video", 288, 224, 1, "pcm_u8", 22050, true },
        { "Screen Video at half rate without sound",
            { .codec = FlvVideoCodec::ScreenVideo, .frameRateMode = 1, .exportSounds = false }, "flashsv",
            "Flash Screen Video", 256, 192, 1, "", 0, false },
    };
    TempDir dir;
    SyntheticOptions recording = TinyOptions(1.0);
    recording.width = 256;
    recording.height = 192;
    MakeMovie(dir / "movie.vtr", MovieKind::Current, recording);
    const std::uint32_t movieCorner = FirstFramePixel(dir / "movie.vtr", 0, 0);
    const bool gstreamer = HaveGStreamer();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MovieSource movie(dir / "movie.vtr", TaskControl {});
        const FlvLayout layout = WriteFlv(movie, c.options, dir / "out.flv", TaskControl {});
        EXPECT_EQ(layout.width, c.width);
        EXPECT_EQ(layout.height, c.height);
        const Probe probe = ProbeFile(dir / "out.flv");
        EXPECT_EQ(probe.container, "flv");
        EXPECT_EQ(probe.videoCodec, c.codec);
        EXPECT_EQ(probe.width, c.width);
        EXPECT_EQ(probe.height, c.height);
        EXPECT_EQ(probe.keyFrames, c.keyFrames);
        EXPECT_EQ(probe.audioCodec, c.audio);
        EXPECT_EQ(probe.sampleRate, c.sampleRate);
        const std::uint32_t corner = FirstFramePixel(dir / "out.flv", 0, 0);
        const std::uint32_t expected = c.padded ? c.options.paddingColour : movieCorner;
        EXPECT_TRUE(Near(corner, expected, 24)) << std::hex << corner << " " << expected;
        if (!gstreamer)
            continue;
        const GstProbe gst = ProbeWithGStreamer(dir / "out.flv");
        EXPECT_EQ(gst.codec, c.gstCodec);
        EXPECT_EQ(gst.width, c.width);
        EXPECT_EQ(gst.height, c.height);
        EXPECT_EQ(gst.keyFrames, c.keyFrames);
    }
    if (!gstreamer)
        GTEST_SKIP()
            << "GStreamer's flvdemux or gst-discoverer-1.0 is missing: the FLV was read by libavformat only";
}

TEST(FlvExportTest, CancelStopsTheExport)
{
    TempDir dir;
    MakeMovie(dir / "movie.vtr", MovieKind::Current, TinyOptions(1.0));
    MovieSource movie(dir / "movie.vtr", TaskControl {});
    std::atomic<bool> cancel = true;
    EXPECT_THROW(WriteFlv(movie, {}, dir / "out.flv", TaskControl { &cancel, {} }), Cancelled);
}

// The player movie, read back: its size is the video's plus the bar beside
// it, one frame per FLV frame (at most 16000), the bar's "Controls" and a
// Video object.
TEST(FlvExportTest, PlayerMovieHoldsTheVideoAndTheBar)
{
    struct Case {
        const char* name;
        const char* movie;
        FlvExportOptions options;
        int width, height, videoWidth, videoHeight, frames;
        std::uint16_t rate; // 8.8 fixed point
        bool controls;
    };
    const std::string bar = vantor::test::BinDir() / "SWFControlBars" / "DefaultControlBar.swf";
    const Case cases[] = {
        { "bar on top", "short.vtr", { .controlBarFile = bar }, 480, 80, 64, 48, 10, 10 << 8, true },
        { "bar over the bottom", "short.vtr",
            { .controlBarFile = bar, .controlBarPositionMode = 2, .controlBarPositionOver = true }, 480, 48,
            64, 48, 10, 10 << 8, true },
        { "no bar, 70 x 40", "short.vtr",
            { .scaleToPercents = false,
                .outputSizeWidth = 70,
                .outputSizeHeight = 40,
                .outputSizeKeepAspectRatio = false,
                .addControlBar = false,
                .controlBarFile = bar },
            80, 48, 80, 48, 10, 10 << 8, false },
        { "200 s at 100 fps", "long.vtr",
            { .frameRateMode = 3, .frameRateCustom = 100, .controlBarFile = bar }, 480, 80, 64, 48, 16000,
            80 << 8, true },
    };
    TempDir dir;
    MakeMovie(dir / "short.vtr", MovieKind::Current, TinyOptions(1.0));
    MakeMovie(dir / "long.vtr", MovieKind::Current, TinyOptions(200.0));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MovieSource movie(dir / c.movie, TaskControl {});
        WriteFlvPlayer(movie, c.options, "movie.flv", dir / "player.swf", TaskControl {});
        SwfMovieReader reader;
        ASSERT_EQ(reader.ReadFile(dir / "player.swf"), SwfReadResult::Ok);
        EXPECT_EQ(reader.Header().widthPixels, c.width);
        EXPECT_EQ(reader.Header().heightPixels, c.height);
        EXPECT_EQ(reader.Header().frameCount, c.frames);
        EXPECT_EQ(reader.Header().frameRate, c.rate);
        EXPECT_EQ(reader.HasInstance("Controls"), c.controls);
        int videos = 0;
        for (const SwfTag& tag : reader.Tags()) {
            if (tag.code != 60 || tag.body.size() < 10)
                continue;
            ++videos;
            EXPECT_EQ(tag.body[4] | tag.body[5] << 8, c.videoWidth);
            EXPECT_EQ(tag.body[6] | tag.body[7] << 8, c.videoHeight);
        }
        EXPECT_EQ(videos, 1);
        EXPECT_NE(vantor::test::ReadFile(dir / "player.swf").find("movie.flv"), std::string::npos);
    }
}
