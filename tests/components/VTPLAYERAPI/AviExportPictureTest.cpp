#include "AviExportPicture.h"
#include "SyntheticRecording.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace vtapi;

// Converting only the rows near the changed ones gives, frame after frame,
// the same 4:2:0 picture as converting the whole frame.
TEST(AviExportPicture, ChangedRowsGiveTheWholeConversion)
{
    struct Case {
        bool still;
        std::int64_t
            rowsAtMost; // converted over 20 frames of 120 rows: a typed character changes one band of 16
        int unchangedFrames;
    };
    const Case cases[] = { { true, 120 + 9 * 16, 10 }, { false, 20 * 120, 0 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.still);
        SyntheticOptions options { .width = 160, .height = 120, .frameRate = { 10, 1 }, .still = c.still };
        const SyntheticRecording recording(options);
        AviExportPicture changed(AV_PIX_FMT_YUV420P, 160, 120, false);
        FramePtr frames[2] = { MakeFrame(), MakeFrame() };
        int unchanged = 0;
        for (int i = 0; i < 20; ++i) {
            AVFrame* frame = frames[i % 2].get();
            av_frame_unref(frame);
            frame->format = AV_PIX_FMT_BGR0;
            frame->width = 160;
            frame->height = 120;
            ASSERT_GE(av_frame_get_buffer(frame, 0), 0);
            recording.RenderFrame(i, frame->data[0], frame->linesize[0]);
            changed.AddChanges(CompareFrames(i > 0 ? frames[(i + 1) % 2].get() : nullptr, frame));
            if (!changed.Changed(0, 0)) {
                ++unchanged;
                continue;
            }
            changed.Convert(frame, 0, 0);
            AviExportPicture whole(AV_PIX_FMT_YUV420P, 160, 120, false);
            whole.Convert(frame, 0, 0);
            for (int plane = 0; plane < 3; ++plane)
                for (int y = 0; y < (plane == 0 ? 120 : 60); ++y)
                    ASSERT_EQ(0,
                        std::memcmp(changed.Picture()->data[plane] + y * changed.Picture()->linesize[plane],
                            whole.Picture()->data[plane] + y * whole.Picture()->linesize[plane],
                            plane == 0 ? 160 : 80))
                        << "frame " << i << " plane " << plane << " row " << y;
        }
        EXPECT_EQ(unchanged, c.unchangedFrames);
        EXPECT_LE(changed.RowsConverted(), c.rowsAtMost);
    }
}
