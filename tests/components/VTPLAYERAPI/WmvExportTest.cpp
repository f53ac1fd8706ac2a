// Windows Media exports from the terminal front end with the real engine
// and libWMVExport.so, read back by libavformat and by GStreamer's own ASF
// demuxer: codec, size, rate, sound format, the bit rate of constant bit
// rate, two passes, and no file left by a failed export.

#include "MovieTestSupport.h"
#include "TestEnvironment.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace vtapi::test {
namespace {

namespace fs = std::filesystem;
using vantor::test::BinDir;
using vantor::test::RunProgram;
using vantor::test::TempDir;

class WmvExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name :
            { "vantor-batch-export-cli", "libVTPLAYERAPI.so", "libWMVExport.so", "regsvr32" })
            if (!fs::exists(BinDir() / name))
                GTEST_SKIP() << (BinDir() / name).string() << " is not built";
    }

    // Exports `movie` with the settings; the CLI's exit status.
    int Export(const std::string& movie, const std::map<std::string, SettingValue>& settings)
    {
        WriteSettings(temp / "WMV.xml", settings);
        const auto result = RunProgram({ (BinDir() / "vantor-batch-export-cli").string(), "--yes", "--format",
            "wmv", "--settings", temp / "WMV.xml", "--dest", temp / "out", movie });
        output = result.output;
        return result.status;
    }

    TempDir temp;
    std::string output;
};

SyntheticOptions Movie(int width, int height, int rate, int sampleRate, int channels)
{
    SyntheticOptions options = TinyOptions(3.0);
    options.width = width;
    options.height = height;
    options.frameRate = AVRational { rate, 1 };
    options.sampleRate = sampleRate;
    options.channels = channels;
    return options;
}

