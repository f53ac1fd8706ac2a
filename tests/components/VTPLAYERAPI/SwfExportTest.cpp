#include "FlashExport.h"
#include "MovieTestSupport.h"
#include "TestEnvironment.h"
#include "flash/swf/SwfMovieReader.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using namespace vtapi;
using namespace vtapi::test;
using vantor::test::TempDir;

namespace {

std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

std::string Bars()
{
    return (vantor::test::BinDir() / "SWFControlBars").string();
}

} // namespace

// One second of a 64 x 48 recording at 10 frames per second with 22.05 kHz
// mono sound, exported with each group of options; the movie is read back
// with our reader.
TEST(SwfExportTest, WritesTheMovieTheOptionsDescribe)
{
    struct Case {
        const char* name;
        void (*options)(FlashSettings&);
        int width;
        int height;
        std::uint16_t rate; // 8.8 fixed point
        std::uint16_t frames;
        std::uint32_t sound; // stream head: format bits << 16 | samples a frame; 0 none
        bool controls;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        // The bar (480 x 32) is scaled to the 64-pixel width: 4 pixels high, on top.
        { "defaults", [](FlashSettings&) {}, 64, 52, 0x0a00, 10, 0x2a0a089d, true, { "m.html", "m.swf" } },
        { "separate files, preview, PCM, half rate, 50 %",
            [](FlashSettings& s) {
                s.singleSwf = false;
                s.startingPlaybackMode = 0;
                s.previewMode = 2;
                s.soundCompressFormat = 1;
                s.frameRateMode = 1;
                s.outputSizeWidthPercent = 50;
                s.outputSizeHeightPercent = 50;
            },
            32, 24, 0x0500, 5, 0x3a0a113a, false, { "m.html", "m.swf", "m_preview.swf", "m_toolbar.swf" } },
        { "no sound, no bar, 8-bit lossless, 128 x 128 kept in aspect, plain file",
            [](FlashSettings& s) {
                s.exportSounds = false;
                s.addControlBar = false;
                s.colorFormat = 0;
                s.colorBitsCount = 8;
                s.scaleToPercents = false;
                s.outputSizeWidth = 128;
                s.outputSizeHeight = 128;
                s.mxCompression = false;
            },
            128, 96, 0x0a00, 10, 0, false, { "m.html", "m.swf" } },
        { "custom rate 4, bar at the bottom over the picture, JPEG 16 bit",
            [](FlashSettings& s) {
                s.frameRateMode = 3;
                s.frameRateCustom = 4;
                s.controlBarPositionMode = 2;
                s.controlBarPositionOver = true;
                s.colorFormat = 4;
                s.colorBitsCount = 16;
            },
            64, 48, 0x0400, 4, 0x2a0a1589, true, { "m.html", "m.swf" } },
        { "autoscroll window of 50 % by 25 %, no bar",
            [](FlashSettings& s) {
                s.autoscrollMode = 1;
                s.autoscrollWidth = 50;
                s.autoscrollHeight = 25;
                s.addControlBar = false;
            },
            32, 12, 0x0a00, 10, 0x2a0a089d, false, { "m.html", "m.swf" } },
    };
    TempDir dir;
    MakeMovie(dir / "m.vtr", MovieKind::Current, TinyOptions(1.0));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir out;
        FlashSettings settings;
        c.options(settings);
        MovieSource movie(dir / "m.vtr", TaskControl {});
        ExportFlashMovie(movie, settings, out / "m.swf", Bars(), TaskControl {});
        EXPECT_EQ(FolderContents(out.Path().string()), c.files);
        const std::vector<std::uint8_t> file = ReadBytes(out / "m.swf");
        ASSERT_GE(file.size(), 3u);
        EXPECT_EQ(file[0], settings.mxCompression ? 'C' : 'F');
        SwfMovieReader reader;
        ASSERT_EQ(reader.ReadBytes(PlainSwf(file)), SwfReadResult::Ok);
        EXPECT_EQ(reader.Header().widthPixels, c.width);
        EXPECT_EQ(reader.Header().heightPixels, c.height);
        EXPECT_EQ(reader.Header().frameRate, c.rate);
        EXPECT_EQ(reader.Header().frameCount, c.frames);
        std::uint32_t sound = 0;
        for (const SwfTag& tag : reader.Tags())
            if (tag.code == SwfTagCode::SoundStreamHead2)
                sound = tag.value;
        EXPECT_EQ(sound, c.sound) << std::hex << sound;
        EXPECT_EQ(reader.HasInstance("Controls"), c.controls);
    }
}

