#include "AviExport.h"
#include "MovieTestSupport.h"
#include "TestEnvironment.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

using namespace vtapi;
using namespace vtapi::test;
using vantor::test::TempDir;

namespace {

constexpr std::uint32_t Fourcc(const char (&t)[5])
{
    return platform::MakeFourCC(t[0], t[1], t[2], t[3]);
}

class AviExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // One second at 10 fps, 64 x 48, mono 22.05 kHz; and a stereo 44.1 kHz one.
        MakeMovie(m_dir / "mono.vtr", MovieKind::Current, TinyOptions(1.0));
        SyntheticOptions stereo = TinyOptions(1.0);
        stereo.sampleRate = 44100;
        stereo.channels = 2;
        MakeMovie(m_dir / "stereo.vtr", MovieKind::Current, stereo);
    }

    Probe Export(const std::string& movieName, const AviSettings& settings, const std::string& outputName)
    {
        MovieSource movie(m_dir / movieName, TaskControl {});
        ExportAvi(movie, settings, m_dir / outputName, TaskControl {});
        return ProbeFile(m_dir / outputName);
    }

    TempDir m_dir;
};

struct Expected {
    std::string codec;
    std::string tag;
    int width;
    int height;
    double rate;
    int packets;
    std::string audio; // "" for none
    int channels;
    int sampleRate;
};

} // namespace

TEST_F(AviExportTest, HonoursEveryVideoAndSoundSetting)
{
    struct Case {
        const char* name;
        const char* movie;
        AviSettings settings;
        Expected expected;
    };
    const Case cases[] = {
        { "defaults", "mono.vtr", {}, { "mpeg4", "XVID", 64, 48, 10, 10, "mp3", 1, 22050 } },
        { "uncompressed", "mono.vtr", { .videoCodecId = Fourcc("DIB ") },
            { "rawvideo", "", 64, 48, 10, 10, "mp3", 1, 22050 } },
        { "mjpeg", "mono.vtr", { .videoCodecId = Fourcc("MJPG") },
            { "mjpeg", "MJPG", 64, 48, 10, 10, "mp3", 1, 22050 } },
        { "ffv1", "mono.vtr", { .videoCodecId = Fourcc("FFV1") },
            { "ffv1", "FFV1", 64, 48, 10, 10, "mp3", 1, 22050 } },
        { "h264", "mono.vtr", { .videoCodecId = Fourcc("H264") },
            { "h264", "H264", 64, 48, 10, 10, "mp3", 1, 22050 } },
        { "lower-case fourcc", "mono.vtr", { .videoCodecId = Fourcc("fmp4") },
            { "mpeg4", "FMP4", 64, 48, 10, 10, "mp3", 1, 22050 } },
        { "half rate", "mono.vtr", { .frameRateMode = 1 },
            { "mpeg4", "XVID", 64, 48, 5, 5, "mp3", 1, 22050 } },
        { "quarter rate", "mono.vtr", { .frameRateMode = 2 },
            { "mpeg4", "XVID", 64, 48, 2.5, 3, "mp3", 1, 22050 } },
        // Every second frame repeats the one before: a null frame, but the last.
        { "custom rate above the movie's", "mono.vtr", { .frameRateCustom = 20, .frameRateMode = 3 },
            { "mpeg4", "XVID", 64, 48, 20, 11, "mp3", 1, 22050 } },
        { "50 percent, aspect kept", "mono.vtr",
            { .outputSizeWidthPercent = 50, .outputSizeHeightPercent = 80 },
            { "mpeg4", "XVID", 32, 24, 10, 10, "mp3", 1, 22050 } },
        { "autoscroll window", "mono.vtr",
            { .autoscrollMode = 1, .autoscrollWidth = 32, .autoscrollHeight = 24 },
            { "mpeg4", "XVID", 32, 24, 10, 10, "mp3", 1, 22050 } },
        { "no sound", "mono.vtr", { .exportSounds = false }, { "mpeg4", "XVID", 64, 48, 10, 10, "", 0, 0 } },
        { "best PCM", "stereo.vtr", { .useBestSoundFormat = true, .soundCompressFormat = 1 },
            { "mpeg4", "XVID", 64, 48, 10, 10, "pcm_s16le", 2, 44100 } },
        { "smallest PCM", "stereo.vtr", { .soundCompressFormat = 1 },
            { "mpeg4", "XVID", 64, 48, 10, 10, "pcm_u8", 1, 22050 } },
        { "explicit 96 kHz mono 8-bit PCM", "mono.vtr", { .soundFormat = 0x10000, .soundCompressFormat = 1 },
            { "mpeg4", "XVID", 64, 48, 10, 10, "pcm_u8", 1, 96000 } },
    };
    int n = 0;
    for (const Case& c : cases) {
        const Probe p = Export(c.movie, c.settings, "out" + std::to_string(n++) + ".avi");
        const Expected& e = c.expected;
        SCOPED_TRACE(c.name);
        EXPECT_EQ(p.container, "avi");
        EXPECT_EQ(p.videoCodec, e.codec);
        EXPECT_EQ(p.videoTag, e.tag);
        EXPECT_EQ(p.width, e.width);
        EXPECT_EQ(p.height, e.height);
        EXPECT_DOUBLE_EQ(p.frameRate, e.rate);
        EXPECT_EQ(p.videoPackets, e.packets);
        EXPECT_NEAR(p.videoEnd, std::ceil(e.rate) / e.rate, 0.01); // whole frames over the movie's 1 s
        if (p.hasAudio) {
            EXPECT_NEAR(p.audioEnd, 1.0, 0.1);
        }
        EXPECT_EQ(p.hasAudio, !e.audio.empty());
        EXPECT_EQ(p.audioCodec, e.audio);
        EXPECT_EQ(p.channels, e.channels);
        EXPECT_EQ(p.sampleRate, e.sampleRate);
    }
}

