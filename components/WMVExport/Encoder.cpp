#include "Encoder.h"

#include "components/VTPLAYERAPI/YuvConverter.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unistd.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
}

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000; // sample times are in 100 ns
constexpr int kMaxSide = 4096;

// A failure inside the encoder: the WMV_ code to return.
struct Failure {
    std::int32_t code;
};

void Check(int result, std::int32_t code)
{
    if (result < 0)
        throw Failure { result == AVERROR(ENOMEM) ? WMV_E_OUTOFMEMORY : code };
}

template <typename T> T* Allocated(T* object)
{
    if (object == nullptr)
        throw Failure { WMV_E_OUTOFMEMORY };
    return object;
}

struct CodecContextDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwrDeleter {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct FifoDeleter {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
struct OutputDeleter {
    void operator()(AVFormatContext* c) const
    {
        if (c->pb != nullptr)
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

enum class Stage { Configuring, Preprocessing, Preprocessed, Encoding, Stopped, Failed };

// The bits the second pass needs at least: what the first pass spent on
// each picture with its texture at the coarsest quantiser (31), the rate
// control's own model. `frames` gets the number of pictures.
double LeastSecondPassBits(const std::string& stats, int* frames)
{
    constexpr double kCoarsest = 31.0 * FF_QP2LAMBDA;
    double bits = 0;
    *frames = 0;
    std::size_t start = 0;
    while (start < stats.size()) {
        std::size_t end = stats.find(';', start);
        if (end == std::string::npos)
            end = stats.size();
        float q = 0;
        int in = 0, type = 0, itex = 0, ptex = 0, mv = 0, misc = 0;
        const std::string entry = stats.substr(start, end - start);
        if (std::sscanf(entry.c_str(), " in:%d out:%*d type:%d q:%f itex:%d ptex:%d mv:%d misc:%d", &in,
                &type, &q, &itex, &ptex, &mv, &misc)
            == 7) {
            bits += (itex + ptex + 1) * std::max(q, 0.1f) / kCoarsest + mv + misc;
            ++*frames;
        }
        start = end + 1;
    }
    return bits;
}

} // namespace

struct WMVEncoderState {
    std::string path;
    Stage stage = Stage::Configuring;
    bool videoConfigured = false;
    WMVEncoder::VideoSettings video;
    const wmvexport::CodecEntry* videoCodec = nullptr;

    // Sound.
    const wmvexport::CodecEntry* audioCodec = nullptr;
    const wmvexport::AudioFormat* audioFormat = nullptr;
    int inputRate = 0;
    int inputChannels = 0;

    std::string firstPassStats;
    CodecContextPtr firstPass;
    std::int64_t lastPreprocessPts = AV_NOPTS_VALUE;

    std::unique_ptr<AVFormatContext, OutputDeleter> output;
    CodecContextPtr videoEncoder;
    CodecContextPtr audioEncoder;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    std::int64_t lastVideoPts = AV_NOPTS_VALUE;
    std::int64_t lastKeyPts = AV_NOPTS_VALUE; // of the pass under way
    FramePtr picture;
    std::optional<vtapi::YuvConverter> converter; // of RGB pictures
    FramePtr rgb; // an RGB picture handed in, around the caller's rows
    PacketPtr packet;

    std::unique_ptr<SwrContext, SwrDeleter> resampler;
    std::unique_ptr<AVAudioFifo, FifoDeleter> fifo;
    FramePtr audioFrame;
    std::int64_t audioPts = AV_NOPTS_VALUE; // of the next sample the encoder gets
    std::vector<std::uint8_t*> converted;
    int convertedCapacity = 0;

    ~WMVEncoderState()
    {
        if (!converted.empty())
            av_freep(&converted[0]);
    }

    AVRational Rate() const { return AVRational { video.rateNum, video.rateDen }; }

