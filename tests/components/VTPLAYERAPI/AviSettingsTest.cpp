#include "AviSettings.h"
#include "MovieTestSupport.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace vtapi;
using vantor::test::TempDir;

namespace {

// Every field, for comparing whole settings with one check.
auto Fields(const AviSettings& s)
{
    return std::tie(s.videoCodecId, s.videoCodecKeyFrameRate, s.videoCodecQuality, s.frameRateCustom,
        s.frameRateMode, s.scaleToPercents, s.outputSizeWidthPercent, s.outputSizeHeightPercent,
        s.outputSizeWidth, s.outputSizeHeight, s.outputSizeKeepAspectRatio, s.useBestSoundFormat,
        s.soundFormat, s.soundCompressFormat, s.soundMP3Profile, s.autoscrollMode, s.autoscrollWidth,
        s.autoscrollHeight, s.useOldAVIFormat, s.exportSounds);
}

} // namespace

TEST(AviSettings, MissingFileGivesTheDefaultsAndStoredKeysAreRead)
{
    TempDir dir;
    const AviSettings defaults = ReadAviSettings(dir / "missing.xml");
    EXPECT_EQ(Fields(defaults),
        std::make_tuple(
            0u, -1, -1, 24, 0, true, 100.0, 100.0, 0, 0, true, false, 0, 85, 0, 0, 0, 0, false, true));

    vtapi::test::WriteSettings(dir / "AVI.xml",
        { { "VideoCodecId", 0x47504A4D }, { "VideoCodecKeyFrameRate", 12 }, { "VideoCodecQuality", 7500 },
            { "FrameRateCustom", 7 }, { "FrameRateMode", 3 }, { "ScaleToPercents", false },
            { "OutputSizeWidthPercent", 50.0 }, { "OutputSizeHeightPercent", 33.3 },
            { "OutputSizeWidth", 320 }, { "OutputSizeHeight", 200 }, { "OutputSizeKeepAspectRatio", false },
            { "UseBestSoundFormat", true }, { "SoundFormat", 0x800 }, { "SoundCompressFormat", 1 },
            { "SoundMP3Profile", 5 }, { "AutoscrollMode", 4 }, { "AutoscrollWidth", 300 },
            { "AutoscrollHeight", 200 }, { "UseOldAVIFormat", true }, { "ExportSounds", false } });
    EXPECT_EQ(Fields(ReadAviSettings(dir / "AVI.xml")),
        std::make_tuple(0x47504A4Du, 12, 7500, 7, 3, false, 50.0, double { 33.3f }, 320, 200, false, true,
            0x800, 1, 5, 4, 300, 200, true, false));
}

TEST(AviSettings, OutputFrameRateFollowsTheMode)
{
    struct Case {
        int mode;
        int custom;
        AVRational movie;
        AVRational expected;
    };
    for (const Case c : { Case { 0, 24, { 15, 1 }, { 15, 1 } }, Case { 1, 24, { 15, 1 }, { 15, 2 } },
             Case { 2, 24, { 30000, 1001 }, { 7500, 1001 } }, Case { 3, 24, { 15, 1 }, { 24, 1 } },
             Case { 3, 0, { 15, 1 }, { 15, 1 } }, Case { 9, 24, { 10, 1 }, { 10, 1 } } }) {
        AviSettings s;
        s.frameRateMode = c.mode;
        s.frameRateCustom = c.custom;
        EXPECT_EQ(av_cmp_q(OutputFrameRate(s, c.movie), c.expected), 0) << "mode " << c.mode;
    }
}

TEST(AviSettings, ViewAndOutputSizes)
{
    struct Case {
        const char* name;
        AviSettings settings;
        int multiple;
        FrameSize view;
        FrameSize output;
        double epsilon = kPixelEpsilon;
    };
    const FrameSize movie { 640, 480 };
    const Case cases[] = {
        { "defaults", {}, 2, { 640, 480 }, { 640, 480 } },
        { "33 percent, aspect kept, even", { .outputSizeWidthPercent = 33 }, 2, { 640, 480 }, { 210, 158 } },
        { "multiple of 4", { .outputSizeWidthPercent = 33 }, 4, { 640, 480 }, { 208, 156 } },
        { "pixels in a box", { .scaleToPercents = false, .outputSizeWidth = 320, .outputSizeHeight = 320 }, 1,
            { 640, 480 }, { 320, 240 } },
        { "autoscroll window, scaled by percent",
            { .outputSizeWidthPercent = 50,
                .autoscrollMode = 1,
                .autoscrollWidth = 200,
                .autoscrollHeight = 100 },
            1, { 200, 100 }, { 100, 50 } },
        { "autoscroll at least 10, at most the movie",
            { .autoscrollMode = 4, .autoscrollWidth = 0, .autoscrollHeight = 5000 }, 1, { 10, 480 },
            { 10, 480 } },
        { "never below one multiple", { .outputSizeWidthPercent = 0.1 }, 16, { 640, 480 }, { 16, 16 } },
        // 640 x 49.999992 % is 319.99995 pixels: the AVI dialog's epsilon
        // makes it 320, the WMV dialog's leaves 319.
        { "AVI dialog rounding", { .outputSizeWidthPercent = 49.999992f }, 2, { 640, 480 }, { 320, 240 } },
        { "WMV dialog rounding", { .outputSizeWidthPercent = 49.999992f }, 2, { 640, 480 }, { 318, 238 },
            kWmvPixelEpsilon },
    };
    for (const Case& c : cases) {
        const FrameSize view = ViewSize(c.settings, movie);
        EXPECT_EQ(view, c.view) << c.name;
        EXPECT_EQ(OutputSize(c.settings, view, c.multiple, c.epsilon), c.output) << c.name;
    }
}

