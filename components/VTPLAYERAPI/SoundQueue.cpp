#include "SoundQueue.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace vtapi {

SoundQueue::SoundQueue(AVCodecContext* decoder, AVCodecContext* encoder)
    : m_encoder(encoder)
    , m_chunk(MakeFrame())
{
    SwrContext* resampler = nullptr;
    Check(swr_alloc_set_opts2(&resampler, &encoder->ch_layout, encoder->sample_fmt, encoder->sample_rate,
              &decoder->ch_layout, decoder->sample_fmt, decoder->sample_rate, 0, nullptr),
        "sound conversion");
    m_resampler.reset(resampler);
    Check(swr_init(m_resampler.get()), "sound conversion");
    m_fifo.reset(av_audio_fifo_alloc(encoder->sample_fmt, encoder->ch_layout.nb_channels, 4096));
    if (!m_fifo)
        throw MovieError("out of memory");
}

void SoundQueue::Add(const AVFrame* frame, const Encode& encode)
{
    const AVCodecContext* c = m_encoder;
    const bool final = frame == nullptr;
    const int samples = final ? 0 : frame->nb_samples;
    const int capacity = std::max(1, swr_get_out_samples(m_resampler.get(), samples));
    uint8_t** planes = nullptr;
    Check(av_samples_alloc_array_and_samples(
              &planes, nullptr, c->ch_layout.nb_channels, capacity, c->sample_fmt, 0),
        "out of memory");
    const auto release = [](uint8_t** p) {
        av_freep(&p[0]);
        av_freep(&p);
    };
    std::unique_ptr<uint8_t*, decltype(release)> owner(planes, release);
    const int converted
        = Check(swr_convert(m_resampler.get(), planes, capacity,
                    final ? nullptr : const_cast<const uint8_t**>(frame->extended_data), samples),
            "sound conversion");
    if (converted > 0)
        Check(
            av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(planes), converted), "out of memory");
    // PCM takes any frame size; MP3 wants its own (1152 samples).
    const int frameSize = c->frame_size > 0 ? c->frame_size : 4096;
    while (av_audio_fifo_size(m_fifo.get()) >= frameSize || (final && av_audio_fifo_size(m_fifo.get()) > 0)) {
        const int count = std::min(frameSize, av_audio_fifo_size(m_fifo.get()));
        av_frame_unref(m_chunk.get());
        m_chunk->nb_samples = count;
        m_chunk->format = c->sample_fmt;
        m_chunk->sample_rate = c->sample_rate;
        Check(av_channel_layout_copy(&m_chunk->ch_layout, &c->ch_layout), "out of memory");
        Check(av_frame_get_buffer(m_chunk.get(), 0), "out of memory");
        Check(av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(m_chunk->data), count), "sound");
        m_chunk->pts = m_samplesOut;
        m_samplesOut += count;
        encode(m_chunk.get());
    }
}

} // namespace vtapi
