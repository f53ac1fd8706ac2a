#include "video/OutputSizeRules.h"

#include "strings/StringIds.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace vantor::video {

namespace {

// The percent fields: 1..100 with three characters; the pixel fields start
// at 20 and take four.
constexpr int kPercentMinimum = 1;
constexpr int kPercentLength = 3;
constexpr int kPixelMinimum = 20;
constexpr int kPixelLength = 4;
constexpr int kStep = 5;
constexpr int kQuickTimeStep = 16;

int RoundUpTo16(int value)
{
    return (value + 15) / 16 * 16;
}

} // namespace

const std::array<SoundFormatFlag, 20> SoundFormatFlags = { {
    { str::kSoundFormat11kMono8, 0x1 },
    { str::kSoundFormat11kMono16, 0x4 },
    { str::kSoundFormat11kStereo8, 0x2 },
    { str::kSoundFormat11kStereo16, 0x8 },
    { str::kSoundFormat22kMono8, 0x10 },
    { str::kSoundFormat22kMono16, 0x40 },
    { str::kSoundFormat22kStereo8, 0x20 },
    { str::kSoundFormat22kStereo16, 0x80 },
    { str::kSoundFormat44kMono8, 0x100 },
    { str::kSoundFormat44kMono16, 0x400 },
    { str::kSoundFormat44kStereo8, 0x200 },
    { str::kSoundFormat44kStereo16, 0x800 },
    { str::kSoundFormat48kMono8, 0x1000 },
    { str::kSoundFormat48kMono16, 0x4000 },
    { str::kSoundFormat48kStereo8, 0x2000 },
    { str::kSoundFormat48kStereo16, 0x8000 },
    { str::kSoundFormat96kMono8, 0x10000 },
    { str::kSoundFormat96kMono16, 0x40000 },
    { str::kSoundFormat96kStereo8, 0x20000 },
    { str::kSoundFormat96kStereo16, 0x80000 },
} };

OutputSizeRules::OutputSizeRules(OutputSizeVariant variant)
    : m_variant(variant)
{
}

void OutputSizeRules::SetMovieSize(int width, int height)
{
    m_refWidth = m_maxWidth = width;
    m_refHeight = m_maxHeight = height;
}

void OutputSizeRules::SetMaxOutputSize(int width, int height)
{
    m_maxWidth = width;
    m_maxHeight = height;
}

bool OutputSizeRules::SetScalePercents(float widthPercent, float heightPercent)
{
    m_widthPercent = widthPercent;
    m_heightPercent = heightPercent;
    return m_refWidth != 0 && m_refHeight != 0;
}

void OutputSizeRules::SetScalePixels(int width, int height)
{
    if (m_refWidth == 0 || m_refHeight == 0) {
        m_widthPercent = m_heightPercent = 100.0f;
        return;
    }
    m_widthPercent = static_cast<float>(static_cast<double>(width) / m_refWidth * 100);
    m_heightPercent = static_cast<float>(static_cast<double>(height) / m_refHeight * 100);
}

void OutputSizeRules::WidthChanged(int value, bool percentMode)
{
    m_widthPercent = percentMode || m_refWidth == 0
        ? static_cast<float>(value)
        : static_cast<float>(static_cast<double>(value) * 100 / m_refWidth);
}

void OutputSizeRules::HeightChanged(int value, bool percentMode, bool keepAspect)
{
    m_heightPercent = percentMode || m_refHeight == 0
        ? static_cast<float>(value)
        : static_cast<float>(static_cast<double>(value) * 100 / m_refHeight);
    if (keepAspect)
        m_widthPercent = m_heightPercent;
}

int OutputSizeRules::Pixels(int reference, float percent) const
{
    return static_cast<int>(reference * static_cast<double>(percent) * 0.01 + m_variant.pixelEpsilon);
}

int OutputSizeRules::PixelWidth() const
{
    return Pixels(m_refWidth, m_widthPercent);
}

int OutputSizeRules::PixelHeight() const
{
    return Pixels(m_refHeight, m_heightPercent);
}

