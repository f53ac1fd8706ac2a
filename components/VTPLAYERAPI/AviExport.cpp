#include "AviExport.h"

#include "AviExportPicture.h"
#include "EncoderOptions.h"
#include "FrameReader.h"
#include "SoundQueue.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace vtapi {

namespace {

bool Supports(const AVCodec* codec, AVPixelFormat format)
{
    if (codec->pix_fmts == nullptr)
        return false;
    for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
        if (*p == format)
            return true;
    return false;
}

// Lossy encoders get 4:2:0 video as every player expects; lossless ones
// keep the recording's RGB when they can.
AVPixelFormat ChoosePixelFormat(const AVCodec* codec, const platform::CompressorEntry& entry)
{
    if (entry.fourcc == platform::kFourCCUncompressed)
        return AV_PIX_FMT_BGR24;
    static const AVPixelFormat kLossy[] = { AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUV420P }; // J: only JPEG has it
    static const AVPixelFormat kLossless[]
        = { AV_PIX_FMT_BGR0, AV_PIX_FMT_BGRA, AV_PIX_FMT_BGR24, AV_PIX_FMT_RGB24, AV_PIX_FMT_YUV420P };
    if (entry.quality != platform::QualityScale::None) {
        for (const AVPixelFormat format : kLossy)
            if (Supports(codec, format))
                return format;
    } else {
        for (const AVPixelFormat format : kLossless)
            if (Supports(codec, format))
                return format;
    }
    if (codec->pix_fmts == nullptr)
        throw MovieError(std::string("the encoder ") + codec->name + " names no pixel format");
    return codec->pix_fmts[0];
}

class AviExporter final {
public:
    AviExporter(MovieSource& movie, const AviSettings& settings, const TaskControl& control)
        : m_movie(movie)
        , m_settings(settings)
        , m_control(control)
        , m_autoscroll(settings.autoscrollMode, {}, {})
    {
    }

    void Run(const std::string& outputPath);

private:
    void SetUpVideo();
    void SetUpAudio();
    void TakeVideoFrame(AVFrame* frame, const FrameChanges& changes);
    void EmitUpTo(std::int64_t limit);
    void EmitFrame(std::int64_t index);
    // Hands the sound encoder `frame` (nullptr: the end) through the queue.
    void TakeAudioFrame(const AVFrame* frame);
    void EncodePicture(std::int64_t index);
    void Encode(AVCodecContext* encoder, AVStream* stream, const AVFrame* frame);

    MovieSource& m_movie;
    const AviSettings& m_settings;
    const TaskControl& m_control;

    const platform::CompressorEntry* m_compressor = nullptr;
    OutputFormatPtr m_output;
    PacketPtr m_encoded;

    // Video.
    CodecContextPtr m_videoDecoder;
    CodecContextPtr m_videoEncoder;
    AVStream* m_videoOut = nullptr;
    AVRational m_outputRate {};
    FrameSize m_movieSize;
    FrameSize m_viewSize;
    FrameSize m_outputSize;
    AutoscrollWindow m_autoscroll;
    FramePtr m_held; // the last decoded frame, shown until the next one
    FramePtr m_view;
    std::unique_ptr<AviExportPicture> m_pictures;
    // Frames equal to the one before are left out of the stream when the
    // encoder sends every packet out at once: the AVI writer fills the gap
    // with null frames, empty chunks that players show as the frame before.
    bool m_nullFrames = false;
    std::int64_t m_repeats = 0; // null frames since the last picture
    std::optional<FrameChanges> m_skippedChanges; // of frames dropped since the held one
    std::int64_t m_firstPts = AV_NOPTS_VALUE;
    std::int64_t m_lastPts = AV_NOPTS_VALUE;
    std::int64_t m_nextOutput = 0;
    std::int64_t m_totalOutput = 1;
    std::int64_t m_decodedFrames = 0;

