#pragma once

// The terminal front end's per-movie report beside the status log: where the
// run stands and the time left in the progress lines, the reason of each
// failure on standard error (indented, on the line after the movie's log
// line) and, once the run has ended, the summary line.

#include "app/BatchTracker.h"
#include "app/CliView.h"

#include <cstdio>

namespace vantor {

class CliRunReport final : public IBatchObserver {
public:
    CliRunReport(CliView& view, std::FILE* errors, BatchTracker::SizeOf sizeOf,
        BatchTracker::Clock clock = std::chrono::steady_clock::now);

    void RunStarted(int movieCount) override;
    void MovieStarted(int index) override;
    void MovieProgress(int index, MoviePhase phase, long long done, long long total) override;
    void MovieFinished(int index, MovieOutcome outcome, const std::string& reason) override;
    void RunEnded() override;

    // Writes "N exported, N skipped, N failed, N cancelled in M:SS" when a
    // run has ended; nothing before.
    void PrintSummary();
    const BatchTracker& Tracker() const { return m_tracker; }

private:
    void ShowWhereTheRunStands();

    CliView& m_view;
    std::FILE* m_errors;
    BatchTracker m_tracker;
    bool m_ended = false;
};

// "    why", the way a reason follows the log line of its movie.
std::string IndentedReason(const std::string& reason);

} // namespace vantor