    CodecContextPtr OpenVideoEncoder(int pass);
    void SetUpAudio();
    void ConvertPicture(
        const std::uint8_t* data, std::int32_t size, std::int64_t time, std::int64_t* lastPts);
    void Encode(AVCodecContext* encoder, AVStream* stream, const AVFrame* frame);
    void EncodePicture(AVCodecContext* encoder, AVStream* stream);
    void DrainAudio(bool final);
};

namespace {

// Runs one step: turns failures into codes and ends the encoder on one.
template <typename Step> std::int32_t Run(WMVEncoderState& state, Step step)
{
    if (state.stage == Stage::Failed)
        return WMV_E_STATE;
    try {
        step();
        return WMV_OK;
    } catch (const Failure& failure) {
        // A refused argument or call leaves the encoder as it was.
        if (failure.code != WMV_E_INVALIDARG && failure.code != WMV_E_STATE && failure.code != WMV_E_NOCODEC)
            state.stage = Stage::Failed;
        return failure.code;
    } catch (const std::bad_alloc&) {
        state.stage = Stage::Failed;
        return WMV_E_OUTOFMEMORY;
    }
}

void Require(bool condition, std::int32_t code)
{
    if (!condition)
        throw Failure { code };
}

} // namespace

// Opens the video encoder for pass 0 (one pass), 1 (the analysis) or 2.
CodecContextPtr WMVEncoderState::OpenVideoEncoder(int pass)
{
    const AVCodec* encoder = avcodec_find_encoder(videoCodec->codec);
    Require(encoder != nullptr, WMV_E_NOCODEC);
    CodecContextPtr c(Allocated(avcodec_alloc_context3(encoder)));
    c->width = video.width;
    c->height = video.height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->framerate = Rate();
    c->time_base = av_inv_q(Rate());
    c->sample_aspect_ratio = AVRational { 1, 1 };
    c->thread_count = 0;
    const int keySeconds = video.keyFrameSeconds > 0 ? video.keyFrameSeconds : 10;
    c->gop_size = std::max(1, static_cast<int>(av_rescale(keySeconds, video.rateNum, video.rateDen)));
    c->bit_rate = video.bitrate;
    if (video.vbr && video.passes == 1) {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = FF_QP2LAMBDA * wmvexport::QuantiserForQuality(video.quality);
    } else if (!video.vbr) {
        c->rc_min_rate = c->rc_max_rate = video.bitrate;
        c->rc_buffer_size = video.bitrate; // one second
    }
    if (pass == 1)
        c->flags |= AV_CODEC_FLAG_PASS1;
    if (pass == 2) {
        c->flags |= AV_CODEC_FLAG_PASS2;
        c->stats_in = firstPassStats.data();
    }
    if (output && (output->oformat->flags & AVFMT_GLOBALHEADER) != 0)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (pass == 2) {
        // The second pass refuses a bit rate below what the first pass
        // found the pictures need, and some libavcodec versions then free
        // their rate expression twice: such a rate is refused here, with
        // room for the rate control's other limits.
        int frames = 0;
        const double least = LeastSecondPassBits(firstPassStats, &frames);
        const double available = static_cast<double>(video.bitrate) * frames * video.rateDen / video.rateNum;
        Require(frames > 0 && available >= 1.5 * least, WMV_E_ENCODER);
    }
    Check(avcodec_open2(c.get(), encoder, nullptr), WMV_E_ENCODER);
    return c;
}

void WMVEncoderState::SetUpAudio()
{
    const AVCodec* encoder = avcodec_find_encoder(audioCodec->codec);
    Require(encoder != nullptr, WMV_E_NOCODEC);
    audioEncoder.reset(Allocated(avcodec_alloc_context3(encoder)));
    AVCodecContext* c = audioEncoder.get();
    c->sample_rate = audioFormat->sampleRate;
    c->sample_fmt = encoder->sample_fmts != nullptr ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    av_channel_layout_default(&c->ch_layout, audioFormat->channels);
    c->bit_rate = audioFormat->bitrate;
    c->time_base = AVRational { 1, audioFormat->sampleRate };
    Check(avcodec_open2(c, encoder, nullptr), WMV_E_ENCODER);

    audioStream = Allocated(avformat_new_stream(output.get(), nullptr));
    Check(avcodec_parameters_from_context(audioStream->codecpar, c), WMV_E_ENCODER);
    audioStream->time_base = c->time_base;

    AVChannelLayout inputLayout {};
    av_channel_layout_default(&inputLayout, inputChannels);
    SwrContext* swr = nullptr;
    Check(swr_alloc_set_opts2(&swr, &c->ch_layout, c->sample_fmt, c->sample_rate, &inputLayout,
              AV_SAMPLE_FMT_S16, inputRate, 0, nullptr),
        WMV_E_ENCODER);
    resampler.reset(swr);
    Check(swr_init(swr), WMV_E_ENCODER);
    fifo.reset(Allocated(av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, 8192)));
    audioFrame.reset(Allocated(av_frame_alloc()));
    converted.assign(static_cast<size_t>(c->ch_layout.nb_channels), nullptr);
}

// Puts the picture into `picture` (converting RGB) with its time stamp.
void WMVEncoderState::ConvertPicture(
    const std::uint8_t* data, std::int32_t size, std::int64_t time, std::int64_t* lastPts)
{
    const bool i420 = video.pixels == WMV_PIXELS_I420;
    const std::int64_t expected = i420 ? std::int64_t { video.width } * video.height * 3 / 2
                                       : std::int64_t { video.width } * video.height * 4;
    Require(data != nullptr && size == expected && time >= 0, WMV_E_INVALIDARG);
    const std::int64_t pts = av_rescale(time, video.rateNum, kTicksPerSecond * video.rateDen);
    Require(*lastPts == AV_NOPTS_VALUE || pts > *lastPts, WMV_E_INVALIDARG);
    *lastPts = pts;
    if (!picture)
        picture.reset(Allocated(av_frame_alloc()));
    av_frame_unref(picture.get());
    picture->format = AV_PIX_FMT_YUV420P;
    picture->width = video.width;
    picture->height = video.height;
    if (i420) {
        // The encoder copies a picture it does not own.
        Check(av_image_fill_arrays(
                  picture->data, picture->linesize, data, AV_PIX_FMT_YUV420P, video.width, video.height, 1),
            WMV_E_INVALIDARG);
    } else {
        Check(av_frame_get_buffer(picture.get(), 0), WMV_E_OUTOFMEMORY);
        if (!converter) {
            converter.emplace(AV_PIX_FMT_BGR0, AV_PIX_FMT_YUV420P);
            rgb.reset(Allocated(av_frame_alloc()));
            rgb->format = AV_PIX_FMT_BGR0;
            rgb->width = video.width;
            rgb->height = video.height;
            rgb->linesize[0] = video.width * 4;
        }
        rgb->data[0] = const_cast<std::uint8_t*>(data); // only read
        converter->Convert(rgb.get(), picture.get(), 0, video.height);
    }
    picture->pts = pts;
}

// Sends one frame (or the end, with nullptr) and writes what comes out;
// without a stream (the first pass) only the statistics are kept.
void WMVEncoderState::Encode(AVCodecContext* encoder, AVStream* stream, const AVFrame* frame)
{
    Check(avcodec_send_frame(encoder, frame), WMV_E_ENCODER);
    while (true) {
        const int result = avcodec_receive_packet(encoder, packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            break;
        Check(result, WMV_E_ENCODER);
        if (encoder->codec_type == AVMEDIA_TYPE_VIDEO && (packet->flags & AV_PKT_FLAG_KEY) != 0)
            lastKeyPts = packet->pts;
        if (stream == nullptr) {
            av_packet_unref(packet.get());
        } else {
            av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            Check(av_interleaved_write_frame(output.get(), packet.get()), WMV_E_FILE);
        }
        if (encoder->stats_out != nullptr && stream == nullptr)
            firstPassStats += encoder->stats_out;
    }
}

// Encodes `picture`. Pictures may come with gaps between them (players hold
// the one before): the first picture a key-frame interval or more after the
// last key frame is one, so that a still stretch has key frames as often
// as a moving one. Both passes make the same choice.
void WMVEncoderState::EncodePicture(AVCodecContext* encoder, AVStream* stream)
{
    const bool keyDue = lastKeyPts != AV_NOPTS_VALUE && picture->pts - lastKeyPts >= encoder->gop_size;
    picture->pict_type = keyDue ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    // A fixed quantiser is taken from each picture.
    picture->quality = encoder->global_quality;
    Encode(encoder, stream, picture.get());
}

// Hands the encoder whole frames from the queue; at the end also the rest.
void WMVEncoderState::DrainAudio(bool final)
{
    AVCodecContext* c = audioEncoder.get();
    const int frameSize = c->frame_size > 0 ? c->frame_size : 2048;
    while (av_audio_fifo_size(fifo.get()) >= frameSize || (final && av_audio_fifo_size(fifo.get()) > 0)) {
        const int count = std::min(frameSize, av_audio_fifo_size(fifo.get()));
        av_frame_unref(audioFrame.get());
        audioFrame->nb_samples = frameSize; // a short last frame is padded with silence
        audioFrame->format = c->sample_fmt;
        audioFrame->sample_rate = c->sample_rate;
        Check(av_channel_layout_copy(&audioFrame->ch_layout, &c->ch_layout), WMV_E_OUTOFMEMORY);
        Check(av_frame_get_buffer(audioFrame.get(), 0), WMV_E_OUTOFMEMORY);
        Check(av_samples_set_silence(
                  audioFrame->extended_data, 0, frameSize, c->ch_layout.nb_channels, c->sample_fmt),
            WMV_E_ENCODER);
        Check(av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(audioFrame->extended_data), count),
            WMV_E_ENCODER);
        audioFrame->pts = audioPts;
        audioPts += frameSize;
        Encode(c, audioStream, audioFrame.get());
    }
}

WMVEncoder::WMVEncoder(std::string outputPath)
    : m_state(std::make_unique<WMVEncoderState>())
{
    m_state->path = std::move(outputPath);
}

WMVEncoder::~WMVEncoder()
{
    const bool complete = m_state->stage == Stage::Stopped;
    const bool created = m_state->output != nullptr || m_state->stage == Stage::Stopped;
    m_state->output.reset();
    if (!complete && created)
        unlink(m_state->path.c_str());
}

std::int32_t WMVEncoder::ConfigureVideo(const VideoSettings& settings)
{
    WMVEncoderState& s = *m_state;
    return Run(s, [&] {
        Require(s.stage == Stage::Configuring, WMV_E_STATE);
        Require(
            settings.width >= 16 && settings.width <= kMaxSide && settings.width % 2 == 0, WMV_E_INVALIDARG);
        Require(settings.height >= 16 && settings.height <= kMaxSide && settings.height % 2 == 0,
            WMV_E_INVALIDARG);
        Require(settings.rateNum > 0 && settings.rateDen > 0, WMV_E_INVALIDARG);
        Require(settings.pixels == WMV_PIXELS_I420 || settings.pixels == WMV_PIXELS_RGB32, WMV_E_INVALIDARG);
        Require(settings.quality >= 1 && settings.quality <= 100, WMV_E_INVALIDARG);
        const bool needsBitrate = !settings.vbr || settings.passes == 2;
        Require(!needsBitrate || settings.bitrate >= 1000, WMV_E_INVALIDARG);
        Require(settings.keyFrameSeconds >= 0, WMV_E_INVALIDARG);
        const wmvexport::CodecEntry* codec = wmvexport::FindVideoCodec(settings.codecId);
        Require(codec != nullptr, WMV_E_NOCODEC);
        Require(wmvexport::FindVideoFormat(settings.codecId, settings.vbr, settings.passes) != nullptr,
            WMV_E_NOCODEC);
        s.video = settings;
        s.videoCodec = codec;
        s.videoConfigured = true;
    });
}

std::int32_t WMVEncoder::ConfigureAudio(
    std::int32_t codecId, std::int32_t formatId, int sampleRate, int channels)
{
    WMVEncoderState& s = *m_state;
    return Run(s, [&] {
        Require(s.stage == Stage::Configuring, WMV_E_STATE);
        Require(
            sampleRate >= 1000 && sampleRate <= 384000 && channels >= 1 && channels <= 8, WMV_E_INVALIDARG);
        const wmvexport::CodecEntry* codec = wmvexport::FindAudioCodec(codecId);
        Require(codec != nullptr, WMV_E_NOCODEC);
        const wmvexport::AudioFormat* format = wmvexport::FindAudioFormat(codecId, formatId);
        Require(format != nullptr, WMV_E_NOCODEC);
        s.audioCodec = codec;
        s.audioFormat = format;
        s.inputRate = sampleRate;
        s.inputChannels = channels;
    });
}

std::int32_t WMVEncoder::BeginVideoPreprocess()
{
    WMVEncoderState& s = *m_state;
    return Run(s, [&] {
        Require(s.stage == Stage::Configuring && s.videoConfigured && s.video.passes == 2, WMV_E_STATE);
        s.packet.reset(Allocated(av_packet_alloc()));
        s.firstPass = s.OpenVideoEncoder(1);
        s.stage = Stage::Preprocessing;
    });
}

std::int32_t WMVEncoder::PreprocessVideo(const std::uint8_t* data, std::int32_t size, std::int64_t time)
{
    WMVEncoderState& s = *m_state;
    return Run(s, [&] {
        Require(s.stage == Stage::Preprocessing, WMV_E_STATE);
        s.ConvertPicture(data, size, time, &s.lastPreprocessPts);
        s.EncodePicture(s.firstPass.get(), nullptr);
    });
}

std::int32_t WMVEncoder::EndVideoPreprocess()
{
    WMVEncoderState& s = *m_state;
    return Run(s, [&] {
        Require(s.stage == Stage::Preprocessing, WMV_E_STATE);
        s.Encode(s.firstPass.get(), nullptr, nullptr);
        s.firstPass.reset();
        Require(!s.firstPassStats.empty(), WMV_E_ENCODER);
        s.stage = Stage::Preprocessed;
    });
}

std::int32_t WMVEncoder::Start()
{
    WMVEncoderState& s = *m_state;
    return Run(s, [&] {
        const bool ready = s.videoConfigured
            && (s.video.passes == 2 ? s.stage == Stage::Preprocessed : s.stage == Stage::Configuring);
        Require(ready, WMV_E_STATE);
        AVFormatContext* format = nullptr;
        Check(avformat_alloc_output_context2(&format, nullptr, "asf", s.path.c_str()), WMV_E_ENCODER);
        s.output.reset(format);
        if (!s.packet)
            s.packet.reset(Allocated(av_packet_alloc()));
        s.videoEncoder = s.OpenVideoEncoder(s.video.passes == 2 ? 2 : 0);
        s.lastKeyPts = AV_NOPTS_VALUE;
        s.videoStream = Allocated(avformat_new_stream(format, nullptr));
        Check(avcodec_parameters_from_context(s.videoStream->codecpar, s.videoEncoder.get()), WMV_E_ENCODER);
        s.videoStream->time_base = s.videoEncoder->time_base;
        s.videoStream->avg_frame_rate = s.Rate();
        if (s.audioFormat != nullptr)
            s.SetUpAudio();
        Check(avio_open(&format->pb, s.path.c_str(), AVIO_FLAG_WRITE), WMV_E_FILE);
        Check(avformat_write_header(format, nullptr), WMV_E_FILE);
        s.stage = Stage::Encoding;
    });
}

std::int32_t WMVEncoder::WriteVideo(const std::uint8_t* data, std::int32_t size, std::int64_t time)
{
    WMVEncoderState& s = *m_state;
    return Run(s, [&] {
        Require(s.stage == Stage::Encoding, WMV_E_STATE);
        s.ConvertPicture(data, size, time, &s.lastVideoPts);
        s.EncodePicture(s.videoEncoder.get(), s.videoStream);
    });
}

std::int32_t WMVEncoder::WriteAudio(const std::uint8_t* data, std::int32_t size, std::int64_t time)
{
    WMVEncoderState& s = *m_state;
    return Run(s, [&] {
        Require(s.stage == Stage::Encoding && s.audioEncoder, WMV_E_STATE);
        const int frameBytes = 2 * s.inputChannels;
        Require(data != nullptr && size >= 0 && size % frameBytes == 0 && time >= 0, WMV_E_INVALIDARG);
        AVCodecContext* c = s.audioEncoder.get();
        if (s.audioPts == AV_NOPTS_VALUE)
            s.audioPts = av_rescale(time, c->sample_rate, kTicksPerSecond);
        const int samples = size / frameBytes;
        if (samples == 0)
            return;
        const int capacity = swr_get_out_samples(s.resampler.get(), samples);
        if (capacity > s.convertedCapacity) {
            if (s.converted[0] != nullptr)
                av_freep(&s.converted[0]);
            Check(av_samples_alloc(
                      s.converted.data(), nullptr, c->ch_layout.nb_channels, capacity, c->sample_fmt, 0),
                WMV_E_OUTOFMEMORY);
            s.convertedCapacity = capacity;
        }
        const std::uint8_t* input[1] = { data };
        const int count = swr_convert(s.resampler.get(), s.converted.data(), capacity, input, samples);
        Check(count, WMV_E_ENCODER);
        Check(av_audio_fifo_write(s.fifo.get(), reinterpret_cast<void**>(s.converted.data()), count),
            WMV_E_OUTOFMEMORY);
        s.DrainAudio(false);
    });
}

std::int32_t WMVEncoder::Stop()
{
    WMVEncoderState& s = *m_state;
    return Run(s, [&] {
        Require(s.stage == Stage::Encoding, WMV_E_STATE);
        s.Encode(s.videoEncoder.get(), s.videoStream, nullptr);
        if (s.audioEncoder) {
            if (s.audioPts == AV_NOPTS_VALUE)
                s.audioPts = 0;
            // What the resampler still holds.
            const int capacity = std::max(1, swr_get_out_samples(s.resampler.get(), 0));
            if (capacity > s.convertedCapacity) {
                if (s.converted[0] != nullptr)
                    av_freep(&s.converted[0]);
                AVCodecContext* c = s.audioEncoder.get();
                Check(av_samples_alloc(
                          s.converted.data(), nullptr, c->ch_layout.nb_channels, capacity, c->sample_fmt, 0),
                    WMV_E_OUTOFMEMORY);
                s.convertedCapacity = capacity;
            }
            const int count = swr_convert(s.resampler.get(), s.converted.data(), capacity, nullptr, 0);
            Check(count, WMV_E_ENCODER);
            if (count > 0)
                Check(av_audio_fifo_write(s.fifo.get(), reinterpret_cast<void**>(s.converted.data()), count),
                    WMV_E_OUTOFMEMORY);
            s.DrainAudio(true);
            s.Encode(s.audioEncoder.get(), s.audioStream, nullptr);
        }
        Check(av_write_trailer(s.output.get()), WMV_E_FILE);
        Check(avio_closep(&s.output->pb), WMV_E_FILE);
        s.stage = Stage::Stopped;
    });
}
