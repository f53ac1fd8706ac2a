#pragma once

// The choices of the WMV options dialog that depend on the selected codec's
// formats: the pass counts, the audio formats (rate and channels) and the
// audio quality or bit rate. Each function builds one list as the dialog
// shows it, with the item to select; the dialog owns the widgets and the
// order in which the lists are rebuilt.

#include <optional>
#include <string>
#include <vector>

namespace vantor::video {

// What the dialog reads of a video or audio format record.
struct WmvFormat {
    bool vbr = false;
    unsigned passes = 1;
    // Audio only: from the format's wave format.
    int samplesPerSec = 0;
    int channels = 0;
    int rate = 0; // average bytes per second; the quality in its low byte for one-pass VBR
};

struct WmvItem {
    std::string text;
    int object = 0;
    bool operator==(const WmvItem&) const = default;
};

struct WmvList {
    std::vector<WmvItem> items;
    int selected = -1; // -1: nothing
};

// The (kHz, channels) pair of an audio format item, kept in its object.
constexpr int AudioFormatObject(int kHz, int channels)
{
    return kHz + channels * 65536;
}

bool AnyVbr(const std::vector<WmvFormat>& formats);

// "1 - pass" ... "n - pass" for the largest pass count among the formats
// whose VBR flag equals `vbr` (at least one item); selects the remembered
// index, kept within the list.
WmvList PassItems(const std::vector<WmvFormat>& formats, bool vbr, int rememberedIndex);

// One "<kHz> kHz, mono|stereo" item per (kHz, channels) pair of the formats
// with this VBR flag and pass count, in list order. Selects the remembered
// pair (an object), or the last item when it is gone.
WmvList AudioFormatItems(
    const std::vector<WmvFormat>& formats, bool vbr, unsigned passes, std::optional<int> remembered);

// The value an audio format shows in the quality/bit-rate list: the quality
// byte for one-pass VBR, else the rate field.
int AudioQualityValue(const WmvFormat& format);

// The quality levels, or the bit rates ("128 kbps", "3000 bps"), of the
// formats with this VBR flag, pass count and (kHz, channels). Selects the
// item equal to the remembered value but for its low 3 bits, else the first
// item with the highest value, else the first.
WmvList QualityBitrateItems(
    const std::vector<WmvFormat>& formats, bool vbr, unsigned passes, int formatObject, int remembered);

} // namespace vantor::video
