#include "QuickTimeExport.h"
#include "CompressionSession.h"
#include "TestEnvironment.h"
#include "components/VTPLAYERAPI/MovieTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

using namespace vtapi;
using namespace vtapi::test;
using vantor::test::TempDir;

namespace {

// The top-level atoms of a QuickTime file, in file order.
std::string TopLevelAtoms(const std::string& path)
{
    const std::string data = vantor::test::ReadFile(path);
    std::string atoms;
    std::size_t offset = 0;
    while (offset + 8 <= data.size()) {
        const auto byte
            = [&](std::size_t i) { return static_cast<std::uint64_t>(static_cast<unsigned char>(data[i])); };
        std::uint64_t size
            = byte(offset) << 24 | byte(offset + 1) << 16 | byte(offset + 2) << 8 | byte(offset + 3);
        if (size == 1 && offset + 16 <= data.size()) {
            size = 0;
            for (std::size_t i = 0; i < 8; ++i)
                size = size << 8 | byte(offset + 8 + i);
        }
        atoms += (atoms.empty() ? "" : " ") + data.substr(offset + 4, 4);
        if (size < 8)
            break;
        offset += size;
    }
    return atoms;
}

class QuickTimeExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // 100 x 60 so that every size must be rounded to multiples of 16.
        SyntheticOptions options = TinyOptions(3.0);
        options.width = 100;
        options.height = 60;
        MakeMovie(m_dir / "movie.vtr", MovieKind::Current, options);
    }

    // Exports through the terminal front end; the output's path.
    std::string ExportFromTerminal(const std::map<std::string, SettingValue>& keys, const std::string& name)
    {
        WriteSettings(m_dir / (name + ".xml"), keys);
        const std::string out = m_dir / name;
        const auto run = vantor::test::RunProgram(
            { (vantor::test::BinDir() / "vantor-batch-export-cli").string(), "--format", "qt", "--dest", out,
                "--settings", m_dir / (name + ".xml"), "--yes", m_dir / "movie.vtr" });
        EXPECT_EQ(run.status, 0) << run.output;
        return out + "/movie.mov";
    }

    TempDir m_dir;
};

} // namespace

TEST_F(QuickTimeExportTest, TerminalExportHonoursTheSettings)
{
    struct Case {
        const char* name;
        std::map<std::string, SettingValue> keys;
        int width, height;
        double rate;
        int minKeyFrames; // the key-frame interval sets at least this many
        const char* sound;
        const char* atoms;
    };
    const Case cases[] = {
        { "defaults", {}, 112, 64, 10, 3, "mp3", "ftyp moov wide mdat" },
        { "half size", { { "OutputSizeWidthPercent", 50.0 }, { "OutputSizeHeightPercent", 50.0 } }, 64, 32,
            10, 3, "mp3", "ftyp moov wide mdat" },
        { "pixels",
            { { "ScaleToPercents", false }, { "OutputSizeWidth", 80 }, { "OutputSizeHeight", 40 },
                { "OutputSizeKeepAspectRatio", false } },
            80, 48, 10, 3, "mp3", "ftyp moov wide mdat" },
        { "half rate, key frame every 3", { { "FrameRateMode", 1 }, { "KeyFrame", 3 } }, 112, 64, 5, 5, "mp3",
            "ftyp moov wide mdat" },
        { "custom rate", { { "FrameRateMode", 3 }, { "FrameRateCustom", 4 } }, 112, 64, 4, 3, "mp3",
            "ftyp moov wide mdat" },
        { "aac, no streaming", { { "SoundCompressFormat", 1 }, { "FlattenMovie", false } }, 112, 64, 10, 3,
            "aac", "ftyp wide mdat moov" },
        { "no sound, average rate", { { "ExportSounds", false }, { "DateRateType", 1 }, { "DateRate", 20 } },
            112, 64, 10, 3, "", "ftyp moov wide mdat" },
    };
    const bool gstreamer = HasProgram("gst-discoverer-1.0") && HasProgram("gst-launch-1.0");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = ExportFromTerminal(c.keys, c.name);
        const Probe probe = ProbeFile(path);
        EXPECT_EQ(probe.container, "mov,mp4,m4a,3gp,3g2,mj2");
        EXPECT_EQ(probe.videoCodec, "h264");
        EXPECT_EQ(probe.width, c.width);
        EXPECT_EQ(probe.height, c.height);
        EXPECT_DOUBLE_EQ(probe.frameRate, c.rate);
        EXPECT_GE(probe.keyFrames, c.minKeyFrames);
        EXPECT_EQ(probe.audioCodec, c.sound);
        EXPECT_EQ(TopLevelAtoms(path), c.atoms);
        if (gstreamer) {
            EXPECT_EQ(GStreamerProblem(path, { "H.264" }, *c.sound != '\0'), "");
        }
    }
    if (!gstreamer)
        GTEST_SKIP()
            << "GStreamer's gst-discoverer-1.0 or gst-launch-1.0 is missing: install gstreamer1.0-tools";
}

