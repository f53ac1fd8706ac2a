#include "flash/swf/SwfMovieReader.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes Tag(std::uint16_t code, const Bytes& body, bool longForm = false)
{
    Bytes tag;
    std::uint16_t head = static_cast<std::uint16_t>(code << 6 | (longForm ? 0x3f : body.size()));
    tag = { static_cast<std::uint8_t>(head), static_cast<std::uint8_t>(head >> 8) };
    if (longForm) {
        for (int i = 0; i < 4; ++i)
            tag.push_back(static_cast<std::uint8_t>(body.size() >> (8 * i)));
    }
    return Join({ tag, body });
}

Bytes Text(const std::string& text)
{
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

// DefineShape with id and a rectangle 0..w by 0..h pixels in 16-bit fields:
// nbits 16 = 0b10000, then xMin xMax yMin yMax.
Bytes Shape(std::uint8_t id, std::uint16_t widthTwips, std::uint16_t heightTwips)
{
    Bytes rect(9, 0);
    auto put = [&rect](int offset, std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            if (value >> (count - 1 - i) & 1)
                rect[(offset + i) / 8] |= static_cast<std::uint8_t>(0x80 >> (offset + i) % 8);
        }
    };
    put(0, 16, 5);
    put(5 + 16, widthTwips, 16);
    put(5 + 48, heightTwips, 16);
    return Tag(2, Join({ { id, 0 }, rect, { 0, 0, 0 } }));
}

Bytes Place2(std::uint8_t depth, std::uint8_t id, const std::string& name = "")
{
    std::uint8_t flags = (id ? 0x02 : 0) | (name.empty() ? 0 : 0x20) | (id ? 0 : 0x01);
    Bytes body = { flags, depth, 0 };
    if (id)
        body = Join({ body, { id, 0 } });
    return Tag(26, name.empty() ? body : Join({ body, Text(name) }));
}

Bytes Sprite(std::uint8_t id, const Bytes& tags)
{
    return Tag(39, Join({ { id, 0, 1, 0 }, tags, Tag(1, {}), Tag(0, {}) }), true);
}

// An FWS movie of 550 by 400 pixels, 24 fps, one frame, holding `tags`.
Bytes Movie(const Bytes& tags, char first = 'F')
{
    Bytes rect = { 0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00 };
    Bytes body = Join({ rect, { 0x00, 0x18, 0x01, 0x00 }, tags, Tag(1, {}), Tag(0, {}) });
    std::uint32_t length = static_cast<std::uint32_t>(body.size() + 8);
    Bytes header = { static_cast<std::uint8_t>(first), 'W', 'S', 8 };
    for (int i = 0; i < 4; ++i)
        header.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    return Join({ header, body });
}

const Bytes kBar = Shape(1, 2000, 480); // 100 x 24 pixels
const Bytes kKnob = Shape(2, 300, 600); // 15 x 30 pixels

TEST(SwfMovieReaderTest, ReadsHeaderAndTagsInFileOrderAndTheShippedBarsControls)
{
    SwfMovieReader reader;
    Bytes movie = Movie(Join({ Tag(9, { 0x12, 0x34, 0x56 }), kBar, Tag(77, { 1, 2 }), Place2(1, 1, "Bar") }));
    ASSERT_EQ(reader.ReadBytes(movie), SwfReadResult::Ok);
    EXPECT_EQ(std::string(reader.Header().signature, 3), "FWS");
    EXPECT_EQ(reader.Header().version, 8);
    EXPECT_EQ(reader.Header().widthPixels, 550);
    EXPECT_EQ(reader.Header().heightPixels, 400);
    EXPECT_EQ(reader.Header().frameRate, 0x1800);
    EXPECT_EQ(reader.Header().frameCount, 1);
    std::vector<int> codes;
    for (const SwfTag& tag : reader.Tags())
        codes.push_back(tag.code * (tag.decoded ? 1 : -1));
    EXPECT_EQ(codes, (std::vector<int> { 9, 2, -77, 26, 1, 0 }));
    EXPECT_EQ(reader.Tags()[0].value, 0x123456u);
    EXPECT_EQ(reader.Tags()[1].Size(), (SwfPixelSize { 100, 24 }));
    EXPECT_EQ(reader.Tags()[3].name, "Bar");

    // The shipped bars place their controls.
    struct Bar {
        const char* file;
        SwfPixelSize size;
    };
    const Bar bars[] = {
        { "DefaultControlBar.swf", { 480, 32 } },
        { "DefaultControlBarSingle.swf", { 480, 32 } },
        { "DefaultControlBarCoolWhite.swf", { 480, 30 } },
        { "DefaultControlBarCoolWhiteSingle.swf", { 480, 30 } },
        { "DefaultControlBarMediaPlayer.swf", { 480, 40 } },
        { "DefaultControlBarMediaPlayerSingle.swf", { 480, 40 } },
    };
    for (const Bar& c : bars) {
        SwfMovieReader reader;
        ASSERT_EQ(reader.ReadFile(vantor::test::BinDir() / "SWFControlBars" / c.file), SwfReadResult::Ok)
            << c.file;
        EXPECT_TRUE(reader.HasInstance("Controls")) << c.file;
        EXPECT_EQ(reader.InstanceSize("controls"), c.size) << c.file;
        EXPECT_EQ(reader.Header().widthPixels, c.size.width) << c.file;
        EXPECT_EQ(reader.Header().version, 9) << c.file;
    }
}

