#pragma once

// Turns a movie's decoded sound into the frames a sound encoder takes:
// resampled to the encoder's rate, channels and sample format, cut into the
// encoder's frame size (PCM takes any size), stamped in samples from 0.

#include "FFmpeg.h"

extern "C" {
#include <libavutil/audio_fifo.h>
}

#include <functional>

namespace vtapi {

class SoundQueue final {
public:
    using Encode = std::function<void(const AVFrame*)>;

    // For sound decoded by `decoder`, encoded by the opened `encoder`.
    SoundQueue(AVCodecContext* decoder, AVCodecContext* encoder);

    // Converts `frame` and hands `encode` every whole frame of the encoder;
    // `frame` nullptr at the end: what the resampler still holds, and then
    // the rest, in a shorter last frame.
    void Add(const AVFrame* frame, const Encode& encode);

private:
    struct FifoDeleter {
        void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
    };

    const AVCodecContext* m_encoder;
    SwrPtr m_resampler;
    std::unique_ptr<AVAudioFifo, FifoDeleter> m_fifo;
    FramePtr m_chunk;
    std::int64_t m_samplesOut = 0;
};

} // namespace vtapi
