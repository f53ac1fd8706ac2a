#include "flash/FlashOptionsRules.h"
#include "flash/FlashScaling.h"

#include "strings/StringIds.h"
#include "support/HelpLauncher.h"

#include <gtest/gtest.h>

namespace {

using namespace vantor;
using namespace vantor::flash_rules;

TEST(FlashOptionsRules, PreviewImageOnlyForClickToLoadMoviesOutsideASingleStandardSwf)
{
    struct Case {
        const char* name;
        PlaybackInputs in;
        PlaybackStates out;
    };
    const Case cases[] = {
        { "single standard SWF", { true, true, false, true, true },
            { false, false, false, false, false, true, false } },
        { "separate standard SWF", { true, false, false, true, true },
            { true, true, true, true, true, true, true } },
        { "single Flash video", { true, true, true, true, false },
            { true, true, true, false, true, false, false } },
        { "preview unticked", { true, false, false, false, true },
            { true, false, false, false, false, true, true } },
        { "download and play", { false, false, false, true, true },
            { false, false, false, false, false, true, true } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecidePlayback(c.in), c.out) << c.name;
}

TEST(FlashOptionsRules, ColourDepthSwitchKeepsEightBitAndTheChoiceGivesFormatAndBits)
{
    struct Case {
        int index;
        bool nowLossless;
        int expected;
    };
    // 16-bit lossless -> JPEG 24-bit -> lossless 32-bit; 8-bit stays.
    const Case cases[]
        = { { 1, false, 1 }, { 1, true, 2 }, { 2, false, 1 }, { 0, true, 0 }, { 0, false, 0 } };
    for (const Case& c : cases)
        EXPECT_EQ(ColourDepthAfterSwitch(c.index, c.nowLossless), c.expected) << c.index << c.nowLossless;

    // The format and bits stored for each choice.
    struct Choice {
        bool lossless;
        bool optimise;
        int index;
        int format;
        int bits;
    };
    const Choice choices[] = { { true, true, 0, 0, 8 }, { true, false, 1, 0, 16 }, { true, false, 2, 0, 32 },
        { false, true, 1, 100, 32 }, { false, false, 0, 4, 8 } };
    for (const Choice& c : choices) {
        EXPECT_EQ(ColorFormatFor(c.lossless, c.optimise), c.format);
        EXPECT_EQ(ColorBitsFor(c.lossless, c.index), c.bits);
        EXPECT_EQ(ColourDepthIndexFor(c.lossless, c.bits), c.index);
    }
}

TEST(FlashOptionsRules, ConfirmRefusesAMissingControlBarFileThenAnEmptyCode)
{
    struct Case {
        const char* name;
        ConfirmInputs in;
        ConfirmResult out;
    };
    const Case cases[] = {
        { "code of spaces", { true, false, "", true, "   " }, { true, -1, 0 } },
        { "empty code", { true, false, "", true, "" }, { false, 8, str::kFlashEnterSecureCode } },
        { "no file", { true, true, "", true, "" }, { false, 4, str::kFlashSelectCustomisedSwf } },
        { "no bar added", { false, true, "", false, "" }, { true, -1, 0 } },
        { "file given", { true, true, "/a/bar.swf", false, "" }, { true, -1, 0 } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckConfirm(c.in), c.out) << c.name;
}

TEST(FlashOptionsRules, FrameRatesFlvEncodingAudioAndHelpTopics)
{
    EXPECT_EQ(EffectiveFrameRate(25, 7, kFullRate), 25);
    EXPECT_EQ(EffectiveFrameRate(25, 7, kHalfRate), 12);
    EXPECT_EQ(EffectiveFrameRate(25, 7, kQuarterRate), 6);
    EXPECT_EQ(EffectiveFrameRate(25, 7, kCustomRate), 7);
    EXPECT_EQ(HighestUsableRate(25, 1), 400000);
    EXPECT_EQ(HighestUsableRate(25, 40000), 10);
    EXPECT_EQ(HighestUsableRate(25, 400001), 0);
    EXPECT_EQ(FramesToExport(500, true, 100, 199), 100);
    EXPECT_EQ(FramesToExport(500, false, 100, 199), 500);

    EXPECT_EQ(DecideFlvEncoding(true, 0), (FlvEncodingStates { true, true, true, false, false }));
    EXPECT_EQ(DecideFlvEncoding(true, 1), (FlvEncodingStates { true, true, false, true, false }));
    EXPECT_EQ(DecideFlvEncoding(false, 0), (FlvEncodingStates { false, false, true, false, false }));
    EXPECT_EQ(PercentOfRangeText(8, 0, 10), "80%");
    EXPECT_EQ(std::string(HelpTopicForPage(kPageSwfFileGeneration)), "Files_generated_by_Flash_exports");
    EXPECT_EQ(std::string(HelpTopicForPage(kPageGeneral)), "Macromedia_Flash_format");

    EXPECT_EQ(DecideAudio(true, true, false), (AudioStates { true, true, true, false, true, false }));
    EXPECT_EQ(DecideAudio(true, false, true), (AudioStates { true, false, true, true, true, false }));
    EXPECT_EQ(DecideAudio(false, true, true), (AudioStates { false, false, false, false, false, true }));
}

TEST(FlashScaling, SizeLabelAddsTheControlBarAndPadsFlashVideo)
{
    struct Case {
        const char* name;
        bool flashVideo;
        bool pixels;
        int width;
        int height;
        int bar;
        const char* label;
    };
    const Case cases[] = {
        { "100 percent", false, false, 100, 100, 24, "(movie=100x100, toolbar=100x24)" },
        { "50 percent, FLV", true, false, 50, 50, 24, "(movie=64x64, toolbar=64x24)" },
        { "no bar", false, false, 100, 100, 0, "(movie=100x100)" },
        { "pixels take the bar off", false, true, 200, 124, 24, "(movie=200x100, toolbar=200x24)" },
        { "pixels, FLV", true, true, 33, 57, 24, "(movie=48x48, toolbar=48x24)" },
        { "only the bar", false, true, 0, 10, 24, "(toolbar=0x24)" },
    };
    for (const Case& c : cases) {
        FlashScaling scaling;
        scaling.SetMovieSize(100, 100);
        scaling.SetControlBarHeight(c.bar);
        scaling.SetFlashVideo(c.flashVideo);
        scaling.SetPixelMode(c.pixels);
        if (c.pixels)
            scaling.SetScalePixels(c.width, c.height);
        else
            scaling.SetScalePercent(static_cast<float>(c.width), static_cast<float>(c.height));
        EXPECT_EQ(scaling.SizeLabel(), c.label) << c.name;
    }
}

TEST(FlashScaling, KeepAspectCarriesThePercentageAcrossAndAutoscrollNoteShowsScaling)
{
    FlashScaling scaling;
    scaling.SetMovieSize(200, 100);
    scaling.SetControlBarHeight(24);
    EXPECT_TRUE(scaling.WidthFieldChanged(50, true));
    EXPECT_FLOAT_EQ(scaling.HeightPercent(), 50.0f);
    EXPECT_EQ(scaling.HeightField(), 50);
    EXPECT_FALSE(scaling.HeightFieldChanged(50, true));
    scaling.SetPixelMode(true);
    EXPECT_TRUE(scaling.WidthFieldChanged(300, true)); // 150 % of 200
    EXPECT_FLOAT_EQ(scaling.WidthPercent(), 150.0f);
    EXPECT_EQ(scaling.HeightField(), 174); // 150 % of 100, plus the bar
    EXPECT_FALSE(scaling.WidthFieldChanged(100, false));
    EXPECT_FLOAT_EQ(scaling.HeightPercent(), 150.0f);

    // The autoscroll note shows only when the movie is scaled.
    scaling.SetPixelMode(false);
    scaling.SetMovieSize(100, 100);
    scaling.SetScalePercent(100, 100);
    EXPECT_EQ(scaling.AutoscrollNote(50, 40), "");
    scaling.SetScalePercent(50, 100.00005f);
    EXPECT_EQ(scaling.AutoscrollNote(50, 40), "Scaling will decrease movie size to 25x40");
    EXPECT_EQ(PadTo16(1), 16);
    EXPECT_EQ(PadTo16(32), 32);
    EXPECT_EQ(PadTo16(33), 48);
}

} // namespace