TEST(SwfMovieReaderTest, FindsInstancesInAnyCaseMeasuresNestedSpritesAndRejectsTruncations)
{
    struct Case {
        const char* what;
        Bytes tags;
        const char* name;
        bool has;
        SwfPixelSize size;
    };
    const Case cases[] = {
        { "shape", Join({ kBar, Place2(1, 1, "Controls") }), "Controls", true, { 100, 24 } },
        { "lower case", Join({ kBar, Place2(1, 1, "controls") }), "Controls", true, { 100, 24 } },
        { "upper case", Join({ kBar, Place2(1, 1, "CONTROLS") }), "controls", true, { 100, 24 } },
        { "other name", Join({ kBar, Place2(1, 1, "Control") }), "Controls", false, { 0, 0 } },
        { "unnamed", Join({ kBar, Place2(1, 1) }), "Controls", false, { 0, 0 } },
        { "sprite in sprite",
            Join({ kBar, kKnob, Sprite(3, Place2(1, 2)), Sprite(4, Join({ Place2(1, 1), Place2(2, 3) })),
                Place2(1, 4, "Controls") }),
            "Controls", true, { 100, 30 } },
        { "sprite defined in sprite",
            Join({ kBar, Sprite(4, Join({ kKnob, Sprite(3, Place2(1, 2)), Place2(2, 3) })),
                Place2(1, 4, "Controls") }),
            "Controls", true, { 15, 30 } },
        { "sprite placing itself",
            Join({ kKnob, Sprite(3, Join({ Place2(1, 2), Place2(2, 3) })), Place2(1, 3, "c") }), "C", true,
            { 15, 30 } },
        { "name given after placing", Join({ kBar, Place2(5, 1), Place2(5, 0, "Controls") }), "Controls",
            true, { 100, 24 } },
        { "undefined character", Place2(1, 9, "Controls"), "Controls", true, { 0, 0 } },
    };
    for (const Case& c : cases) {
        SwfMovieReader reader;
        ASSERT_EQ(reader.ReadBytes(Movie(c.tags)), SwfReadResult::Ok) << c.what;
        EXPECT_EQ(reader.HasInstance(c.name), c.has) << c.what;
        SwfPixelSize size = reader.InstanceSize(c.name);
        EXPECT_EQ(size.width, c.size.width) << c.what;
        EXPECT_EQ(size.height, c.size.height) << c.what;
    }

    // Every truncation of a movie is rejected.
    Bytes whole = Movie(Join({ kBar, Sprite(3, Place2(1, 1)), Place2(1, 3, "Controls") }));
    for (std::size_t length = 0; length < whole.size(); ++length) {
        SwfMovieReader reader;
        SwfReadResult result = reader.ReadBytes(std::span(whole).first(length));
        EXPECT_EQ(result, length < 3 ? SwfReadResult::NotSwf : SwfReadResult::Damaged) << length;
        EXPECT_FALSE(reader.HasInstance("Controls")) << length;
        EXPECT_TRUE(reader.Tags().empty()) << length;
    }
}

