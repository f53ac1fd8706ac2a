#include "RufflePlayer.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

struct Point {
    int x;
    int y;
};

// Each bar plays with ShowFullScreen=0: the bar's body shows, the centre of
// play/pause changes from the face (the gap between the pause bars) to the
// play triangle when clicked, the full-screen button is hidden while the
// auto-hide button beside it shows its face.
TEST(ControlBarPlayTest, BarsPlayPauseAndHideControlsInRuffle)
{
    struct Case {
        const char* file;
        int height;
        std::uint32_t body, face, icon;
        Point playCentre, fullScreenFace, autoHideFace;
    };
    const Case cases[] = {
        { "DefaultControlBar.swf", 32, 0x8c9096, 0xa9aeb5, 0x24272b, { 17, 16 }, { 403, 16 }, { 429, 16 } },
        { "DefaultControlBarSingle.swf", 32, 0x8c9096, 0xa9aeb5, 0x24272b, { 17, 16 }, { 403, 16 },
            { 429, 16 } },
        { "DefaultControlBarCoolWhite.swf", 30, 0xf7f9fc, 0xe8eff8, 0x2f6db5, { 16, 15 }, { 409, 15 },
            { 433, 15 } },
        { "DefaultControlBarCoolWhiteSingle.swf", 30, 0xf7f9fc, 0xe8eff8, 0x2f6db5, { 16, 15 }, { 409, 15 },
            { 433, 15 } },
        { "DefaultControlBarMediaPlayer.swf", 40, 0x15171a, 0x2f343b, 0xf2f4f7, { 21, 20 }, { 379, 20 },
            { 413, 20 } },
        { "DefaultControlBarMediaPlayerSingle.swf", 40, 0x15171a, 0x2f343b, 0xf2f4f7, { 21, 20 }, { 379, 20 },
            { 413, 20 } },
    };
    vantor::test::TempDir shots;
    for (const Case& c : cases) {
        std::string before = shots / "before.jpg", after = shots / "after.jpg";
        Point play = c.playCentre;
        RuffleRun run = PlayInRuffle(vantor::test::BinDir() / "SWFControlBars" / c.file, 480, c.height,
            { "--param", "ShowFullScreen=0", "wait:700", "shot:" + before,
                "click:" + std::to_string(play.x) + "," + std::to_string(play.y), "move:240,0", "wait:400",
                "shot:" + after });
        if (run.missing)
            GTEST_SKIP() << run.message;
        ASSERT_TRUE(run.ok) << c.file << ": " << run.message;
        RgbImage playing = Screenshot(before), paused = Screenshot(after);
        ASSERT_EQ(playing.width, 480) << c.file;
        ASSERT_EQ(playing.height, c.height) << c.file;
        EXPECT_TRUE(Near(PixelAt(playing, 3, c.height / 2), c.body)) << c.file;
        EXPECT_TRUE(Near(PixelAt(playing, play.x, play.y), c.face))
            << c.file << " " << std::hex << PixelAt(playing, play.x, play.y);
        EXPECT_TRUE(Near(PixelAt(paused, play.x, play.y), c.icon)) << c.file;
        EXPECT_TRUE(Near(PixelAt(playing, c.fullScreenFace.x, c.fullScreenFace.y), c.body)) << c.file;
        EXPECT_TRUE(Near(PixelAt(playing, c.autoHideFace.x, c.autoHideFace.y), c.face)) << c.file;
    }
}

} // namespace
