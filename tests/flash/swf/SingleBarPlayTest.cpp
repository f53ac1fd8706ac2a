#include "RufflePlayer.h"

#include "flash/swf/JpegImage.h"
#include "flash/swf/SwfBitWriter.h"
#include "flash/swf/SwfMovieReader.h"
#include "flash/swf/SwfMovieWriter.h"
#include "flash/swf/SwfShape.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace {

bool IsRed(std::uint32_t rgb)
{
    return (rgb >> 16) > 200 && ((rgb >> 8) & 0xff) < 60 && (rgb & 0xff) < 60;
}

// The Single variant placed into a movie of 100 frames in which a red
// square walks right by 4 pixels a frame: it plays, the timeline knob
// follows it, and play/pause stops the movie itself.
TEST(SingleBarPlayTest, SingleBarControlsTheMovieItSitsIn)
{
    SwfMovieReader bar;
    ASSERT_EQ(bar.ReadFile(vantor::test::BinDir() / "SWFControlBars" / "DefaultControlBarSingle.swf"),
        SwfReadResult::Ok);
    SwfMovieWriter movie(9, 480, 112, 25);
    SwfTimeline& main = movie.Timeline();
    main.SetBackgroundColor(0xffffff);
    // The bar's definitions first, unchanged; the movie's own ids follow.
    std::uint16_t controls = 0;
    for (const SwfTag& tag : bar.Tags()) {
        if (tag.code == SwfTagCode::PlaceObject2 && tag.name == "Controls")
            controls = tag.characterId;
        if (tag.code == SwfTagCode::DefineSprite) {
            SwfBitWriter body;
            body.U16(tag.characterId);
            body.U16(static_cast<std::uint16_t>(tag.value));
            body.Bytes(tag.body);
            main.Tag(tag.code, body.Data());
        } else if (tag.characterId != 0 && tag.code != SwfTagCode::PlaceObject2) {
            main.Tag(tag.code, tag.body);
        }
        movie.ReserveCharacterIds(tag.characterId);
    }
    ASSERT_NE(controls, 0);
    SwfShape square;
    square.Rectangle(0, 0, 20, 20, square.SolidFill(0xff0000ff));
    std::uint16_t squareId = movie.NewCharacterId();
    main.Tag(SwfTagCode::DefineShape3, square.DefineShape3(squareId));
    main.PlaceObject2(2, controls, 0, 80 * kTwipsPerPixel, "Controls");
    for (int frame = 0; frame < 100; ++frame) {
        if (frame > 0)
            main.RemoveObject2(1);
        main.PlaceObject2(1, squareId, frame * 4 * kTwipsPerPixel, 20 * kTwipsPerPixel);
        main.ShowFrame();
    }
    vantor::test::TempDir folder;
    std::vector<std::uint8_t> bytes = movie.Finish(false);
    std::ofstream(folder / "movie.swf", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::vector<std::string> steps = { "wait:1000", "shot:" + folder / "1.jpg", "click:17,96", "move:240,40",
        "wait:300", "shot:" + folder / "2.jpg", "wait:600", "shot:" + folder / "3.jpg" };
    RuffleRun run = PlayInRuffle(folder / "movie.swf", 480, 112, steps);
    if (run.missing)
        GTEST_SKIP() << run.message;
    ASSERT_TRUE(run.ok) << run.message;

    // Where the square and the knob are in each screenshot.
    auto squareX = [](const RgbImage& image) {
        for (int x = 0; x < image.width; ++x) {
            if (IsRed(PixelAt(image, x, 30)))
                return x;
        }
        return -1;
    };
    RgbImage playing = Screenshot(folder / "1.jpg"), paused = Screenshot(folder / "2.jpg"),
             later = Screenshot(folder / "3.jpg");
    ASSERT_EQ(playing.width, 480);
    int first = squareX(playing), second = squareX(paused), third = squareX(later);
    EXPECT_GT(first, 40) << "the movie plays";
    EXPECT_GT(second, first) << "it went on until the click";
    EXPECT_EQ(third, second) << "the click on pause stopped it";
    // The knob (light grey on the dark track, 96 pixels from the top) sits
    // at the played share of the timeline, which starts at x 90 and is 152
    // pixels long.
    int knobX = 90 + (second / 4) * 152 / 99;
    std::uint32_t knob = PixelAt(paused, knobX, 96);
    EXPECT_GT(knob & 0xff, 0xc0u) << std::hex << knob;
    std::uint32_t trackAhead = PixelAt(paused, knobX + 20, 96);
    EXPECT_LT(trackAhead & 0xff, 0x80u) << std::hex << trackAhead;
}

} // namespace
