#pragma once

// What changed between two decoded frames of a movie, in bands of rows: a
// screen recording changes little from one frame to the next, and an export
// need not convert or encode again what did not change.

#include "FFmpeg.h"

#include <cstdint>
#include <vector>

namespace vtapi {

// Rows are compared, and converted again, in bands of this height: even, so
// that a band holds whole 4:2:0 chroma rows.
constexpr int kBandRows = 16;

// Which bands of rows differ between a decoded frame and the one before it.
struct FrameChanges {
    bool all = true; // nothing to compare with: every row counts as changed
    std::vector<std::uint8_t> bands; // 1 for a band with a row that differs

    // Adds what a later frame changed after this one.
    void Add(const FrameChanges& later);
};

// Compares `next` with `previous` (nullptr for the first frame).
FrameChanges CompareFrames(const AVFrame* previous, const AVFrame* next);

} // namespace vtapi
