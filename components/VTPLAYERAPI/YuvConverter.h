#pragma once

// Converts the pictures a screen recording decodes to (packed 32-bit RGB)
// into the 4:2:0 YUV most encoders take, at the same size, several times
// faster than libswscale's general path: BT.601 in fixed point, each chroma
// sample the average of its 2 x 2 block of pixels, and only the rows asked
// for, so that a frame where one line of text changed costs those rows.

#include "FFmpeg.h"

namespace vtapi {

class YuvConverter final {
public:
    // True when frames of `source` convert to `destination` here: BGR0,
    // BGRA, RGB0, RGBA, 0RGB, ARGB, 0BGR or ABGR to YUV420P (video range,
    // 16-235 and 16-240) or YUVJ420P (full range, 0-255).
    static bool Handles(AVPixelFormat source, AVPixelFormat destination);

    // Throws MovieError when the pair is not handled.
    YuvConverter(AVPixelFormat source, AVPixelFormat destination);

    // Converts rows [top, bottom) of `source` into the same rows of
    // `destination` (same size): `top` is even, `bottom` even or the height.
    void Convert(const AVFrame* source, AVFrame* destination, int top, int bottom) const;

private:
    enum class Layout { Bgrx, Rgbx, Xrgb, Xbgr };
    Layout m_layout = Layout::Bgrx;
    bool m_fullRange = false;
};

} // namespace vtapi