TEST_F(WmvExportTest, WritesWhatTheSettingsAskAndGStreamerPlaysIt)
{
    const bool gstreamer = HasProgram("gst-discoverer-1.0") && HasProgram("gst-launch-1.0")
        && RunProgram({ "/bin/sh", "-c", "gst-inspect-1.0 asfdemux" }).status == 0;
    struct Case {
        const char* name;
        SyntheticOptions movie;
        std::map<std::string, SettingValue> settings;
        const char* videoCodec;
        const char* gstVideo;
        int width, height;
        double frameRate;
        int frames;
        const char* audioCodec; // "" for no sound
        int sampleRate, channels;
        std::int64_t audioBitRate;
        int cbrBitrate; // 0: variable bit rate, not checked
    };
    const Case cases[] = {
        { "defaults: wmv2 by quality, the nearest sound format", Movie(320, 240, 15, 22050, 1), {}, "wmv2",
            "Windows Media Video 8", 320, 240, 15, 45, "wmav2", 22050, 1, 40000, 0 },
        { "one-pass CBR, pixel size, custom rate, 44.1 kHz stereo at 80 kbps", Movie(640, 480, 15, 44100, 2),
            { { "IsVideoVBR", 0 }, { "VideoNumPasses", 1 }, { "VideoBitrate", 150000 },
                { "ScaleToPercents", false }, { "OutputSizeWidth", 640 }, { "OutputSizeHeight", 360 },
                { "OutputSizeKeepAspectRatio", false }, { "FrameRateMode", 3 }, { "FrameRateCustom", 10 },
                { "AudioFormatId", 176 } },
            "wmv2", "Windows Media Video 8", 640, 360, 10, 30, "wmav2", 44100, 2, 80000, 150000 },
        { "two-pass CBR, wmv1 and wmav1, half size, half rate", Movie(640, 480, 15, 44100, 2),
            { { "IsVideoVBR", 0 }, { "VideoNumPasses", 2 }, { "VideoBitrate", 80000 },
                { "OutputSizeWidthPercent", 50.0 }, { "OutputSizeHeightPercent", 50.0 },
                { "FrameRateMode", 1 }, { "VideoCodecId", 0x31564D57 }, { "AudioCodecId", 0x160 },
                { "AudioFormatId", 178 } },
            "wmv1", "Windows Media Video 7", 320, 240, 7.5, 23, "wmav1", 44100, 2, 128000, 80000 },
        { "two-pass VBR, autoscroll window, no sound", Movie(640, 480, 10, 22050, 1),
            { { "IsVideoVBR", 1 }, { "VideoNumPasses", 2 }, { "VideoBitrate", 100000 },
                { "AutoscrollMode", 1 }, { "AutoscrollWidth", 200 }, { "AutoscrollHeight", 150 },
                { "ExportSounds", false } },
            "wmv2", "Windows Media Video 8", 200, 150, 10, 30, "", 0, 0, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string movie = temp / "movie.vtr";
        MakeMovie(movie, MovieKind::Current, c.movie);
        ASSERT_EQ(Export(movie, c.settings), 0) << output;
        const std::string wmv = temp / "out/movie.wmv";
        const Probe probe = ProbeFile(wmv);
        EXPECT_EQ(probe.container, "asf");
        EXPECT_EQ(probe.videoCodec, c.videoCodec);
        EXPECT_EQ(probe.width, c.width);
        EXPECT_EQ(probe.height, c.height);
        EXPECT_DOUBLE_EQ(probe.frameRate, c.frameRate);
        EXPECT_EQ(probe.videoPackets, c.frames);
        EXPECT_EQ(probe.hasAudio, *c.audioCodec != '\0');
        if (probe.hasAudio) {
            EXPECT_EQ(probe.audioCodec, c.audioCodec);
            EXPECT_EQ(probe.sampleRate, c.sampleRate);
            EXPECT_EQ(probe.channels, c.channels);
            EXPECT_EQ(probe.audioBitRate, c.audioBitRate);
        }
        if (c.cbrBitrate > 0) {
            const double bitrate = static_cast<double>(probe.videoBytes) * 8 * c.frameRate / c.frames;
            EXPECT_NEAR(bitrate, c.cbrBitrate, 0.15 * c.cbrBitrate);
        }
        if (!gstreamer)
            continue;
        std::vector<std::string> lines
            = { "container #0: Advanced Streaming Format (ASF)", std::string("video #1: ") + c.gstVideo,
                  "Width: " + std::to_string(c.width), "Height: " + std::to_string(c.height) };
        if (probe.hasAudio) {
            lines.push_back("Sample rate: " + std::to_string(c.sampleRate));
            lines.push_back(c.channels == 2 ? "Channels: 2" : "Channels: 1");
        }
        EXPECT_EQ(GStreamerProblem(wmv, lines, probe.hasAudio), "");
    }
    if (!gstreamer)
        GTEST_SKIP() << "gst-discoverer-1.0, gst-launch-1.0 or GStreamer's asfdemux is missing (Debian: "
                        "gstreamer1.0-tools, gstreamer1.0-plugins-base-apps, gstreamer1.0-plugins-ugly, "
                        "gstreamer1.0-libav); only libavformat read the files";
}

// Where the picture changes in `path` shown at 30 frames per second, by
// FFmpeg or by GStreamer's rate converter: the changed frames' numbers, then
// the number of frames.
std::string Changes(const std::string& path, bool gstreamer)
{
    const std::string frames = gstreamer
        ? "gst-launch-1.0 -q filesrc location='" + path
            + "' ! asfdemux ! decodebin ! videorate ! "
              "video/x-raw,framerate=30/1 ! videoconvert ! video/x-raw,format=I420 ! checksumsink hash=0"
        : "ffmpeg -v error -i '" + path + "' -map 0:v -vf fps=30 -pix_fmt rgb24 -f framemd5 - | grep -v '^#'";
    return RunProgram(
        { "/bin/sh", "-c",
            frames + " | awk '{ if ($NF != last) printf \"%d \", n; last = $NF; n++ } END { print n }'" })
        .output;
}

// A still recording: frames that show the last picture are mostly left out,
// yet FFmpeg at the constant rate and GStreamer show every frame for the
// whole duration, each change of the picture where the movie has it. With
// a bit rate, an unchanged picture encoded again may come out sharper:
// there only the number of frames is compared.
TEST_F(WmvExportTest, StillRecordingLeavesOutRepeatsAndKeepsEveryFrameInItsPlace)
{
    if (!HasProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is missing (Debian: ffmpeg)";
    SyntheticOptions options = TinyOptions(4.0);
    options.width = 160;
    options.height = 120;
    options.frameRate = AVRational { 30, 1 };
    options.sampleRate = 0; // the sound encoder's delay would start the picture later
    options.still = true;
    MakeMovie(temp / "still.vtr", MovieKind::Current, options);
    const std::string changes = "0 5 10 15 20 30 35 40 45 50 60 65 70 80 85 90 95 100 105 110 115 120\n";
    ASSERT_EQ(Changes(temp / "still.vtr", false), changes);
    struct Case {
        std::map<std::string, SettingValue> settings;
        bool sameChanges;
    };
    const Case cases[] = { { {}, true },
        { { { "IsVideoVBR", 0 }, { "VideoNumPasses", 2 }, { "VideoBitrate", 100000 } }, false } };
    const bool gstreamer = HasProgram("gst-launch-1.0");
    for (const Case& c : cases) {
        ASSERT_EQ(Export(temp / "still.vtr", c.settings), 0) << output;
        const std::string wmv = temp / "out/still.wmv";
        EXPECT_EQ(ProbeFile(wmv).videoPackets, 42);
        for (int reader = 0; reader < (gstreamer ? 2 : 1); ++reader) {
            const std::string shown = Changes(wmv, reader == 1);
            EXPECT_EQ(
                c.sameChanges ? shown : shown.substr(shown.rfind(' ')), c.sameChanges ? changes : " 120\n")
                << (reader == 1 ? "GStreamer" : "FFmpeg");
        }
        if (gstreamer) {
            EXPECT_EQ(GStreamerProblem(wmv, { "Duration: 0:00:04.000000000" }, false), "");
        }
    }
    if (!gstreamer)
        GTEST_SKIP() << "gst-launch-1.0 is missing (Debian: gstreamer1.0-tools); only FFmpeg read the files";
}

// A second pass that cannot reach the bit rate fails the export: the line
// says so and no file is left.
TEST_F(WmvExportTest, FailedExportLeavesNoFile)
{
    MakeMovie(temp / "movie.vtr", MovieKind::Current, Movie(640, 480, 15, 22050, 1));
    EXPECT_EQ(Export(temp / "movie.vtr",
                  { { "IsVideoVBR", 0 }, { "VideoNumPasses", 2 }, { "VideoBitrate", 1000 } }),
        1);
    EXPECT_NE(output.find("movie.vtr: export failed"), std::string::npos) << output;
    EXPECT_EQ(FolderContents(temp / "out"), std::vector<std::string> {});
}

} // namespace
} // namespace vtapi::test
