#pragma once

// What the batch loop tells about each movie beside its labels and log:
// which movie starts, its progress and how it ended. The window and the
// terminal front end keep per-movie states, the time left and the summary
// from these calls (BatchTracker). Every call comes on the user-interface
// thread, after the loop's own log line for the same event.

#include "app/RunState.h"

#include <string>

namespace vantor {

enum class MovieOutcome : int {
    Done = 0, // exported or converted
    Skipped = 1, // already in the new format
    Failed = 2,
    Cancelled = 3,
};

class IBatchObserver {
public:
    virtual ~IBatchObserver() = default;

    virtual void RunStarted(int movieCount) = 0;
    virtual void MovieStarted(int index) = 0;
    virtual void MovieProgress(int index, MoviePhase phase, long long done, long long total) = 0;
    // `reason`: why a movie failed; empty when nobody said.
    virtual void MovieFinished(int index, MovieOutcome outcome, const std::string& reason) = 0;
    virtual void RunEnded() = 0;
};

} // namespace vantor
