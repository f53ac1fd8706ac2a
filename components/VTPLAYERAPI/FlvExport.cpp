#include "FlvExport.h"

#include "AviSettings.h"
#include "FrameReader.h"
#include "SoundQueue.h"
#include "support/Trace.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace vtapi {

namespace {

// Screen Video keeps its size in 12 bits; H.263 in FLV in 16.
constexpr int kScreenVideoMaxSide = 4095;

// The frame-rate, size, sound and autoscroll options in the form the
// shared arithmetic takes; the autoscroll frame becomes pixels.
AviSettings SharedSettings(const FlvExportOptions& o, FrameSize movie)
{
    AviSettings s;
    s.frameRateMode = o.frameRateMode;
    s.frameRateCustom = o.frameRateCustom;
    s.scaleToPercents = o.scaleToPercents;
    s.outputSizeWidthPercent = o.outputSizeWidthPercent;
    s.outputSizeHeightPercent = o.outputSizeHeightPercent;
    s.outputSizeWidth = o.outputSizeWidth;
    s.outputSizeHeight = o.outputSizeHeight;
    s.outputSizeKeepAspectRatio = o.outputSizeKeepAspectRatio;
    s.useBestSoundFormat = o.useBestSoundFormat;
    s.soundFormat = o.soundFormat;
    s.soundCompressFormat = o.soundCompressFormat;
    s.soundMP3Profile = o.soundMP3Profile;
    s.exportSounds = o.exportSounds;
    s.autoscrollMode = o.autoscrollMode;
    s.autoscrollWidth = static_cast<int>(static_cast<std::int64_t>(movie.width) * o.autoscrollWidth / 100);
    s.autoscrollHeight = static_cast<int>(static_cast<std::int64_t>(movie.height) * o.autoscrollHeight / 100);
    return s;
}

int RoundUpTo16(int value)
{
    return (value + 15) / 16 * 16;
}

// FLV sound runs at 11025, 22050 or 44100 Hz: the highest of them that is
// not above `rate`, at least the lowest.
int FlvSampleRate(int rate)
{
    int chosen = 11025;
    for (const int candidate : { 11025, 22050, 44100 })
        if (candidate <= rate)
            chosen = candidate;
    return chosen;
}

// The H.263 quantiser for a quality of 0 (31, the coarsest) to 10000 (2).
int Quantiser(int quality)
{
    return 31 - std::clamp(quality, 0, 10000) * 29 / 10000;
}

// Fills a whole picture with one colour (the padding around the movie).
void FillPicture(AVFrame* frame, std::uint32_t rgb)
{
    const int r = (rgb >> 16) & 0xff, g = (rgb >> 8) & 0xff, b = rgb & 0xff;
    if (frame->format == AV_PIX_FMT_BGR24) {
        for (int y = 0; y < frame->height; ++y) {
            std::uint8_t* row = frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0];
            for (int x = 0; x < frame->width; ++x) {
                row[3 * x] = static_cast<std::uint8_t>(b);
                row[3 * x + 1] = static_cast<std::uint8_t>(g);
                row[3 * x + 2] = static_cast<std::uint8_t>(r);
            }
        }
        return;
    }
    // 4:2:0 in the limited range of BT.601, as the H.263 decoders show it.
    const std::array<int, 3> yuv = { 16 + (66 * r + 129 * g + 25 * b + 128) / 256,
        128 + (-38 * r - 74 * g + 112 * b + 128) / 256, 128 + (112 * r - 94 * g - 18 * b + 128) / 256 };
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane == 0 ? frame->height : (frame->height + 1) / 2;
        const int columns = plane == 0 ? frame->width : (frame->width + 1) / 2;
        for (int y = 0; y < rows; ++y)
            std::fill_n(frame->data[plane] + static_cast<std::ptrdiff_t>(y) * frame->linesize[plane], columns,
                static_cast<std::uint8_t>(std::clamp(yuv[static_cast<size_t>(plane)], 0, 255)));
    }
}

