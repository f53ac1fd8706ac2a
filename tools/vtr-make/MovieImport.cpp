#include "MovieImport.h"

#include "MovieWriter.h"

#include <algorithm>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
}

using namespace vtapi;

namespace {

CodecContextPtr OpenDecoder(const AVStream* stream)
{
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (decoder == nullptr)
        throw MovieError("no decoder for the file's streams");
    CodecContextPtr context(avcodec_alloc_context3(decoder));
    Check(avcodec_parameters_to_context(context.get(), stream->codecpar), "decoder set-up");
    context->thread_count = 0;
    context->pkt_timebase = stream->time_base;
    Check(avcodec_open2(context.get(), decoder, nullptr), "cannot start the decoder");
    return context;
}

} // namespace

void ImportVideo(const std::string& input, const std::string& output, MovieLayout layout, int width,
    int height, const TaskControl& control)
{
    AVFormatContext* raw = nullptr;
    Check(avformat_open_input(&raw, input.c_str(), nullptr, nullptr), "cannot read \"" + input + "\"");
    InputFormatPtr format(raw);
    Check(avformat_find_stream_info(format.get(), nullptr), "cannot read \"" + input + "\"");
    const int videoIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (videoIndex < 0)
        throw MovieError("\"" + input + "\" has no video");
    const int audioIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, videoIndex, nullptr, 0);
    const AVStream* videoStream = format->streams[videoIndex];
    CodecContextPtr video = OpenDecoder(videoStream);
    CodecContextPtr audio;
    if (audioIndex >= 0)
        audio = OpenDecoder(format->streams[audioIndex]);

    MovieWriterOptions options;
    options.width = width > 0 && height > 0 ? width : video->width;
    options.height = width > 0 && height > 0 ? height : video->height;
    AVRational rate = videoStream->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = videoStream->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = AVRational { 25, 1 };
    options.frameRate = rate;
    options.layout = layout;
    SwrPtr resampler;
    if (audio) {
        options.sampleRate = audio->sample_rate;
        options.channels = std::clamp(audio->ch_layout.nb_channels, 1, 2);
        AVChannelLayout outLayout {};
        av_channel_layout_default(&outLayout, options.channels);
        SwrContext* swr = nullptr;
        Check(swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, options.sampleRate, &audio->ch_layout,
                  audio->sample_fmt, audio->sample_rate, 0, nullptr),
            "sound conversion");
        resampler.reset(swr);
        Check(swr_init(resampler.get()), "sound conversion");
    }
    MovieWriter writer(output, options);

    const std::int64_t duration = format->duration > 0 ? format->duration : 0;
    const std::int64_t total
        = std::max<std::int64_t>(1, av_rescale_q(duration, AV_TIME_BASE_Q, av_inv_q(options.frameRate)));
    PacketPtr packet = MakePacket();
    FramePtr frame = MakeFrame();
    std::vector<std::int16_t> sound;
    const auto drain = [&](AVCodecContext* decoder, bool isVideo) {
        while (true) {
            const int result = avcodec_receive_frame(decoder, frame.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return;
            Check(result, "cannot decode \"" + input + "\"");
            if (isVideo) {
                writer.WriteVideo(frame.get());
                control.Progress(std::min(writer.FramesWritten(), total), total);
            } else {
                const int capacity = swr_get_out_samples(resampler.get(), frame->nb_samples);
                sound.resize(
                    static_cast<size_t>(std::max(0, capacity)) * static_cast<size_t>(options.channels));
                auto* out = reinterpret_cast<uint8_t*>(sound.data());
                const int got
                    = Check(swr_convert(resampler.get(), &out, capacity,
                                const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples),
                        "sound conversion");
                writer.WriteAudio(sound.data(), got);
            }
            av_frame_unref(frame.get());
        }
    };
    while (true) {
        control.CheckCancel();
        const int result = av_read_frame(format.get(), packet.get());
        if (result == AVERROR_EOF)
            break;
        Check(result, "cannot read \"" + input + "\"");
        if (packet->stream_index == videoIndex) {
            Check(avcodec_send_packet(video.get(), packet.get()), "cannot decode \"" + input + "\"");
            drain(video.get(), true);
        } else if (audio && packet->stream_index == audioIndex) {
            Check(avcodec_send_packet(audio.get(), packet.get()), "cannot decode \"" + input + "\"");
            drain(audio.get(), false);
        }
        av_packet_unref(packet.get());
    }
    Check(avcodec_send_packet(video.get(), nullptr), "cannot decode \"" + input + "\"");
    drain(video.get(), true);
    if (audio) {
        Check(avcodec_send_packet(audio.get(), nullptr), "cannot decode \"" + input + "\"");
        drain(audio.get(), false);
    }
    if (writer.FramesWritten() == 0)
        throw MovieError("\"" + input + "\" holds no video frame");
    writer.Finish();
}
