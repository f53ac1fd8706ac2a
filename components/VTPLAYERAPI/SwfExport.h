#pragma once

// The pictures, cursor and sound of a standard SWF export. The open
// movie's frames are cropped to the autoscroll window, scaled to the output
// size and compared with the frame before: only the changed rectangles
// become bitmaps, shown on top of what is there already, and pictures that
// are covered completely leave the display list. The cursor, from the
// movie's cursor track, is a shape moved every frame; the sound is a
// stream of MP3 or 16-bit PCM blocks, one per frame.

#include "FlashSettings.h"
#include "MovieFile.h"
#include "SwfBitmaps.h"
#include "flash/swf/SwfMovieWriter.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vtapi {

// Depths of the display list: pictures below everything the player adds.
inline constexpr std::uint16_t kFirstPictureDepth = 1;
inline constexpr std::uint16_t kLastPictureDepth = 60000;
inline constexpr std::uint16_t kCursorDepth = 60100;

struct SwfPictureLayout {
    FrameSize movie; // the recording
    FrameSize view; // the autoscroll window, or the whole movie
    FrameSize picture; // the exported picture
    AVRational rate { 25, 1 };
    std::int64_t frames = 1;
};

// The layout of `movie` exported with `settings`.
SwfPictureLayout PlanSwfPictures(const MovieSource& movie, const FlashSettings& settings);

// How the bitmaps of `settings` are coded.
BitmapCoding ChooseBitmapCoding(const FlashSettings& settings);

class SwfPictureEncoder final {
public:
    SwfPictureEncoder(MovieSource& movie, const FlashSettings& settings, const SwfPictureLayout& layout,
        const TaskControl& control);
    ~SwfPictureEncoder();
    SwfPictureEncoder(const SwfPictureEncoder&) = delete;
    SwfPictureEncoder& operator=(const SwfPictureEncoder&) = delete;

    // Writes every frame into `movie`'s timeline with the pictures `pictureY`
    // pixels down the stage. `frameHook(timeline, index)` runs before each
    // frame's ShowFrame (index from 0; the last one is layout.frames - 1).
    void Encode(SwfMovieWriter& movie, int pictureY,
        const std::function<void(SwfTimeline&, std::int64_t)>& frameHook);

    // The first exported picture, bytes A R G B (for preview pictures).
    const std::vector<std::uint8_t>& FirstPicture() const { return m_firstPicture; }
    // The stream sound written, for the tests and the trace.
    bool HasSound() const { return m_soundRate > 0; }

private:
    struct State;
    void PrepareSound();
    void EmitPicture(SwfMovieWriter& movie, int pictureY, std::int64_t index, const AVFrame* source);

    MovieSource& m_movie;
    const FlashSettings& m_settings;
    SwfPictureLayout m_layout;
    const TaskControl& m_control;
    std::unique_ptr<State> m_state;
    std::vector<std::uint8_t> m_firstPicture;
    int m_soundRate = 0;
};

} // namespace vtapi
