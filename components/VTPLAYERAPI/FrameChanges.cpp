#include "FrameChanges.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

namespace vtapi {

namespace {

// Frames whose rows can be compared byte for byte: the same size and
// format, in memory, without a palette.
bool Comparable(const AVFrame* a, const AVFrame* b)
{
    if (a->width != b->width || a->height != b->height || a->format != b->format)
        return false;
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(a->format));
    return desc != nullptr && (desc->flags & (AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL)) == 0
        && (desc->flags & AV_PIX_FMT_FLAG_BITSTREAM) == 0;
}

// True when rows [top, bottom) of the two frames differ in any plane.
bool RowsDiffer(const AVFrame* a, const AVFrame* b, int top, int bottom)
{
    const auto format = static_cast<AVPixelFormat>(a->format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    int rowBytes[4] = {};
    if (av_image_fill_linesizes(rowBytes, format, a->width) < 0)
        return true;
    const int planes = av_pix_fmt_count_planes(format);
    for (int plane = 0; plane < planes; ++plane) {
        const int shift = plane == 1 || plane == 2 ? desc->log2_chroma_h : 0;
        const int first = top >> shift;
        const int last = -((-bottom) >> shift); // rounded up
        for (int y = first; y < last; ++y) {
            const std::uint8_t* rowA = a->data[plane] + static_cast<std::ptrdiff_t>(y) * a->linesize[plane];
            const std::uint8_t* rowB = b->data[plane] + static_cast<std::ptrdiff_t>(y) * b->linesize[plane];
            if (std::memcmp(rowA, rowB, static_cast<size_t>(rowBytes[plane])) != 0)
                return true;
        }
    }
    return false;
}

} // namespace

void FrameChanges::Add(const FrameChanges& later)
{
    if (all || later.all || bands.size() != later.bands.size()) {
        all = true;
        bands.clear();
        return;
    }
    for (size_t band = 0; band < bands.size(); ++band)
        bands[band] |= later.bands[band];
}

FrameChanges CompareFrames(const AVFrame* previous, const AVFrame* next)
{
    FrameChanges changes;
    if (previous == nullptr || !Comparable(previous, next))
        return changes;
    changes.all = false;
    changes.bands.assign(static_cast<size_t>((next->height + kBandRows - 1) / kBandRows), 0);
    for (size_t band = 0; band < changes.bands.size(); ++band) {
        const int top = static_cast<int>(band) * kBandRows;
        changes.bands[band]
            = RowsDiffer(previous, next, top, std::min(next->height, top + kBandRows)) ? 1 : 0;
    }
    return changes;
}

} // namespace vtapi
