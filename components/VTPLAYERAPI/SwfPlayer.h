#pragma once

// What a standard SWF export adds around the pictures: the control bar
// copied in from its movie and placed, the scripts that carry the options
// (control-bar buttons, start, preload, stop at the end, pause by clicking
// and the pause overlay, secure domains and code), the separate toolbar
// movie that loads the movie file, and the preview movie.
//
// State shared by the scripts, on the movie's main timeline: `paused`
// (true while stopped by the viewer or the start mode), `waitLoad` and
// `needFrames` (the preload), and the control-bar variables of
// flash/swf/SwfControlBarVariables.h. The control bar is the instance
// "Controls" of the movie (one file) or of the toolbar movie, whose sprite
// "holder" receives the movie (separate files).

#include "FlashSettings.h"
#include "flash/swf/SwfMovieReader.h"
#include "flash/swf/SwfMovieWriter.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vtapi {

// Depths above the pictures and the cursor.
inline constexpr std::uint16_t kClickDepth = 60200;
inline constexpr std::uint16_t kDirectorDepth = 60300;
inline constexpr std::uint16_t kCoverDepth = 60400;
inline constexpr std::uint16_t kControlsDepth = 60500;

// The control-bar movie of the settings: the preinstalled bar
// `controlBarType` listed in `barFolder`/description.txt (its "Single.swf"
// variant for one file), or the customised file for -1. Empty when the
// settings add no bar. Throws MovieError when the file is missing or has no
// "Controls" instance.
std::string ControlBarFile(const FlashSettings& settings, const std::string& barFolder, bool single);
// The engine's SWFControlBars folder, beside the library.
std::string EngineControlBarFolder();

// A control bar read and ready to be copied into a movie.
class ControlBarMovie final {
public:
    explicit ControlBarMovie(const std::string& path);
    int Width() const { return m_size.width; }
    int Height() const { return m_size.height; }
    // Copies the bar's definitions into `movie` (call before any other
    // definition) and returns the character id of "Controls".
    std::uint16_t CopyInto(SwfMovieWriter& movie);

private:
    SwfMovieReader m_reader;
    SwfPixelSize m_size;
};

// Where things sit on the stage.
struct SwfStage {
    int width = 0;
    int height = 0;
    int pictureY = 0; // the picture's top edge
    int pictureWidth = 0;
    int pictureHeight = 0;
    int barX = 0; // the bar's top left corner and scale
    int barY = 0;
    double barScale = 1.0;
};

// The stage of a picture of `pictureWidth` x `pictureHeight` with a bar of
// `barWidth` x `barHeight` (0 x 0: none) placed as the settings say.
SwfStage PlanStage(
    const FlashSettings& settings, int pictureWidth, int pictureHeight, int barWidth, int barHeight);

// Places "Controls" as the stage says.
void PlaceControls(SwfTimeline& timeline, std::uint16_t controlsId, const SwfStage& stage);

// Frame 1 of the movie: its definitions and placements (call before the
// first ShowFrame) and its script. `hasBar`: the movie itself holds
// "Controls".
void AddMovieFrameOne(SwfMovieWriter& movie, const FlashSettings& settings, const SwfStage& stage, double fps,
    std::int64_t frames);
// The last frame's script.
void AddMovieLastFrame(SwfTimeline& timeline, const FlashSettings& settings);

// The toolbar movie of separate files: the bar, the start button and
// preview for StartingPlaybackMode 0, and the sprite that loads `movieUrl`.
// `preview`: the first picture (A R G B) shown until the viewer starts the
// movie when PreviewMode is 1; with PreviewMode 2 `previewUrl` is loaded.
std::vector<std::uint8_t> BuildToolbarMovie(const FlashSettings& settings, const std::string& barFile,
    const SwfStage& stage, double fps, const std::string& movieUrl, const std::string& previewUrl,
    const std::vector<std::uint8_t>& preview);

// The preview movie: one frame holding the first picture.
std::vector<std::uint8_t> BuildPreviewMovie(
    const FlashSettings& settings, int width, int height, const std::vector<std::uint8_t>& preview);

// The SWF version written (the FlashVersion the program always stores).
inline constexpr std::uint8_t kSwfVersion = 9;

} // namespace vtapi
