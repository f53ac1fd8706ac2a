// What the terminal front end prints: the status log on one stream, the
// progress on the other, drawn at most ten times a second.

#include "app/CliView.h"
#include "app/BatchRun.h"

#include <chrono>
#include <cstdio>

#include <gtest/gtest.h>

namespace vantor {
namespace {

using namespace std::chrono_literals;

// A stream in memory whose text can be read back.
class MemoryStream final {
public:
    MemoryStream() { m_file = open_memstream(&m_buffer, &m_size); }
    ~MemoryStream()
    {
        std::fclose(m_file);
        std::free(m_buffer);
    }
    std::FILE* File() const { return m_file; }
    std::string Text()
    {
        std::fflush(m_file);
        return std::string(m_buffer, m_size);
    }

private:
    char* m_buffer = nullptr;
    std::size_t m_size = 0;
    std::FILE* m_file = nullptr;
};

class CliViewTest : public ::testing::Test {
protected:
    CliViewTest() { movies.Add("/m/clip.vtr"); }

    std::unique_ptr<CliView> MakeView(bool terminal)
    {
        return std::make_unique<CliView>(
            movies, "/out", out.File(), progress.File(), terminal, [this] { return now; });
    }

    MovieList movies;
    MemoryStream out;
    MemoryStream progress;
    std::chrono::steady_clock::time_point now {};
};

TEST_F(CliViewTest, StatusLinesGoToOutputExactly)
{
    auto view = MakeView(true);
    view->SetOverallText("Exporting to AVI...");
    view->AddStatusLine("clip.vtr: exported successfully");
    view->AddStatusLine("");
    view->ClearStatus();
    view->AddStatusLine("Export cancelled");
    EXPECT_EQ(out.Text(), "clip.vtr: exported successfully\n\nExport cancelled\n");
    EXPECT_EQ(view->StatusLines(), std::vector<std::string>({ "Export cancelled" }));
}

TEST_F(CliViewTest, TerminalBarsAreRedrawnInPlaceAtMostTenTimesASecond)
{
    auto view = MakeView(true);
    view->SetWidth(80);
    view->SetOverallText("Exporting to AVI...");
    const std::string first = progress.Text();
    EXPECT_EQ(first,
        "[..............................]   0% Exporting to AVI...\n"
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
              "[###############...............]  50% Exporting to AVI...\n"
              "[##############################] 100% Exporting movie: clip.vtr\n");
    now += 1s;
    view->Tick(); // nothing changed: nothing drawn
    const std::string drawn = progress.Text();

    // A log line takes the bars away first; they come back at the next tick.
    view->AddStatusLine("clip.vtr: exported successfully");
    EXPECT_EQ(progress.Text(), drawn + "\033[A\033[A\r\033[J");
    view->Finish();
    EXPECT_EQ(progress.Text(), drawn + "\033[A\033[A\r\033[J");
}

TEST_F(CliViewTest, LongTextIsCutToTerminalWidth)
{
    auto view = MakeView(true);
    view->SetWidth(50);
    view->SetOverallText("Exporting to AVI...");
    view->SetDetailText("");
    const std::string text = progress.Text();
    const std::size_t firstLine = text.find('\n');
    EXPECT_EQ(firstLine, 49u);
    EXPECT_EQ(text.substr(0, firstLine), "[..............................]   0% Exporting t");
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
    view->AddStatusLine("clip.vtr: exported successfully");
    view->Finish();
    EXPECT_EQ(out.Text(), "clip.vtr: exported successfully\n");
    EXPECT_EQ(progress.Text().find('\033'), std::string::npos);
}

TEST_F(CliViewTest, DrivenByBatchLoopShowsEngineReady)
{
    auto view = MakeView(false);
    BatchRun run(*view);
    EXPECT_FALSE(view->IsEngineReady());
    run.HandleNotification(EngineReady, 0, 0);
    EXPECT_TRUE(view->IsEngineReady());
    // No engine: the run ends at once with its text in the log.
    run.Start(ExportFormat::AVI);
    EXPECT_EQ(out.Text(), "Failed initialising VTAPI\n");
}

} // namespace
} // namespace vantor
