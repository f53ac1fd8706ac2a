#include "MovieConverter.h"
#include "MovieTestSupport.h"
#include "TestEnvironment.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace vtapi;
using namespace vtapi::test;
using vantor::test::TempDir;

TEST(ConvertMovie, WritesTheCurrentFormatFromEverySourceKindWithoutReencoding)
{
    TempDir dir;
    struct Case {
        const char* name;
        MovieKind kind;
        ConvertOutcome outcome;
        bool cursor; // the source has a cursor track to carry over
    };
    const Case cases[] = {
        { "old.vtr", MovieKind::Version14, ConvertOutcome::Converted, false },
        { "packed.vtz", MovieKind::Compressed, ConvertOutcome::Converted, true },
        { "packedold.vtz", MovieKind::CompressedVersion14, ConvertOutcome::Converted, false },
        { "current.vtr", MovieKind::Current, ConvertOutcome::Skipped, true },
    };
    std::filesystem::create_directory(dir / "out");
    for (const Case& c : cases) {
        MakeMovie(dir / c.name, c.kind, TinyOptions(1.0));
        const std::string output = dir / ("out/" + std::string(c.name) + ".vtr");
        ASSERT_EQ(ConvertMovieFile(dir / c.name, output, TaskControl {}), c.outcome) << c.name;
        if (c.outcome == ConvertOutcome::Skipped) {
            EXPECT_FALSE(std::filesystem::exists(output)) << c.name;
            continue;
        }
        const Probe probe = ProbeFile(output);
        EXPECT_EQ(probe.container, "matroska,webm") << c.name;
        EXPECT_EQ(probe.versionTag, "2") << c.name;
        EXPECT_EQ(probe.videoCodec, "ffv1") << c.name;
        EXPECT_EQ(probe.width, 64);
        EXPECT_EQ(probe.height, 48);
        EXPECT_EQ(probe.videoPackets, 10) << c.name;
        EXPECT_DOUBLE_EQ(probe.frameRate, 10.0) << c.name;
        EXPECT_NEAR(probe.duration, 1.0, 0.11) << c.name;
        EXPECT_TRUE(probe.hasAudio);
        EXPECT_EQ(probe.audioCodec, "pcm_s16le");
        EXPECT_EQ(probe.sampleRate, 22050);
        EXPECT_EQ(probe.cursorTrack.empty(), !c.cursor) << c.name;
        // The result is itself a current movie: converting it again is skipped.
        EXPECT_EQ(ConvertMovieFile(output, dir / "again.vtr", TaskControl {}), ConvertOutcome::Skipped);
    }
    EXPECT_EQ(FolderContents(dir / "out"),
        (std::vector<std::string> { "old.vtr.vtr", "packed.vtz.vtr", "packedold.vtz.vtr" }));
}

TEST(ConvertMovie, ReplacesAnOldMovieInPlaceAndFailureOrCancelLeaveNoOutput)
{
    TempDir dir;
    MakeMovie(dir / "clip.vtr", MovieKind::Version14);
    ASSERT_EQ(
        ConvertMovieFile(dir / "clip.vtr", dir / "clip.vtr", TaskControl {}), ConvertOutcome::Converted);
    EXPECT_EQ(ProbeFile(dir / "clip.vtr").versionTag, "2");
    EXPECT_EQ(FolderContents(dir.Path()), std::vector<std::string> { "clip.vtr" });

    // Failure and cancel leave no output.
    MakeMovie(dir / "old.vtr", MovieKind::Version14);
    vantor::test::WriteFile(dir / "bad.vtr", "RIFF....AVI nonsense");
    std::filesystem::create_directory(dir / "out");
    EXPECT_THROW(ConvertMovieFile(dir / "bad.vtr", dir / "out/bad.vtr", TaskControl {}), MovieError);
    EXPECT_THROW(
        ConvertMovieFile(dir / "old.vtr", dir / "missing-folder/old.vtr", TaskControl {}), MovieError);
    std::atomic<bool> cancel { true };
    TaskControl control;
    control.cancel = &cancel;
    EXPECT_THROW(ConvertMovieFile(dir / "old.vtr", dir / "out/old.vtr", control), Cancelled);
    EXPECT_TRUE(FolderContents(dir / "out").empty());
}
