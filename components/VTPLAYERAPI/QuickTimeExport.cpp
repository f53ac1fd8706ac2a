#include "QuickTimeExport.h"

#include "FrameReader.h"
#include "QuickTimeLibrary.h"
#include "SoundQueue.h"
#include "support/Trace.h"

#include <algorithm>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace vtapi {

namespace {

// The library's movie and session, closed in the right order on every path.
class MovieHandles final {
public:
    explicit MovieHandles(const QuickTimeLibrary& library)
        : m_library(library)
    {
    }
    ~MovieHandles()
    {
        DestroySession();
        if (movie != nullptr)
            m_library.CloseMovieFile(movie);
    }
    MovieHandles(const MovieHandles&) = delete;
    MovieHandles& operator=(const MovieHandles&) = delete;

    void DestroySession()
    {
        if (session != nullptr)
            m_library.DestroyCompressionSession(session);
        session = nullptr;
    }
    // Writes the index; throws when the movie is not complete.
    void Close()
    {
        DestroySession();
        VTQTMovie* closing = movie;
        movie = nullptr;
        m_library.Check(m_library.CloseMovieFile(closing), "CloseMovieFileQT");
    }

    VTQTMovie* movie = nullptr;
    VTQTSession* session = nullptr;

private:
    const QuickTimeLibrary& m_library;
};

class QuickTimeExporter final {
public:
    QuickTimeExporter(MovieSource& movie, const QuickTimeSettings& settings, const TaskControl& control)
        : m_movie(movie)
        , m_settings(settings)
        , m_control(control)
        , m_autoscroll(settings.common.autoscrollMode, {}, {})
    {
    }

    void Run(const std::string& outputPath, const std::string& libraryPath);

private:
    void WriteSoundFile(const std::string& path, const QuickTimeSound& sound);
    void EncodePass(const QuickTimeLibrary& library, VTQTSession* session, int pass);
    void TakeFrame(AVFrame* frame, const FrameChanges& changes);
    void EmitUpTo(std::int64_t limit);
    void EmitFrame(std::int64_t index);
    void SendPicture(std::int64_t index, int left, int top);

    MovieSource& m_movie;
    const QuickTimeSettings& m_settings;
    const TaskControl& m_control;

    AVRational m_outputRate {};
    FrameSize m_movieSize;
    FrameSize m_viewSize;
    FrameSize m_outputSize;
    AutoscrollWindow m_autoscroll;
    std::int64_t m_totalOutput = 1;
    int m_passes = 1;

