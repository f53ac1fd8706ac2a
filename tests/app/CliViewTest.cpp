// What the terminal front end prints: the status log on one stream, the
// progress on the other, drawn at most ten times a second.

#include "app/CliView.h"

#include <chrono>
#include <cstdio>

#include <gtest/gtest.h>

namespace vantor {
namespace {

using namespace std::chrono_literals;

// A stream in memory whose text can be read back.
struct MemoryStream {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&buffer, &size);
    ~MemoryStream()
    {
        std::fclose(file);
        std::free(buffer);
    }
    std::string Text()
    {
        std::fflush(file);
        return std::string(buffer, size);
    }
};

class CliViewTest : public ::testing::Test {
protected:
    CliViewTest() { movies.Add("/m/clip.vtr"); }

    std::unique_ptr<CliView> MakeView(bool terminal)
    {
        return std::make_unique<CliView>(
            movies, "/out", out.file, progress.file, terminal, [this] { return now; });
    }

    MovieList movies;
    MemoryStream out;
    MemoryStream progress;
    std::chrono::steady_clock::time_point now {};
};

TEST_F(CliViewTest, TerminalBarsAreRedrawnInPlaceCutToTheWidthAtMostTenTimesASecond)
{
    auto view = MakeView(true);
    view->SetWidth(50);
    view->SetOverallText("Exporting to AVI...");
    const std::string first = progress.Text();
    EXPECT_EQ(first,
        "[..............................]   0% Exporting t\n"
        "[..............................]   0% \n");

    // Within the same tenth of a second nothing more is drawn...
    for (int position = 0; position <= 500; position += 50) {
        view->SetOverallPosition(position);
        view->SetDetailPosition(position * 2);
    }
    view->SetDetailText("Exporting movie: clip.vtr");
    EXPECT_EQ(progress.Text(), first);
    // ... and the latest state is drawn once the interval has passed, over
    // the old bars.
    now += 100ms;
    view->Tick();
    EXPECT_EQ(progress.Text(),
        first
            + "\033[A\033[A\r\033[J"
              "[###############...............]  50% Exporting t\n"
              "[##############################] 100% Exporting m\n");
    now += 1s;
    view->Tick(); // nothing changed: nothing drawn
    const std::string drawn = progress.Text();

    // A log line takes the bars away first; they come back at the next tick.
    view->AddStatusLine("clip.vtr: exported successfully");
    EXPECT_EQ(progress.Text(), drawn + "\033[A\033[A\r\033[J");
    view->Finish();
    EXPECT_EQ(progress.Text(), drawn + "\033[A\033[A\r\033[J");
}

TEST_F(CliViewTest, PlainProgressLinesWhenNotATerminal)
{
    auto view = MakeView(false);
    view->SetOverallText("Exporting to AVI...");
    view->SetOverallPosition(0);
    view->SetDetailText("Opening movie: clip.vtr");
    now += 100ms;
    view->Tick();
    for (int position : { 30, 60, 100, 120, 350 }) {
        view->SetDetailPosition(position);
        now += 100ms;
        view->Tick();
    }
    view->SetOverallPosition(100);
    view->SetDetailText("Exporting movie: clip.vtr");
    view->SetDetailPosition(0);
    now += 100ms;
    view->Tick();
    EXPECT_EQ(progress.Text(),
        "Opening movie: clip.vtr\n"
        "Opening movie: clip.vtr 10% (0% overall)\n"
        "Opening movie: clip.vtr 35% (0% overall)\n"
        "Exporting movie: clip.vtr\n");
    // A new step is named at once; its percentages wait for the interval.
    view->SetDetailPosition(500);
    view->SetDetailText("Opening movie: next.vtr");
    view->SetDetailPosition(900);
    EXPECT_EQ(progress.Text().substr(progress.Text().rfind("Exporting")),
        "Exporting movie: clip.vtr\n"
        "Opening movie: next.vtr\n");
    // Status lines go to the output exactly, the log keeps those since the
    // last clearing.
    view->AddStatusLine("clip.vtr: exported successfully");
    view->AddStatusLine("");
    view->ClearStatus();
    view->AddStatusLine("Export cancelled");
    view->Finish();
    EXPECT_EQ(out.Text(), "clip.vtr: exported successfully\n\nExport cancelled\n");
    EXPECT_EQ(view->StatusLines(), std::vector<std::string>({ "Export cancelled" }));
    EXPECT_EQ(progress.Text().find('\033'), std::string::npos);
}

} // namespace
} // namespace vantor
