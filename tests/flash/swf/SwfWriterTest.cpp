#include "flash/swf/ControlBarPreviews.h"
#include "flash/swf/JpegImage.h"
#include "flash/swf/SwfActions.h"
#include "flash/swf/SwfBitWriter.h"
#include "flash/swf/SwfDefinitions.h"
#include "flash/swf/SwfMovieReader.h"
#include "flash/swf/SwfMovieWriter.h"
#include "flash/swf/SwfShape.h"

#include <gtest/gtest.h>

#include <functional>
#include <zlib.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Inflate(std::span<const std::uint8_t> packed, std::size_t size)
{
    Bytes out(size);
    uLongf length = static_cast<uLongf>(size);
    EXPECT_EQ(uncompress(out.data(), &length, packed.data(), static_cast<uLong>(packed.size())), Z_OK);
    out.resize(length);
    return out;
}

TEST(SwfWriterTest, EncodesBitFieldsRecordsShapesAndPremultipliedBitmaps)
{
    struct Case {
        const char* what;
        std::function<Bytes()> write;
        Bytes expected;
    };
    auto with = [](std::function<void(SwfBitWriter&)> f) {
        return [f] {
            SwfBitWriter out;
            f(out);
            return out.Take();
        };
    };
    const Case cases[] = {
        { "rectangle of 480 x 32 pixels", with([](SwfBitWriter& w) {
             w.Rect({ 0, 9600, 0, 640 });
         }),
            { 0x78, 0x00, 0x04, 0xb0, 0x00, 0x00, 0x01, 0x40, 0x00 } },
        { "translation by 20, -20 twips", with([](SwfBitWriter& w) { w.Translation(20, -20); }),
            { 0x0c, 0xa5, 0x80 } },
        { "identity", with([](SwfBitWriter& w) { w.Translation(0, 0); }), { 0x00 } },
        { "scale by 20", with([](SwfBitWriter& w) { w.Matrix(20, 20, 0, 0); }),
            { 0xd9, 0x40, 0x00, 0x05, 0x00, 0x00, 0x00 } },
        { "bits then an aligned byte", with([](SwfBitWriter& w) {
             w.UB(3, 5);
             w.SB(4, -1);
             w.U16(0x1234);
         }),
            { 0xbe, 0x34, 0x12 } },
        { "2 x 1 pixel rectangle",
            [] {
                SwfShape shape;
                shape.Rectangle(0, 0, 2, 1, shape.SolidFill(0x336699ff));
                return shape.DefineShape3(7);
            },
            { 0x07, 0x00, 0x38, 0x05, 0x00, 0x0a, 0x00, 0x01, 0x00, 0x33, 0x66, 0x99, 0xff, 0x00, 0x10, 0x3c,
                0x23, 0xad, 0x40, 0x0d, 0x20, 0x29, 0xae, 0xc0, 0x0d, 0x20, 0x58, 0x00 } },
        { "same rectangle with a repeated corner",
            [] {
                SwfShape shape;
                shape.Polygon({ 0, 0, 2, 0, 2, 0, 2, 1, 0, 1 }, shape.SolidFill(0x336699ff));
                return shape.DefineShape3(7);
            },
            { 0x07, 0x00, 0x38, 0x05, 0x00, 0x0a, 0x00, 0x01, 0x00, 0x33, 0x66, 0x99, 0xff, 0x00, 0x10, 0x3c,
                0x23, 0xad, 0x40, 0x0d, 0x20, 0x29, 0xae, 0xc0, 0x0d, 0x20, 0x58, 0x00 } },
        { "push of each kind",
            [] {
                SwfActions a;
                a.Push({ "a", 1, true, SwfActions::Value::Null(), SwfActions::Value::Undefined() });
                return a.Finish();
            },
            { 0x96, 0x0c, 0x00, 0x00, 0x61, 0x00, 0x07, 0x01, 0x00, 0x00, 0x00, 0x05, 0x01, 0x02, 0x03,
                0x00 } },
        { "push of a double, high word first",
            [] {
                SwfActions a;
                a.Push(1.5);
                return a.Finish();
            },
            { 0x96, 0x09, 0x00, 0x06, 0x00, 0x00, 0xf8, 0x3f, 0x00, 0x00, 0x00, 0x00, 0x00 } },
        { "branch forward",
            [] {
                SwfActions a;
                auto skip = a.NewLabel();
                a.If(skip);
                a.Play();
                a.Bind(skip);
                a.Stop();
                return a.Finish();
            },
            { 0x9d, 0x02, 0x00, 0x01, 0x00, 0x06, 0x07, 0x00 } },
        { "branch backward",
            [] {
                SwfActions a;
                auto top = a.NewLabel();
                a.Bind(top);
                a.NextFrame();
                a.Jump(top);
                return a.Finish();
            },
            { 0x04, 0x99, 0x02, 0x00, 0xfa, 0xff, 0x00 } },
        { "function with one parameter",
            [] {
                SwfActions a;
                a.BeginFunction("f", { "x" });
                a.Return();
                a.EndFunction();
                return a.Finish();
            },
            { 0x9b, 0x08, 0x00, 0x66, 0x00, 0x01, 0x00, 0x78, 0x00, 0x01, 0x00, 0x3e, 0x00 } },
        { "frame and address",
            [] {
                SwfActions a;
                a.GotoFrame(2);
                a.GetUrl("u", "_blank");
                return a.Finish();
            },
            { 0x81, 0x02, 0x00, 0x02, 0x00, 0x83, 0x09, 0x00, 0x75, 0x00, 0x5f, 0x62, 0x6c, 0x61, 0x6e, 0x6b,
                0x00, 0x00 } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.write(), c.expected) << c.what;

    // A lossless bitmap stores premultiplied ARGB.
    Bytes rgba = { 255, 0, 0, 255, 255, 255, 255, 128 };
    Bytes tag = SwfDefineBitsLossless2(2, 2, 1, rgba, 9);
    ASSERT_GT(tag.size(), 7u);
    EXPECT_EQ(Bytes(tag.begin(), tag.begin() + 7), (Bytes { 2, 0, 5, 2, 0, 1, 0 }));
    EXPECT_EQ(Inflate(std::span(tag).subspan(7), 64), (Bytes { 255, 255, 0, 0, 128, 128, 128, 128 }));
}

TEST(SwfWriterTest, WrittenMovieReadsBackPlainAndCompressed)
{
    SwfMovieWriter movie(8, 100, 50, 12.5);
    SwfTimeline& main = movie.Timeline();
    SwfShape shape;
    shape.Rectangle(0, 0, 30, 10, shape.SolidFill(0xff0000ff));
    main.Tag(SwfTagCode::DefineShape3, shape.DefineShape3(movie.NewCharacterId()));
    main.Tag(SwfTagCode::DefineBitsLossless2,
        SwfDefineBitsLossless2(movie.NewCharacterId(), 4, 3, Bytes(48, 9), 6));
    SwfTimeline sprite;
    sprite.PlaceObject2(1, 1, 20, 20);
    sprite.ShowFrame();
    sprite.ShowFrame();
    main.DefineSprite(movie.NewCharacterId(), sprite);
    main.Tag(SwfTagCode::DefineFont2, SwfDefineDeviceFont(movie.NewCharacterId(), "_sans"));
    main.Tag(SwfTagCode::DefineEditText,
        SwfDefineEditText({ movie.NewCharacterId(), 60, 14, 4, 12, 0xff, 0, "v", "" }));
    main.Tag(SwfTagCode::DefineButton2,
        SwfDefineButton2(movie.NewCharacterId(), { {} }, { { 8, { 0x06, 0x00 } } }));
    main.PlaceObject2(1, 3, 0, 0, "Controls");
    main.Tag(SwfTagCode::SoundStreamHead2, SwfSoundStreamHead2(SwfSoundFormat::Pcm16, 22050, false, 882));
    main.Tag(SwfTagCode::SoundStreamBlock, SwfSoundStreamBlock(SwfSoundFormat::Pcm16, Bytes(1764, 0), 882));
    main.ShowFrame();

    Bytes plain = movie.Finish(false);
    SwfMovieReader reader;
    ASSERT_EQ(reader.ReadBytes(plain), SwfReadResult::Ok);
    EXPECT_EQ(reader.Header().fileLength, plain.size());
    EXPECT_EQ(reader.Header().widthPixels, 100);
    EXPECT_EQ(reader.Header().heightPixels, 50);
    EXPECT_EQ(reader.Header().frameRate, 0x0c80);
    EXPECT_EQ(reader.Header().frameCount, 1);
    struct Expected {
        std::uint16_t code, id;
        SwfPixelSize size;
        std::string_view name;
        std::uint32_t value;
    };
    const Expected expected[] = {
        { 69, 0, { 0, 0 }, "", 0 },
        { 32, 1, { 30, 10 }, "", 0 },
        { 36, 2, { 4, 3 }, "", 5 },
        { 39, 3, { 0, 0 }, "", 2 },
        { 48, 4, { 0, 0 }, "_sans", 0 },
        { 37, 5, { 60, 14 }, "", 0 },
        { 34, 6, { 0, 0 }, "", 0 },
        { 26, 3, { 0, 0 }, "Controls", 0 },
        { 45, 0, { 0, 0 }, "", 0x3a0a0372 },
        { 19, 0, { 0, 0 }, "", 0 },
        { 1, 0, { 0, 0 }, "", 0 },
        { 0, 0, { 0, 0 }, "", 0 },
    };
    ASSERT_EQ(reader.Tags().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const SwfTag& tag = reader.Tags()[i];
        EXPECT_EQ(tag.code, expected[i].code) << i;
        EXPECT_EQ(tag.characterId, expected[i].id) << i;
        EXPECT_EQ(tag.Size(), expected[i].size) << i;
        EXPECT_EQ(tag.name, expected[i].name) << i;
        EXPECT_EQ(tag.value, expected[i].value) << i;
    }
    EXPECT_EQ(reader.InstanceSize("Controls"), (SwfPixelSize { 30, 10 }));
    std::vector<int> spriteCodes;
    for (const SwfTag& tag : reader.SpriteTags(reader.Tags()[3]))
        spriteCodes.push_back(tag.code);
    EXPECT_EQ(spriteCodes, (std::vector<int> { 26, 1, 1, 0 }));

    Bytes packed = movie.Finish(true);
    EXPECT_EQ(Bytes(packed.begin(), packed.begin() + 8),
        (Bytes { 'C', 'W', 'S', 8, plain[4], plain[5], plain[6], plain[7] }));
    EXPECT_EQ(Inflate(std::span(packed).subspan(8), plain.size()), Bytes(plain.begin() + 8, plain.end()));
    EXPECT_EQ(reader.ReadBytes(packed), SwfReadResult::Compressed);
}

TEST(SwfWriterTest, PreviewPicturesAreBuiltIn)
{
    struct Case {
        const char* listed;
        const char* resource;
        int width, height;
    };
    const Case cases[] = {
        { "DefaultControlBar.swf", "FLASHTOOLBARIMAGE_METALLIC", 480, 32 },
        { "defaultcontrolbarcoolwhite.SWF", "FLASHTOOLBARIMAGE_COOLWHITE", 480, 30 },
        { "DefaultControlBarMediaPlayer.swf", "FLASHTOOLBARIMAGE_MEDIAPLAYER", 480, 40 },
        { "Bar.swf", "", 0, 0 },
        { "DefaultControlBarSingle.swf", "", 0, 0 },
    };
    for (const Case& c : cases) {
        std::string_view resource = ControlBarPreviewResourceName(c.listed);
        EXPECT_EQ(resource, c.resource) << c.listed;
        RgbImage image;
        EXPECT_EQ(DecodeJpeg(FindJpegDataResource(resource), image), c.width > 0) << c.listed;
        EXPECT_EQ(image.width, c.width) << c.listed;
        EXPECT_EQ(image.height, c.height) << c.listed;
    }
    auto jpeg = FindJpegDataResource("flashtoolbarimage_metallic");
    RgbImage image;
    EXPECT_FALSE(DecodeJpeg(jpeg.first(jpeg.size() / 2), image));
    EXPECT_TRUE(image.rgb.empty());
    EXPECT_FALSE(DecodeJpeg(Bytes { 0xff, 0xd8, 0xff, 0x00, 1, 2, 3 }, image));
}

} // namespace
