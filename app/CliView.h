#pragma once

// The terminal front end's window: the batch loop's labels, bars and status
// log written to two streams. The status log goes to `out`, one line per
// movie, exactly as the window's log shows it. Progress goes to `progress`:
// on a terminal, an overall and a per-movie bar redrawn in place, at most
// ten times a second; otherwise a plain line for each step of each movie
// ("Opening movie: clip.vtr") and, at most ten times a second, one for each
// further tenth of that step's progress. Both print their texts through
// EscapeControls.

#include "app/BatchRun.h"
#include "app/MovieList.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace vantor {

// The text with every control character written as a C escape (\n, \t,
// \x1b, \u0085 for the C1 controls) and the backslash doubled, so that a
// movie name cannot break a line or steer the terminal. The window shows
// names as they are; only the terminal lines are escaped.
std::string EscapeControls(const std::string& text);

class CliView final : public IBatchView {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::milliseconds kRedrawInterval { 100 };

    // `terminal`: `progress` is a terminal that understands cursor movement.
    CliView(const MovieList& movies, std::string destination, std::FILE* out, std::FILE* progress,
        bool terminal, Clock clock = std::chrono::steady_clock::now);
    CliView(const CliView&) = delete;
    CliView& operator=(const CliView&) = delete;

    int MovieCount() const override { return static_cast<int>(m_movies.Count()); }
    std::string MovieAt(int index) const override { return m_movies.At(static_cast<std::size_t>(index)); }
    std::string DestinationFolder() const override { return m_destination; }
    void SetOverallText(const std::string& text) override;
    void SetDetailText(const std::string& text) override;
    void SetOverallPosition(int position) override;
    void SetDetailPosition(int position) override;
    void ClearStatus() override { m_statusLines.clear(); }
    void AddStatusLine(const std::string& line) override;
    void UpdateControls() override { }
    void CloseWindow() override { }
    void EngineReady() override { m_engineReady = true; }

    // Draws what changed since the last drawing, if the last one is at least
    // kRedrawInterval old. The message loop calls it between messages.
    void Tick();
    // Removes the bars from the terminal (the run has ended).
    void Finish();
    // Where the run stands ("movie 2 of 10, 0:35 left"): shown after the
    // overall bar's text, and in the plain percentage lines; empty: nothing.
    void SetRunText(const std::string& text);
    // Columns of the terminal; 80 until told otherwise.
    void SetWidth(int columns) { m_width = columns < 20 ? 20 : columns; }

    bool IsEngineReady() const { return m_engineReady; }
    const std::vector<std::string>& StatusLines() const { return m_statusLines; }

private:
    void Changed();
    void Draw();
    void ClearBars();
    std::string BarLine(int position, const std::string& text) const;

    const MovieList& m_movies;
    std::string m_destination;
    std::FILE* m_out;
    std::FILE* m_progress;
    bool m_terminal;
    Clock m_clock;
    int m_width = 80;

    std::string m_overallText;
    std::string m_detailText;
    std::string m_runText;
    int m_overallPosition = 0;
    int m_detailPosition = 0;
    std::vector<std::string> m_statusLines;
    bool m_engineReady = false;

    bool m_dirty = false;
    bool m_barsShown = false;
    bool m_everDrawn = false;
    std::chrono::steady_clock::time_point m_lastDraw {};
    // What the last plain line showed.
    std::string m_plainDetail;
    int m_plainTenth = -1;
};

} // namespace vantor
