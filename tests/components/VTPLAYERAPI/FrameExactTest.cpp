#include "AviExport.h"
#include "MovieTestSupport.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>

using namespace vtapi;
using namespace vtapi::test;
using vantor::test::TempDir;

namespace {

std::string CommandOutput(const std::string& command)
{
    std::string text;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(::popen(command.c_str(), "r"), &::pclose);
    char buffer[4096];
    for (size_t got; pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
        text.append(buffer, got);
    return text;
}

// The MD5 of every frame of the file's video as 24-bit RGB, by ffmpeg
// with the given output options.
std::vector<std::string> FrameHashes(const std::string& path, const std::string& options = "")
{
    std::istringstream lines(CommandOutput(
        "ffmpeg -v error -i '" + path + "' -map 0:v" + options + " -pix_fmt rgb24 -f framemd5 -"));
    std::vector<std::string> hashes;
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] != '#')
            hashes.push_back(line.substr(line.rfind(',') + 1));
    return hashes;
}

} // namespace

// Every frame-rate mode against sources of common rates, exported with a
// lossless compressor: full rate shows every source frame once, half rate
// every second, quarter rate every fourth, the custom rate every
// `customStep`th.
TEST(FrameExactExport, EveryRateModeShowsTheSourceFramesItsRateCalls)
{
    if (CommandOutput("command -v ffmpeg").empty())
        GTEST_SKIP() << "ffmpeg is missing";
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
        MakeMovie(dir / "movie.vtr", MovieKind::Current, options);
        const std::vector<std::string> source = FrameHashes(dir / "movie.vtr");
        ASSERT_EQ(source.size(), static_cast<size_t>(c.sourceFrames));
        ASSERT_EQ(std::set<std::string>(source.begin(), source.end()).size(), source.size());

        const int steps[] = { 1, 2, 4, c.customStep };
        for (int mode = 0; mode < 4; ++mode) {
            AviSettings settings;
            settings.videoCodecId = platform::MakeFourCC('F', 'F', 'V', '1');
            settings.frameRateMode = mode;
            settings.frameRateCustom = c.custom;
            MovieSource movie(dir / "movie.vtr", TaskControl {});
            ExportAvi(movie, settings, dir / "out.avi", TaskControl {});
            std::vector<std::string> expected;
            for (int i = 0; i < c.sourceFrames; i += steps[mode])
                expected.push_back(source[static_cast<size_t>(i)]);
            EXPECT_EQ(FrameHashes(dir / "out.avi"), expected) << "mode " << mode;
        }
    }
}

// GStreamer, a reader we did not write, understands the default export.
TEST(FrameExactExport, GStreamerReadsTheDefaultExport)
{
    if (CommandOutput("command -v gst-discoverer-1.0").empty())
        GTEST_SKIP() << "gst-discoverer-1.0 is missing (Debian: gstreamer1.0-plugins-base-apps)";
    TempDir dir;
    MakeMovie(dir / "movie.vtr", MovieKind::Current, TinyOptions(2.0));
    MovieSource movie(dir / "movie.vtr", TaskControl {});
    ExportAvi(movie, AviSettings {}, dir / "out.avi", TaskControl {});
    const std::string info = CommandOutput("gst-discoverer-1.0 '" + dir / "out.avi" + "' 2>&1");
    for (const char* line : { "container #0: Audio Video Interleave (AVI)", "video #1: MPEG-4 Video",
             "Frame rate: 10/1", "audio #2: MPEG-1 Layer 3 (MP3)", "Duration: 0:00:02.0" })
        EXPECT_NE(info.find(line), std::string::npos) << line << " in\n" << info;
}

// A still recording, where only typed text changes, exported with null
// frames for the repeats: libavformat, FFmpeg at a constant rate and
// GStreamer all see every frame of the movie in its place.
TEST(FrameExactExport, NullFramesKeepEveryFrameInItsPlace)
{
    if (CommandOutput("command -v ffmpeg").empty() || CommandOutput("command -v gst-launch-1.0").empty())
        GTEST_SKIP() << "ffmpeg or gst-launch-1.0 is missing";
    struct Case {
        const char* fourcc;
        int pictures; // frames that are no null frame
    };
    const Case cases[] = { { "FFV1", 11 }, { "XVID", 11 }, { "DIB ", 11 }, { "H264", 11 } };
    TempDir dir;
    SyntheticOptions options = TinyOptions(2.0);
    options.width = 160;
    options.height = 120;
    options.still = true;
    MakeMovie(dir / "still.vtr", MovieKind::Current, options);
    const std::string constantRate = " -vf fps=10";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fourcc);
        AviSettings settings;
        settings.videoCodecId = platform::MakeFourCC(c.fourcc[0], c.fourcc[1], c.fourcc[2], c.fourcc[3]);
        MovieSource movie(dir / "still.vtr", TaskControl {});
        ExportAvi(movie, settings, dir / "out.avi", TaskControl {});
        const Probe probe = ProbeFile(dir / "out.avi");
        EXPECT_EQ(probe.videoPackets, c.pictures);
        EXPECT_NEAR(probe.videoEnd, 2.0, 0.001);
        EXPECT_EQ(FrameHashes(dir / "out.avi", constantRate).size(), 20u);
        if (std::string(c.fourcc) == "FFV1") {
            EXPECT_EQ(FrameHashes(dir / "out.avi", constantRate), FrameHashes(dir / "still.vtr"));
        }
        const std::string gst = "gst-launch-1.0 -v filesrc location='" + dir / "out.avi"
            + "' ! avidemux ! decodebin ! videorate ! video/x-raw,framerate=10/1 ! fakesink silent=false "
              "2>&1";
        const std::string buffers = CommandOutput(gst + " | grep -c 'chain.*offset_end'");
        EXPECT_EQ(buffers, "20\n");
        EXPECT_NE(CommandOutput(gst).find("pts: 0:00:01.900000000, duration: 0:00:00.100000000"),
            std::string::npos);
    }
}
