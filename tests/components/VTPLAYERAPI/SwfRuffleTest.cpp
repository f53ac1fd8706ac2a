#include "../../flash/swf/RufflePlayer.h"
#include "FlashExport.h"
#include "MovieTestSupport.h"
#include "TestEnvironment.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

using namespace vtapi;
using namespace vtapi::test;
using vantor::test::TempDir;

namespace {

// Pixels of the picture area (the top 360 rows) that differ clearly.
int ChangedPixels(const RgbImage& a, const RgbImage& b)
{
    int changed = 0;
    for (int y = 0; y < 360 && y < a.height && y < b.height; ++y) {
        for (int x = 0; x < a.width && x < b.width; ++x) {
            const std::size_t i = (static_cast<std::size_t>(y) * a.width + x) * 3;
            const int d = std::abs(a.rgb[i] - b.rgb[i]) + std::abs(a.rgb[i + 1] - b.rgb[i + 1])
                + std::abs(a.rgb[i + 2] - b.rgb[i + 2]);
            changed += d > 60 ? 1 : 0;
        }
    }
    return changed;
}

// A recording of `seconds` at `width` x `height`, made as "m.vtr" in `dir`.
std::string Recording(const TempDir& dir, int width, int height, double seconds)
{
    SyntheticOptions options = TinyOptions(seconds);
    options.width = width;
    options.height = height;
    MakeMovie(dir / "m.vtr", MovieKind::Current, options);
    return dir / "m.vtr";
}

// Exports `recording` to "m.swf" in `out`, with the shipped control bars.
void Export(const std::string& recording, const FlashSettings& settings, const TempDir& out)
{
    MovieSource movie(recording, TaskControl {});
    ExportFlashMovie(
        movie, settings, out / "m.swf", (vantor::test::BinDir() / "SWFControlBars").string(), TaskControl {});
}

// Plays `movie` in Ruffle; the screenshots "1.jpg" to "<count>.jpg" that
// `steps` took into `shots` land in `images`, which stays empty when Ruffle
// is missing and the test skips.
void Play(const std::string& movie, int width, int height, const std::vector<std::string>& steps,
    const TempDir& shots, int count, std::vector<RgbImage>& images)
{
    const RuffleRun run = PlayInRuffle(movie, width, height, steps);
    if (run.missing)
        GTEST_SKIP() << run.message;
    ASSERT_TRUE(run.ok) << run.message;
    for (int i = 1; i <= count; ++i)
        images.push_back(Screenshot(shots / (std::to_string(i) + ".jpg")));
}

} // namespace

// A 480 x 360 recording exported with the bar below the picture, played in
// Ruffle from a folder: as one file, and as the toolbar movie that loads
// the movie file. The task bar of the recording shows at the bottom of the
// picture, the picture changes while it plays, the bar's pause button
// stops it and its play button starts it again.
TEST(SwfRuffleTest, ExportedMoviePlaysPausesAndRestarts)
{
    struct Case {
        const char* name;
        bool single;
        const char* embedded;
    };
    const Case cases[] = {
        { "one file", true, "m.swf" },
        { "toolbar loading the movie", false, "m_toolbar.swf" },
    };
    TempDir dir;
    const std::string recording = Recording(dir, 480, 360, 6.0);
    const char* keep = std::getenv("VANTOR_KEEP_SHOTS");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir out;
        FlashSettings settings;
        settings.colorFormat = 0;
        settings.singleSwf = c.single;
        settings.controlBarPositionMode = 2;
        Export(recording, settings, out);
        TempDir shots;
        // The pause and play buttons share the bar's first place, 17, 16
        // pixels into the 32-pixel bar below the picture.
        const std::vector<std::string> steps = { "--folder", out.Path().string(), "wait:1500",
            "shot:" + shots / "1.jpg", "wait:600", "shot:" + shots / "2.jpg", "click:17,376", "move:240,200",
            "wait:300", "shot:" + shots / "3.jpg", "wait:700", "shot:" + shots / "4.jpg", "click:17,376",
            "move:240,200", "wait:800", "shot:" + shots / "5.jpg" };
        std::vector<RgbImage> shot;
        ASSERT_NO_FATAL_FAILURE(Play(out / c.embedded, 480, 392, steps, shots, 5, shot));
        if (shot.empty())
            return;
        if (keep != nullptr)
            for (const char* shot : { "1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg" })
                std::filesystem::copy_file(shots / shot,
                    std::filesystem::path(keep) / (std::string(c.single ? "single-" : "toolbar-") + shot),
                    std::filesystem::copy_options::overwrite_existing);
        ASSERT_EQ(shot[0].width, 480);
        // The task bar: 18 rows of 0x303038 at the bottom of the picture.
        EXPECT_TRUE(Near(shot[0], 240, 350, 0x303038));
        EXPECT_TRUE(Near(shot[0], 240, 341, 0x303038) == false) << "the task bar starts at row 342";
        EXPECT_GT(ChangedPixels(shot[0], shot[1]), 2000) << "the movie plays";
        EXPECT_LT(ChangedPixels(shot[2], shot[3]), 50) << "pause stopped it";
        EXPECT_GT(ChangedPixels(shot[3], shot[4]), 2000) << "play started it again";
    }
}