void OutputSizeRules::Limits(bool percentMode, bool keepAspect, SizeField* width, SizeField* height) const
{
    int maxWidth = m_maxWidth;
    int maxHeight = m_maxHeight;
    if (keepAspect && m_refWidth > 0 && m_refHeight > 0) {
        const double r = std::min(
            static_cast<double>(maxWidth) / m_refWidth, static_cast<double>(maxHeight) / m_refHeight);
        maxWidth = static_cast<int>(m_refWidth * r);
        maxHeight = static_cast<int>(m_refHeight * r);
    }
    if (!percentMode) {
        width->maximum = maxWidth;
        height->maximum = maxHeight;
        return;
    }
    const auto percentMaximum = [](int maximum, int reference) {
        if (reference <= 0)
            return 100;
        int limit = maximum * 100 / reference;
        if (reference * limit * 0.01 > maximum)
            --limit;
        return limit;
    };
    width->maximum = percentMaximum(maxWidth, m_refWidth);
    height->maximum = percentMaximum(maxHeight, m_refHeight);
}

ScalingView OutputSizeRules::UpdateScaling(bool percentMode, bool keepAspect)
{
    ScalingView view;
    view.percentMode = percentMode;
    view.keepAspectEnabled = !(unlockAspectInPixels && !percentMode);
    view.keepAspect = view.keepAspectEnabled && keepAspect;

    const bool quickTimePixels = m_variant.hasQuickTimeMode && quickTimeMode && !percentMode;
    for (SizeField* field : { &view.width, &view.height }) {
        field->typing = !quickTimePixels;
        field->step = quickTimePixels ? kQuickTimeStep : kStep;
    }
    if (view.keepAspect && m_widthPercent != m_heightPercent)
        m_heightPercent = m_widthPercent;
    Limits(percentMode, view.keepAspect, &view.width, &view.height);

    for (SizeField* field : { &view.width, &view.height }) {
        field->minimum = percentMode ? kPercentMinimum : kPixelMinimum;
        field->maxLength = percentMode ? kPercentLength : kPixelLength;
    }
    if (percentMode) {
        view.width.value = static_cast<int>(m_widthPercent + 0.5f);
        view.height.value = static_cast<int>(m_heightPercent + 0.5f);
    } else {
        view.width.value = PixelWidth();
        view.height.value = PixelHeight();
    }
    for (SizeField* field : { &view.width, &view.height })
        field->value = std::clamp(field->value, field->minimum, std::max(field->minimum, field->maximum));

    view.sizeLabelVisible = percentMode;
    if (!MovieSizeLabel(&view.labelWidth, &view.labelHeight))
        view.labelWidth = view.labelHeight = 0;
    return view;
}

bool OutputSizeRules::MovieSizeLabel(int* width, int* height) const
{
    int w = PixelWidth();
    int h = PixelHeight();
    if (w <= 0 || h <= 0)
        return false;
    if (m_variant.hasQuickTimeMode && quickTimeMode) {
        w = RoundUpTo16(w);
        h = RoundUpTo16(h);
    }
    *width = w;
    *height = h;
    return true;
}

bool OutputSizeRules::AutoscrollNote(int autoscrollWidth, int autoscrollHeight, int* width, int* height) const
{
    if (m_widthPercent - 100 == 0 && m_heightPercent == 100)
        return false;
    *width = static_cast<int>(autoscrollWidth * static_cast<double>(m_widthPercent) * 0.01);
    *height = static_cast<int>(autoscrollHeight * static_cast<double>(m_heightPercent) * 0.01);
    return true;
}

bool IsValidSizeText(const std::string& text, int minimum, int maximum)
{
    if (text.empty())
        return false;
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    long long value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && value < 1'000'000'000)
        value = value * 10 + (text[i++] - '0');
    if (negative)
        value = -value;
    return value >= minimum && value <= maximum;
}

int EffectiveFrameRate(int fullRate, int mode, int customRate)
{
    switch (mode) {
    case 0:
        return fullRate;
    case 1:
        return fullRate / 2;
    case 2:
        return fullRate / 4;
    default:
        return customRate;
    }
}

int QualityPercent(int position, int maximum)
{
    return maximum > 0 ? position * 100 / maximum : 0;
}

int IndexToProfile(int index)
{
    switch (index) {
    case 0:
        return 1;
    case 2:
        return 2;
    case 3:
        return 5;
    default:
        return 0;
    }
}

int ProfileToIndex(int profile)
{
    switch (profile) {
    case 1:
        return 0;
    case 0:
        return 1;
    case 5:
        return 3;
    default:
        return 2;
    }
}

} // namespace vantor::video