    // Sound.
    CodecContextPtr m_audioDecoder;
    CodecContextPtr m_audioEncoder;
    AVStream* m_audioOut = nullptr;
    std::optional<SoundQueue> m_sound;
};

void AviExporter::Run(const std::string& outputPath)
{
    const platform::FOURCC fourcc
        = m_settings.videoCodecId != 0 ? m_settings.videoCodecId : kDefaultVideoCodec;
    m_compressor = platform::FindCompressor(fourcc);
    if (m_compressor == nullptr)
        throw MovieError("no compressor \"" + platform::FourCCToString(fourcc) + "\" is installed");

    PartialFile file(outputPath);
    m_output = OpenOutput(file.TemporaryPath(), "avi");
    m_encoded = MakePacket();
    SetUpVideo();
    if (m_settings.exportSounds && m_movie.AudioStream() >= 0)
        SetUpAudio();

    AVDictionary* options = nullptr;
    if (m_compressor->fourcc == platform::kFourCCUncompressed)
        av_dict_set(&options, "flipped_raw_rgb", "1", 0);
    std::unique_ptr<AVDictionary, DictionaryDeleter> optionsOwner(options);
    AVDictionary* pass = optionsOwner.release();
    const int header = avformat_write_header(m_output.get(), &pass);
    optionsOwner.reset(pass);
    Check(header, "cannot write \"" + outputPath + "\"");

    AVFormatContext* input = m_movie.Format();
    {
        // Decoding runs ahead on its own thread; the reader is gone (and
        // its thread stopped) before the decoders, also when this throws.
        FrameReader reader(m_movie, m_videoDecoder.get(), m_audioDecoder.get());
        for (DecodedFrame decoded; reader.Next(&decoded);) {
            m_control.CheckCancel();
            if (decoded.video)
                TakeVideoFrame(decoded.frame.get(), decoded.changes);
            else
                TakeAudioFrame(decoded.frame.get());
        }
    }
    if (m_held) {
        // The last frame lasts one frame of the movie's own rate.
        const AVStream* stream = input->streams[m_movie.VideoStream()];
        const std::int64_t end = m_lastPts
            + std::max<std::int64_t>(1, av_rescale_q(1, av_inv_q(m_movie.FrameRate()), stream->time_base));
        EmitUpTo(OutputFramesBefore(end - m_firstPts, stream->time_base, m_outputRate, m_movie.FrameRate()));
    }
    // Null frames at the end would make the file shorter: the last one
    // becomes a picture again.
    if (m_repeats > 0)
        EncodePicture(m_nextOutput - 1);
    Encode(m_videoEncoder.get(), m_videoOut, nullptr);
    if (m_audioDecoder) {
        TakeAudioFrame(nullptr);
        Encode(m_audioEncoder.get(), m_audioOut, nullptr);
    }
    Check(av_write_trailer(m_output.get()), "cannot write \"" + outputPath + "\"");
    m_output.reset();
    if (m_settings.useOldAVIFormat)
        MakeAvi10(file.TemporaryPath());
    m_control.Progress(m_totalOutput, m_totalOutput);
    file.Commit();
}

void AviExporter::SetUpVideo()
{
    const AVStream* stream = m_movie.Format()->streams[m_movie.VideoStream()];
    m_videoDecoder = OpenDecoder(stream);

    m_outputRate = OutputFrameRate(m_settings, m_movie.FrameRate());
    m_movieSize = { m_movie.Width(), m_movie.Height() };
    m_viewSize = ViewSize(m_settings, m_movieSize);
    m_outputSize = OutputSize(m_settings, m_viewSize, m_compressor->sizeMultiple);
    m_autoscroll = AutoscrollWindow(m_settings.autoscrollMode, m_viewSize, m_movieSize);
    m_totalOutput = std::max<std::int64_t>(
        1, av_rescale_q_rnd(m_movie.Duration(), AV_TIME_BASE_Q, av_inv_q(m_outputRate), AV_ROUND_UP));

    const AVCodec* encoder = avcodec_find_encoder_by_name(m_compressor->encoder);
    m_videoEncoder.reset(avcodec_alloc_context3(encoder));
    if (!m_videoEncoder)
        throw MovieError("out of memory");
    AVCodecContext* c = m_videoEncoder.get();
    c->width = m_outputSize.width;
    c->height = m_outputSize.height;
    c->pix_fmt = ChoosePixelFormat(encoder, *m_compressor);
    c->time_base = av_inv_q(m_outputRate);
    c->framerate = m_outputRate;
    c->sample_aspect_ratio = AVRational { 1, 1 };
    c->thread_count = 0;
    const int keyFrames = m_settings.videoCodecKeyFrameRate > 0 ? m_settings.videoCodecKeyFrameRate
                                                                : m_compressor->defaultKeyFrameRate;
    c->gop_size = std::max(1, keyFrames);
    // AVI keeps no presentation times: without B-frames every chunk is
    // shown in the order it is stored, so a frame equal to the one before
    // can be an empty chunk instead of a picture the encoder must analyse.
    // On screen recordings B-frames buy little (libx264 at rate factor
    // 12.75: a smaller file without them on the moving sample).
    c->max_b_frames = 0;
    const int quality
        = m_settings.videoCodecQuality >= 0 ? m_settings.videoCodecQuality : m_compressor->defaultQuality;
    switch (m_compressor->quality) {
    case platform::QualityScale::QScale:
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = static_cast<int>(FF_QP2LAMBDA * platform::MapQuality(*m_compressor, quality));
        break;
    case platform::QualityScale::Crf:
        av_opt_set_double(c->priv_data, "crf", platform::MapQuality(*m_compressor, quality), 0);
        break;
    case platform::QualityScale::None:
        break;
    }
    if (c->pix_fmt == AV_PIX_FMT_YUVJ420P)
        c->color_range = AVCOL_RANGE_JPEG;
    // The options the user set in the compressor's Configure box come last.
    AVDictionary* encoderOptions = nullptr;
    ReadEncoderOptions(platform::CompressorOptionsFile(), m_compressor->fourcc, &encoderOptions);
    std::unique_ptr<AVDictionary, DictionaryDeleter> encoderOptionsOwner(encoderOptions);
    AVDictionary* unused = encoderOptionsOwner.release();
    const int opened = avcodec_open2(c, encoder, &unused);
    encoderOptionsOwner.reset(unused);
    Check(opened, std::string("cannot start the ") + m_compressor->description + " compressor");

    m_videoOut = avformat_new_stream(m_output.get(), nullptr);
    if (m_videoOut == nullptr)
        throw MovieError("out of memory");
    Check(avcodec_parameters_from_context(m_videoOut->codecpar, c), "video stream");
    m_videoOut->time_base = c->time_base;
    m_videoOut->avg_frame_rate = m_outputRate;
    m_videoOut->codecpar->codec_tag
        = m_compressor->fourcc == platform::kFourCCUncompressed ? 0 : m_compressor->fourcc;

    m_view = MakeFrame();
    m_pictures = std::make_unique<AviExportPicture>(
        c->pix_fmt, c->width, c->height, m_compressor->fourcc == platform::kFourCCUncompressed);
    // An encoder that holds frames back (B-frames) stamps its packets in
    // another order than its pictures: it gets every picture.
    m_nullFrames = c->has_b_frames == 0;
}

void AviExporter::SetUpAudio()
{
    const AVStream* stream = m_movie.Format()->streams[m_movie.AudioStream()];
    m_audioDecoder = OpenDecoder(stream);
    const SoundFormat format
        = ChooseSoundFormat(m_settings, m_audioDecoder->sample_rate, m_audioDecoder->ch_layout.nb_channels);

    const AVCodec* encoder = format.mp3
        ? avcodec_find_encoder_by_name("libmp3lame")
        : avcodec_find_encoder(format.bits == 8 ? AV_CODEC_ID_PCM_U8 : AV_CODEC_ID_PCM_S16LE);
    if (encoder == nullptr)
        throw MovieError(format.mp3 ? "the MP3 encoder (LAME) is missing" : "the PCM encoder is missing");
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

void AviExporter::TakeVideoFrame(AVFrame* frame, const FrameChanges& changes)
{
    const AVStream* stream = m_movie.Format()->streams[m_movie.VideoStream()];
    std::int64_t pts = frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE)
        pts = av_rescale_q(m_decodedFrames, av_inv_q(m_movie.FrameRate()), stream->time_base);
    ++m_decodedFrames;
    if (m_firstPts == AV_NOPTS_VALUE)
        m_firstPts = pts;
    if (m_lastPts != AV_NOPTS_VALUE && pts <= m_lastPts) {
        // A repeated time stamp: the first frame of that time wins. What
        // this frame changed still lies between the held frame and the next.
        if (m_skippedChanges)
            m_skippedChanges->Add(changes);
        else
            m_skippedChanges = changes;
        return;
    }
    if (m_held)
        EmitUpTo(OutputFramesBefore(pts - m_firstPts, stream->time_base, m_outputRate, m_movie.FrameRate()));
    else
        m_held = MakeFrame();
    if (m_skippedChanges) {
        m_skippedChanges->Add(changes);
        m_pictures->AddChanges(*m_skippedChanges);
        m_skippedChanges.reset();
    } else {
        m_pictures->AddChanges(changes);
    }
    av_frame_unref(m_held.get());
    av_frame_move_ref(m_held.get(), frame);
    m_lastPts = pts;
}

void AviExporter::EmitUpTo(std::int64_t limit)
{
    for (; m_nextOutput < limit; ++m_nextOutput) {
        m_control.CheckCancel();
        EmitFrame(m_nextOutput);
        m_control.Progress(std::min(m_nextOutput + 1, m_totalOutput), m_totalOutput);
    }
}

void AviExporter::EmitFrame(std::int64_t index)
{
    const AVFrame* source = m_held.get();
    int left = 0;
    int top = 0;
    if (m_settings.autoscrollMode != 0) {
        int x = m_movieSize.width / 2;
        int y = m_movieSize.height / 2;
        const std::int64_t timeMs = av_rescale_q(index, av_inv_q(m_outputRate), AVRational { 1, 1000 });
        CursorAt(m_movie.Cursor(), timeMs, &x, &y);
        m_autoscroll.Follow(x, y, &left, &top);
    }
    if (!m_pictures->Changed(left, top)) {
        // AVI players cope with any run of null frames; the writer takes
        // gaps of up to 60000, so a long still stretch gets a picture now
        // and then.
        constexpr std::int64_t kMaxRepeats = 1000;
        if (m_nullFrames && m_repeats < kMaxRepeats) {
            ++m_repeats;
            return;
        }
        EncodePicture(index);
        return;
    }
    if (m_settings.autoscrollMode != 0) {
        av_frame_unref(m_view.get());
        Check(av_frame_ref(m_view.get(), source), "out of memory");
        m_view->crop_left = static_cast<size_t>(left);
        m_view->crop_top = static_cast<size_t>(top);
        m_view->crop_right = static_cast<size_t>(source->width - left - m_viewSize.width);
        m_view->crop_bottom = static_cast<size_t>(source->height - top - m_viewSize.height);
        Check(av_frame_apply_cropping(m_view.get(), AV_FRAME_CROP_UNALIGNED), "autoscroll");
        source = m_view.get();
    }
    m_pictures->Convert(source, left, top);
    if (m_settings.autoscrollMode != 0)
        av_frame_unref(m_view.get());
    EncodePicture(index);
}

void AviExporter::EncodePicture(std::int64_t index)
{
    AVCodecContext* c = m_videoEncoder.get();
    AVFrame* picture = m_pictures->Picture();
    picture->pts = index;
    // Fixed-quantiser encoders take the quantiser from each frame.
    picture->quality = c->global_quality;
    Encode(c, m_videoOut, picture);
    m_repeats = 0;
}

void AviExporter::TakeAudioFrame(const AVFrame* frame)
{
    m_sound->Add(frame, [this](const AVFrame* chunk) { Encode(m_audioEncoder.get(), m_audioOut, chunk); });
}

void AviExporter::Encode(AVCodecContext* encoder, AVStream* stream, const AVFrame* frame)
{
    Check(avcodec_send_frame(encoder, frame), "encoding failed");
    while (true) {
        const int result = avcodec_receive_packet(encoder, m_encoded.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return;
        Check(result, "encoding failed");
        // An MP3 stream starts with the encoder's priming samples, stamped
        // before 0. AVI has no edit lists, so the sound simply starts with
        // them, rather than the muxer moving every stream later.
        if (encoder->codec_type == AVMEDIA_TYPE_AUDIO && encoder->initial_padding > 0) {
            if (m_encoded->pts != AV_NOPTS_VALUE)
                m_encoded->pts += encoder->initial_padding;
            if (m_encoded->dts != AV_NOPTS_VALUE)
                m_encoded->dts += encoder->initial_padding;
        }
        av_packet_rescale_ts(m_encoded.get(), encoder->time_base, stream->time_base);
        m_encoded->stream_index = stream->index;
        Check(av_interleaved_write_frame(m_output.get(), m_encoded.get()), "cannot write the AVI file");
        // FFmpeg starts an OpenDML part at 1 GiB; the AVI 1.0 format ends there.
        constexpr std::int64_t kAvi10Limit = std::int64_t { 1 } << 30;
        if (m_settings.useOldAVIFormat && avio_tell(m_output->pb) >= kAvi10Limit - (std::int64_t { 1 } << 20))
            throw MovieError("the movie is too long for the AVI 1.0 format (1 GB)");
    }
}

// RIFF chunk walking for MakeAvi10.
struct RiffFile {
    std::FILE* file;
    std::string path;

    bool ReadAt(long offset, void* data, size_t size) const
    {
        return std::fseek(file, offset, SEEK_SET) == 0 && std::fread(data, 1, size, file) == size;
    }
    void WriteAt(long offset, const char* data, size_t size) const
    {
        if (std::fseek(file, offset, SEEK_SET) != 0 || std::fwrite(data, 1, size, file) != size)
            throw MovieError("cannot write \"" + path + "\"");
    }
};

std::uint32_t Le32(const unsigned char* p)
{
    return p[0] | (static_cast<std::uint32_t>(p[1]) << 8) | (static_cast<std::uint32_t>(p[2]) << 16)
        | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Walks the chunks in [begin, end): OpenDML chunks become JUNK; the
// header lists are searched recursively.
void JunkOpenDml(const RiffFile& riff, long begin, long end, int depth)
{
    constexpr int kMaxDepth = 4; // hdrl > strl is as deep as AVI headers go
    long offset = begin;
    while (offset + 8 <= end) {
        unsigned char head[12] = {};
        if (!riff.ReadAt(offset, head, 12))
            break;
        const std::uint32_t size = Le32(head + 4);
        const bool list = std::memcmp(head, "LIST", 4) == 0;
        if (std::memcmp(head, "indx", 4) == 0) {
            riff.WriteAt(offset, "JUNK", 4);
        } else if (list && std::memcmp(head + 8, "odml", 4) == 0) {
            riff.WriteAt(offset, "JUNK", 4);
        } else if (list && depth < kMaxDepth
            && (std::memcmp(head + 8, "hdrl", 4) == 0 || std::memcmp(head + 8, "strl", 4) == 0)) {
            JunkOpenDml(riff, offset + 12, offset + 8 + static_cast<long>(size), depth + 1);
        }
        offset += 8 + static_cast<long>(size) + (size & 1);
    }
}

} // namespace

void ExportAvi(MovieSource& movie, const AviSettings& settings, const std::string& outputPath,
    const TaskControl& control)
{
    AviExporter exporter(movie, settings, control);
    exporter.Run(outputPath);
}

void MakeAvi10(const std::string& path)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "r+b"), &std::fclose);
    if (!file)
        throw MovieError("cannot open \"" + path + "\"");
    const RiffFile riff { file.get(), path };
    unsigned char head[12] = {};
    if (!riff.ReadAt(0, head, 12) || std::memcmp(head, "RIFF", 4) != 0
        || std::memcmp(head + 8, "AVI ", 4) != 0)
        throw MovieError("\"" + path + "\" is no AVI file");
    const long end = 8 + static_cast<long>(Le32(head + 4));
    unsigned char next[4] = {};
    if (riff.ReadAt(end, next, 4) && std::memcmp(next, "RIFF", 4) == 0)
        throw MovieError("the movie is too long for the AVI 1.0 format (more than 1 GB)");
    JunkOpenDml(riff, 12, end, 0);
    if (std::fflush(file.get()) != 0)
        throw MovieError("cannot write \"" + path + "\"");
}

} // namespace vtapi