TEST_F(AviExportTest, KeyFrameIntervalQualityAndMp3ProfileReachTheEncoders)
{
    AviSettings keyed;
    keyed.videoCodecKeyFrameRate = 3;
    EXPECT_EQ(Export("mono.vtr", keyed, "keyed.avi").keyFrames, 4); // frames 0, 3, 6, 9
    EXPECT_EQ(Export("mono.vtr", AviSettings {}, "default.avi").keyFrames, 1);

    AviSettings worst;
    worst.videoCodecQuality = 0;
    AviSettings best;
    best.videoCodecQuality = 10000;
    worst.exportSounds = best.exportSounds = false;
    // Large enough that the frames outweigh the AVI headers.
    SyntheticOptions larger = TinyOptions(1.0);
    larger.width = 320;
    larger.height = 240;
    MakeMovie(m_dir / "larger.vtr", MovieKind::Current, larger);
    Export("larger.vtr", worst, "worst.avi");
    Export("larger.vtr", best, "best.avi");
    EXPECT_LT(
        std::filesystem::file_size(m_dir / "worst.avi") * 2, std::filesystem::file_size(m_dir / "best.avi"));

    AviSettings veryHigh;
    veryHigh.soundMP3Profile = 5;
    veryHigh.useBestSoundFormat = true;
    EXPECT_EQ(Export("stereo.vtr", veryHigh, "mp3.avi").audioBitRate, 320000);
}

TEST_F(AviExportTest, UncompressedFramesKeepTheirOrientation)
{
    AviSettings settings;
    settings.videoCodecId = Fourcc("DIB ");
    Export("mono.vtr", settings, "raw.avi");
    for (const auto& [x, y] : { std::pair { 1, 1 }, std::pair { 60, 46 }, std::pair { 30, 20 } })
        EXPECT_EQ(FirstFramePixel(m_dir / "raw.avi", x, y), FirstFramePixel(m_dir / "mono.vtr", x, y))
            << x << "," << y;
}

