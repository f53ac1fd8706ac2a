#include "MovieWriter.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace vtapi {

MovieWriter::MovieWriter(const std::string& path, const MovieWriterOptions& options)
    : m_options(options)
    , m_file(path)
{
    constexpr int kMaxSide = 16384;
    if (options.width <= 0 || options.height <= 0 || options.width > kMaxSide || options.height > kMaxSide)
        throw MovieError("bad frame size");
    if (options.frameRate.num <= 0 || options.frameRate.den <= 0)
        throw MovieError("bad frame rate");
    if (options.sampleRate < 0 || (options.sampleRate > 0 && (options.channels < 1 || options.channels > 2)))
        throw MovieError("bad sound format");

    const bool current = options.layout == MovieLayout::Current;
    m_output = OpenOutput(m_file.TemporaryPath(), current ? "matroska" : "avi");
    m_packet = MakePacket();

    const AVCodec* ffv1 = avcodec_find_encoder(AV_CODEC_ID_FFV1);
    if (ffv1 == nullptr)
        throw MovieError("the FFV1 encoder is missing");
    m_video.reset(avcodec_alloc_context3(ffv1));
    m_video->width = options.width;
    m_video->height = options.height;
    m_video->pix_fmt = AV_PIX_FMT_BGR0;
    m_video->time_base = av_inv_q(options.frameRate);
    m_video->framerate = options.frameRate;
    m_video->thread_count = 0;
    m_video->level = 3;
    // Every frame a key frame costs no space on a screen recording, and a
    // still stretch then repeats the same packet, which a reader need not
    // decode again. Older recorders wrote a key frame every 12 frames.
    m_video->gop_size = 1;
    // Slices let the player decode one frame on several threads.
    const bool sliced = options.width >= 256 && options.height >= 256;
    av_opt_set_int(m_video->priv_data, "slices", sliced ? 4 : 1, 0);
    av_opt_set_int(m_video->priv_data, "slicecrc", 0, 0);
    if (m_output->oformat->flags & AVFMT_GLOBALHEADER)
        m_video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    Check(avcodec_open2(m_video.get(), ffv1, nullptr), "cannot start the FFV1 encoder");
    m_videoStream = avformat_new_stream(m_output.get(), nullptr);
    if (m_videoStream == nullptr)
        throw MovieError("out of memory");
    Check(avcodec_parameters_from_context(m_videoStream->codecpar, m_video.get()), "video stream");
    m_videoStream->time_base = m_video->time_base;
    m_videoStream->avg_frame_rate = options.frameRate;

    if (options.sampleRate > 0) {
        const AVCodec* pcm = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
        m_audio.reset(avcodec_alloc_context3(pcm));
        m_audio->sample_rate = options.sampleRate;
        m_audio->sample_fmt = AV_SAMPLE_FMT_S16;
        av_channel_layout_default(&m_audio->ch_layout, options.channels);
        m_audio->time_base = AVRational { 1, options.sampleRate };
        Check(avcodec_open2(m_audio.get(), pcm, nullptr), "cannot start the PCM encoder");
        m_audioStream = avformat_new_stream(m_output.get(), nullptr);
        if (m_audioStream == nullptr)
            throw MovieError("out of memory");
        Check(avcodec_parameters_from_context(m_audioStream->codecpar, m_audio.get()), "audio stream");
        m_audioStream->time_base = m_audio->time_base;
        m_audioFrame = MakeFrame();
    }

    if (current)
        TagCurrentMovie(m_output.get(), options.cursor);
    Check(avformat_write_header(m_output.get(), nullptr), "cannot write \"" + path + "\"");

    m_frame = MakeFrame();
    m_frame->format = AV_PIX_FMT_BGR0;
    m_frame->width = options.width;
    m_frame->height = options.height;
    Check(av_frame_get_buffer(m_frame.get(), 0), "out of memory");
}

MovieWriter::~MovieWriter() = default;

void MovieWriter::Encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame)
{
    Check(avcodec_send_frame(codec, frame), "encoding failed");
    while (true) {
        const int result = avcodec_receive_packet(codec, m_packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return;
        Check(result, "encoding failed");
        av_packet_rescale_ts(m_packet.get(), codec->time_base, stream->time_base);
        m_packet->stream_index = stream->index;
        Check(av_interleaved_write_frame(m_output.get(), m_packet.get()), "cannot write the movie");
    }
}

void MovieWriter::WriteVideo(const std::uint8_t* bgrx, int stride)
{
    Check(av_frame_make_writable(m_frame.get()), "out of memory");
    const size_t rowBytes = static_cast<size_t>(m_options.width) * 4;
    for (int y = 0; y < m_options.height; ++y)
        std::memcpy(m_frame->data[0] + static_cast<ptrdiff_t>(y) * m_frame->linesize[0],
            bgrx + static_cast<ptrdiff_t>(y) * stride, rowBytes);
    m_frame->pts = m_frames++;
    Encode(m_video.get(), m_videoStream, m_frame.get());
}

void MovieWriter::WriteVideo(const AVFrame* frame)
{
    m_scaler.reset(sws_getCachedContext(m_scaler.release(), frame->width, frame->height,
        static_cast<AVPixelFormat>(frame->format), m_options.width, m_options.height, AV_PIX_FMT_BGR0,
        SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!m_scaler)
        throw MovieError("cannot convert the frames");
    Check(av_frame_make_writable(m_frame.get()), "out of memory");
    sws_scale(
        m_scaler.get(), frame->data, frame->linesize, 0, frame->height, m_frame->data, m_frame->linesize);
    m_frame->pts = m_frames++;
    Encode(m_video.get(), m_videoStream, m_frame.get());
}

void MovieWriter::WriteAudio(const std::int16_t* interleaved, int samples)
{
    if (!m_audio || samples <= 0)
        return;
    constexpr int kChunk = 4096;
    for (int start = 0; start < samples; start += kChunk) {
        const int count = std::min(kChunk, samples - start);
        av_frame_unref(m_audioFrame.get());
        m_audioFrame->format = AV_SAMPLE_FMT_S16;
        m_audioFrame->sample_rate = m_options.sampleRate;
        m_audioFrame->nb_samples = count;
        Check(av_channel_layout_copy(&m_audioFrame->ch_layout, &m_audio->ch_layout), "out of memory");
        Check(av_frame_get_buffer(m_audioFrame.get(), 0), "out of memory");
        std::memcpy(m_audioFrame->data[0], interleaved + static_cast<ptrdiff_t>(start) * m_options.channels,
            static_cast<size_t>(count) * static_cast<size_t>(m_options.channels) * sizeof(std::int16_t));
        m_audioFrame->pts = m_samples;
        m_samples += count;
        Encode(m_audio.get(), m_audioStream, m_audioFrame.get());
    }
}

void MovieWriter::Finish()
{
    Encode(m_video.get(), m_videoStream, nullptr);
    if (m_audio)
        Encode(m_audio.get(), m_audioStream, nullptr);
    Check(av_write_trailer(m_output.get()), "cannot write the movie");
    m_output.reset(); // closes the file before it is renamed
    m_file.Commit();
}

} // namespace vtapi
