#include "video/WMVExportFormRules.h"

#include "app/StringTable.h"
#include "strings/StringIds.h"

#include <algorithm>

namespace vantor::video {

namespace {

// The low 3 bits of a rate are noise between formats that mean the same
// bit rate; a remembered choice survives a rebuild across them.
constexpr int kRateNoiseMask = ~7;
// From this many bits per second on a rate reads in kbit/s.
constexpr int kKbpsFrom = 4000;

int KHzOf(const WmvFormat& format)
{
    return format.samplesPerSec / 1000;
}

} // namespace

bool AnyVbr(const std::vector<WmvFormat>& formats)
{
    return std::any_of(formats.begin(), formats.end(), [](const WmvFormat& f) { return f.vbr; });
}

WmvList PassItems(const std::vector<WmvFormat>& formats, bool vbr, int rememberedIndex)
{
    unsigned maxPasses = 1;
    for (const WmvFormat& format : formats)
        if (format.vbr == vbr)
            maxPasses = std::max(maxPasses, format.passes);
    WmvList list;
    const std::string suffix = LoadStr(str::kWmvPassSuffix);
    for (unsigned n = 1; n <= maxPasses; ++n)
        list.items.push_back({ std::to_string(n) + suffix, static_cast<int>(n) });
    list.selected = std::max(0, std::min(rememberedIndex, static_cast<int>(list.items.size()) - 1));
    return list;
}

WmvList AudioFormatItems(
    const std::vector<WmvFormat>& formats, bool vbr, unsigned passes, std::optional<int> remembered)
{
    WmvList list;
    int rememberedIndex = -1;
    for (const WmvFormat& format : formats) {
        if (format.vbr != vbr || format.passes != passes)
            continue;
        const int object = AudioFormatObject(KHzOf(format), format.channels);
        const bool present = std::any_of(list.items.begin(), list.items.end(),
            [object](const WmvItem& item) { return item.object == object; });
        if (present)
            continue;
        list.items.push_back({ std::to_string(KHzOf(format)) + LoadStr(str::kWmvKHz)
                + LoadStr(format.channels == 1 ? str::kWmvMono : str::kWmvStereo),
            object });
        if (remembered && *remembered == object)
            rememberedIndex = static_cast<int>(list.items.size()) - 1;
    }
    list.selected = rememberedIndex >= 0 ? rememberedIndex : static_cast<int>(list.items.size()) - 1;
    return list;
}

int AudioQualityValue(const WmvFormat& format)
{
    return format.vbr && format.passes == 1 ? format.rate & 0xFF : format.rate;
}

WmvList QualityBitrateItems(
    const std::vector<WmvFormat>& formats, bool vbr, unsigned passes, int formatObject, int remembered)
{
    const bool quality = vbr && passes == 1;
    WmvList list;
    int highest = -1;
    int highestValue = 0;
    int rememberedIndex = -1;
    for (const WmvFormat& format : formats) {
        if (format.vbr != vbr || format.passes != passes
            || AudioFormatObject(KHzOf(format), format.channels) != formatObject)
            continue;
        const int value = AudioQualityValue(format);
        std::string text;
        if (quality)
            text = std::to_string(value);
        else if (value >= kKbpsFrom)
            text = std::to_string(value / 1000) + LoadStr(str::kWmvKbps);
        else
            text = std::to_string(value) + LoadStr(str::kWmvBps);
        if (value > highestValue) {
            highestValue = value;
            highest = static_cast<int>(list.items.size());
        }
        list.items.push_back({ text, value });
        if ((remembered & kRateNoiseMask) == (value & kRateNoiseMask))
            rememberedIndex = static_cast<int>(list.items.size()) - 1;
    }
    list.selected = rememberedIndex >= 0 ? rememberedIndex : highest >= 0 ? highest : 0;
    if (list.items.empty())
        list.selected = -1;
    return list;
}

} // namespace vantor::video