class FlvWriter final {
public:
    FlvWriter(MovieSource& movie, const FlvExportOptions& options, const TaskControl& control)
        : m_movie(movie)
        , m_options(options)
        , m_control(control)
        , m_layout(PlanFlv(movie, options))
        , m_movieSize { movie.Width(), movie.Height() }
        , m_settings(SharedSettings(options, m_movieSize))
        , m_autoscroll(m_settings.autoscrollMode, ViewSize(m_settings, m_movieSize), m_movieSize)
    {
    }

    void Run(const std::string& path);
    const FlvLayout& Layout() const { return m_layout; }

private:
    void SetUpVideo();
    void SetUpAudio();
    void NewPicture();
    void Decode(AVCodecContext* decoder, const AVPacket* packet, bool video);
    void TakeVideoFrame(AVFrame* frame);
    void EmitUpTo(std::int64_t limit);
    void EmitFrame(std::int64_t index);
    // Hands the sound encoder `frame` (nullptr: the end) through the queue.
    void TakeAudioFrame(const AVFrame* frame);
    void Encode(AVCodecContext* encoder, AVStream* stream, const AVFrame* frame);

    MovieSource& m_movie;
    const FlvExportOptions& m_options;
    const TaskControl& m_control;
    FlvLayout m_layout;
    FrameSize m_movieSize;
    AviSettings m_settings;
    AutoscrollWindow m_autoscroll;

    OutputFormatPtr m_output;
    PacketPtr m_packet = MakePacket();
    PacketPtr m_encoded = MakePacket();
    FramePtr m_decoded = MakeFrame();

    CodecContextPtr m_videoDecoder;
    CodecContextPtr m_videoEncoder;
    AVStream* m_videoOut = nullptr;
    FrameSize m_viewSize;
    FramePtr m_held = MakeFrame(); // the last decoded frame, shown until the next one
    bool m_holding = false;
    FramePtr m_view = MakeFrame();
    FramePtr m_picture = MakeFrame(); // the padded picture the encoder takes
    SwsPtr m_scaler;
    std::int64_t m_firstPts = AV_NOPTS_VALUE;
    std::int64_t m_lastPts = AV_NOPTS_VALUE;
    std::int64_t m_nextOutput = 0;
    std::int64_t m_decodedFrames = 0;

    CodecContextPtr m_audioDecoder;
    CodecContextPtr m_audioEncoder;
    AVStream* m_audioOut = nullptr;
    std::optional<SoundQueue> m_sound;
};

void FlvWriter::Run(const std::string& path)
{
    m_output = OpenOutput(path, "flv");
    SetUpVideo();
    if (m_layout.sound)
        SetUpAudio();
    // The key-frame index lets players seek without reading the whole file.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "flvflags", "add_keyframe_index", 0);
    const int header = avformat_write_header(m_output.get(), &options);
    av_dict_free(&options);
    Check(header, "cannot write \"" + path + "\"");

    while (true) {
        m_control.CheckCancel();
        if (!m_movie.ReadPacket(m_packet.get()))
            break;
        if (m_packet->stream_index == m_movie.VideoStream())
            Decode(m_videoDecoder.get(), m_packet.get(), true);
        else if (m_audioDecoder && m_packet->stream_index == m_movie.AudioStream())
            Decode(m_audioDecoder.get(), m_packet.get(), false);
        av_packet_unref(m_packet.get());
    }
    Decode(m_videoDecoder.get(), nullptr, true);
    if (m_holding) {
        // The last frame lasts one frame of the movie's own rate.
        const AVStream* stream = m_movie.Format()->streams[m_movie.VideoStream()];
        const std::int64_t end = m_lastPts
            + std::max<std::int64_t>(1, av_rescale_q(1, av_inv_q(m_movie.FrameRate()), stream->time_base));
        EmitUpTo(
            OutputFramesBefore(end - m_firstPts, stream->time_base, m_layout.frameRate, m_movie.FrameRate()));
    }
    Encode(m_videoEncoder.get(), m_videoOut, nullptr);
    if (m_audioDecoder) {
        Decode(m_audioDecoder.get(), nullptr, false);
        TakeAudioFrame(nullptr);
        Encode(m_audioEncoder.get(), m_audioOut, nullptr);
    }
    Check(av_write_trailer(m_output.get()), "cannot write \"" + path + "\"");
    m_output.reset();
    m_layout.frameCount = m_nextOutput;
    m_control.Progress(m_nextOutput, m_nextOutput);
}

