#pragma once

// A made-up screen recording: a desktop background with a task bar, two
// windows that drift across it, text being typed into one of them, a moving
// cursor (recorded into the cursor track) and a sound track of a soft tone
// with a click for every typed character. A still recording keeps the
// windows and the cursor in place: only the typed text changes, as when
// someone writes a letter. vtr-make writes it; the tests and
// benchmarks make their movies with it.

#include "MovieFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vtapi {

struct SyntheticOptions {
    int width = 640;
    int height = 480;
    AVRational frameRate { 15, 1 };
    double seconds = 5.0;
    int sampleRate = 22050; // 0: no sound
    int channels = 1;
    bool cursorTrack = true;
    bool still = false;
};

class SyntheticRecording final {
public:
    explicit SyntheticRecording(const SyntheticOptions& options);

    std::int64_t FrameCount() const { return m_frameCount; }
    std::int64_t SampleCount() const { return m_sampleCount; }
    // The cursor position of every frame.
    const CursorTrack& Cursor() const { return m_cursor; }
    // Draws frame `index` as 32-bit BGRX rows of `stride` bytes.
    void RenderFrame(std::int64_t index, std::uint8_t* bgrx, int stride) const;
    // `count` interleaved samples from sample `first` on.
    void RenderSound(std::int64_t first, int count, std::int16_t* interleaved) const;

private:
    SyntheticOptions m_options;
    std::int64_t m_frameCount = 0;
    std::int64_t m_sampleCount = 0;
    CursorTrack m_cursor;
};

// Writes the recording as a movie of the given layout; progress in frames.
void WriteSyntheticMovie(
    const std::string& path, const SyntheticOptions& options, MovieLayout layout, const TaskControl& control);

} // namespace vtapi