TEST_F(QuickTimeExportTest, TwoPassesGiveAnotherMovie)
{
    const std::map<std::string, SettingValue> rates[]
        = { { { "DateRateType", 0 }, { "Quality", 600 } }, { { "DateRateType", 1 }, { "DateRate", 10 } } };
    for (const auto& single : rates) {
        const std::string name = "rate type " + std::to_string(std::get<int>(single.at("DateRateType")));
        SCOPED_TRACE(name);
        std::map<std::string, SettingValue> twice = single;
        twice["Multipass"] = true;
        const std::string one = ExportFromTerminal(single, name + " single");
        const std::string two = ExportFromTerminal(twice, name + " multi");
        EXPECT_EQ(ProbeFile(two).videoPackets, ProbeFile(one).videoPackets);
        EXPECT_EQ(ProbeFile(two).videoCodec, "h264");
        EXPECT_NE(vantor::test::ReadFile(one), vantor::test::ReadFile(two));
    }
    // The statistics of the first passes are gone.
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::temp_directory_path()))
        EXPECT_EQ(entry.path().filename().string().rfind("vtqt-passes-", 0), std::string::npos)
            << entry.path();
}

TEST_F(QuickTimeExportTest, FailureAndCancelLeaveNoFile)
{
    MovieSource movie(m_dir / "movie.vtr", TaskControl {});
    const std::string library = (vantor::test::BinDir() / "libVTQTLibrary.so").string();
    std::atomic<bool> cancel { true };
    std::atomic<bool> late { false };
    const auto cancelAtFrame5 = [&late](std::int64_t done, std::int64_t) {
        if (done >= 5)
            late = true;
    };
    struct Case {
        const char* name;
        std::string library;
        TaskControl control;
        const char* reason; // "" for a cancel
    };
    const Case cases[] = {
        { "no library", m_dir / "libVTQTLibrary.so", {}, "the QuickTime library is missing" },
        { "cancelled", library, TaskControl { &cancel, {} }, "" },
        { "cancelled while encoding", library, TaskControl { &late, cancelAtFrame5 }, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            ExportQuickTimeMovie(movie, {}, m_dir / "out.mov", c.control, c.library);
            ADD_FAILURE() << "the export succeeded";
        } catch (const Cancelled&) {
            EXPECT_STREQ(c.reason, "");
        } catch (const MovieError& error) {
            EXPECT_EQ(std::string(error.what()).rfind(c.reason, 0), 0u) << error.what();
        }
        EXPECT_EQ(FolderContents(m_dir.Path().string()), (std::vector<std::string> { "movie.vtr" }));
    }
}

