#include "YuvConverter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/pixdesc.h>
}

using namespace vtapi;

namespace {

FramePtr NewFrame(AVPixelFormat format, int width, int height, std::uint8_t fill)
{
    FramePtr frame = MakeFrame();
    frame->format = format;
    frame->width = width;
    frame->height = height;
    EXPECT_GE(av_frame_get_buffer(frame.get(), 0), 0);
    for (int plane = 0; plane < 4 && frame->buf[plane] != nullptr; ++plane)
        std::memset(frame->buf[plane]->data, fill, frame->buf[plane]->size);
    return frame;
}

// Linear ramps of R, G and B with a changing unused byte, in the pixel
// order of `format`.
FramePtr Ramps(AVPixelFormat format, int width, int height)
{
    FramePtr frame = NewFrame(format, width, height, 0);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = frame->data[0] + y * frame->linesize[0] + 4 * x;
            const int rgb[3] = { 3 * x + y, 200 - 2 * x + y, 40 + x + 3 * y };
            p[0] = p[1] = p[2] = p[3] = static_cast<std::uint8_t>(x * 37 + y); // the unused byte stays so
            for (int c = 0; c < 3; ++c)
                p[desc->comp[c].offset] = static_cast<std::uint8_t>(rgb[c]);
        }
    return frame;
}

// The largest difference between the two pictures' rows [top, bottom) and
// columns [0, width) in `plane`.
int MaxDifference(const AVFrame* a, const AVFrame* b, int plane, int top, int bottom, int width = -1)
{
    const int shift = plane == 0 ? 0 : 1;
    width = width < 0 ? a->width : width;
    int largest = 0;
    for (int y = (top + shift) >> shift; y < (bottom + shift) >> shift; ++y)
        for (int x = 0; x < (width + shift) >> shift; ++x)
            largest = std::max(largest,
                std::abs(
                    a->data[plane][y * a->linesize[plane] + x] - b->data[plane][y * b->linesize[plane] + x]));
    return largest;
}

} // namespace

// Luma is libswscale's up to rounding. Chroma differs by the filter: ours
// averages each 2 x 2 block, libswscale filters more pixels around the same
// centre, which on linear ramps gives the same value up to rounding. At an
// odd right edge libswscale mixes the last pixel with a black one beyond
// the picture (U and V move halfway to 128) where we take the pixel alone:
// that column is left out.
TEST(YuvConverter, MatchesLibswscaleOnRampsAlsoForARangeOfRows)
{
    const int sizes[][2] = { { 2, 2 }, { 17, 5 }, { 64, 48 } };
    for (AVPixelFormat source : { AV_PIX_FMT_BGR0, AV_PIX_FMT_RGBA, AV_PIX_FMT_0RGB, AV_PIX_FMT_ABGR })
        for (AVPixelFormat destination : { AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUVJ420P })
            for (const auto& size : sizes) {
                SCOPED_TRACE(testing::Message()
                    << av_get_pix_fmt_name(source) << " to " << av_get_pix_fmt_name(destination) << ", "
                    << size[0] << " x " << size[1]);
                const FramePtr frame = Ramps(source, size[0], size[1]);
                const FramePtr ours = NewFrame(destination, size[0], size[1], 0);
                YuvConverter(source, destination).Convert(frame.get(), ours.get(), 0, size[1]);
                const FramePtr theirs = NewFrame(destination, size[0], size[1], 0);
                SwsPtr scaler(sws_getContext(size[0], size[1], source, size[0], size[1], destination,
                    SWS_BICUBIC, nullptr, nullptr, nullptr));
                ASSERT_GE(sws_scale_frame(scaler.get(), theirs.get(), frame.get()), 0);
                for (int plane = 0; plane < 3; ++plane) // chroma without an odd last column
                    EXPECT_LE(MaxDifference(ours.get(), theirs.get(), plane, 0, size[1],
                                  plane == 0 ? size[0] : size[0] / 2 * 2),
                        1);
                // Rows from 2 alone (to an odd last row at 17 x 5): those rows, and no other.
                const int bottom = size[1] == 48 ? 4 : size[1];
                const FramePtr part = NewFrame(destination, size[0], size[1], 1);
                YuvConverter(source, destination).Convert(frame.get(), part.get(), 2, bottom);
                const FramePtr untouched = NewFrame(destination, size[0], size[1], 1);
                for (int plane = 0; plane < 3; ++plane) {
                    EXPECT_EQ(MaxDifference(part.get(), ours.get(), plane, 2, bottom), 0);
                    EXPECT_EQ(MaxDifference(part.get(), untouched.get(), plane, 0, 2), 0);
                    EXPECT_EQ(MaxDifference(part.get(), untouched.get(), plane, bottom, size[1]), 0);
                }
            }
}

TEST(YuvConverter, GivesBt601ValuesOfPureColours)
{
    struct Case {
        std::uint8_t r, g, b;
        int video[3]; // Y, U, V in YUV420P
        int full[3]; // in YUVJ420P
    };
    const Case cases[] = {
        { 0, 0, 0, { 16, 128, 128 }, { 0, 128, 128 } },
        { 255, 255, 255, { 235, 128, 128 }, { 255, 128, 128 } },
        { 255, 0, 0, { 81, 90, 240 }, { 76, 85, 255 } },
        { 0, 255, 0, { 145, 54, 34 }, { 150, 44, 21 } },
        { 0, 0, 255, { 41, 240, 110 }, { 29, 255, 107 } },
    };
    for (const Case& c : cases)
        for (AVPixelFormat destination : { AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUVJ420P }) {
            SCOPED_TRACE(testing::Message() << int(c.r) << " " << int(c.g) << " " << int(c.b) << " to "
                                            << av_get_pix_fmt_name(destination));
            const int* yuv = destination == AV_PIX_FMT_YUV420P ? c.video : c.full;
            // 3 x 3: whole and cut chroma blocks.
            const FramePtr frame = NewFrame(AV_PIX_FMT_RGB0, 3, 3, 0);
            for (int i = 0; i < 9; ++i)
                std::memcpy(frame->data[0] + i / 3 * frame->linesize[0] + 4 * (i % 3), &c, 3);
            const FramePtr picture = NewFrame(destination, 3, 3, 0);
            YuvConverter(AV_PIX_FMT_RGB0, destination).Convert(frame.get(), picture.get(), 0, 3);
            for (int i = 0; i < 4; ++i) {
                EXPECT_EQ(picture->data[0][i / 2 * 2 * picture->linesize[0] + i % 2 * 2], yuv[0]);
                EXPECT_EQ(picture->data[1][i / 2 * picture->linesize[1] + i % 2], yuv[1]);
                EXPECT_EQ(picture->data[2][i / 2 * picture->linesize[2] + i % 2], yuv[2]);
            }
        }
}
