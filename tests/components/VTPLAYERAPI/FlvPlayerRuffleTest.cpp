#include "FlvExport.h"
#include "MovieTestSupport.h"
#include "TestEnvironment.h"

#include "flash/swf/JpegImage.h"
#include "flash/swf/RufflePlayer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <limits>

using namespace vtapi;
using namespace vtapi::test;
using vantor::test::TempDir;

namespace {

struct Match {
    std::int64_t frame = -1; // the recording's frame closest to the picture
    double difference = std::numeric_limits<double>::max(); // mean per colour channel
};

// Compares the picture at (left, top) of a screenshot with every frame of
// the recording.
Match ClosestFrame(const std::string& shot, const SyntheticRecording& recording,
    const SyntheticOptions& options, int left, int top)
{
    const RgbImage image = Screenshot(shot);
    std::vector<std::uint8_t> bgrx(static_cast<std::size_t>(options.width) * options.height * 4);
    Match best;
    for (std::int64_t frame = 0; frame < recording.FrameCount(); ++frame) {
        recording.RenderFrame(frame, bgrx.data(), options.width * 4);
        double sum = 0;
        int count = 0;
        for (int y = 0; y < options.height; y += 3) {
            for (int x = 0; x < options.width; x += 3) {
                const std::uint8_t* want = &bgrx[(static_cast<std::size_t>(y) * options.width + x) * 4];
                const std::uint8_t* got
                    = &image.rgb[(static_cast<std::size_t>(y + top) * image.width + x + left) * 3];
                sum += std::abs(got[0] - want[2]) + std::abs(got[1] - want[1]) + std::abs(got[2] - want[0]);
                count += 3;
            }
        }
        if (sum / count < best.difference)
            best = { frame, sum / count };
    }
    return best;
}

} // namespace

// A 320 x 240 recording with the metallic bar below it: the player movie
// is 480 x 272, the video centred above the bar, whose play/pause button
// sits at (17, 256). Screen Video shows the recording's own pixels; H.263
// comes close.
TEST(FlvPlayerRuffleTest, StreamsTheRecordingAndThePlayButtonPausesAndRestartsIt)
{
    struct Case {
        FlvVideoCodec codec;
        double tolerance; // mean difference per colour channel
    };
    const Case cases[] = { { FlvVideoCodec::ScreenVideo, 6.0 }, { FlvVideoCodec::SorensonH263, 10.0 } };
    TempDir dir;
    SyntheticOptions options;
    options.width = 320;
    options.height = 240;
    options.seconds = 10;
    MakeMovie(dir / "demo.vtr", MovieKind::Current, options);
    const SyntheticRecording recording(options);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codec == FlvVideoCodec::ScreenVideo ? "Screen Video" : "H.263");
        FlvExportOptions flv;
        flv.codec = c.codec;
        flv.controlBarFile = vantor::test::BinDir() / "SWFControlBars" / "DefaultControlBar.swf";
        flv.controlBarPositionMode = 2;
        {
            MovieSource movie(dir / "demo.vtr", TaskControl {});
            WriteFlv(movie, flv, dir / "demo.flv", TaskControl {});
            WriteFlvPlayer(movie, flv, "demo.flv", dir / "demo_toolbar.swf", TaskControl {});
        }
        const char* shots[]
            = { "playing1.jpg", "playing2.jpg", "paused1.jpg", "paused2.jpg", "restarted.jpg" };
        std::vector<std::string> steps = { "--file", dir / "demo.flv", "wait:1500", "shot:" + dir / shots[0],
            "wait:1500", "shot:" + dir / shots[1], "click:17,256", "move:240,120", "wait:400",
            "shot:" + dir / shots[2], "wait:1500", "shot:" + dir / shots[3], "click:17,256", "move:240,120",
            "wait:1500", "shot:" + dir / shots[4] };
        const RuffleRun run = PlayInRuffle(dir / "demo_toolbar.swf", 480, 272, steps);
        if (run.missing)
            GTEST_SKIP() << run.message;
        ASSERT_TRUE(run.ok) << run.message;
        // FLV_PLAYER_SHOTS=folder keeps the pictures (docs/flv-player/).
        if (const char* keep = std::getenv("FLV_PLAYER_SHOTS"))
            for (const char* shot : shots)
                std::filesystem::copy_file(dir / shot,
                    std::filesystem::path(keep) / (std::to_string(static_cast<int>(c.codec)) + "-" + shot),
                    std::filesystem::copy_options::overwrite_existing);

        Match match[5];
        for (int i = 0; i < 5; ++i) {
            match[i] = ClosestFrame(dir / shots[i], recording, options, 80, 0);
            EXPECT_LT(match[i].difference, c.tolerance) << shots[i] << " is no frame of the recording";
        }
        EXPECT_GT(match[1].frame, match[0].frame) << "the movie does not play";
        EXPECT_EQ(match[3].frame, match[2].frame) << "the movie does not pause";
        EXPECT_GT(match[4].frame, match[3].frame) << "the movie does not restart";
    }
}

