#pragma once

// The arithmetic and enabling decisions of the video options dialogs
// (TOutputSizeForm for AVI and QuickTime, and the WMV dialog): the scale in
// percent and in pixels, the limits of the two size fields, the size label,
// the autoscroll note, frame rates, the MP3 presets and the sound formats.
// The dialogs own one object each and show what it decides; the dialogs'
// differences are the variant they pass in.

#include <array>
#include <string>

namespace vantor::video {

struct OutputSizeVariant {
    // Added before a pixel value is truncated, so that a percentage that
    // came from pixels gives those pixels back.
    double pixelEpsilon;
    // Whether the dialog has a QuickTime mode: sizes rounded up to
    // multiples of 16, pixel fields stepped by 16 and not typed in.
    bool hasQuickTimeMode;
};

// TOutputSizeForm (AVI and QuickTime).
inline constexpr OutputSizeVariant kOutputSizeFormVariant { 0.0001, true };
// The WMV options dialog.
inline constexpr OutputSizeVariant kWmvFormVariant { 0.00001, false };

// What a size field (OutWidth or OutHeight) is set to.
struct SizeField {
    int minimum = 1;
    int maximum = 100;
    int maxLength = 3; // characters
    int step = 5;
    bool typing = true; // false: only the spin buttons change it
    int value = 100;
    bool operator==(const SizeField&) const = default;
};

// The outcome of UpdateScaling.
struct ScalingView {
    bool keepAspectEnabled = true;
    bool keepAspect = true; // "Keep aspect ratio" checked afterwards
    bool percentMode = true; // unit labels "%", else "px"
    SizeField width;
    SizeField height;
    // The movie size label: visible in percent mode; its numbers are
    // (0, 0) when it is empty.
    bool sizeLabelVisible = true;
    int labelWidth = 0;
    int labelHeight = 0;
};

class OutputSizeRules final {
public:
    explicit OutputSizeRules(OutputSizeVariant variant = kOutputSizeFormVariant);

    // Both flags are set by the drivers on every use.
    bool quickTimeMode = false;
    bool unlockAspectInPixels = false;

    // Reference size = maximum size.
    void SetMovieSize(int width, int height);
    // The WMV dialog's larger maximum.
    void SetMaxOutputSize(int width, int height);
    int ReferenceWidth() const { return m_refWidth; }
    int ReferenceHeight() const { return m_refHeight; }

    // Stores both percentages. False when a reference dimension is 0: the
    // dialog then disables both scale choices.
    bool SetScalePercents(float widthPercent, float heightPercent);
    // Percentages from pixels; 100 and 100 when a reference dimension is 0.
    void SetScalePixels(int width, int height);
    float WidthPercent() const { return m_widthPercent; }
    float HeightPercent() const { return m_heightPercent; }

    // A valid value typed into OutWidth / OutHeight (OutWidthChange,
    // OutHeightChange). Typing the height with keep aspect on makes the
    // width follow; typing the width leaves the height percent alone.
    void WidthChanged(int value, bool percentMode);
    void HeightChanged(int value, bool percentMode, bool keepAspect);

    // UpdateScaling with the current choices.
    ScalingView UpdateScaling(bool percentMode, bool keepAspect);

    // The pixel size of the percentages, before rounding to 16.
    int PixelWidth() const;
    int PixelHeight() const;
    // UpdateMovieSizeLabel: false when the label is empty.
    bool MovieSizeLabel(int* width, int* height) const;
    // UpdateAutoscrollNote: false when the note is hidden (scale 100 %).
    bool AutoscrollNote(int autoscrollWidth, int autoscrollHeight, int* width, int* height) const;

private:
    int Pixels(int reference, float percent) const;
    void Limits(bool percentMode, bool keepAspect, SizeField* width, SizeField* height) const;

    OutputSizeVariant m_variant;
    int m_refWidth = 100;
    int m_refHeight = 100;
    int m_maxWidth = 100;
    int m_maxHeight = 100;
    float m_widthPercent = 100.0f;
    float m_heightPercent = 100.0f;
};

// Validity of a size field's text: not empty, and the integer prefix
// (leading spaces, a sign, then digits) lies in minimum..maximum.
bool IsValidSizeText(const std::string& text, int minimum, int maximum);

// GetFrameRate's effective rate: full, full / 2, full / 4 or the custom rate.
int EffectiveFrameRate(int fullRate, int mode, int customRate);

// tbQualityChange: (position x 100) div maximum.
int QualityPercent(int position, int maximum);

// The MP3 quality list (index) and the LAME presets stored in the files.
int IndexToProfile(int index);
int ProfileToIndex(int profile);

constexpr int kWaveFormatMp3 = 85; // WAVE_FORMAT_MPEGLAYER3
constexpr int kWaveFormatPcm = 1;

// One entry of the sound format list, in list order.
struct SoundFormatFlag {
    int textId; // string table id
    int flag; // Windows wave-format capability flag
};
extern const std::array<SoundFormatFlag, 20> SoundFormatFlags;

} // namespace vantor::video
