#include "SoundTrack.h"

#include <algorithm>

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
}

namespace vtqt {

using vtapi::Check;
using vtapi::MovieError;

namespace {

struct AudioFifoDeleter {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;

vtapi::InputFormatPtr OpenSoundFile(const std::string& path, int* stream)
{
    AVFormatContext* raw = nullptr;
    Check(avformat_open_input(&raw, path.c_str(), nullptr, nullptr), "cannot open \"" + path + "\"");
    vtapi::InputFormatPtr input(raw);
    Check(avformat_find_stream_info(input.get(), nullptr), "cannot read \"" + path + "\"");
    *stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (*stream < 0)
        throw MovieError("\"" + path + "\" holds no sound");
    return input;
}

AVStream* NewStream(AVFormatContext* output)
{
    AVStream* stream = avformat_new_stream(output, nullptr);
    if (stream == nullptr)
        throw MovieError("out of memory");
    return stream;
}

class Mp3Copy final : public SoundTrack {
public:
    Mp3Copy(AVFormatContext* output, const std::string& path)
        : m_path(path)
    {
        m_input = OpenSoundFile(path, &m_source);
        const AVStream* source = m_input->streams[m_source];
        if (source->codecpar->codec_id != AV_CODEC_ID_MP3)
            throw MovieError("\"" + path + "\" is no MP3 file");
        m_stream = NewStream(output);
        Check(avcodec_parameters_copy(m_stream->codecpar, source->codecpar), "sound track");
        m_stream->codecpar->codec_tag = 0;
        m_stream->time_base = source->time_base;
    }

    bool Next(AVPacket* packet) override
    {
        while (true) {
            const int result = av_read_frame(m_input.get(), packet);
            if (result == AVERROR_EOF)
                return false;
            Check(result, "cannot read \"" + m_path + "\"");
            if (packet->stream_index == m_source) {
                av_packet_rescale_ts(packet, m_input->streams[m_source]->time_base, m_stream->time_base);
                return true;
            }
            av_packet_unref(packet);
        }
    }

private:
    std::string m_path;
    vtapi::InputFormatPtr m_input;
    int m_source = -1;
};

class AacConversion final : public SoundTrack {
public:
    AacConversion(AVFormatContext* output, const std::string& path, int bitRate)
        : m_path(path)
    {
        m_input = OpenSoundFile(path, &m_source);
        const AVStream* source = m_input->streams[m_source];
        const AVCodec* decoder = avcodec_find_decoder(source->codecpar->codec_id);
        if (decoder == nullptr)
            throw MovieError("no decoder for the sound of \"" + path + "\"");
        m_decoder.reset(avcodec_alloc_context3(decoder));
        if (!m_decoder)
            throw MovieError("out of memory");
        Check(avcodec_parameters_to_context(m_decoder.get(), source->codecpar), "sound decoder");
        m_decoder->pkt_timebase = source->time_base;
        Check(avcodec_open2(m_decoder.get(), decoder, nullptr), "cannot start the sound decoder");

        const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (encoder == nullptr)
            throw MovieError("the AAC encoder is missing");
        m_encoder.reset(avcodec_alloc_context3(encoder));
        if (!m_encoder)
            throw MovieError("out of memory");
        AVCodecContext* c = m_encoder.get();
        c->sample_rate = m_decoder->sample_rate > 0 ? std::min(m_decoder->sample_rate, 96000) : 44100;
        c->sample_fmt = AV_SAMPLE_FMT_FLTP;
        av_channel_layout_default(&c->ch_layout, std::clamp(m_decoder->ch_layout.nb_channels, 1, 2));
        c->time_base = AVRational { 1, c->sample_rate };
        c->bit_rate = bitRate > 0 ? bitRate : 128000;
        if (output->oformat->flags & AVFMT_GLOBALHEADER)
            c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        Check(avcodec_open2(c, encoder, nullptr), "cannot start the AAC encoder");

        m_stream = NewStream(output);
        Check(avcodec_parameters_from_context(m_stream->codecpar, c), "sound track");
        m_stream->time_base = c->time_base;

        SwrContext* resampler = nullptr;
        Check(swr_alloc_set_opts2(&resampler, &c->ch_layout, c->sample_fmt, c->sample_rate,
                  &m_decoder->ch_layout, m_decoder->sample_fmt, m_decoder->sample_rate, 0, nullptr),
            "sound conversion");
        m_resampler.reset(resampler);
        Check(swr_init(m_resampler.get()), "sound conversion");
        m_fifo.reset(av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, 4096));
        if (!m_fifo)
            throw MovieError("out of memory");
        m_read = vtapi::MakePacket();
        m_decoded = vtapi::MakeFrame();
        m_frame = vtapi::MakeFrame();
    }