TEST(SwfMovieReaderTest, RejectsCompressedAndLyingFilesAndMeasuresDamagedSpritesEmpty)
{
    Bytes good = Movie(Join({ kBar, Place2(1, 1, "Controls") }));
    Bytes longerThanFile = good;
    longerThanFile[4] += 1;
    Bytes shorterThanHeader = good;
    shorterThanHeader[4] = 7;
    Bytes tagPastEnd = Movie(Join({ kBar, Place2(1, 1, "Controls"), Tag(77, {}) }));
    tagPastEnd[tagPastEnd.size() - 6] = 0x7f; // long form follows, then 4 length bytes
    struct Case {
        const char* what;
        Bytes file;
        SwfReadResult result;
    };
    const Case cases[] = {
        { "CWS", Movie(Join({ kBar, Place2(1, 1, "Controls") }), 'C'), SwfReadResult::Compressed },
        { "ZWS", Movie(Join({ kBar, Place2(1, 1, "Controls") }), 'Z'), SwfReadResult::Compressed },
        { "not SWF", Movie(Join({ kBar, Place2(1, 1, "Controls") }), 'X'), SwfReadResult::NotSwf },
        { "file length beyond the file", longerThanFile, SwfReadResult::Damaged },
        { "file length inside the header", shorterThanHeader, SwfReadResult::Damaged },
        { "tag length past the end", tagPastEnd, SwfReadResult::Damaged },
        { "huge tag length", Movie(Join({ Tag(2, Bytes(3, 0xff), true), Place2(1, 1, "Controls") })),
            SwfReadResult::Damaged },
        { "shape bounds past its tag",
            Movie(Join({ Tag(2, { 1, 0, 0xff, 0xff }), Place2(1, 1, "Controls") })), SwfReadResult::Damaged },
        { "name without terminator", Movie(Join({ kBar, Tag(26, { 0x22, 1, 0, 1, 0, 'C', 'o' }) })),
            SwfReadResult::Damaged },
    };
    for (const Case& c : cases) {
        SwfMovieReader reader;
        EXPECT_EQ(reader.ReadBytes(c.file), c.result) << c.what;
        EXPECT_FALSE(reader.HasInstance("Controls")) << c.what;
        EXPECT_EQ(reader.InstanceSize("Controls"), (SwfPixelSize { 0, 0 })) << c.what;
    }
    // A damaged sprite in a readable movie measures empty.
    Bytes sprite = Tag(39, Join({ { 3, 0, 1, 0 }, Place2(1, 1) })); // no End inside
    SwfMovieReader reader;
    ASSERT_EQ(reader.ReadBytes(Movie(Join({ kBar, sprite, Place2(1, 3, "Controls") }))), SwfReadResult::Ok);
    EXPECT_TRUE(reader.HasInstance("Controls"));
    EXPECT_EQ(reader.InstanceSize("Controls"), (SwfPixelSize { 0, 0 }));
    EXPECT_TRUE(reader.SpriteTags(reader.Tags()[1]).empty());
}

// Serves memory from the heap until told to fail a number of requests.
class FailingMemory final : public std::pmr::memory_resource {
public:
    int failuresLeft = 0;
    std::size_t failFrom = 0; // only requests of at least this size fail

private:
    void* do_allocate(std::size_t bytes, std::size_t align) override
    {
        if (bytes >= failFrom && failuresLeft > 0) {
            --failuresLeft;
            throw std::bad_alloc();
        }
        return std::pmr::new_delete_resource()->allocate(bytes, align);
    }
    void do_deallocate(void* p, std::size_t bytes, std::size_t align) override
    {
        std::pmr::new_delete_resource()->deallocate(p, bytes, align);
    }
    bool do_is_equal(const memory_resource& other) const noexcept override { return this == &other; }
};

TEST(SwfMovieReaderTest, AsksToRetryWhenMemoryRunsOut)
{
    struct Case {
        int failures;
        std::vector<bool> answers;
        SwfReadResult result;
        int questions;
        std::size_t tags; // Cancel keeps the tags read so far
    };
    const Case cases[] = {
        { 0, {}, SwfReadResult::Ok, 0, 4 },
        { 2, { true, true }, SwfReadResult::Ok, 2, 4 },
        { 2, { true, false }, SwfReadResult::Cancelled, 2, 1 },
        { 1, {}, SwfReadResult::Cancelled, 0, 1 },
    };
    Bytes movie = Movie(Join({ Place2(1, 1, "Controls"), kBar }));
    for (const Case& c : cases) {
        FailingMemory memory;
        SwfMovieReader reader(&memory);
        memory.failFrom = sizeof(SwfTag) * 2; // the file buffer and the first tag succeed
        memory.failuresLeft = c.failures;
        int questions = 0;
        SwfRetryQuestion ask = [&] { return c.answers.at(questions++); };
        EXPECT_EQ(reader.ReadBytes(movie, c.answers.empty() ? SwfRetryQuestion() : ask), c.result);
        EXPECT_EQ(questions, c.questions);
        EXPECT_EQ(reader.Tags().size(), c.tags);
        EXPECT_TRUE(reader.HasInstance("Controls"));
    }
}

} // namespace