// The secure code hides and stops the movie unless the page passes it, and
// so do secure domains unless the movie comes from one of them (the test
// pages come from 127.0.0.1); a movie set to load without playing waits,
// paused, on its first frame; one that waits for all of it plays once it
// has arrived.
TEST(SwfRuffleTest, SecureCodeAndStartingModeHoldTheMovie)
{
    struct Case {
        const char* name;
        const char* code; // passed by the page, "" for none
        const char* domains; // "" for none
        int startingMode;
        int preload;
        bool covered;
        bool plays;
    };
    const Case cases[] = {
        { "right code", "s3cret", "", 2, 0, false, true },
        { "wrong code", "guess", "", 2, 0, true, false },
        { "listed domain", "", "www.example.com, 127.0.0.1", 2, 0, false, true },
        { "other domain", "", "www.example.com", 2, 0, true, false },
        { "loaded, not playing", "", "", 1, 0, false, false },
        { "all of it preloaded", "", "", 2, 100, false, true },
    };
    TempDir dir;
    const std::string recording = Recording(dir, 480, 360, 4.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir out;
        FlashSettings settings;
        settings.addControlBar = false;
        settings.useSecureCode = *c.code != '\0';
        settings.secureCode = "s3cret";
        settings.useSecureDomain = *c.domains != '\0';
        settings.secureDomainName = c.domains;
        settings.startingPlaybackMode = c.startingMode;
        settings.preloadPercent = c.preload;
        Export(recording, settings, out);
        TempDir shots;
        std::vector<std::string> steps
            = { "wait:1200", "shot:" + shots / "1.jpg", "wait:800", "shot:" + shots / "2.jpg" };
        if (*c.code != '\0')
            steps.insert(steps.begin(), { "--param", std::string("securecode=") + c.code });
        std::vector<RgbImage> shot;
        ASSERT_NO_FATAL_FAILURE(Play(out / "m.swf", 480, 360, steps, shots, 2, shot));
        if (shot.empty())
            return;
        ASSERT_EQ(shot[0].width, 480);
        // The cover's grey and the task bar's are 16 apart: told apart
        // within 15.
        EXPECT_EQ(Near(shot[0], 240, 350, 0x404040, 15), c.covered);
        EXPECT_EQ(Near(shot[0], 240, 350, 0x303038, 15), !c.covered) << "the task bar of the recording";
        EXPECT_EQ(ChangedPixels(shot[0], shot[1]) > 2000, c.plays);
    }
}

