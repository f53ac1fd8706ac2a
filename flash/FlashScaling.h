#pragma once

// The Flash options dialog's size arithmetic: the output size as two
// percentages of the movie size or as two pixel sizes, the control bar's
// height added to the output height, padding to a multiple of 16 for
// Flash video, the size label and the autoscroll note. The dialog writes
// the size fields from here and hands every user change back.

#include <string>

namespace vantor {

class FlashScaling final {
public:
    // Two percentages differing by less than this are equal.
    static constexpr double kPercentTolerance = 0.0001;
    // The percentage fields show at most three digits.
    static constexpr int kMaxPercentField = 999;

    // The nominal movie size; 0 when no movie is known.
    void SetMovieSize(int width, int height);
    int MovieWidth() const { return m_movieWidth; }
    int MovieHeight() const { return m_movieHeight; }
    bool MovieSizeKnown() const { return m_movieWidth > 0 && m_movieHeight > 0; }

    void SetScalePercent(float widthPercent, float heightPercent);
    // Stores the pixel sizes and derives the percentages from the movie
    // size (100 and 100 when no movie size is known).
    void SetScalePixels(int width, int height);
    float WidthPercent() const { return m_widthPercent; }
    float HeightPercent() const { return m_heightPercent; }
    int WidthPixels() const { return m_widthPixels; }
    int HeightPixels() const { return m_heightPixels; }

    // The height of the control bar when it adds to the movie height; 0 when
    // it does not.
    void SetControlBarHeight(int height) { m_controlBarHeight = height; }
    int ControlBarHeight() const { return m_controlBarHeight; }
    void SetPixelMode(bool pixels) { m_pixels = pixels; }
    bool PixelMode() const { return m_pixels; }
    void SetFlashVideo(bool flashVideo) { m_flashVideo = flashVideo; }

    // What the two size fields show.
    int WidthField() const;
    int HeightField() const;
    // A size field was changed by the user (or by the program outside an
    // update). With `keepAspect` the other one follows; the return value
    // says whether it did.
    bool WidthFieldChanged(int value, bool keepAspect);
    bool HeightFieldChanged(int value, bool keepAspect);

    // The exported movie's size, without the control bar; padded to a
    // multiple of 16 for Flash video.
    int OutputWidth() const;
    int OutputHeight() const;
    // "(movie=WxH, toolbar=WxB)", "(movie=WxH)", "(toolbar=WxB)" or empty.
    std::string SizeLabel() const;

    // True when the output is not 100 percent in both directions.
    bool IsScaled() const;
    // "Scaling will decrease movie size to WxH": the autoscroll percentages
    // of the scaled size; empty when the output is not scaled.
    std::string AutoscrollNote(int autoscrollWidthPercent, int autoscrollHeightPercent) const;

private:
    int PercentToPixels(float percent, int size) const;

    int m_movieWidth = 0;
    int m_movieHeight = 0;
    float m_widthPercent = 100;
    float m_heightPercent = 100;
    int m_widthPixels = 20;
    int m_heightPixels = 20;
    int m_controlBarHeight = 24;
    bool m_pixels = false;
    bool m_flashVideo = false;
};

// The next multiple of 16 at or above `size`.
int PadTo16(int size);

} // namespace vantor
