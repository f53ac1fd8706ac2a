#include "MovieFile.h"
#include "MovieTestSupport.h"
#include "TestEnvironment.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace vtapi;
using namespace vtapi::test;
using vantor::test::TempDir;

TEST(CursorTrack, FormatsParsesAndGivesThePositionAtATime)
{
    const CursorTrack track = { { 0, 1, 2 }, { 100, -3, 40 }, { 250, 63, 47 } };
    EXPECT_EQ(FormatCursorTrack(track), "0\t1\t2\n100\t-3\t40\n250\t63\t47\n");
    EXPECT_EQ(ParseCursorTrack(FormatCursorTrack(track)), track);

    const CursorTrack parsed
        = ParseCursorTrack("300\t5\t6\nrubbish\n10\t1\n-5\t1\t1\n200\t3\t4\n200\t9\t9\n7\t8\t9\textra\n");
    // Samples of one time keep their order.
    EXPECT_EQ(parsed, (CursorTrack { { 200, 3, 4 }, { 200, 9, 9 }, { 300, 5, 6 } }));

    // The position is the last sample at or before the time.
    const CursorTrack steps = { { 100, 1, 1 }, { 200, 2, 2 }, { 300, 3, 3 } };
    struct Case {
        std::int64_t time;
        int x;
    };
    for (const Case c :
        { Case { 0, 1 }, Case { 100, 1 }, Case { 199, 1 }, Case { 200, 2 }, Case { 5000, 3 } }) {
        int x = -1;
        int y = -1;
        ASSERT_TRUE(CursorAt(steps, c.time, &x, &y));
        EXPECT_EQ(x, c.x) << "at " << c.time;
        EXPECT_EQ(y, c.x) << "at " << c.time;
    }
    int x = 0;
    int y = 0;
    EXPECT_FALSE(CursorAt({}, 0, &x, &y));
}

TEST(Zstd, RoundTripsRefusesTruncatedDataAndCancelsAndOnlyCommittedFilesAppear)
{
    TempDir dir;
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += static_cast<char>('a' + (i * 7919) % 26);
    vantor::test::WriteFile(dir / "plain", text);
    CompressFile(dir / "plain", dir / "packed", 3, TaskControl {});
    EXPECT_TRUE(IsZstdFile(dir / "packed"));
    EXPECT_FALSE(IsZstdFile(dir / "plain"));
    DecompressFile(dir / "packed", dir / "unpacked", TaskControl {});
    EXPECT_EQ(vantor::test::ReadFile(dir / "unpacked"), text);

    const std::string packed = vantor::test::ReadFile(dir / "packed");
    vantor::test::WriteFile(dir / "cut", packed.substr(0, packed.size() / 2));
    EXPECT_THROW(DecompressFile(dir / "cut", dir / "unpacked2", TaskControl {}), MovieError);

    std::atomic<bool> cancel { true };
    TaskControl control;
    control.cancel = &cancel;
    EXPECT_THROW(DecompressFile(dir / "packed", dir / "cancelled", control), Cancelled);

    // Only a committed file appears under its name.
    TempDir partial;
    {
        PartialFile file(partial / "out.avi");
        vantor::test::WriteFile(file.TemporaryPath(), "data");
        EXPECT_TRUE(FolderContents(partial.Path()).empty()) << "no name while being written";
        EXPECT_FALSE(std::filesystem::exists(partial / "out.avi"));
    }
    EXPECT_TRUE(FolderContents(partial.Path()).empty()) << "an uncommitted file is deleted";
    {
        PartialFile file(partial / "out.avi");
        vantor::test::WriteFile(file.TemporaryPath(), "data");
        file.Commit();
    }
    EXPECT_EQ(FolderContents(partial.Path()), std::vector<std::string> { "out.avi" });
    EXPECT_EQ(vantor::test::ReadFile(partial / "out.avi"), "data");
    EXPECT_THROW(PartialFile(partial / "no-such-folder/x.avi"), MovieError);
}

TEST(MovieSource, OpensEveryKindOfMovie)
{
    TempDir dir;
    struct Case {
        MovieKind kind;
        MovieLayout layout;
        bool compressed;
        bool cursor;
    };
    const Case cases[] = {
        { MovieKind::Current, MovieLayout::Current, false, true },
        { MovieKind::Version14, MovieLayout::Version14, false, false },
        { MovieKind::Compressed, MovieLayout::Current, true, true },
        { MovieKind::CompressedVersion14, MovieLayout::Version14, true, false },
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string path = dir / ("movie" + std::to_string(n++) + ".vtr");
        MakeMovie(path, c.kind, TinyOptions(1.0));
        MovieSource movie(path, TaskControl {});
        EXPECT_EQ(movie.Layout(), c.layout) << path;
        EXPECT_EQ(movie.Compressed(), c.compressed) << path;
        EXPECT_EQ(movie.Width(), 64);
        EXPECT_EQ(movie.Height(), 48);
        EXPECT_EQ(av_cmp_q(movie.FrameRate(), AVRational { 10, 1 }), 0);
        EXPECT_EQ(movie.FrameCount(), 10) << path;
        EXPECT_GE(movie.AudioStream(), 0);
        EXPECT_EQ(movie.Cursor().size(), c.cursor ? 10u : 0u) << path;
    }
}

TEST(MovieSource, RefusesMissingDamagedAndForeignFiles)
{
    TempDir dir;
    MakeMovie(dir / "good.vtr", MovieKind::Current);
    const std::string good = vantor::test::ReadFile(dir / "good.vtr");
    vantor::test::WriteFile(dir / "text.vtr", "this is no movie at all");
    vantor::test::WriteFile(dir / "cut.vtr", good.substr(0, 200));
    vantor::test::WriteFile(dir / "empty.vtr", "");
    MakeMovie(dir / "good.vtz", MovieKind::Compressed);
    const std::string packed = vantor::test::ReadFile(dir / "good.vtz");
    vantor::test::WriteFile(dir / "cut.vtz", packed.substr(0, packed.size() - 100));
    // A Matroska file without the version tag is some other program's video.
    ASSERT_EQ(std::system(("ffmpeg -loglevel quiet -f lavfi -i color=size=64x48:duration=0.2 -c:v ffv1 -y '"
                  + (dir / "foreign.mkv") + "'")
                              .c_str()),
        0);

    for (const char* name : { "missing.vtr", "text.vtr", "cut.vtr", "empty.vtr", "cut.vtz", "foreign.mkv" })
        EXPECT_THROW(MovieSource(dir / name, TaskControl {}), MovieError) << name;
}
