#include "WmvExport.h"

#include "AviSettings.h"
#include "WmvEncoderLibrary.h"
#include "support/Trace.h"
#include "xml/XMLSettings.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

namespace vtapi {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000; // the library's sample times: 100 ns
constexpr int kMaxOutputSide = 4096;
constexpr int kMinOutputSide = 16;
constexpr int kMaxInputChannels = 8;
constexpr std::size_t kQueuedItems = 6;

// A picture or a piece of sound on its way from the decoding thread to the
// library.
struct Item {
    enum class Kind { Video, Audio, End } kind = Kind::End;
    FramePtr picture; // I420 with packed rows, in one buffer
    std::vector<std::uint8_t> sound; // interleaved 16-bit
    std::int64_t time = 0; // 100 ns
};

// A bounded queue between the decoding thread and the encoding one.
class ItemQueue final {
public:
    // Blocks while the queue is full; false once stopped.
    bool Push(Item item)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_stopped || m_items.size() < kQueuedItems; });
        if (m_stopped)
            return false;
        m_items.push_back(std::move(item));
        m_changed.notify_all();
        return true;
    }
    Item Pop()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_items.empty(); });
        Item item = std::move(m_items.front());
        m_items.pop_front();
        m_changed.notify_all();
        return item;
    }
    // Ends the queue: pushes fail from now on.
    void Stop()
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_changed.notify_all();
    }
    // Queues the end at once, full or stopped: the reader has failed.
    void Finish()
    {
        std::lock_guard lock(m_mutex);
        m_items.push_back(Item {});
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_items;
    bool m_stopped = false;
};

// What the decoding thread makes of the movie.
struct PictureLayout {
    AVRational outputRate {};
    FrameSize movie;
    FrameSize view;
    FrameSize output;
    int autoscrollMode = 0;
};

// The options the size and rate arithmetic shares with the AVI export.
AviSettings SharedSettings(const WmvSettings& s)
{
    AviSettings shared;
    shared.frameRateCustom = s.frameRateCustom;
    shared.frameRateMode = s.frameRateMode;
    shared.scaleToPercents = s.scaleToPercents;
    shared.outputSizeWidthPercent = s.outputSizeWidthPercent;
    shared.outputSizeHeightPercent = s.outputSizeHeightPercent;
    shared.outputSizeWidth = s.outputSizeWidth;
    shared.outputSizeHeight = s.outputSizeHeight;
    shared.outputSizeKeepAspectRatio = s.outputSizeKeepAspectRatio;
    shared.autoscrollMode = s.autoscrollMode;
    shared.autoscrollWidth = s.autoscrollWidth;
    shared.autoscrollHeight = s.autoscrollHeight;
    return shared;
}

// Output frame n shows the last movie frame stamped at or before n / rate
// plus half a frame of the faster of the two rates (time stamps are
// rounded to the stream's time base). The smallest n with
// n / rate + tolerance >= ticks.
std::int64_t OutputFramesBefore(
    std::int64_t ticks, AVRational timeBase, AVRational outputRate, AVRational movieRate)
{
    const AVRational faster = av_cmp_q(outputRate, movieRate) > 0 ? outputRate : movieRate;
    const AVRational tolerance { faster.den, 2 * faster.num };
    const std::int64_t numerator
        = ticks * timeBase.num * tolerance.den - std::int64_t { tolerance.num } * timeBase.den;
    const std::int64_t denominator = std::int64_t { timeBase.den } * tolerance.den * outputRate.den;
    return std::max<std::int64_t>(0, av_rescale_rnd(numerator, outputRate.num, denominator, AV_ROUND_UP));
}

CodecContextPtr OpenDecoder(const AVStream* stream)
{
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (decoder == nullptr)
        throw MovieError("no decoder for the movie's streams");
    CodecContextPtr context(avcodec_alloc_context3(decoder));
    if (!context)
        throw MovieError("out of memory");
    Check(avcodec_parameters_to_context(context.get(), stream->codecpar), "decoder set-up");
    context->thread_count = 0;
    context->pkt_timebase = stream->time_base;
    Check(avcodec_open2(context.get(), decoder, nullptr), "cannot start the decoder");
    return context;
}

