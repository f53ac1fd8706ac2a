#pragma once

// The options of a Flash export as the program saves them in "Flash.xml",
// read by the engine for every movie it exports to Flash, and the
// arithmetic that turns them into an output: frame rate within the SWF
// frame limit, the autoscroll window, the output size and the sound.

#include "AviSettings.h"
#include "flash/FlashExportSettings.h"

#include <string>

namespace vtapi {

struct FlashSettings {
    int soundCodecId = 3; // carried through, not used
    int frameRateCustom = 24;
    int frameRateMode = 0; // 0 full, 1 half, 2 quarter, 3 custom
    int zlibCompressLevel = vantor::kZlibCompressLevel;
    int jpegQuality = 80;
    int colorFormat = vantor::kColorFormatJpegOptimised;
    int colorBitsCount = 32;
    bool useBestSoundFormat = false;
    int soundFormat = 0;
    int soundCompressFormat = vantor::kSoundCompressMp3;
    int soundMP3Profile = 0;
    bool exportSounds = true;
    bool addControlBar = true;
    int controlBarType = 0; // -1: externalControlBarFileName
    std::string externalControlBarFileName;
    int controlBarPositionMode = 1; // 0 not positioned, 1 top, 2 bottom
    bool controlBarPositionOver = false;
    bool autoHide = false;
    bool showAutoHide = true;
    bool showVTLogo = true;
    bool showSoundBar = true;
    bool showFullScreen = true;
    bool showTimer = true;
    bool showNextPrev = true;
    bool showTimeline = true;
    int scaleMode = 0; // 0: the full-screen movie keeps its size
    int flashVersion = vantor::kFlashVersion;
    int autoscrollMode = 0;
    int autoscrollWidth = 0; // percent of the movie
    int autoscrollHeight = 0;
    int startingPlaybackMode = 2; // 0 wait for a click, 1 loaded and paused, 2 play
    int previewMode = 1; // 0 none, 1 image, 2 image in "_preview.swf"
    int preloadPercent = 0;
    bool swfStopOnLastFrame = true;
    bool pauseByClickingOnMovie = true;
    bool showPausedOverlay = true;
    bool singleSwf = true;
    std::string htmlTemplateFileName;
    double outputSizeWidthPercent = 100;
    double outputSizeHeightPercent = 100;
    int outputSizeWidth = 0;
    int outputSizeHeight = 0;
    bool outputSizeKeepAspectRatio = true;
    bool scaleToPercents = true;
    bool mxCompression = true;
    bool useSecureDomain = false;
    std::string secureDomainName;
    bool useSecureCode = false;
    std::string secureCode;
    bool showCursor = true;
    int sfwType = 0; // 0 standard SWF, 1 Flash video
    int flvType = 0; // 0 H.263, 1 Screen Video
    int flvKeyframes = 30;
    int flvQuality = 8500;
    int flvBitrate = 1500; // kbit/s
};

// Reads every key through the settings store; missing keys keep their
// defaults, and a missing or damaged file gives the defaults.
FlashSettings ReadFlashSettings(const std::string& settingsFile);

// The keys shared with the AVI arithmetic (frame rate, size, sound), with
// the autoscroll window in pixels of a movie of `movie`.
AviSettings CommonVideoSettings(const FlashSettings& settings, FrameSize movie);

// A standard SWF holds at most this many frames.
inline constexpr std::int64_t kSwfFrameLimit = 16000;

// The output rate for a movie of `movieRate` lasting `durationUs`
// microseconds: the chosen rate, lowered so that the movie fits in
// kSwfFrameLimit frames.
AVRational SwfFrameRate(const FlashSettings& settings, AVRational movieRate, std::int64_t durationUs);

// The sound rates a SWF stream can have: 11025, 22050 or 44100 Hz, the
// nearest one at or below `rate` (11025 at least).
int SwfSoundRate(int rate);

} // namespace vtapi
