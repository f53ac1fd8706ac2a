#pragma once

// Turns the frames an AVI export shows into the encoder's pictures. A screen
// recording changes little from one frame to the next: the converter keeps
// track of the bands of rows that changed since its last picture, so that a
// frame equal to the one before costs a comparison and no conversion, and a
// frame where one line of text changed costs the rows around that line.

#include "FFmpeg.h"
#include "FrameChanges.h"
#include "YuvConverter.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vtapi {

class AviExportPicture final {
public:
    // Pictures of `width` x `height` in `format`; `bottomUp` writes the rows
    // upwards, as AVI keeps uncompressed RGB.
    AviExportPicture(AVPixelFormat format, int width, int height, bool bottomUp);

    // Notes what the frame shown next changed after the one shown before.
    void AddChanges(const FrameChanges& changes);
    // False when the view of the current frame at (`left`, `top`) is what
    // the last picture shows.
    bool Changed(int left, int top) const;
    // Makes the picture of `view`, the current frame cropped at (`left`,
    // `top`). When the view is the whole frame at the picture's size, only
    // the rows near the changed ones are converted again.
    void Convert(const AVFrame* view, int left, int top);
    AVFrame* Picture() const { return m_picture.get(); }

    // Rows converted again since the start, for the tests.
    std::int64_t RowsConverted() const { return m_rowsConverted; }

private:
    void ConvertAll(const AVFrame* view);
    void ConvertChangedRows(const AVFrame* view);
    bool Partial(const AVFrame* view, int left, int top) const;

    FramePtr m_picture;
    // Our own converter where it can make the picture (the same size, RGB
    // to 4:2:0, top-down), libswscale for everything else.
    std::optional<YuvConverter> m_converter;
    SwsPtr m_scaler;
    bool m_bottomUp = false;
    bool m_made = false; // the picture shows a frame
    int m_left = 0;
    int m_top = 0;
    std::vector<std::uint8_t> m_changedBands; // of the current frame since the last picture
    bool m_allChanged = true;
    std::int64_t m_rowsConverted = 0;
};

} // namespace vtapi