// Reads the movie once and queues its output pictures (and its sound).
class MovieReader final {
public:
    MovieReader(MovieSource& movie, const PictureLayout& layout, bool withSound, ItemQueue& queue,
        const TaskControl& control)
        : m_movie(movie)
        , m_layout(layout)
        , m_queue(queue)
        , m_control(control)
        , m_autoscroll(layout.autoscrollMode, layout.view, layout.movie)
    {
        m_videoDecoder = OpenDecoder(movie.Format()->streams[movie.VideoStream()]);
        if (withSound && movie.AudioStream() >= 0)
            SetUpSound();
        m_packet = MakePacket();
        m_decoded = MakeFrame();
        m_view = MakeFrame();
    }
    ~MovieReader() { av_buffer_pool_uninit(&m_pool); }
    MovieReader(const MovieReader&) = delete;
    MovieReader& operator=(const MovieReader&) = delete;

    // Queues every output picture and the sound, then the end. Throws
    // Cancelled when the queue was stopped.
    void Run();

private:
    void SetUpSound();
    void Decode(AVCodecContext* decoder, const AVPacket* packet, bool video);
    void TakePicture(AVFrame* frame);
    void EmitUpTo(std::int64_t limit);
    void EmitPicture(std::int64_t index);
    void TakeSound(const AVFrame* frame);
    void Queue(Item item)
    {
        if (!m_queue.Push(std::move(item)))
            throw Cancelled();
    }

    MovieSource& m_movie;
    const PictureLayout& m_layout;
    ItemQueue& m_queue;
    const TaskControl& m_control;
    AutoscrollWindow m_autoscroll;
    CodecContextPtr m_videoDecoder;
    CodecContextPtr m_audioDecoder;
    SwrPtr m_resampler;
    int m_soundChannels = 0;
    PacketPtr m_packet;
    FramePtr m_decoded;
    FramePtr m_held; // the last decoded picture, shown until the next one
    FramePtr m_view;
    SwsPtr m_scaler;
    std::int64_t m_firstPts = AV_NOPTS_VALUE;
    std::int64_t m_lastPts = AV_NOPTS_VALUE;
    std::int64_t m_decodedFrames = 0;
    std::int64_t m_nextOutput = 0;
    std::int64_t m_soundStart = AV_NOPTS_VALUE;
    AVBufferPool* m_pool = nullptr; // freed when its last picture is
};

void MovieReader::SetUpSound()
{
    m_audioDecoder = OpenDecoder(m_movie.Format()->streams[m_movie.AudioStream()]);
    AVCodecContext* d = m_audioDecoder.get();
    m_soundChannels = std::clamp(d->ch_layout.nb_channels, 1, kMaxInputChannels);
    AVChannelLayout layout {};
    av_channel_layout_default(&layout, m_soundChannels);
    SwrContext* resampler = nullptr;
    Check(swr_alloc_set_opts2(&resampler, &layout, AV_SAMPLE_FMT_S16, d->sample_rate, &d->ch_layout,
              d->sample_fmt, d->sample_rate, 0, nullptr),
        "sound conversion");
    m_resampler.reset(resampler);
    Check(swr_init(resampler), "sound conversion");
}

void MovieReader::Run()
{
    const AVStream* video = m_movie.Format()->streams[m_movie.VideoStream()];
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
    if (m_held) {
        // The last picture lasts one frame of the movie's own rate.
        const std::int64_t end = m_lastPts
            + std::max<std::int64_t>(1, av_rescale_q(1, av_inv_q(m_movie.FrameRate()), video->time_base));
        EmitUpTo(
            OutputFramesBefore(end - m_firstPts, video->time_base, m_layout.outputRate, m_movie.FrameRate()));
    }
    if (m_audioDecoder)
        Decode(m_audioDecoder.get(), nullptr, false);
    Queue(Item {});
}