void FlvWriter::SetUpVideo()
{
    m_videoDecoder = OpenDecoder(m_movie.Format()->streams[m_movie.VideoStream()]);
    m_viewSize = ViewSize(m_settings, m_movieSize);

    const bool screen = m_options.codec == FlvVideoCodec::ScreenVideo;
    const AVCodec* encoder = avcodec_find_encoder(screen ? AV_CODEC_ID_FLASHSV : AV_CODEC_ID_FLV1);
    if (encoder == nullptr)
        throw MovieError(
            std::string("FFmpeg has no ") + (screen ? "Screen Video" : "Sorenson H.263") + " encoder");
    m_videoEncoder.reset(avcodec_alloc_context3(encoder));
    if (!m_videoEncoder)
        throw MovieError("out of memory");
    AVCodecContext* c = m_videoEncoder.get();
    c->width = m_layout.width;
    c->height = m_layout.height;
    c->pix_fmt = screen ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_YUV420P;
    c->time_base = av_inv_q(m_layout.frameRate);
    c->framerate = m_layout.frameRate;
    c->sample_aspect_ratio = AVRational { 1, 1 };
    c->gop_size = std::max(1, m_options.keyFrameInterval);
    if (!screen) {
        c->max_b_frames = 0;
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = FF_QP2LAMBDA * Quantiser(m_options.quality);
        c->thread_count = 0;
    }
    Check(avcodec_open2(c, encoder, nullptr),
        std::string("cannot start the ") + encoder->long_name + " encoder");

    m_videoOut = avformat_new_stream(m_output.get(), nullptr);
    if (m_videoOut == nullptr)
        throw MovieError("out of memory");
    Check(avcodec_parameters_from_context(m_videoOut->codecpar, c), "video stream");
    m_videoOut->time_base = c->time_base;
    m_videoOut->avg_frame_rate = m_layout.frameRate;
    NewPicture();
}

// A fresh padded picture: the encoder may still hold the last one.
void FlvWriter::NewPicture()
{
    const AVCodecContext* c = m_videoEncoder.get();
    av_frame_unref(m_picture.get());
    m_picture->format = c->pix_fmt;
    m_picture->width = c->width;
    m_picture->height = c->height;
    Check(av_frame_get_buffer(m_picture.get(), 0), "out of memory");
    FillPicture(m_picture.get(), m_options.paddingColour);
}

void FlvWriter::SetUpAudio()
{
    m_audioDecoder = OpenDecoder(m_movie.Format()->streams[m_movie.AudioStream()]);
    SoundFormat format
        = ChooseSoundFormat(m_settings, m_audioDecoder->sample_rate, m_audioDecoder->ch_layout.nb_channels);
    format.sampleRate = FlvSampleRate(format.sampleRate);
    const AVCodec* encoder = nullptr;
    if (format.mp3) {
        encoder = avcodec_find_encoder_by_name("libmp3lame");
        if (encoder == nullptr) {
            TraceWarning("FlvExport: FFmpeg has no MP3 encoder (LAME); the sound is written as 16-bit PCM");
            format.mp3 = false;
            format.bits = 16;
        }
    }
    if (!format.mp3)
        encoder = avcodec_find_encoder(format.bits == 8 ? AV_CODEC_ID_PCM_U8 : AV_CODEC_ID_PCM_S16LE);
    if (encoder == nullptr)
        throw MovieError("FFmpeg has no PCM encoder");
    m_layout.mp3 = format.mp3;
    m_audioEncoder.reset(avcodec_alloc_context3(encoder));
    if (!m_audioEncoder)
        throw MovieError("out of memory");
    AVCodecContext* c = m_audioEncoder.get();
    c->sample_rate = format.sampleRate;
    c->sample_fmt = encoder->sample_fmts != nullptr ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    av_channel_layout_default(&c->ch_layout, format.channels);
    c->time_base = AVRational { 1, format.sampleRate };
    if (format.mp3)
        c->bit_rate = format.bitRate;
    Check(avcodec_open2(c, encoder, nullptr), "cannot start the sound encoder");

    m_audioOut = avformat_new_stream(m_output.get(), nullptr);
    if (m_audioOut == nullptr)
        throw MovieError("out of memory");
    Check(avcodec_parameters_from_context(m_audioOut->codecpar, c), "sound stream");
    m_audioOut->time_base = c->time_base;

    m_sound.emplace(m_audioDecoder.get(), c);
}

