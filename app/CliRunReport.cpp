#include "app/CliRunReport.h"

#include <utility>

namespace vantor {

std::string IndentedReason(const std::string& reason)
{
    return "    " + EscapeControls(reason);
}

CliRunReport::CliRunReport(
    CliView& view, std::FILE* errors, BatchTracker::SizeOf sizeOf, BatchTracker::Clock clock)
    : m_view(view)
    , m_errors(errors)
    , m_tracker(std::move(sizeOf), std::move(clock))
{
}

void CliRunReport::RunStarted(int movieCount)
{
    m_ended = false;
    m_tracker.RunStarted(movieCount);
}

void CliRunReport::MovieStarted(int index)
{
    m_tracker.MovieStarted(index);
    ShowWhereTheRunStands();
}

void CliRunReport::MovieProgress(int index, MoviePhase phase, long long done, long long total)
{
    m_tracker.MovieProgress(index, phase, done, total);
    ShowWhereTheRunStands();
}

void CliRunReport::MovieFinished(int index, MovieOutcome outcome, const std::string& reason)
{
    m_tracker.MovieFinished(index, outcome, reason);
    // The view has just written the movie's log line and taken its bars
    // away, so the reason lands right below that line.
    if (outcome == MovieOutcome::Failed && !reason.empty()) {
        std::fprintf(m_errors, "%s\n", IndentedReason(reason).c_str());
        std::fflush(m_errors);
    }
}

void CliRunReport::RunEnded()
{
    m_tracker.RunEnded();
    m_view.SetRunText({});
    m_ended = true;
}

void CliRunReport::PrintSummary()
{
    if (!m_ended)
        return;
    std::fprintf(m_errors, "%s\n", SummaryText(m_tracker.Counts(), m_tracker.Elapsed()).c_str());
    std::fflush(m_errors);
}

void CliRunReport::ShowWhereTheRunStands()
{
    if (m_tracker.Running() && m_tracker.CurrentIndex() >= 0)
        m_view.SetRunText(
            OverallProgressText(m_tracker.CurrentIndex(), m_tracker.Count(), m_tracker.TimeLeft()));
}

} // namespace vantor