    bool Next(AVPacket* packet) override
    {
        while (true) {
            const int result = avcodec_receive_packet(m_encoder.get(), packet);
            if (result == 0) {
                av_packet_rescale_ts(packet, m_encoder->time_base, m_stream->time_base);
                return true;
            }
            if (result == AVERROR_EOF)
                return false;
            if (result != AVERROR(EAGAIN))
                Check(result, "AAC encoding failed");
            Feed();
        }
    }

private:
    // Gives the encoder one more frame (or its end).
    void Feed()
    {
        const int frameSize = m_encoder->frame_size > 0 ? m_encoder->frame_size : 1024;
        while (!m_inputDone && av_audio_fifo_size(m_fifo.get()) < frameSize)
            ReadMore();
        const int count = std::min(frameSize, av_audio_fifo_size(m_fifo.get()));
        if (count == 0) {
            Check(avcodec_send_frame(m_encoder.get(), nullptr), "AAC encoding failed");
            return;
        }
        AVCodecContext* c = m_encoder.get();
        av_frame_unref(m_frame.get());
        m_frame->nb_samples = count;
        m_frame->format = c->sample_fmt;
        m_frame->sample_rate = c->sample_rate;
        Check(av_channel_layout_copy(&m_frame->ch_layout, &c->ch_layout), "out of memory");
        Check(av_frame_get_buffer(m_frame.get(), 0), "out of memory");
        Check(av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(m_frame->data), count), "sound");
        m_frame->pts = m_samples;
        m_samples += count;
        Check(avcodec_send_frame(c, m_frame.get()), "AAC encoding failed");
    }

    void ReadMore()
    {
        int result = av_read_frame(m_input.get(), m_read.get());
        if (result == AVERROR_EOF) {
            Check(avcodec_send_packet(m_decoder.get(), nullptr), "sound decoding");
        } else {
            Check(result, "cannot read \"" + m_path + "\"");
            const bool ours = m_read->stream_index == m_source;
            if (ours)
                result = avcodec_send_packet(m_decoder.get(), m_read.get());
            av_packet_unref(m_read.get());
            if (!ours)
                return;
            Check(result, "damaged sound in \"" + m_path + "\"");
        }
        while (true) {
            result = avcodec_receive_frame(m_decoder.get(), m_decoded.get());
            if (result == AVERROR(EAGAIN))
                return;
            if (result == AVERROR_EOF) {
                Convert(nullptr, 0);
                m_inputDone = true;
                return;
            }
            Check(result, "damaged sound in \"" + m_path + "\"");
            Convert(const_cast<const uint8_t**>(m_decoded->extended_data), m_decoded->nb_samples);
            av_frame_unref(m_decoded.get());
        }
    }

    void Convert(const uint8_t** data, int samples)
    {
        AVCodecContext* c = m_encoder.get();
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
            = Check(swr_convert(m_resampler.get(), planes, capacity, data, samples), "sound conversion");
        if (converted > 0)
            Check(av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(planes), converted),
                "out of memory");
    }

    std::string m_path;
    vtapi::InputFormatPtr m_input;
    int m_source = -1;
    vtapi::CodecContextPtr m_decoder;
    vtapi::CodecContextPtr m_encoder;
    vtapi::SwrPtr m_resampler;
    AudioFifoPtr m_fifo;
    vtapi::PacketPtr m_read;
    vtapi::FramePtr m_decoded;
    vtapi::FramePtr m_frame;
    std::int64_t m_samples = 0;
    bool m_inputDone = false;
};

} // namespace

std::unique_ptr<SoundTrack> OpenMp3Copy(AVFormatContext* output, const std::string& mp3Path)
{
    return std::make_unique<Mp3Copy>(output, mp3Path);
}

std::unique_ptr<SoundTrack> OpenAacConversion(
    AVFormatContext* output, const std::string& soundPath, int bitRate)
{
    return std::make_unique<AacConversion>(output, soundPath, bitRate);
}

} // namespace vtqt