void FlvWriter::Decode(AVCodecContext* decoder, const AVPacket* packet, bool video)
{
    Check(avcodec_send_packet(decoder, packet), "damaged movie \"" + m_movie.Path() + "\"");
    while (true) {
        const int result = avcodec_receive_frame(decoder, m_decoded.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return;
        Check(result, "damaged movie \"" + m_movie.Path() + "\"");
        if (video)
            TakeVideoFrame(m_decoded.get());
        else
            TakeAudioFrame(m_decoded.get());
        av_frame_unref(m_decoded.get());
    }
}

void FlvWriter::TakeVideoFrame(AVFrame* frame)
{
    const AVStream* stream = m_movie.Format()->streams[m_movie.VideoStream()];
    std::int64_t pts = frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE)
        pts = av_rescale_q(m_decodedFrames, av_inv_q(m_movie.FrameRate()), stream->time_base);
    ++m_decodedFrames;
    if (m_firstPts == AV_NOPTS_VALUE)
        m_firstPts = pts;
    if (m_lastPts != AV_NOPTS_VALUE && pts <= m_lastPts)
        return; // a repeated time stamp: the first frame of that time wins
    if (m_holding)
        EmitUpTo(
            OutputFramesBefore(pts - m_firstPts, stream->time_base, m_layout.frameRate, m_movie.FrameRate()));
    av_frame_unref(m_held.get());
    av_frame_move_ref(m_held.get(), frame);
    m_holding = true;
    m_lastPts = pts;
}

void FlvWriter::EmitUpTo(std::int64_t limit)
{
    const std::int64_t total = std::max<std::int64_t>(1, m_layout.frameCount);
    for (; m_nextOutput < limit; ++m_nextOutput) {
        m_control.CheckCancel();
        EmitFrame(m_nextOutput);
        m_control.Progress(std::min(m_nextOutput + 1, total), total);
    }
}

