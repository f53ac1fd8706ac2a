#pragma once

// The QuickTime export's settings record, as "QT.xml" holds it. The Player
// engine reads the same keys; the data-rate keys are spelled "Date..." in
// the file and the engine expects them so.

#include <cstdint>

class TXMLSettings;

namespace vantor::video {

struct QuickTimeExportSettings {
    int frameRateCustom = 24;
    int frameRateMode = 0; // 0 full, 1 half, 2 quarter, 3 custom
    bool scaleToPercents = true;
    float outputSizeWidthPercent = 100.0f;
    float outputSizeHeightPercent = 100.0f;
    int outputSizeWidth = 0; // 0 in percent mode
    int outputSizeHeight = 0;
    bool outputSizeKeepAspectRatio = true;
    bool useBestSoundFormat = false;
    int soundFormat = 0; // a wave-format capability flag; 0 none
    int soundCompressFormat = 85; // 85 MP3, 1 PCM
    int soundMP3Profile = 0; // 1 low, 0 normal, 2 high, 5 very high
    int autoscrollMode = 0; // 0 off, 1 mouse in centre, 4 mouse near centre
    int autoscrollWidth = 0;
    int autoscrollHeight = 0;
    bool exportSounds = true;
    bool flattenMovie = true; // "Enable streaming playback"
    int keyFrame = 0; // a key frame every this many frames; 0 derived on read
    int dataRateType = 0; // 0 automatic, 1 average, 2 manual min and max
    int dataRate = 600; // kilobytes per second
    int dataRateMax = 800;
    int dataRateMin = 400;
    int quality = 870; // 0..1024
    bool multipass = false;
    bool playbackControls = true;
    std::uint8_t vAlign = 0; // 0 top, 1 centre, 2 bottom; kept in 8 bits
    std::uint8_t hAlign = 0; // 0 left, 1 centre, 2 right; kept in 8 bits
    int prebuffer = 30; // percent, 0..100
    bool autoHide = false;
};

// The full frame rate the dialog offers; always written as "FrameRate".
constexpr int kQuickTimeFullFrameRate = 25;

// The export frame rate of a frame-rate mode, one key frame per second:
// 25, 12, 6 or the custom rate; 0 for an unknown mode.
int KeyFramesPerSecond(int frameRateMode, int frameRateCustom);

// Every key, each with the record's current value as its default; a stored
// "KeyFrame" of 0 becomes KeyFramesPerSecond of the stored mode.
void ReadQuickTimeExportSettings(const TXMLSettings& store, QuickTimeExportSettings& settings);
// Every key in the file's order ("FrameRateCustom" and "FrameRateMode"
// twice, "FrameRate" always 25, "AutoHide" as an integer).
void WriteQuickTimeExportSettings(TXMLSettings& store, const QuickTimeExportSettings& settings);

} // namespace vantor::video