void MovieReader::Decode(AVCodecContext* decoder, const AVPacket* packet, bool video)
{
    Check(avcodec_send_packet(decoder, packet), "damaged movie \"" + m_movie.Path() + "\"");
    while (true) {
        const int result = avcodec_receive_frame(decoder, m_decoded.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return;
        Check(result, "damaged movie \"" + m_movie.Path() + "\"");
        if (video)
            TakePicture(m_decoded.get());
        else
            TakeSound(m_decoded.get());
        av_frame_unref(m_decoded.get());
    }
}

void MovieReader::TakePicture(AVFrame* frame)
{
    const AVStream* stream = m_movie.Format()->streams[m_movie.VideoStream()];
    std::int64_t pts = frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE)
        pts = av_rescale_q(m_decodedFrames, av_inv_q(m_movie.FrameRate()), stream->time_base);
    ++m_decodedFrames;
    if (m_firstPts == AV_NOPTS_VALUE)
        m_firstPts = pts;
    if (m_lastPts != AV_NOPTS_VALUE && pts <= m_lastPts)
        return; // a repeated time stamp: the first picture of that time wins
    if (m_held)
        EmitUpTo(OutputFramesBefore(
            pts - m_firstPts, stream->time_base, m_layout.outputRate, m_movie.FrameRate()));
    else
        m_held = MakeFrame();
    av_frame_unref(m_held.get());
    av_frame_move_ref(m_held.get(), frame);
    m_lastPts = pts;
}

void MovieReader::EmitUpTo(std::int64_t limit)
{
    for (; m_nextOutput < limit; ++m_nextOutput) {
        m_control.CheckCancel();
        EmitPicture(m_nextOutput);
    }
}

void MovieReader::EmitPicture(std::int64_t index)
{
    const AVRational rate = m_layout.outputRate;
    const AVFrame* source = m_held.get();
    if (m_layout.autoscrollMode != 0) {
        int x = m_layout.movie.width / 2;
        int y = m_layout.movie.height / 2;
        CursorAt(m_movie.Cursor(), av_rescale_q(index, av_inv_q(rate), AVRational { 1, 1000 }), &x, &y);
        int left = 0;
        int top = 0;
        m_autoscroll.Follow(x, y, &left, &top);
        av_frame_unref(m_view.get());
        Check(av_frame_ref(m_view.get(), source), "out of memory");
        m_view->crop_left = static_cast<size_t>(left);
        m_view->crop_top = static_cast<size_t>(top);
        m_view->crop_right = static_cast<size_t>(source->width - left - m_layout.view.width);
        m_view->crop_bottom = static_cast<size_t>(source->height - top - m_layout.view.height);
        Check(av_frame_apply_cropping(m_view.get(), AV_FRAME_CROP_UNALIGNED), "autoscroll");
        source = m_view.get();
    }
    const FrameSize out = m_layout.output;
    if (!m_scaler) {
        // Converts on several threads, as FFmpeg's own scale filter does.
        m_scaler.reset(sws_alloc_context());
        if (!m_scaler)
            throw MovieError("out of memory");
        SwsContext* s = m_scaler.get();
        av_opt_set_int(s, "srcw", source->width, 0);
        av_opt_set_int(s, "srch", source->height, 0);
        av_opt_set_int(s, "src_format", source->format, 0);
        av_opt_set_int(s, "dstw", out.width, 0);
        av_opt_set_int(s, "dsth", out.height, 0);
        av_opt_set_int(s, "dst_format", AV_PIX_FMT_YUV420P, 0);
        av_opt_set_int(s, "sws_flags", SWS_BICUBIC, 0);
        av_opt_set_int(s, "threads", 0, 0);
        Check(sws_init_context(s, nullptr, nullptr), "cannot convert the frames");
    }
    Item item;
    item.kind = Item::Kind::Video;
    item.time = av_rescale(index, kTicksPerSecond * rate.den, rate.num);
    // The rows packed as the library takes them, in a buffer of the pool
    // (spent pictures come back to it).
    if (m_pool == nullptr) {
        m_pool = av_buffer_pool_init(
            static_cast<size_t>(av_image_get_buffer_size(AV_PIX_FMT_YUV420P, out.width, out.height, 1)),
            nullptr);
        if (m_pool == nullptr)
            throw MovieError("out of memory");
    }
    item.picture = MakeFrame();
    AVFrame* picture = item.picture.get();
    picture->format = AV_PIX_FMT_YUV420P;
    picture->width = out.width;
    picture->height = out.height;
    picture->buf[0] = av_buffer_pool_get(m_pool);
    if (picture->buf[0] == nullptr)
        throw MovieError("out of memory");
    Check(av_image_fill_arrays(picture->data, picture->linesize, picture->buf[0]->data, AV_PIX_FMT_YUV420P,
              out.width, out.height, 1),
        "out of memory");
    // The frame interface converts on the scaler's threads.
    Check(sws_scale_frame(m_scaler.get(), picture, source), "cannot convert the frames");
    if (m_layout.autoscrollMode != 0)
        av_frame_unref(m_view.get());
    Queue(std::move(item));
}