// Without its click, its code or its domain the movie shows no video; the
// page is served from 127.0.0.1. The click lands on the video.
TEST(FlvPlayerRuffleTest, StartsOnClickAndOnlyWithTheSecureCodeOrDomain)
{
    struct Case {
        const char* name;
        int startingPlaybackMode;
        const char* secureCode; // "" for none
        const char* secureDomains; // "" for none
        const char* codeParameter; // "" for none
        bool playsBeforeClick, playsAfterClick;
    };
    const Case cases[] = {
        { "waits for a click", 0, "", "", "", false, true },
        { "code missing", 2, "s3cret", "", "", false, false },
        { "code given", 2, "s3cret", "", "s3cret", true, true },
        { "domain listed", 2, "", "example.com, 127.0.0.1", "", true, true },
        { "domain not listed", 2, "", "example.com", "", false, false },
    };
    TempDir dir;
    SyntheticOptions options;
    options.width = 320;
    options.height = 240;
    options.seconds = 6;
    MakeMovie(dir / "demo.vtr", MovieKind::Current, options);
    const SyntheticRecording recording(options);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FlvExportOptions flv;
        flv.codec = FlvVideoCodec::ScreenVideo;
        flv.addControlBar = false;
        flv.startingPlaybackMode = c.startingPlaybackMode;
        flv.useSecureCode = *c.secureCode != 0;
        flv.secureCode = c.secureCode;
        flv.useSecureDomain = *c.secureDomains != 0;
        flv.secureDomainName = c.secureDomains;
        {
            MovieSource movie(dir / "demo.vtr", TaskControl {});
            WriteFlv(movie, flv, dir / "demo.flv", TaskControl {});
            WriteFlvPlayer(movie, flv, "demo.flv", dir / "demo_toolbar.swf", TaskControl {});
        }
        std::vector<std::string> steps = { "--file", dir / "demo.flv" };
        if (*c.codeParameter != 0)
            steps.insert(steps.end(), { "--param", std::string("securecode=") + c.codeParameter });
        steps.insert(steps.end(),
            { "wait:1500", "shot:" + dir / "before.jpg", "click:160,200", "move:0,0", "wait:1500",
                "shot:" + dir / "after.jpg" });
        const RuffleRun run = PlayInRuffle(dir / "demo_toolbar.swf", 320, 240, steps);
        if (run.missing)
            GTEST_SKIP() << run.message;
        ASSERT_TRUE(run.ok) << run.message;
        EXPECT_EQ(
            ClosestFrame(dir / "before.jpg", recording, options, 0, 0).difference < 6.0, c.playsBeforeClick);
        EXPECT_EQ(
            ClosestFrame(dir / "after.jpg", recording, options, 0, 0).difference < 6.0, c.playsAfterClick);
    }
}

// Loaded paused (StartingPlaybackMode 1), the timeline knob of the bar below
// the video sits at (90, 256) on a 152-pixel track; dropped at 80 percent
// and played, the ten-second movie goes on from its key frame at or before
// 8 s (key frames every 2 s), far past where it would be without the seek.
TEST(FlvPlayerRuffleTest, SeeksWhereTheTimelineKnobIsDropped)
{
    TempDir dir;
    SyntheticOptions options;
    options.width = 320;
    options.height = 240;
    options.seconds = 10;
    MakeMovie(dir / "demo.vtr", MovieKind::Current, options);
    FlvExportOptions flv;
    flv.codec = FlvVideoCodec::ScreenVideo;
    flv.controlBarFile = vantor::test::BinDir() / "SWFControlBars" / "DefaultControlBar.swf";
    flv.controlBarPositionMode = 2;
    flv.startingPlaybackMode = 1;
    {
        MovieSource movie(dir / "demo.vtr", TaskControl {});
        WriteFlv(movie, flv, dir / "demo.flv", TaskControl {});
        WriteFlvPlayer(movie, flv, "demo.flv", dir / "demo_toolbar.swf", TaskControl {});
    }
    const RuffleRun run = PlayInRuffle(dir / "demo_toolbar.swf", 480, 272,
        { "--file", dir / "demo.flv", "wait:1000", "drag:90,256,212,256", "wait:300", "click:17,256",
            "move:240,120", "wait:700", "shot:" + dir / "seeked.jpg" });
    if (run.missing)
        GTEST_SKIP() << run.message;
    ASSERT_TRUE(run.ok) << run.message;
    const Match match = ClosestFrame(dir / "seeked.jpg", SyntheticRecording(options), options, 80, 0);
    EXPECT_LT(match.difference, 6.0);
    EXPECT_GE(match.frame, 90);
}