TEST(AviSettings, SoundFormatChoice)
{
    struct Case {
        const char* name;
        bool best;
        int flag;
        int compress;
        int profile;
        SoundFormat expected;
    };
    const Case cases[] = {
        { "smallest PCM", false, 0, 1, 0, { 22050, 1, 8, false, 0 } },
        { "best PCM", true, 0, 1, 0, { 44100, 2, 16, false, 0 } },
        { "smallest MP3, normal", false, 0, 85, 0, { 22050, 1, 16, true, 64000 } },
        { "best MP3, very high", true, 0, 85, 5, { 44100, 2, 16, true, 320000 } },
        { "best MP3, low", true, 0, 85, 1, { 44100, 2, 16, true, 64000 } },
        { "unknown profile is normal", true, 0, 85, 7, { 44100, 2, 16, true, 128000 } },
        { "explicit wins over best", true, 0x1, 1, 0, { 11025, 1, 8, false, 0 } },
        { "explicit 22.05 stereo 16", false, 0x80, 1, 0, { 22050, 2, 16, false, 0 } },
        { "explicit 48 mono 16", false, 0x4000, 1, 0, { 48000, 1, 16, false, 0 } },
        { "explicit 96 stereo MP3 at 48", false, 0x80000, 85, 2, { 48000, 2, 16, true, 192000 } },
        { "MPEG-2.5 caps the bit rate", false, 0x2, 85, 5, { 11025, 2, 16, true, 64000 } },
        { "two flags are no explicit format", false, 0x3, 1, 0, { 22050, 1, 8, false, 0 } },
    };
    for (const Case& c : cases) {
        AviSettings s;
        s.useBestSoundFormat = c.best;
        s.soundFormat = c.flag;
        s.soundCompressFormat = c.compress;
        s.soundMP3Profile = c.profile;
        const SoundFormat f = ChooseSoundFormat(s, 44100, 2);
        const SoundFormat& e = c.expected;
        EXPECT_EQ(std::tie(f.sampleRate, f.channels, f.bits, f.mp3, f.bitRate),
            std::tie(e.sampleRate, e.channels, e.bits, e.mp3, e.bitRate))
            << c.name;
    }
    AviSettings s;
    s.soundCompressFormat = 1;
    EXPECT_EQ(ChooseSoundFormat(s, 8000, 1).sampleRate, 8000) << "never raised";
}

TEST(AutoscrollWindow, FollowsTheCursorAndStaysInsideTheMovie)
{
    struct Case {
        int x, y, left, top;
    };
    // Centred: a 100 x 50 window over 400 x 300 follows every move.
    AutoscrollWindow centred(1, { 100, 50 }, { 400, 300 });
    // Near centre: 100 x 100 over 400 x 400, placed centred first (150,150),
    // so the middle region is 175..224 across; after the move to 156 it is
    // 181..230.
    AutoscrollWindow nearCentre(4, { 100, 100 }, { 400, 400 });
    for (auto [window, moves] : { std::pair { &centred,
                                      std::vector<Case> { { 200, 150, 150, 125 }, { 210, 150, 160, 125 },
                                          { 5, 5, 0, 0 }, { 399, 299, 300, 250 } } },
             std::pair { &nearCentre,
                 std::vector<Case> { { 200, 200, 150, 150 }, { 220, 180, 150, 150 }, { 230, 180, 156, 150 },
                     { 190, 180, 156, 150 }, { 170, 140, 145, 115 }, { 0, 0, 0, 0 } } } }) {
        for (const Case& c : moves) {
            int left = -1;
            int top = -1;
            window->Follow(c.x, c.y, &left, &top);
            EXPECT_EQ(left, c.left) << c.x << "," << c.y;
            EXPECT_EQ(top, c.top) << c.x << "," << c.y;
        }
    }
}