void MovieReader::TakeSound(const AVFrame* frame)
{
    const AVStream* stream = m_movie.Format()->streams[m_movie.AudioStream()];
    if (m_soundStart == AV_NOPTS_VALUE) {
        const std::int64_t pts = frame->best_effort_timestamp;
        const std::int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
        m_soundStart = pts == AV_NOPTS_VALUE
            ? 0
            : std::max<std::int64_t>(
                0, av_rescale_q(pts - start, stream->time_base, AVRational { 1, 10'000'000 }));
    }
    const int capacity = swr_get_out_samples(m_resampler.get(), frame->nb_samples);
    if (capacity <= 0)
        return;
    Item item;
    item.kind = Item::Kind::Audio;
    item.time = m_soundStart;
    item.sound.resize(static_cast<std::size_t>(capacity) * 2 * m_soundChannels);
    std::uint8_t* out[1] = { item.sound.data() };
    const int converted
        = Check(swr_convert(m_resampler.get(), out, capacity,
                    const_cast<const std::uint8_t**>(frame->extended_data), frame->nb_samples),
            "sound conversion");
    item.sound.resize(static_cast<std::size_t>(converted) * 2 * m_soundChannels);
    if (converted > 0)
        Queue(std::move(item));
}

// Frees the library's encoder, which deletes an unfinished file.
struct EncoderOwner {
    const WmvFunctions* library = nullptr;
    WMVEncoder* encoder = nullptr;
    ~EncoderOwner()
    {
        if (encoder != nullptr)
            library->release(encoder);
    }
};

void CheckWmv(std::int32_t result, const char* what)
{
    if (result != WMV_OK)
        throw MovieError(std::string(what) + ": " + WmvResultText(result));
}

// The codec to use: the stored one when the library still has it, else its
// default (as the options dialog does with a stored codec it lacks).
std::int32_t ChooseCodec(
    const std::vector<std::int32_t>& codecs, std::int32_t defaultId, std::int32_t stored, const char* kind)
{
    if (stored != 0 && std::find(codecs.begin(), codecs.end(), stored) != codecs.end())
        return stored;
    if (stored != 0)
        TraceWarning("ExportWmv: the %s codec %d is not available; the default one is used", kind, stored);
    if (defaultId == 0 || std::find(codecs.begin(), codecs.end(), defaultId) == codecs.end())
        throw MovieError(std::string("the Windows Media export library offers no ") + kind + " codec");
    return defaultId;
}

// The stored audio format; when the codec no longer has it, the format of
// the stored kind nearest the movie's sound (its rate or the next lower,
// its channels, the highest bit rate).
WmvAudioFormat ChooseAudioFormat(
    const std::vector<WmvAudioFormat>& formats, const WmvSettings& s, int movieRate, int movieChannels)
{
    if (formats.empty())
        throw MovieError("the Windows Media audio codec offers no format");
    for (const WmvAudioFormat& f : formats)
        if (f.id == s.audioFormatId)
            return f;
    TraceWarning("ExportWmv: the audio format %d is not available; the nearest one is used", s.audioFormatId);
    const int channels = std::min(movieChannels, 2);
    const auto score = [&](const WmvAudioFormat& f) {
        const bool kind = f.vbr == (s.isAudioVBR != 0) && f.passes == static_cast<unsigned>(s.audioNumPasses);
        const bool rateFits = static_cast<int>(f.wave.samplesPerSec) <= movieRate;
        return std::make_tuple(kind, f.wave.channels == channels, rateFits,
            rateFits ? static_cast<int>(f.wave.samplesPerSec) : -static_cast<int>(f.wave.samplesPerSec),
            f.wave.avgBytesPerSec);
    };
    return *std::max_element(formats.begin(), formats.end(),
        [&](const WmvAudioFormat& a, const WmvAudioFormat& b) { return score(a) < score(b); });
}

class WmvExporter final {
public:
    WmvExporter(MovieSource& movie, const WmvSettings& settings, const TaskControl& control)
        : m_movie(movie)
        , m_settings(settings)
        , m_control(control)
    {
    }
    void Run(const std::string& outputPath);

private:
    // Reads the movie once on a second thread and hands everything to the
    // library: to its first pass, or to the file.
    void RunPass(bool firstPass, bool withSound);