// The toolbar of separate files carries the bar; a frame that repeats the
// one before adds no picture.
TEST(SwfExportTest, ToolbarHoldsTheBarAndStillFramesAddNoPictures)
{
    TempDir dir;
    MakeMovie(dir / "m.vtr", MovieKind::Current, TinyOptions(1.0));
    FlashSettings settings;
    settings.singleSwf = false;
    settings.frameRateMode = 3;
    settings.frameRateCustom = 40; // each movie frame shown four times
    settings.showCursor = false;
    MovieSource movie(dir / "m.vtr", TaskControl {});
    ExportFlashMovie(movie, settings, dir / "m.swf", Bars(), TaskControl {});
    SwfMovieReader toolbar;
    ASSERT_EQ(toolbar.ReadBytes(PlainSwf(ReadBytes(dir / "m_toolbar.swf"))), SwfReadResult::Ok);
    EXPECT_TRUE(toolbar.HasInstance("Controls"));
    EXPECT_TRUE(toolbar.HasInstance("holder"));
    SwfMovieReader reader;
    ASSERT_EQ(reader.ReadBytes(PlainSwf(ReadBytes(dir / "m.swf"))), SwfReadResult::Ok);
    ASSERT_EQ(reader.Header().frameCount, 40);
    int frame = 0;
    std::vector<int> framesWithPictures;
    for (const SwfTag& tag : reader.Tags()) {
        if (tag.code == SwfTagCode::ShowFrame)
            ++frame;
        if ((tag.code == 20 || tag.code == 21 || tag.code == 36)
            && (framesWithPictures.empty() || framesWithPictures.back() != frame))
            framesWithPictures.push_back(frame);
    }
    // Movie frames at 0, 0.1, ... s start output frames 0, 4, 8, ...
    EXPECT_EQ(framesWithPictures, (std::vector<int> { 0, 4, 8, 12, 16, 20, 24, 28, 32, 36 }));
}

// A cancel while the movie is being written leaves the folder as it was,
// and so does a failure after the movie file is complete (a toolbar whose
// bar cannot be read).
TEST(SwfExportTest, CancelOrFailureLeavesNoFile)
{
    TempDir dir;
    MakeMovie(dir / "m.vtr", MovieKind::Current, TinyOptions(1.0));
    vantor::test::WriteFile(dir / "nobar.swf", "not a movie");
    struct Case {
        const char* name;
        bool cancel;
        void (*options)(FlashSettings&);
    };
    const Case cases[] = {
        { "cancel", true, [](FlashSettings&) {} },
        { "bad bar", false,
            [](FlashSettings& s) {
                s.controlBarType = -1;
                s.externalControlBarFileName = "nobar.swf";
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir out;
        FlashSettings settings;
        c.options(settings);
        if (settings.controlBarType == -1)
            settings.externalControlBarFileName = dir / "nobar.swf";
        std::atomic<bool> cancel { false };
        TaskControl control;
        control.cancel = &cancel;
        control.progress = [&](std::int64_t done, std::int64_t) { cancel = c.cancel && done >= 5; };
        MovieSource movie(dir / "m.vtr", TaskControl {});
        if (c.cancel)
            EXPECT_THROW(ExportFlashMovie(movie, settings, out / "m.swf", Bars(), control), Cancelled);
        else
            EXPECT_THROW(ExportFlashMovie(movie, settings, out / "m.swf", Bars(), control), MovieError);
        EXPECT_EQ(FolderContents(out.Path().string()), std::vector<std::string> {});
    }
}

// The frame rate the settings give, lowered when the movie would need more
// than 16000 frames; and the sound rates a SWF stream can carry.
TEST(SwfExportTest, FrameRateFitsTheFrameLimitAndSoundRatesAreSwfRates)
{
    struct Case {
        int mode;
        int custom;
        AVRational movie;
        std::int64_t seconds;
        AVRational expected;
    };
    const Case cases[] = {
        { 0, 24, { 25, 1 }, 60, { 25, 1 } }, { 1, 24, { 15, 1 }, 60, { 15, 2 } },
        { 2, 24, { 30, 1 }, 60, { 15, 2 } }, { 3, 7, { 30, 1 }, 60, { 7, 1 } },
        { 3, 500, { 30, 1 }, 60, { 100, 1 } }, // the custom rate stops at 100
        { 0, 24, { 25, 1 }, 640, { 25, 1 } }, // exactly 16000 frames
        { 0, 24, { 25, 1 }, 1200, { 1333, 100 } }, // 20 minutes: 13.33 fps
    };
    for (const Case& c : cases) {
        FlashSettings settings;
        settings.frameRateMode = c.mode;
        settings.frameRateCustom = c.custom;
        const AVRational rate = SwfFrameRate(settings, c.movie, c.seconds * AV_TIME_BASE);
        EXPECT_EQ(av_cmp_q(rate, c.expected), 0)
            << c.mode << " " << c.seconds << ": " << rate.num << "/" << rate.den;
    }
    const std::pair<int, int> rates[] = { { 8000, 11025 }, { 11025, 11025 }, { 16000, 11025 },
        { 22050, 22050 }, { 32000, 22050 }, { 44100, 44100 }, { 48000, 44100 } };
    for (const auto& [rate, expected] : rates)
        EXPECT_EQ(SwfSoundRate(rate), expected) << rate;
}
