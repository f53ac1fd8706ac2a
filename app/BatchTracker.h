#pragma once

// Per-movie states, the time left and the summary of a batch run, kept from
// the batch loop's observer calls. No Qt: the window and the terminal front
// end both show what it holds.
//
// Time left: every movie has an amount of work. A movie's work is its length
// in frames once the engine reports it (the total of its first processing
// progress); before that it is its file size turned into frames at the
// frames-per-byte ratio of the movies whose length is known, or, while no
// length is known at all, its file size itself. Work done is the work of
// every finished movie plus the processed part of the current one; the speed
// is the work done divided by the time since the run started, and the time
// left is the remaining work at that speed.

#include "app/BatchObserver.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantor {

enum class MovieState : int {
    Waiting = 0,
    Working,
    Done,
    Skipped,
    Failed,
    Cancelled,
};

struct MovieStatus {
    MovieState state = MovieState::Waiting;
    int percent = 0; // of the current step while Working
    std::string reason; // while Failed
};

struct RunCounts {
    int done = 0;
    int skipped = 0;
    int failed = 0;
    int cancelled = 0;
};

class BatchTracker final : public IBatchObserver {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // The size in bytes of the movie at an index of the run; below 1 counts
    // as 1.
    using SizeOf = std::function<long long(int index)>;

    explicit BatchTracker(SizeOf sizeOf, Clock clock = std::chrono::steady_clock::now);

    void RunStarted(int movieCount) override;
    void MovieStarted(int index) override;
    void MovieProgress(int index, MoviePhase phase, long long done, long long total) override;
    void MovieFinished(int index, MovieOutcome outcome, const std::string& reason) override;
    void RunEnded() override;

    bool Running() const { return m_running; }
    int Count() const { return static_cast<int>(m_movies.size()); }
    const MovieStatus& Status(int index) const { return m_movies.at(static_cast<std::size_t>(index)).status; }
    // The movie being worked on; -1 when none.
    int CurrentIndex() const { return m_current; }
    RunCounts Counts() const;
    // From the run's start to now, or to its end once it has ended.
    std::chrono::milliseconds Elapsed() const;
    // None until some work is done.
    std::optional<std::chrono::seconds> TimeLeft() const;

private:
    struct Movie {
        MovieStatus status;
        long long size = 1;
        long long frames = 0; // 0: not known yet
        double fraction = 0; // processed part while Working
    };
    double Work(const Movie& movie, double framesPerByte) const;

    SizeOf m_sizeOf;
    Clock m_clock;
    std::vector<Movie> m_movies;
    bool m_running = false;
    int m_current = -1;
    std::chrono::steady_clock::time_point m_start {};
    std::chrono::steady_clock::time_point m_end {};
};

// The size of a movie file in bytes; 1 when it cannot be read.
long long MovieFileSize(const std::string& path);

// "1:05", "12:00", "75:03": minutes and seconds, truncated to the second.
std::string MinutesSeconds(std::chrono::milliseconds duration);
// The item's tooltip for a state: "Waiting", "Working: 45%", "Failed: why"...
std::string StatusTip(const MovieStatus& status);
// "3 exported, 0 skipped, 1 failed, 0 cancelled in 0:42".
std::string SummaryText(const RunCounts& counts, std::chrono::milliseconds elapsed);
// "movie 2 of 10, 1:05 left"; without the time left while none is known.
std::string OverallProgressText(int index, int count, std::optional<std::chrono::seconds> left);

} // namespace vantor
