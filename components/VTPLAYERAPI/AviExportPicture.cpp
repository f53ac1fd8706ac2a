#include "AviExportPicture.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace vtapi {

namespace {

// An output row of libswscale depends on the source rows this close to it:
// the chroma rows of 4:2:0 come from a bicubic filter over about ten rows.
constexpr int kFilterReach = 16;

// A scaler that converts on several threads, as FFmpeg's own scale filter does.
SwsPtr MakeScaler(const AVFrame* source, const AVFrame* picture)
{
    SwsPtr scaler(sws_alloc_context());
    if (!scaler)
        throw MovieError("out of memory");
    SwsContext* s = scaler.get();
    av_opt_set_int(s, "srcw", source->width, 0);
    av_opt_set_int(s, "srch", source->height, 0);
    av_opt_set_int(s, "src_format", source->format, 0);
    av_opt_set_int(s, "dstw", picture->width, 0);
    av_opt_set_int(s, "dsth", picture->height, 0);
    av_opt_set_int(s, "dst_format", picture->format, 0);
    av_opt_set_int(s, "sws_flags", SWS_BICUBIC, 0);
    av_opt_set_int(s, "threads", 0, 0); // one per processor
    Check(sws_init_context(s, nullptr, nullptr), "cannot convert the frames");
    return scaler;
}

} // namespace

AviExportPicture::AviExportPicture(AVPixelFormat format, int width, int height, bool bottomUp)
    : m_picture(MakeFrame())
    , m_bottomUp(bottomUp)
{
    m_picture->format = format;
    m_picture->width = width;
    m_picture->height = height;
    Check(av_frame_get_buffer(m_picture.get(), 0), "out of memory");
}

void AviExportPicture::AddChanges(const FrameChanges& changes)
{
    if (m_allChanged || changes.all || changes.bands.size() != m_changedBands.size()) {
        m_allChanged = true;
        return;
    }
    for (size_t band = 0; band < m_changedBands.size(); ++band)
        m_changedBands[band] |= changes.bands[band];
}

bool AviExportPicture::Changed(int left, int top) const
{
    if (!m_made || m_allChanged || left != m_left || top != m_top)
        return true;
    return std::any_of(m_changedBands.begin(), m_changedBands.end(), [](std::uint8_t c) { return c != 0; });
}

bool AviExportPicture::Partial(const AVFrame* view, int left, int top) const
{
    return m_made && !m_allChanged && !m_bottomUp && left == m_left && top == m_top && left == 0 && top == 0
        && view->width == m_picture->width && view->height == m_picture->height
        && m_changedBands.size() == static_cast<size_t>((view->height + kBandRows - 1) / kBandRows);
}

void AviExportPicture::Convert(const AVFrame* view, int left, int top)
{
    const AVFrame* picture = m_picture.get();
    if (!m_converter && !m_scaler) {
        const auto from = static_cast<AVPixelFormat>(view->format);
        const auto to = static_cast<AVPixelFormat>(picture->format);
        if (!m_bottomUp && view->width == picture->width && view->height == picture->height
            && YuvConverter::Handles(from, to))
            m_converter.emplace(from, to);
        else
            m_scaler = MakeScaler(view, picture);
    }
    if (Partial(view, left, top))
        ConvertChangedRows(view);
    else
        ConvertAll(view);
    m_made = true;
    m_left = left;
    m_top = top;
    m_allChanged = false;
    m_changedBands.assign(static_cast<size_t>((view->height + kBandRows - 1) / kBandRows), 0);
}

void AviExportPicture::ConvertAll(const AVFrame* view)
{
    AVFrame* picture = m_picture.get();
    if (!av_frame_is_writable(picture)) {
        // The encoder still holds the last picture: take a new buffer
        // rather than copying one that is overwritten anyway.
        const FramePtr fresh = MakeFrame();
        fresh->format = picture->format;
        fresh->width = picture->width;
        fresh->height = picture->height;
        Check(av_frame_get_buffer(fresh.get(), 0), "out of memory");
        av_frame_unref(picture);
        av_frame_move_ref(picture, fresh.get());
    }
    if (m_converter) {
        m_converter->Convert(view, picture, 0, picture->height);
    } else if (m_bottomUp) {
        std::uint8_t* planes[4]
            = { picture->data[0] + static_cast<std::ptrdiff_t>(picture->height - 1) * picture->linesize[0],
                  nullptr, nullptr, nullptr };
        int strides[4] = { -picture->linesize[0], 0, 0, 0 };
        sws_scale(m_scaler.get(), view->data, view->linesize, 0, view->height, planes, strides);
    } else {
        Check(sws_scale_frame(m_scaler.get(), picture, view), "cannot convert the frames");
    }
    m_rowsConverted += picture->height;
}

void AviExportPicture::ConvertChangedRows(const AVFrame* view)
{
    AVFrame* picture = m_picture.get();
    // The rows that stay are the last picture's: keep them, copying only
    // when the encoder still holds that buffer.
    Check(av_frame_make_writable(picture), "out of memory");
    if (m_converter) {
        // Each output row pair comes from its own two rows: a changed band
        // needs only its rows (bands start on even rows).
        const int bands = static_cast<int>(m_changedBands.size());
        for (int band = 0; band < bands; ++band) {
            if (m_changedBands[static_cast<size_t>(band)] == 0)
                continue;
            int last = band;
            while (last + 1 < bands && m_changedBands[static_cast<size_t>(last + 1)] != 0)
                ++last;
            const int top = band * kBandRows;
            const int bottom = std::min(picture->height, (last + 1) * kBandRows);
            m_converter->Convert(view, picture, top, bottom);
            m_rowsConverted += bottom - top;
            band = last;
        }
        return;
    }
    SwsContext* s = m_scaler.get();
    const int align = static_cast<int>(std::max(1u, sws_receive_slice_alignment(s)));
    Check(sws_frame_start(s, picture, view), "cannot convert the frames");
    const int height = picture->height;
    const int sent = sws_send_slice(s, 0, static_cast<unsigned>(view->height));
    int done = 0; // rows below this are converted or kept
    const int bands = static_cast<int>(m_changedBands.size());
    for (int band = 0; sent >= 0 && band < bands; ++band) {
        if (m_changedBands[static_cast<size_t>(band)] == 0)
            continue;
        int last = band;
        while (last + 1 < bands && m_changedBands[static_cast<size_t>(last + 1)] != 0)
            ++last;
        int top = std::max(done, band * kBandRows - kFilterReach);
        top -= top % align;
        int bottom = std::min(height, (last + 1) * kBandRows + kFilterReach);
        if (bottom % align != 0 && bottom != height)
            bottom = std::min(height, bottom + align - bottom % align);
        if (bottom > top) {
            const int received
                = sws_receive_slice(s, static_cast<unsigned>(top), static_cast<unsigned>(bottom - top));
            if (received < 0) {
                sws_frame_end(s);
                Check(received, "cannot convert the frames");
            }
            m_rowsConverted += bottom - top;
            done = bottom;
        }
        band = last;
    }
    sws_frame_end(s);
    Check(sent, "cannot convert the frames");
}

} // namespace vtapi
