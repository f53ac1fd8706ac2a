#include "RufflePlayer.h"

#include "flash/swf/JpegImage.h"
#include "flash/swf/SwfDefinitions.h"
#include "flash/swf/SwfMovieWriter.h"
#include "flash/swf/SwfShape.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

std::vector<std::uint8_t> Pixels(
    int width, int height, const std::function<std::uint32_t(int x, int y)>& rgba)
{
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t value = rgba(x, y);
            for (int shift = 24; shift >= 0; shift -= 8)
                pixels.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    }
    return pixels;
}

// A compressed movie of bitmaps drawn through bitmap fills, as the Flash
// export writes frames, played in Ruffle: each lands where placed, in its
// colours, translucency included.
TEST(SwfPlayTest, CompressedMovieShowsLosslessAndJpegBitmaps)
{
    SwfMovieWriter movie(9, 200, 120, 25);
    SwfTimeline& main = movie.Timeline();
    main.SetBackgroundColor(0x000000);
    auto place = [&](std::uint16_t bitmap, int x, int y, std::uint16_t depth) {
        SwfShape shape;
        shape.Rectangle(0, 0, 50, 50, shape.BitmapFill(bitmap, 0, 0));
        std::uint16_t id = movie.NewCharacterId();
        main.Tag(SwfTagCode::DefineShape3, shape.DefineShape3(id));
        main.PlaceObject2(depth, id, x * kTwipsPerPixel, y * kTwipsPerPixel);
    };
    std::uint16_t halves = movie.NewCharacterId();
    main.Tag(SwfTagCode::DefineBitsLossless2,
        SwfDefineBitsLossless2(
            halves, 50, 50, Pixels(50, 50, [](int x, int) { return x < 25 ? 0xff0000ff : 0x0000ffff; }), 9));
    place(halves, 10, 10, 1);
    RgbImage green { 50, 50, {} };
    for (int i = 0; i < 50 * 50; ++i)
        green.rgb.insert(green.rgb.end(), { 0x20, 0xc0, 0x40 });
    std::uint16_t jpeg = movie.NewCharacterId();
    main.Tag(SwfTagCode::DefineBitsJPEG2, SwfDefineBitsJpeg2(jpeg, EncodeJpeg(green, 90)));
    place(jpeg, 100, 10, 2);
    std::uint16_t veil = movie.NewCharacterId();
    main.Tag(SwfTagCode::DefineBitsLossless2,
        SwfDefineBitsLossless2(veil, 50, 50, Pixels(50, 50, [](int, int) { return 0xffffff80; }), 9));
    place(veil, 10, 65, 3);
    main.ShowFrame();

    vantor::test::TempDir folder;
    std::vector<std::uint8_t> bytes = movie.Finish(true);
    std::ofstream(folder / "movie.swf", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    RuffleRun run
        = PlayInRuffle(folder / "movie.swf", 200, 120, { "wait:500", "shot:" + folder / "shot.jpg" });
    if (run.missing)
        GTEST_SKIP() << run.message;
    ASSERT_TRUE(run.ok) << run.message;
    const RgbImage image = Screenshot(folder / "shot.jpg");
    ASSERT_EQ(image.width, 200);
    ASSERT_EQ(image.height, 120);

    struct Probe {
        const char* what;
        int x, y;
        std::uint32_t rgb;
    };
    const Probe probes[] = {
        { "left half red", 20, 35, 0xff0000 },
        { "right half blue", 50, 35, 0x0000ff },
        { "JPEG green", 125, 35, 0x20c040 },
        { "half white over black", 35, 90, 0x808080 },
        { "background", 180, 100, 0x000000 },
        { "left of the first bitmap", 5, 35, 0x000000 },
    };
    for (const Probe& p : probes)
        EXPECT_TRUE(Near(image, p.x, p.y, p.rgb)) << p.what << " " << std::hex << PixelAt(image, p.x, p.y);
}

} // namespace
