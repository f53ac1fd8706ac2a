#pragma once

// The options of an AVI export as the program saves them in "AVI.xml", and
// the arithmetic that turns them into an output: frame rate, frame size,
// sound format and the autoscroll window.

#include "platform/CompressorManager.h"

extern "C" {
#include <libavutil/rational.h>
}

#include <cstdint>
#include <string>

namespace vtapi {

struct AviSettings {
    std::uint32_t videoCodecId = 0; // FOURCC; 0: the engine's default (XVID)
    int videoCodecKeyFrameRate = -1; // -1: the compressor's default
    int videoCodecQuality = -1; // 0..10000; -1: the compressor's default
    int frameRateCustom = 24;
    int frameRateMode = 0; // 0 full, 1 half, 2 quarter, 3 custom
    bool scaleToPercents = true;
    double outputSizeWidthPercent = 100.0;
    double outputSizeHeightPercent = 100.0;
    int outputSizeWidth = 0;
    int outputSizeHeight = 0;
    bool outputSizeKeepAspectRatio = true;
    bool useBestSoundFormat = false;
    int soundFormat = 0; // a wave-format capability flag, 0: none chosen
    int soundCompressFormat = 85; // 85 MP3, 1 PCM
    int soundMP3Profile = 0; // 1 low, 0 normal, 2 high, 5 very high
    int autoscrollMode = 0; // 0 off, 1 mouse in centre, 4 mouse near centre
    int autoscrollWidth = 0;
    int autoscrollHeight = 0;
    bool useOldAVIFormat = false;
    bool exportSounds = true;
};

// Reads every key through the settings store, missing keys taking their
// defaults. A missing or damaged file gives the defaults.
AviSettings ReadAviSettings(const std::string& settingsFile);

// The FOURCC that FOURCC 0 stands for.
constexpr platform::FOURCC kDefaultVideoCodec = platform::MakeFourCC('X', 'V', 'I', 'D');

// The output frame rate for a movie of `movieRate`.
AVRational OutputFrameRate(const AviSettings& settings, AVRational movieRate);

struct FrameSize {
    int width = 0;
    int height = 0;
    bool operator==(const FrameSize&) const = default;
};

// The part of the movie that is exported: the whole frame, or the
// autoscroll window (at least 10 x 10, at most the movie).
FrameSize ViewSize(const AviSettings& settings, FrameSize movie);
// What the options dialogs add to a size in percent before truncating it
// to whole pixels: the AVI and QuickTime dialog, and the WMV dialog.
constexpr double kPixelEpsilon = 0.0001;
constexpr double kWmvPixelEpsilon = 0.00001;

// The output size for a view of `view` pixels, rounded down to multiples of
// `multiple` (never below one multiple), as the dialog adding `epsilon`
// shows it.
FrameSize OutputSize(
    const AviSettings& settings, FrameSize view, int multiple, double epsilon = kPixelEpsilon);

struct SoundFormat {
    int sampleRate = 0;
    int channels = 0;
    int bits = 16; // 8 or 16 for PCM; MP3 is always made from 16-bit sound
    bool mp3 = false;
    int bitRate = 0; // MP3 only, bits per second
    bool operator==(const SoundFormat&) const = default;
};

// The sound written for a movie whose sound has `movieRate` Hz and
// `movieChannels` channels.
SoundFormat ChooseSoundFormat(const AviSettings& settings, int movieRate, int movieChannels);

// The crop window that follows the cursor. Mode 1 keeps the cursor in the
// centre; mode 4 moves the window only when the cursor leaves its middle
// half, and then just far enough to bring it back to that region's edge.
// The window never leaves the movie.
class AutoscrollWindow final {
public:
    AutoscrollWindow(int mode, FrameSize view, FrameSize movie);
    // The window's top-left corner for a cursor at (x, y).
    void Follow(int x, int y, int* left, int* top);

private:
    static int Clamp(int value, int view, int movie);
    int m_mode;
    FrameSize m_view;
    FrameSize m_movie;
    bool m_placed = false;
    int m_left = 0;
    int m_top = 0;
};

} // namespace vtapi