void FlvWriter::EmitFrame(std::int64_t index)
{
    const AVFrame* source = m_held.get();
    if (m_settings.autoscrollMode != 0) {
        int x = m_movieSize.width / 2;
        int y = m_movieSize.height / 2;
        const std::int64_t timeMs = av_rescale_q(index, av_inv_q(m_layout.frameRate), AVRational { 1, 1000 });
        CursorAt(m_movie.Cursor(), timeMs, &x, &y);
        int left = 0;
        int top = 0;
        m_autoscroll.Follow(x, y, &left, &top);
        av_frame_unref(m_view.get());
        Check(av_frame_ref(m_view.get(), source), "out of memory");
        m_view->crop_left = static_cast<size_t>(left);
        m_view->crop_top = static_cast<size_t>(top);
        m_view->crop_right = static_cast<size_t>(source->width - left - m_viewSize.width);
        m_view->crop_bottom = static_cast<size_t>(source->height - top - m_viewSize.height);
        Check(av_frame_apply_cropping(m_view.get(), AV_FRAME_CROP_UNALIGNED), "autoscroll");
        source = m_view.get();
    }
    AVCodecContext* c = m_videoEncoder.get();
    if (!m_scaler) {
        m_scaler.reset(sws_getContext(source->width, source->height,
            static_cast<AVPixelFormat>(source->format), m_layout.pictureWidth, m_layout.pictureHeight,
            c->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!m_scaler)
            throw MovieError("cannot convert the frames");
    }
    if (!av_frame_is_writable(m_picture.get()))
        NewPicture();
    // The picture sits in the middle of the padded frame, at even offsets
    // so that the halved colour planes line up.
    const int left = (m_layout.width - m_layout.pictureWidth) / 2 & ~1;
    const int top = (m_layout.height - m_layout.pictureHeight) / 2 & ~1;
    std::uint8_t* planes[4] = {};
    int strides[4] = {};
    for (int plane = 0; plane < 3; ++plane) {
        if (m_picture->data[plane] == nullptr)
            break;
        const bool chroma = plane > 0;
        const int bytes = c->pix_fmt == AV_PIX_FMT_BGR24 ? 3 : 1;
        planes[plane] = m_picture->data[plane]
            + static_cast<std::ptrdiff_t>(chroma ? top / 2 : top) * m_picture->linesize[plane]
            + (chroma ? left / 2 : left) * bytes;
        strides[plane] = m_picture->linesize[plane];
    }
    sws_scale(m_scaler.get(), source->data, source->linesize, 0, source->height, planes, strides);
    m_picture->pts = index;
    m_picture->quality = c->global_quality;
    Encode(c, m_videoOut, m_picture.get());
    if (m_settings.autoscrollMode != 0)
        av_frame_unref(m_view.get());
}

void FlvWriter::TakeAudioFrame(const AVFrame* frame)
{
    m_sound->Add(frame, [this](const AVFrame* chunk) { Encode(m_audioEncoder.get(), m_audioOut, chunk); });
}

void FlvWriter::Encode(AVCodecContext* encoder, AVStream* stream, const AVFrame* frame)
{
    Check(avcodec_send_frame(encoder, frame), "encoding failed");
    while (true) {
        const int result = avcodec_receive_packet(encoder, m_encoded.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return;
        Check(result, "encoding failed");
        // The MP3 encoder's priming samples are stamped before 0; the sound
        // simply starts with them instead of every stream moving later.
        if (encoder->codec_type == AVMEDIA_TYPE_AUDIO && encoder->initial_padding > 0) {
            if (m_encoded->pts != AV_NOPTS_VALUE)
                m_encoded->pts += encoder->initial_padding;
            if (m_encoded->dts != AV_NOPTS_VALUE)
                m_encoded->dts += encoder->initial_padding;
        }
        av_packet_rescale_ts(m_encoded.get(), encoder->time_base, stream->time_base);
        m_encoded->stream_index = stream->index;
        Check(av_interleaved_write_frame(m_output.get(), m_encoded.get()), "cannot write the FLV file");
    }
}

} // namespace

FlvLayout PlanFlv(const MovieSource& movie, const FlvExportOptions& options)
{
    const FrameSize movieSize { movie.Width(), movie.Height() };
    const AviSettings settings = SharedSettings(options, movieSize);
    const FrameSize picture = OutputSize(settings, ViewSize(settings, movieSize), 2);
    FlvLayout layout;
    layout.pictureWidth = picture.width;
    layout.pictureHeight = picture.height;
    layout.width = RoundUpTo16(picture.width);
    layout.height = RoundUpTo16(picture.height);
    if (options.codec == FlvVideoCodec::ScreenVideo
        && (layout.width > kScreenVideoMaxSide || layout.height > kScreenVideoMaxSide))
        throw MovieError("Screen Video pictures are at most 4095 pixels wide and high; the output is "
            + std::to_string(layout.width) + " x " + std::to_string(layout.height));
    layout.frameRate = OutputFrameRate(settings, movie.FrameRate());
    layout.frameCount = std::max<std::int64_t>(
        1, av_rescale_q_rnd(movie.Duration(), AV_TIME_BASE_Q, av_inv_q(layout.frameRate), AV_ROUND_UP));
    layout.sound = options.exportSounds && movie.AudioStream() >= 0;
    layout.mp3 = layout.sound && options.soundCompressFormat == 85;
    return layout;
}

FlvLayout WriteFlv(MovieSource& movie, const FlvExportOptions& options, const std::string& flvPath,
    const TaskControl& control)
{
    FlvWriter writer(movie, options, control);
    writer.Run(flvPath);
    return writer.Layout();
}

} // namespace vtapi
