#include "FrameReader.h"
#include "TestEnvironment.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace vtapi;

// A key frame equal to the one before is handed out again without being
// decoded, in its place after the frames that a frame-threaded decoder (Ut
// Video's) holds back; a movie with non-key frames is decoded whole. The
// frames read "shade@time", then "+" when they changed, "=" when not.
TEST(FrameReader, RepeatedKeyFramesAreNotDecodedAgain)
{
    // The movie's codec, decodes skipped.
    const std::pair<std::string, int> cases[] = { { "ffv1 -g 1", 4 }, { "ffv1 -g 12", 0 }, { "utvideo", 4 } };
    for (const auto& [codec, skipped] : cases) {
        const vantor::test::TempDir dir;
        const std::string make = "ffmpeg -v error -f lavfi -i \"color=s=64x48:r=25:d=0.32,format=yuv420p,"
                                 "geq=lum='90*between(N,2,4)+180*eq(N,5)'\" -c:v "
            + codec + " -metadata " + kVersionTag + "=" + kCurrentVersion + " -f matroska " + dir / "a.vtr";
        ASSERT_EQ(std::system(make.c_str()), 0) << make;
        MovieSource movie(dir / "a.vtr", TaskControl {});
        CodecContextPtr decoder(avcodec_alloc_context3(nullptr));
        avcodec_parameters_to_context(decoder.get(), movie.Format()->streams[movie.VideoStream()]->codecpar);
        decoder->thread_count = 4; // Ut Video's decoder then holds three frames back
        ASSERT_GE(avcodec_open2(decoder.get(), avcodec_find_decoder(decoder->codec_id), nullptr), 0);
        FrameReader reader(movie, decoder.get(), nullptr);
        std::string got;
        for (DecodedFrame f; reader.Next(&f);)
            got += std::to_string(f.frame->data[0][0]) + "@" + std::to_string(f.frame->best_effort_timestamp)
                + (f.changes.all || std::ranges::count(f.changes.bands, 1) ? "+ " : "= ");
        EXPECT_EQ(got, "0@0+ 0@40= 90@80+ 90@120= 90@160= 180@200+ 0@240+ 0@280= ") << codec;
        EXPECT_EQ(reader.DecodesSkipped(), skipped) << codec;
    }
}