    MovieSource& m_movie;
    const WmvSettings& m_settings;
    const TaskControl& m_control;
    const WmvFunctions* m_library = nullptr;
    WMVEncoder* m_encoder = nullptr;
    PictureLayout m_layout;
    std::int64_t m_done = 0;
    std::int64_t m_total = 1;
};

void WmvExporter::Run(const std::string& outputPath)
{
    const WmvFunctions& library = WmvLibrary();
    m_library = &library;
    const WmvSettings& s = m_settings;
    const AviSettings shared = SharedSettings(s);

    std::int32_t defaultVideo = 0;
    const std::vector<std::int32_t> videoCodecs = WmvVideoCodecs(library, &defaultVideo);
    const std::int32_t videoCodec = ChooseCodec(videoCodecs, defaultVideo, s.videoCodecId, "video");
    const bool vbr = s.isVideoVBR != 0;
    const unsigned passes = s.videoNumPasses == 2 ? 2 : 1;

    m_layout.outputRate = OutputFrameRate(shared, m_movie.FrameRate());
    m_layout.movie = { m_movie.Width(), m_movie.Height() };
    m_layout.view = ViewSize(shared, m_layout.movie);
    const FrameSize size = OutputSize(shared, m_layout.view, 2, kWmvPixelEpsilon);
    m_layout.output = { std::clamp(size.width, kMinOutputSide, kMaxOutputSide),
        std::clamp(size.height, kMinOutputSide, kMaxOutputSide) };
    m_layout.autoscrollMode = s.autoscrollMode;
    const std::int64_t frames = std::max<std::int64_t>(
        1, av_rescale_q_rnd(m_movie.Duration(), AV_TIME_BASE_Q, av_inv_q(m_layout.outputRate), AV_ROUND_UP));
    m_total = frames * passes;

    const bool withSound = s.exportSounds && m_movie.AudioStream() >= 0;
    std::int32_t audioCodec = 0;
    WmvAudioFormat audioFormat;
    if (withSound) {
        std::int32_t defaultAudio = 0;
        const std::vector<std::int32_t> audioCodecs = WmvAudioCodecs(library, &defaultAudio);
        audioCodec = ChooseCodec(audioCodecs, defaultAudio, s.audioCodecId, "audio");
        const AVCodecParameters* sound = m_movie.Format()->streams[m_movie.AudioStream()]->codecpar;
        audioFormat = ChooseAudioFormat(
            WmvAudioFormats(library, audioCodec), s, sound->sample_rate, sound->ch_layout.nb_channels);
    }

    PartialFile file(outputPath);
    EncoderOwner owner { &library, nullptr };
    CheckWmv(
        library.init(file.TemporaryPath().c_str(), &owner.encoder), "cannot start the Windows Media encoder");
    m_encoder = owner.encoder;
    CheckWmv(library.configureVideo(m_encoder, videoCodec, m_layout.output.width, m_layout.output.height,
                 m_layout.outputRate.num, m_layout.outputRate.den, vbr ? 1 : 0, passes,
                 std::max(1000, s.videoBitrate), std::clamp(s.videoQuality, 1, 100), 0, WMV_PIXELS_I420),
        "the Windows Media video settings");
    if (withSound) {
        // The reader hands on the movie's own rate and channels.
        const AVCodecParameters* sound = m_movie.Format()->streams[m_movie.AudioStream()]->codecpar;
        CheckWmv(library.configureAudio(m_encoder, audioCodec, audioFormat.id, sound->sample_rate,
                     std::clamp(sound->ch_layout.nb_channels, 1, kMaxInputChannels)),
            "the Windows Media audio settings");
    }
    if (passes == 2) {
        CheckWmv(library.beginVideoPreprocess(m_encoder), "the first pass");
        RunPass(true, false);
        CheckWmv(library.endVideoPreprocess(m_encoder), "the first pass");
        m_movie.Rewind();
    }
    CheckWmv(library.start(m_encoder), ("cannot write \"" + outputPath + "\"").c_str());
    RunPass(false, withSound);
    CheckWmv(library.stop(m_encoder), ("cannot write \"" + outputPath + "\"").c_str());
    m_control.Progress(m_total, m_total);
    file.Commit();
}