TEST_F(AviExportTest, Avi10FormatIsOneRiffPartWithoutOpenDmlChunks)
{
    AviSettings settings;
    settings.useOldAVIFormat = true;
    const Probe old = Export("mono.vtr", settings, "old.avi");
    EXPECT_EQ(old.videoPackets, 10);
    EXPECT_TRUE(old.hasAudio);
    const std::string bytes = vantor::test::ReadFile(m_dir / "old.avi");
    EXPECT_EQ(bytes.find("RIFF", 4), std::string::npos);
    EXPECT_EQ(bytes.find("indx"), std::string::npos);
    EXPECT_NE(bytes.find("idx1"), std::string::npos);
}

namespace {

std::string Chunk(const std::string& id, const std::string& body)
{
    const auto size = static_cast<std::uint32_t>(body.size());
    std::string chunk = id;
    for (int i = 0; i < 4; ++i)
        chunk += static_cast<char>((size >> (8 * i)) & 0xFF);
    return chunk + body + (size % 2 ? std::string(1, '\0') : "");
}

} // namespace

TEST(MakeAvi10, TurnsOpenDmlChunksIntoJunkAndRefusesSeveralParts)
{
    TempDir dir;
    const std::string strl = Chunk("LIST", "strl" + Chunk("strh", "abc") + Chunk("indx", "0123456789"));
    const std::string hdrl = Chunk("LIST", "hdrl" + Chunk("avih", "xy") + strl + Chunk("LIST", "odmldmlh"));
    const std::string riff = Chunk("RIFF", "AVI " + hdrl + Chunk("LIST", "movi") + Chunk("idx1", ""));
    vantor::test::WriteFile(dir / "a.avi", riff);
    MakeAvi10(dir / "a.avi");
    std::string expected = riff;
    expected.replace(expected.find("indx"), 4, "JUNK");
    expected.replace(expected.find("odml") - 8, 4, "JUNK");
    EXPECT_EQ(vantor::test::ReadFile(dir / "a.avi"), expected);

    vantor::test::WriteFile(dir / "b.avi", riff + Chunk("RIFF", "AVIX" + Chunk("LIST", "movi")));
    EXPECT_THROW(MakeAvi10(dir / "b.avi"), MovieError);
    vantor::test::WriteFile(dir / "c.avi", Chunk("RIFF", "WAVE"));
    EXPECT_THROW(MakeAvi10(dir / "c.avi"), MovieError);
}

TEST_F(AviExportTest, FailuresAndCancelLeaveNoFile)
{
    std::filesystem::create_directory(m_dir / "out");
    MovieSource movie(m_dir / "mono.vtr", TaskControl {});
    AviSettings unknown;
    unknown.videoCodecId = Fourcc("ABCD");
    EXPECT_THROW(ExportAvi(movie, unknown, m_dir / "out/a.avi", TaskControl {}), MovieError);
    EXPECT_THROW(ExportAvi(movie, AviSettings {}, m_dir / "no-folder/a.avi", TaskControl {}), MovieError);
    vantor::test::WriteFile(m_dir / "file", "x");
    EXPECT_THROW(ExportAvi(movie, AviSettings {}, m_dir / "file/a.avi", TaskControl {}), MovieError);

    std::atomic<bool> cancel { false };
    TaskControl control;
    control.cancel = &cancel;
    int calls = 0;
    control.progress = [&](std::int64_t, std::int64_t) {
        if (++calls == 3)
            cancel = true;
    };
    movie.Rewind();
    EXPECT_THROW(ExportAvi(movie, AviSettings {}, m_dir / "out/b.avi", control), Cancelled);
    EXPECT_EQ(calls, 3);
    EXPECT_TRUE(FolderContents(m_dir / "out").empty());
}
