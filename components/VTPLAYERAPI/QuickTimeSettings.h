#pragma once

// The options of a QuickTime export as the program saves them in "QT.xml",
// and what they become for the QuickTime library: frame rate, frame size in
// multiples of 16, key frames, data rate and sound.

#include "AviSettings.h"
#include "components/VTQTLibrary/VTQTLibrary.h"

#include <string>

namespace vtapi {

struct QuickTimeSettings {
    // The keys the AVI export shares: frame rate, size, sound, autoscroll.
    AviSettings common;
    bool flattenMovie = true; // streaming playback: the index before the media
    int keyFrame = 0; // a key frame every this many frames; 0: every second
    int dataRateType = 0; // 0 automatic (from the quality), 1 average, 2 manual
    int dataRate = 600; // kilobytes per second
    int dataRateMax = 800;
    int dataRateMin = 400;
    int quality = 870; // 0..1024
    bool multipass = false;
    // The playback controls of a web page's player; a QuickTime movie file
    // has no place for them, so they are read and left as they are.
    bool playbackControls = true;
    int vAlign = 0;
    int hAlign = 0;
    int prebuffer = 30;
    bool autoHide = false;
};

// Reads every key through the settings store (the data-rate keys under
// their stored names "DateRate..."), missing keys taking their defaults.
QuickTimeSettings ReadQuickTimeSettings(const std::string& settingsFile);

// The picture size of the movie for a view of `view` pixels: the size the
// options dialog shows, each side rounded up to a multiple of 16.
FrameSize QuickTimeOutputSize(const QuickTimeSettings& settings, FrameSize view);

// The library's codec parameters.
VTQTCodecParams QuickTimeCodecParams(const QuickTimeSettings& settings);

// Sound: MP3 when the settings ask for MP3 compression and an MP3 encoder
// exists, else AAC; at the rate and channels of the chosen sound format.
struct QuickTimeSound {
    bool mp3 = false;
    int sampleRate = 0;
    int channels = 0;
    int bitRate = 0; // bits per second
    bool operator==(const QuickTimeSound&) const = default;
};
QuickTimeSound ChooseQuickTimeSound(
    const QuickTimeSettings& settings, int movieRate, int movieChannels, bool mp3Available);

} // namespace vtapi