void WmvExporter::RunPass(bool firstPass, bool withSound)
{
    ItemQueue queue;
    MovieReader reader(m_movie, m_layout, withSound, queue, m_control);
    std::exception_ptr readerFailure;
    std::thread thread([&] {
        try {
            reader.Run();
        } catch (...) {
            readerFailure = std::current_exception();
            queue.Finish();
        }
    });
    // However this pass ends, the reader is released and awaited.
    struct Joiner {
        ItemQueue& queue;
        std::thread& thread;
        ~Joiner()
        {
            queue.Stop();
            thread.join();
        }
    } joiner { queue, thread };

    const WmvFunctions& library = *m_library;
    while (true) {
        Item item = queue.Pop();
        if (item.kind == Item::Kind::End)
            break;
        m_control.CheckCancel();
        if (item.kind == Item::Kind::Video) {
            const std::uint8_t* data = item.picture->buf[0]->data;
            const auto size
                = static_cast<std::int32_t>(m_layout.output.width * m_layout.output.height * 3 / 2);
            CheckWmv(firstPass ? library.preprocessVideo(m_encoder, data, size, item.time)
                               : library.writeVideo(m_encoder, data, size, item.time),
                firstPass ? "the first pass" : "the Windows Media encoder");
            m_control.Progress(std::min(++m_done, m_total), m_total);
        } else {
            const auto size = static_cast<std::int32_t>(item.sound.size());
            CheckWmv(library.writeAudio(m_encoder, item.sound.data(), size, item.time),
                "the Windows Media encoder");
        }
    }
    if (readerFailure)
        std::rethrow_exception(readerFailure);
}

} // namespace

WmvSettings ReadWmvSettings(const std::string& settingsFile)
{
    TXMLSettings store(true);
    store.ReadXMLSettingsFile(settingsFile);
    WmvSettings s;
    // The order in which the program reads them.
    s.frameRateCustom = store.GetInteger("FrameRateCustom", s.frameRateCustom);
    s.frameRateMode = store.GetInteger("FrameRateMode", s.frameRateMode);
    s.outputSizeWidthPercent
        = static_cast<float>(store.GetFloat("OutputSizeWidthPercent", s.outputSizeWidthPercent));
    s.outputSizeHeightPercent
        = static_cast<float>(store.GetFloat("OutputSizeHeightPercent", s.outputSizeHeightPercent));
    s.outputSizeWidth = store.GetInteger("OutputSizeWidth", s.outputSizeWidth);
    s.outputSizeHeight = store.GetInteger("OutputSizeHeight", s.outputSizeHeight);
    s.outputSizeKeepAspectRatio = store.GetBool("OutputSizeKeepAspectRatio", s.outputSizeKeepAspectRatio);
    s.scaleToPercents = store.GetBool("ScaleToPercents", s.scaleToPercents);
    s.autoscrollMode = store.GetInteger("AutoscrollMode", s.autoscrollMode);
    s.autoscrollWidth = store.GetInteger("AutoscrollWidth", s.autoscrollWidth);
    s.autoscrollHeight = store.GetInteger("AutoscrollHeight", s.autoscrollHeight);
    s.videoCodecId = store.GetInteger("VideoCodecId", s.videoCodecId);
    s.isVideoVBR = store.GetInteger("IsVideoVBR", s.isVideoVBR);
    s.videoNumPasses = store.GetInteger("VideoNumPasses", s.videoNumPasses);
    s.videoBitrate = store.GetInteger("VideoBitrate", s.videoBitrate);
    s.videoQuality = store.GetInteger("VideoQuality", s.videoQuality);
    s.audioCodecId = store.GetInteger("AudioCodecId", s.audioCodecId);
    s.audioFormatId = store.GetInteger("AudioFormatId", s.audioFormatId);
    s.isAudioVBR = store.GetInteger("IsAudioVBR", s.isAudioVBR);
    s.audioNumPasses = store.GetInteger("AudioNumPasses", s.audioNumPasses);
    s.exportSounds = store.GetBool("ExportSounds", s.exportSounds);
    return s;
}

void ExportWmv(MovieSource& movie, const WmvSettings& settings, const std::string& outputPath,
    const TaskControl& control)
{
    WmvExporter exporter(movie, settings, control);
    exporter.Run(outputPath);
}

} // namespace vtapi
