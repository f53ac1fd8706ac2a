#pragma once

// The Flash video export: the open movie as an FLV file (FFmpeg's flv
// muxer, Sorenson H.263 or Screen Video pictures, MP3 or PCM sound), and the
// player movie ("_toolbar.swf") that streams that FLV into a Video object
// with the chosen control bar driving play, pause and seek.
//
// The caller reads "Flash.xml" and fills FlvExportOptions; it also owns the
// output transaction: both calls write exactly the path they are given (a
// temporary name) and leave the renaming to the caller.

#include "MovieFile.h"

#include <cstdint>
#include <string>

namespace vtapi {

enum class FlvVideoCodec {
    SorensonH263 = 0, // FLVType 0: FFmpeg's "flv1"
    ScreenVideo = 1, // FLVType 1: FFmpeg's "flashsv"
};

struct FlvExportOptions {
    // Pictures.
    FlvVideoCodec codec = FlvVideoCodec::SorensonH263; // FLVType
    int quality = 8500; // FLVQuality, 0 (smallest) to 10000 (best), H.263 only
    int keyFrameInterval = 30; // FLVKeyframes: a key frame every this many frames
    int bitRateKbps = 1500; // FLVBitrate: carried; H.263 is encoded by quality, the mode the dialog stores
    std::uint32_t paddingColour = 0xffffff; // RGB of the border up to multiples of 16

    // Frame rate and size, as the standard SWF export reads them.
    int frameRateMode = 0; // FrameRateMode: 0 full, 1 half, 2 quarter, 3 custom
    int frameRateCustom = 24; // FrameRateCustom
    bool scaleToPercents = true; // ScaleToPercents
    double outputSizeWidthPercent = 100.0; // OutputSizeWidthPercent
    double outputSizeHeightPercent = 100.0; // OutputSizeHeightPercent
    int outputSizeWidth = 0; // OutputSizeWidth
    int outputSizeHeight = 0; // OutputSizeHeight
    bool outputSizeKeepAspectRatio = true; // OutputSizeKeepAspectRatio
    int autoscrollMode = 0; // AutoscrollMode: 0 off, 1 mouse in centre, 4 mouse near centre
    int autoscrollWidth = 0; // AutoscrollWidth, percent of the movie width
    int autoscrollHeight = 0; // AutoscrollHeight, percent of the movie height
    bool showCursor = true; // ShowCursor: carried; the recorder draws the cursor into the pictures

    // Sound.
    bool exportSounds = true; // ExportSounds
    bool useBestSoundFormat = false; // UseBestSoundFormat
    int soundFormat = 0; // SoundFormat: a wave-format capability flag, 0 none chosen
    int soundCompressFormat = 85; // SoundCompressFormat: 85 MP3, 1 PCM
    int soundMP3Profile = 0; // SoundMP3Profile: 1 low, 0 normal, 2 high, 5 very high

    // The player movie.
    bool addControlBar = true; // AddControlBar
    // The control-bar SWF the player movie carries (the caller resolves
    // ControlBarType and ExternalControlBarFileName); empty: no bar.
    std::string controlBarFile;
    int controlBarPositionMode = 1; // ControlBarPositionMode: 0 as the bar file places it, 1 top, 2 bottom
    bool controlBarPositionOver = false; // ControlBarPositionOver
    bool autoHide = false; // AutoHide
    bool showAutoHide = true; // ShowAutoHide
    bool showVTLogo = true; // ShowVTLogo
    bool showSoundBar = true; // ShowSoundBar
    bool showFullScreen = true; // ShowFullScreen
    bool showTimer = true; // ShowTimer
    bool showNextPrev = true; // ShowNextPrev
    bool showTimeline = true; // ShowTimeline
    int startingPlaybackMode = 2; // StartingPlaybackMode: 0 wait for a click, 1 load paused, 2 play
    int preloadPercent = 0; // PreloadPercent: buffered before playing, 0 the player decides
    bool stopOnLastFrame = true; // SWFStopOnLastFrame
    bool pauseByClickingOnMovie = true; // PauseByClickingOnMovie
    bool showPausedOverlay = true; // ShowPausedOverlay
    bool useSecureDomain = false; // UseSecureDomain
    std::string secureDomainName; // SecureDomainName, comma-separated
    bool useSecureCode = false; // UseSecureCode
    std::string secureCode; // SecureCode: the page passes it as the parameter "securecode", as to a SWF movie
    int scaleMode = 0; // ScaleMode: 1 scales the movie in full-screen mode
};

// What the FLV of a movie holds, known before it is written.
struct FlvLayout {
    int pictureWidth = 0; // the movie's picture, scaled
    int pictureHeight = 0;
    int width = 0; // the coded size: the picture padded to multiples of 16
    int height = 0;
    AVRational frameRate { 25, 1 };
    std::int64_t frameCount = 0;
    bool sound = false;
    bool mp3 = false;
};

// The layout of the FLV that WriteFlv makes of `movie`.
FlvLayout PlanFlv(const MovieSource& movie, const FlvExportOptions& options);

// Writes the FLV of the open movie (from its first packet) to `flvPath`.
// Progress is reported in output frames. Throws MovieError (an FFmpeg
// without the chosen encoder, an unwritable path, a damaged movie) or
// Cancelled; the file at `flvPath` is then incomplete and the caller's to
// delete.
FlvLayout WriteFlv(MovieSource& movie, const FlvExportOptions& options, const std::string& flvPath,
    const TaskControl& control);

// Writes the player movie to `playerPath`: a SWF sized to the video plus the
// control bar that streams `flvUrl` (the FLV's final name, relative to the
// page, e.g. "demo.flv"). Throws MovieError when the control-bar file
// cannot be read or has no "Controls" instance.
void WriteFlvPlayer(const MovieSource& movie, const FlvExportOptions& options, const std::string& flvUrl,
    const std::string& playerPath, const TaskControl& control);

} // namespace vtapi
