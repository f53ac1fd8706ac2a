// The conversion command: its checks, its question and whole conversion runs
// against a scripted engine.

#include "RecordingBatchView.h"
#include "ScriptedBatchEngine.h"
#include "ScriptedDialogs.h"
#include "TestEnvironment.h"

#include "app/BatchRun.h"
#include "app/ConvertCommand.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace vantor {
namespace {

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

const char kCaption[] = "CV Vantor Pro Batch Export";

class ConvertCommandTest : public ::testing::Test {
protected:
    ConvertCommandTest()
    {
        view.destination = out;
        run.SetEngine(&engine);
        engine.openSteps = 1;
        engine.processSteps = 1;
    }

    test::TempDir temp;
    const std::string out = temp / "converted/new";
    test::ScriptedDialogs dialogs;
    test::RecordingBatchView view;
    test::ScriptedBatchEngine engine;
    BatchRun run { view };
};

TEST_F(ConvertCommandTest, ConvertsListWhereSomeMoviesAreAlreadyCurrent)
{
    view.movieList = { "/m/old.vtr", "/m/current.vtz", "/m/broken.vtr" };
    engine.movies["current.vtz"].alreadyCurrent = true;
    engine.movies["broken.vtr"].convertFails = true;

    ASSERT_TRUE(RunConvertCommand(run, "owner", kCaption));
    EXPECT_TRUE(fs::is_directory(out));
    EXPECT_EQ(run.Phase(), MoviePhase::Processing);
    engine.DeliverAll(run);

    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(view.statusLines,
        Lines({ "old.vtr: converted successfully", "current.vtz: convert skipped, new format",
            "broken.vtr: convert failed" }));
    EXPECT_EQ(view.overallTexts, Lines({ "Converting to new format...", "" }));
    EXPECT_EQ(view.detailTexts,
        Lines({ "Converting movie: old.vtr", "Converting movie: current.vtz", "Converting movie: broken.vtr",
            "" }));
    // Each movie starts in processing: its first progress already includes
    // the opening tenth of its share (333 -> 33 + 299).
    EXPECT_EQ(view.overallPositions, std::vector<int>({ 0, 332, 333, 665, 666, 998, 0 }));
    EXPECT_EQ(engine.calls,
        Lines({ "ConvertMovie /m/old.vtr " + out + "/old.vtr",
            "ConvertMovie /m/current.vtz " + out + "/current.vtr",
            "ConvertMovie /m/broken.vtr " + out + "/broken.vtr" }));
    EXPECT_EQ(run.State(), RunState::Idle);
}

TEST_F(ConvertCommandTest, DestinationThatCannotBeCreatedStopsCommand)
{
    test::WriteFile(temp / "file", "x");
    view.destination = temp / "file/sub";
    view.movieList = { "/m/a.vtr" };

    EXPECT_FALSE(RunConvertCommand(run, "owner", kCaption));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Failed creating the destination folder");
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_EQ(view.clearStatusCalls, 0);
}

TEST_F(ConvertCommandTest, ExistingTargetIsAskedAboutAndGoesToEngineUnchanged)
{
    // Converting in place: the sources are the targets.
    fs::create_directories(out);
    test::WriteFile(out + "/a.vtr", "source a");
    test::WriteFile(out + "/b.vtr", "source b");
    view.movieList = { out + "/a.vtr", out + "/b.vtr" };

    dialogs.messageAnswers = { platform::IDNO };
    EXPECT_FALSE(RunConvertCommand(run, "owner", kCaption));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].text.find("during convertion."), std::string::npos);
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_EQ(test::ReadFile(out + "/a.vtr"), "source a");

    dialogs.messageAnswers = { platform::IDYES };
    EXPECT_TRUE(RunConvertCommand(run, "owner", kCaption));
    EXPECT_EQ(dialogs.messages.size(), 2u); // asked once more, not once per movie
    // Nothing was deleted before the run, and no "_1" name is made.
    EXPECT_EQ(engine.calls, Lines({ "ConvertMovie " + out + "/a.vtr " + out + "/a.vtr" }));
    engine.DeliverAll(run);
    EXPECT_EQ(engine.calls.back(), "ConvertMovie " + out + "/b.vtr " + out + "/b.vtr");
    EXPECT_EQ(view.statusLines, Lines({ "a.vtr: converted successfully", "b.vtr: converted successfully" }));
}

} // namespace
} // namespace vantor