    // The pass being encoded.
    const QuickTimeLibrary* m_library = nullptr;
    VTQTSession* m_session = nullptr;
    int m_pass = 0;
    FramePtr m_held; // the last decoded frame, shown until the next one
    FramePtr m_converted;
    SwsPtr m_converter;
    std::int64_t m_firstPts = AV_NOPTS_VALUE;
    std::int64_t m_lastPts = AV_NOPTS_VALUE;
    std::int64_t m_nextOutput = 0;
    std::int64_t m_decodedFrames = 0;
    // What the last picture sent shows: the held frame changed since (or
    // a frame between), and where the view stood in it.
    bool m_changed = true;
    bool m_skippedChanged = false; // frames of a repeated time stamp changed
    int m_sentLeft = 0;
    int m_sentTop = 0;
    std::int64_t m_lastSent = -1;
};

bool AnyChange(const FrameChanges& changes)
{
    return changes.all || std::any_of(changes.bands.begin(), changes.bands.end(), [](std::uint8_t band) {
        return band != 0;
    });
}

void QuickTimeExporter::Run(const std::string& outputPath, const std::string& libraryPath)
{
    const QuickTimeLibrary library(libraryPath);
    const AviSettings& common = m_settings.common;
    m_outputRate = OutputFrameRate(common, m_movie.FrameRate());
    m_movieSize = { m_movie.Width(), m_movie.Height() };
    m_viewSize = ViewSize(common, m_movieSize);
    m_outputSize = QuickTimeOutputSize(m_settings, m_viewSize);
    m_autoscroll = AutoscrollWindow(common.autoscrollMode, m_viewSize, m_movieSize);
    m_totalOutput = std::max<std::int64_t>(
        1, av_rescale_q_rnd(m_movie.Duration(), AV_TIME_BASE_Q, av_inv_q(m_outputRate), AV_ROUND_UP));

    PartialFile file(outputPath);
    // The sound goes to the library as a file: MP3 to copy, or PCM to
    // convert to AAC.
    std::unique_ptr<TemporaryFile> soundFile;
    QuickTimeSound sound;
    if (common.exportSounds && m_movie.AudioStream() >= 0) {
        const AVCodecParameters* audio = m_movie.Format()->streams[m_movie.AudioStream()]->codecpar;
        const bool mp3Available = avcodec_find_encoder_by_name("libmp3lame") != nullptr;
        if (common.soundCompressFormat == 85 && !mp3Available)
            TraceWarning("QuickTime export: no MP3 encoder, the sound becomes AAC");
        sound = ChooseQuickTimeSound(
            m_settings, audio->sample_rate, audio->ch_layout.nb_channels, mp3Available);
        soundFile = std::make_unique<TemporaryFile>();
        WriteSoundFile(soundFile->Path(), sound);
    }

    MovieHandles handles(library);
    handles.movie = library.CreateMovieFile(file.TemporaryPath().c_str());
    library.Check(handles.movie != nullptr, "CreateMovieFileQT");
    handles.session = library.CreateCompressionSession(
        handles.movie, m_outputSize.width, m_outputSize.height, m_outputRate.num, m_outputRate.den);
    library.Check(handles.session != nullptr, "CreateCompressionSession");
    VTQTCodecParams params {};
    library.Check(library.SelectCodecParams(&params), "SelectCodecParams");
    params = QuickTimeCodecParams(m_settings);
    library.Check(library.SetCodecParams(handles.session, &params), "SetCodecParams");
    if (m_settings.multipass)
        library.Check(library.MultipassYES(handles.session), "MultipassYES");
    if (soundFile) {
        if (sound.mp3)
            library.Check(
                library.AddMP3FileAsTrack(handles.movie, soundFile->Path().c_str()), "AddMP3FileAsTrack");
        else
            library.Check(library.ConvertMP3ToAAC(handles.movie, soundFile->Path().c_str(), sound.bitRate),
                "ConvertMP3ToAAC");
    }
    if (m_settings.flattenMovie)
        library.Check(library.FlattenMovie(handles.movie), "FlattenMovieQT");
    library.Check(library.BeginMediaEdits(handles.movie), "BeginMediaEditsQT");

    m_passes = library.IsMultipass(handles.session) != 0 ? 2 : 1;
    int pass = 0;
    do {
        library.Check(library.BeginPass(handles.session), "BeginPassQT");
        EncodePass(library, handles.session, pass++);
    } while (library.AnotherPassRequired(handles.session) != 0 && pass < m_passes);
    library.Check(library.EndMediaEdits(handles.movie), "EndMediaEditsQT");
    handles.Close();
    m_control.Progress(m_totalOutput * m_passes, m_totalOutput * m_passes);
    file.Commit();
}

void QuickTimeExporter::WriteSoundFile(const std::string& path, const QuickTimeSound& sound)
{
    const AVStream* stream = m_movie.Format()->streams[m_movie.AudioStream()];
    CodecContextPtr decoder = OpenDecoder(stream);
    const AVCodec* codec = sound.mp3 ? avcodec_find_encoder_by_name("libmp3lame")
                                     : avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
    if (codec == nullptr)
        throw MovieError("the sound encoder is missing");
    CodecContextPtr encoder(avcodec_alloc_context3(codec));
    if (!encoder)
        throw MovieError("out of memory");
    AVCodecContext* c = encoder.get();
    c->sample_rate = sound.sampleRate;
    c->sample_fmt = codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    av_channel_layout_default(&c->ch_layout, sound.channels);
    c->time_base = AVRational { 1, sound.sampleRate };
    if (sound.mp3)
        c->bit_rate = sound.bitRate;
    Check(avcodec_open2(c, codec, nullptr), "cannot start the sound encoder");

    OutputFormatPtr output = OpenOutput(path, sound.mp3 ? "mp3" : "wav");
    AVStream* out = avformat_new_stream(output.get(), nullptr);
    if (out == nullptr)
        throw MovieError("out of memory");
    Check(avcodec_parameters_from_context(out->codecpar, c), "sound stream");
    out->time_base = c->time_base;
    Check(avformat_write_header(output.get(), nullptr), "cannot write the sound");

    SoundQueue queue(decoder.get(), c);
    PacketPtr packet = MakePacket();
    PacketPtr encoded = MakePacket();
    FramePtr decoded = MakeFrame();

    const auto encode = [&](const AVFrame* frame) {
        Check(avcodec_send_frame(c, frame), "sound encoding failed");
        while (true) {
            const int result = avcodec_receive_packet(c, encoded.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return;
            Check(result, "sound encoding failed");
            av_packet_rescale_ts(encoded.get(), c->time_base, out->time_base);
            encoded->stream_index = out->index;
            Check(av_interleaved_write_frame(output.get(), encoded.get()), "cannot write the sound");
        }
    };
    const auto decode = [&](const AVPacket* input) {
        Check(avcodec_send_packet(decoder.get(), input), "damaged movie \"" + m_movie.Path() + "\"");
        while (true) {
            const int result = avcodec_receive_frame(decoder.get(), decoded.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return;
            Check(result, "damaged movie \"" + m_movie.Path() + "\"");
            queue.Add(decoded.get(), encode);
            av_frame_unref(decoded.get());
        }
    };

    m_movie.Rewind();
    while (true) {
        m_control.CheckCancel();
        if (!m_movie.ReadPacket(packet.get()))
            break;
        if (packet->stream_index == m_movie.AudioStream())
            decode(packet.get());
        av_packet_unref(packet.get());
    }
    decode(nullptr);
    queue.Add(nullptr, encode);
    encode(nullptr);
    Check(av_write_trailer(output.get()), "cannot write the sound");
}

void QuickTimeExporter::EncodePass(const QuickTimeLibrary& library, VTQTSession* session, int pass)
{
    m_library = &library;
    m_session = session;
    m_pass = pass;
    m_held.reset();
    m_firstPts = AV_NOPTS_VALUE;
    m_lastPts = AV_NOPTS_VALUE;
    m_nextOutput = 0;
    m_decodedFrames = 0;
    m_changed = true;
    m_skippedChanged = false;
    m_lastSent = -1;

    const AVStream* stream = m_movie.Format()->streams[m_movie.VideoStream()];
    CodecContextPtr decoder = OpenDecoder(stream);
    m_movie.Rewind();
    {
        // Decoding runs ahead on its own thread; the reader is gone (and
        // its thread stopped) before the decoder, also when this throws.
        FrameReader reader(m_movie, decoder.get(), nullptr);
        for (DecodedFrame decoded; reader.Next(&decoded);) {
            m_control.CheckCancel();
            if (decoded.video)
                TakeFrame(decoded.frame.get(), decoded.changes);
        }
    }
    if (m_held) {
        // The last frame lasts one frame of the movie's own rate.
        const std::int64_t end = m_lastPts
            + std::max<std::int64_t>(1, av_rescale_q(1, av_inv_q(m_movie.FrameRate()), stream->time_base));
        EmitUpTo(OutputFramesBefore(end - m_firstPts, stream->time_base, m_outputRate, m_movie.FrameRate()));
        // The movie ends with a picture of its own, or the sample before
        // would end early.
        if (m_lastSent < m_nextOutput - 1)
            SendPicture(m_nextOutput - 1, m_sentLeft, m_sentTop);
    }
}

void QuickTimeExporter::TakeFrame(AVFrame* frame, const FrameChanges& changes)
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
        m_skippedChanged = m_skippedChanged || AnyChange(changes);
        return;
    }
    if (m_held)
        EmitUpTo(OutputFramesBefore(pts - m_firstPts, stream->time_base, m_outputRate, m_movie.FrameRate()));
    else
        m_held = MakeFrame();
    m_changed = m_changed || m_skippedChanged || AnyChange(changes);
    m_skippedChanged = false;
    av_frame_unref(m_held.get());
    av_frame_move_ref(m_held.get(), frame);
    m_lastPts = pts;
}

void QuickTimeExporter::EmitUpTo(std::int64_t limit)
{
    const std::int64_t total = m_totalOutput * m_passes;
    for (; m_nextOutput < limit; ++m_nextOutput) {
        m_control.CheckCancel();
        EmitFrame(m_nextOutput);
        m_control.Progress(std::min(m_pass * m_totalOutput + m_nextOutput + 1, total), total);
    }
}

void QuickTimeExporter::EmitFrame(std::int64_t index)
{
    int left = 0;
    int top = 0;
    if (m_settings.common.autoscrollMode != 0) {
        int x = m_movieSize.width / 2;
        int y = m_movieSize.height / 2;
        const std::int64_t timeMs = av_rescale_q(index, av_inv_q(m_outputRate), AVRational { 1, 1000 });
        CursorAt(m_movie.Cursor(), timeMs, &x, &y);
        m_autoscroll.Follow(x, y, &left, &top);
    }
    // A frame showing what the last picture shows is not sent: the
    // library's sample of that picture lasts until the next one.
    if (m_lastSent >= 0 && !m_changed && left == m_sentLeft && top == m_sentTop)
        return;
    SendPicture(index, left, top);
}

void QuickTimeExporter::SendPicture(std::int64_t index, int left, int top)
{
    const AVFrame* source = m_held.get();
    if (source->format != AV_PIX_FMT_BGR0 && source->format != AV_PIX_FMT_YUV420P) {
        // Recordings are BGR0; anything else is converted to it first.
        if (!m_converter) {
            m_converter.reset(
                sws_getContext(source->width, source->height, static_cast<AVPixelFormat>(source->format),
                    source->width, source->height, AV_PIX_FMT_BGR0, SWS_POINT, nullptr, nullptr, nullptr));
            if (!m_converter)
                throw MovieError("cannot convert the movie's pictures");
            m_converted = MakeFrame();
        }
        av_frame_unref(m_converted.get());
        m_converted->format = AV_PIX_FMT_BGR0;
        m_converted->width = source->width;
        m_converted->height = source->height;
        Check(av_frame_get_buffer(m_converted.get(), 0), "out of memory");
        sws_scale(m_converter.get(), source->data, source->linesize, 0, source->height, m_converted->data,
            m_converted->linesize);
        source = m_converted.get();
    }

    m_sentLeft = left;
    m_sentTop = top;
    VTQTPicture picture {};
    picture.width = m_viewSize.width;
    picture.height = m_viewSize.height;
    if (source->format == AV_PIX_FMT_BGR0) {
        picture.format = VTQT_PIXELS_BGRX;
        picture.planes[0] = source->data[0] + static_cast<ptrdiff_t>(top) * source->linesize[0] + left * 4;
        picture.strides[0] = source->linesize[0];
    } else {
        // 4:2:0 crops on even positions.
        left &= ~1;
        top &= ~1;
        picture.format = VTQT_PIXELS_YUV420P;
        for (int i = 0; i < 3; ++i) {
            const int shift = i == 0 ? 0 : 1;
            picture.planes[i] = source->data[i] + static_cast<ptrdiff_t>(top >> shift) * source->linesize[i]
                + (left >> shift);
            picture.strides[i] = source->linesize[i];
        }
    }
    m_library->Check(m_library->CompressFrame(m_session, &picture, index), "CompressFrame");
    m_lastSent = index;
    m_changed = false;
}

} // namespace

void ExportQuickTimeMovie(MovieSource& movie, const QuickTimeSettings& settings,
    const std::string& outputPath, const TaskControl& control, const std::string& libraryPath)
{
    QuickTimeExporter exporter(movie, settings, control);
    exporter.Run(outputPath, libraryPath);
}

} // namespace vtapi