TEST(QuickTimeCodecParamsTest, MapsDataRatesOntoX264)
{
    struct Case {
        VTQTCodecParams params;
        std::int64_t firstPass;
        double crf;
        std::int64_t bitRate, maxRate, bufferSize;
        int gop;
    };
    const Case cases[] = {
        { { 1024, 0, VTQT_DATA_RATE_AUTOMATIC, 600, 400, 800 }, 0, 15.0, 0, 0, 0, 25 },
        { { 0, 10, VTQT_DATA_RATE_AUTOMATIC, 600, 400, 800 }, 0, 51.0, 0, 0, 0, 10 },
        { { 512, 0, VTQT_DATA_RATE_AUTOMATIC, 600, 400, 800 }, 123456, -1, 123456, 0, 0, 25 },
        { { 870, 0, VTQT_DATA_RATE_AVERAGE, 600, 400, 800 }, 0, -1, 4800000, 0, 0, 25 },
        { { 870, 0, VTQT_DATA_RATE_MANUAL, 600, 400, 800 }, 0, -1, 4800000, 6400000, 6400000, 25 },
        { { 870, 0, VTQT_DATA_RATE_MANUAL, 600, 900, 100 }, 0, -1, 4000000, 7200000, 7200000, 25 },
    };
    for (const Case& c : cases) {
        const vtqt::RateControl rc = vtqt::MapCodecParams(c.params, AVRational { 25, 1 }, c.firstPass);
        EXPECT_DOUBLE_EQ(rc.crf, c.crf);
        EXPECT_EQ(rc.bitRate, c.bitRate);
        EXPECT_EQ(rc.maxRate, c.maxRate);
        EXPECT_EQ(rc.bufferSize, c.bufferSize);
        EXPECT_EQ(rc.gopSize, c.gop);
    }
}

// A still recording, where only typed text changes: a frame showing what
// the one before shows is no sample of its own, the sample before lasts
// longer, and libavformat and GStreamer at the movie's rate see every
// frame in its place, to the end.
TEST_F(QuickTimeExportTest, StillFramesLengthenTheSampleBefore)
{
    if (!HasProgram("ffmpeg") || !HasProgram("gst-launch-1.0") || !HasProgram("gst-discoverer-1.0"))
        GTEST_SKIP() << "ffmpeg, gst-launch-1.0 or gst-discoverer-1.0 is missing";
    SyntheticOptions options = TinyOptions(2.0);
    options.still = true;
    MakeMovie(m_dir / "still.vtr", MovieKind::Current, options);
    // At 10 frames per second, "=" for a frame equal to the one before.
    const auto repeats = [](const std::string& path) {
        std::istringstream lines(
            vantor::test::RunProgram({ "/usr/bin/env", "ffmpeg", "-v", "error", "-i", path, "-map", "0:v",
                                         "-vf", "fps=10", "-f", "framemd5", "-" })
                .output);
        std::string marks, last;
        for (std::string line; std::getline(lines, line);)
            if (line[0] != '#') {
                marks += line.substr(line.rfind(',') + 1) == last ? '=' : '+';
                last = line.substr(line.rfind(',') + 1);
            }
        return marks;
    };
    const std::string recording = repeats(m_dir / "still.vtr");
    for (const bool multipass : { false, true }) {
        QuickTimeSettings settings;
        settings.multipass = multipass;
        settings.common.exportSounds = false;
        MovieSource movie(m_dir / "still.vtr", TaskControl {});
        const std::string out = m_dir / "still.mov";
        ExportQuickTimeMovie(movie, settings, out, {}, vantor::test::BinDir() / "libVTQTLibrary.so");
        EXPECT_EQ(ProbeFile(out).videoPackets, 11) << multipass;
        // The last frame is a picture of its own, encoded again.
        EXPECT_EQ(repeats(out), recording.substr(0, 19) + "+");
        const auto gst = vantor::test::RunProgram({ "/usr/bin/env", "gst-launch-1.0", "-v", "filesrc",
            "location=" + out, "!", "qtdemux", "!", "decodebin", "!", "videorate", "!",
            "video/x-raw,framerate=10/1", "!", "fakesink", "silent=false" });
        std::size_t buffers = 0;
        for (std::size_t at = 0; (at = gst.output.find("offset_end", at)) != std::string::npos; ++at)
            ++buffers;
        ASSERT_EQ(buffers, 20u) << gst.output;
        // From the segment's start (where the edit list says) the last
        // buffer shows at 1.9 s.
        const std::size_t start = gst.output.find("start=(guint64)");
        EXPECT_NEAR(std::stod(gst.output.substr(gst.output.rfind("pts: 0:00:") + 10))
                - std::stod(gst.output.substr(start + 15)) / 1e9,
            1.9, 0.001);
        EXPECT_NE(vantor::test::RunProgram({ "/usr/bin/env", "gst-discoverer-1.0", out })
                      .output.find("Duration: 0:00:02.0"),
            std::string::npos);
    }
}