// Separate files waiting for a click: the toolbar shows the first picture,
// its own or from "_preview.swf", and loads and plays the movie when the
// picture is clicked.
TEST(SwfRuffleTest, ToolbarShowsThePreviewUntilClicked)
{
    TempDir dir;
    const std::string recording = Recording(dir, 480, 360, 4.0);
    for (const int previewMode : { 1, 2 }) {
        SCOPED_TRACE(previewMode);
        TempDir out;
        FlashSettings settings;
        settings.singleSwf = false;
        settings.startingPlaybackMode = 0;
        settings.previewMode = previewMode;
        settings.controlBarPositionMode = 2;
        Export(recording, settings, out);
        TempDir shots;
        const std::vector<std::string> steps = { "--folder", out.Path().string(), "wait:1200",
            "shot:" + shots / "1.jpg", "wait:600", "shot:" + shots / "2.jpg", "click:240,180", "move:470,10",
            "wait:1500", "shot:" + shots / "3.jpg", "wait:600", "shot:" + shots / "4.jpg" };
        std::vector<RgbImage> shot;
        ASSERT_NO_FATAL_FAILURE(Play(out / "m_toolbar.swf", 480, 392, steps, shots, 4, shot));
        if (shot.empty())
            return;
        ASSERT_EQ(shot[0].width, 480);
        EXPECT_TRUE(Near(shot[0], 240, 350, 0x303038)) << "the preview shows the recording's task bar";
        EXPECT_LT(ChangedPixels(shot[0], shot[1]), 50) << "nothing plays before the click";
        EXPECT_GT(ChangedPixels(shot[2], shot[3]), 2000) << "the movie plays after it";
    }
}

// The page of the export, opened as it is with Ruffle added: its markup
// embeds the movie (or the toolbar that loads it), which shows the
// recording and plays.
TEST(SwfRuffleTest, ExportedPageShowsThePlayingMovie)
{
    TempDir dir;
    const std::string recording = Recording(dir, 320, 240, 4.0);
    const char* keep = std::getenv("VANTOR_KEEP_SHOTS");
    for (const bool single : { true, false }) {
        SCOPED_TRACE(single ? "one file" : "separate files");
        TempDir out;
        FlashSettings settings;
        settings.singleSwf = single;
        Export(recording, settings, out);
        TempDir shots;
        std::vector<RgbImage> shot;
        ASSERT_NO_FATAL_FAILURE(Play(out / "m.html", 640, 480,
            { "wait:1500", "shot:" + shots / "1.jpg", "wait:800", "shot:" + shots / "2.jpg" }, shots, 2,
            shot));
        if (shot.empty())
            return;
        if (keep != nullptr)
            std::filesystem::copy_file(shots / "2.jpg",
                std::filesystem::path(keep) / (std::string(single ? "page-single" : "page-toolbar") + ".jpg"),
                std::filesystem::copy_options::overwrite_existing);
        int taskBar = 0;
        for (int y = 0; y < shot[0].height; ++y)
            for (int x = 0; x < shot[0].width; ++x)
                taskBar += Near(shot[0], x, y, 0x303038) ? 1 : 0;
        // 320 x 12 pixels of the recording's task bar, the bar's own dark parts aside.
        EXPECT_GT(taskBar, 3000);
        EXPECT_GT(ChangedPixels(shot[0], shot[1]), 1000) << "the movie plays";
    }
}

// The Show* options reach the bar: without ShowTimeline the track (dark
// grey, 200 pixels in, right of the played part) gives way to the bar's
// body colour.
TEST(SwfRuffleTest, ShowOptionsHideTheBarsControls)
{
    struct Case {
        bool showTimeline;
        std::uint32_t at200; // the colour 200 pixels in, mid-bar
    };
    const Case cases[] = { { true, 0x5a5e64 }, { false, 0x8c9096 } };
    TempDir dir;
    const std::string recording = Recording(dir, 480, 360, 4.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.showTimeline);
        TempDir out;
        FlashSettings settings;
        settings.controlBarPositionMode = 2;
        settings.showTimeline = c.showTimeline;
        Export(recording, settings, out);
        TempDir shots;
        std::vector<RgbImage> shot;
        ASSERT_NO_FATAL_FAILURE(
            Play(out / "m.swf", 480, 392, { "wait:1000", "shot:" + shots / "1.jpg" }, shots, 1, shot));
        if (shot.empty())
            return;
        ASSERT_EQ(shot[0].width, 480);
        EXPECT_TRUE(Near(shot[0], 200, 376, c.at200));
    }
}
