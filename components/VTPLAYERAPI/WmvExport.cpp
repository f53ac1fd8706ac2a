#include "WmvExport.h"

#include "AviExportPicture.h"
#include "AviSettings.h"
#include "FrameReader.h"
#include "WmvEncoderLibrary.h"
#include "support/Trace.h"
#include "xml/XMLSettings.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
}

namespace vtapi {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000; // the library's sample times: 100 ns
constexpr int kMaxOutputSide = 4096;
constexpr int kMinOutputSide = 16;
constexpr int kMaxInputChannels = 8;

// What the export makes of the movie.
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

// Reads the movie once and hands its output pictures (and its sound) to
// the library: to its first pass, or to the file. An output frame that
// shows what the last picture written shows is left out: the next picture
// comes with its later time, and players hold the one before until then.
// Both passes leave out the same frames.
class MoviePass final {
public:
    MoviePass(MovieSource& movie, const PictureLayout& layout, const WmvFunctions& library,
        WMVEncoder* encoder, bool firstPass, bool withSound, const TaskControl& control)
        : m_movie(movie)
        , m_layout(layout)
        , m_library(library)
        , m_encoder(encoder)
        , m_firstPass(firstPass)
        , m_control(control)
        , m_autoscroll(layout.autoscrollMode, layout.view, layout.movie)
        , m_pictures(AV_PIX_FMT_YUV420P, layout.output.width, layout.output.height, false)
    {
        m_videoDecoder = OpenDecoder(movie.Format()->streams[movie.VideoStream()]);
        if (withSound && movie.AudioStream() >= 0)
            SetUpSound();
        m_view = MakeFrame();
    }

    // Hands over every output picture and the sound. `done` counts the
    // output frames for the progress.
    void Run(std::int64_t* done, std::int64_t total);

private:
    void SetUpSound();
    void TakePicture(AVFrame* frame, const FrameChanges& changes);
    void EmitUpTo(std::int64_t limit);
    void EmitPicture(std::int64_t index);
    void WritePicture(std::int64_t index);
    void TakeSound(const AVFrame* frame);

    MovieSource& m_movie;
    const PictureLayout& m_layout;
    const WmvFunctions& m_library;
    WMVEncoder* m_encoder;
    bool m_firstPass;
    const TaskControl& m_control;
    AutoscrollWindow m_autoscroll;
    AviExportPicture m_pictures;
    CodecContextPtr m_videoDecoder;
    CodecContextPtr m_audioDecoder;
    SwrPtr m_resampler;
    int m_soundChannels = 0;
    FramePtr m_held; // the last decoded picture, shown until the next one
    FramePtr m_view;
    std::vector<std::uint8_t> m_packed; // the picture's rows packed as the library takes them
    std::vector<std::uint8_t> m_sound; // interleaved 16-bit
    std::int64_t m_firstPts = AV_NOPTS_VALUE;
    std::int64_t m_lastPts = AV_NOPTS_VALUE;
    std::int64_t m_decodedFrames = 0;
    std::int64_t m_nextOutput = 0;
    std::int64_t m_written = -1; // the last output frame written
    std::int64_t* m_done = nullptr;
    std::int64_t m_total = 1;
    std::int64_t m_soundStart = AV_NOPTS_VALUE;
};

void MoviePass::SetUpSound()
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

void MoviePass::Run(std::int64_t* done, std::int64_t total)
{
    m_done = done;
    m_total = total;
    {
        // Decoding runs ahead on its own thread; the reader is gone (and
        // its thread stopped) before the decoders, also when this throws.
        FrameReader reader(m_movie, m_videoDecoder.get(), m_audioDecoder.get());
        for (DecodedFrame decoded; reader.Next(&decoded);) {
            m_control.CheckCancel();
            if (decoded.video)
                TakePicture(decoded.frame.get(), decoded.changes);
            else
                TakeSound(decoded.frame.get());
        }
    }
    if (m_held) {
        // The last picture lasts one frame of the movie's own rate.
        const AVStream* video = m_movie.Format()->streams[m_movie.VideoStream()];
        const std::int64_t end = m_lastPts
            + std::max<std::int64_t>(1, av_rescale_q(1, av_inv_q(m_movie.FrameRate()), video->time_base));
        EmitUpTo(
            OutputFramesBefore(end - m_firstPts, video->time_base, m_layout.outputRate, m_movie.FrameRate()));
    }
    // A file that ended on a gap would be shorter: the last frame is
    // always a picture.
    if (m_written < m_nextOutput - 1)
        WritePicture(m_nextOutput - 1);
}

void MoviePass::TakePicture(AVFrame* frame, const FrameChanges& changes)
{
    const AVStream* stream = m_movie.Format()->streams[m_movie.VideoStream()];
    std::int64_t pts = frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE)
        pts = av_rescale_q(m_decodedFrames, av_inv_q(m_movie.FrameRate()), stream->time_base);
    ++m_decodedFrames;
    if (m_firstPts == AV_NOPTS_VALUE)
        m_firstPts = pts;
    if (m_lastPts != AV_NOPTS_VALUE && pts <= m_lastPts) {
        // A repeated time stamp: the first picture of that time wins. What
        // this one changed counts as changed from the held one (at worst,
        // one picture more).
        m_pictures.AddChanges(changes);
        return;
    }
    if (m_held)
        EmitUpTo(OutputFramesBefore(
            pts - m_firstPts, stream->time_base, m_layout.outputRate, m_movie.FrameRate()));
    else
        m_held = MakeFrame();
    m_pictures.AddChanges(changes);
    av_frame_unref(m_held.get());
    av_frame_move_ref(m_held.get(), frame);
    m_lastPts = pts;
}

void MoviePass::EmitUpTo(std::int64_t limit)
{
    for (; m_nextOutput < limit; ++m_nextOutput) {
        m_control.CheckCancel();
        EmitPicture(m_nextOutput);
        m_control.Progress(std::min(++*m_done, m_total), m_total);
    }
}

void MoviePass::EmitPicture(std::int64_t index)
{
    const AVFrame* source = m_held.get();
    int left = 0;
    int top = 0;
    if (m_layout.autoscrollMode != 0) {
        int x = m_layout.movie.width / 2;
        int y = m_layout.movie.height / 2;
        const AVRational rate = m_layout.outputRate;
        CursorAt(m_movie.Cursor(), av_rescale_q(index, av_inv_q(rate), AVRational { 1, 1000 }), &x, &y);
        m_autoscroll.Follow(x, y, &left, &top);
    }
    if (!m_pictures.Changed(left, top))
        return;
    // Players hold a picture until the next, but GStreamer's rate converter
    // shows the picture nearest in time: a gap ends on the last picture
    // again (an unchanged picture, which costs little to encode).
    if (m_written < index - 1)
        WritePicture(index - 1);
    if (m_layout.autoscrollMode != 0) {
        av_frame_unref(m_view.get());
        Check(av_frame_ref(m_view.get(), source), "out of memory");
        m_view->crop_left = static_cast<size_t>(left);
        m_view->crop_top = static_cast<size_t>(top);
        m_view->crop_right = static_cast<size_t>(source->width - left - m_layout.view.width);
        m_view->crop_bottom = static_cast<size_t>(source->height - top - m_layout.view.height);
        Check(av_frame_apply_cropping(m_view.get(), AV_FRAME_CROP_UNALIGNED), "autoscroll");
        source = m_view.get();
    }
    m_pictures.Convert(source, left, top);
    if (m_layout.autoscrollMode != 0)
        av_frame_unref(m_view.get());
    WritePicture(index);
}

void MoviePass::WritePicture(std::int64_t index)
{
    const AVFrame* picture = m_pictures.Picture();
    const int size = av_image_get_buffer_size(AV_PIX_FMT_YUV420P, picture->width, picture->height, 1);
    m_packed.resize(static_cast<size_t>(size));
    Check(av_image_copy_to_buffer(m_packed.data(), size, picture->data, picture->linesize, AV_PIX_FMT_YUV420P,
              picture->width, picture->height, 1),
        "out of memory");
    const AVRational rate = m_layout.outputRate;
    const std::int64_t time = av_rescale(index, kTicksPerSecond * rate.den, rate.num);
    CheckWmv(m_firstPass ? m_library.preprocessVideo(m_encoder, m_packed.data(), size, time)
                         : m_library.writeVideo(m_encoder, m_packed.data(), size, time),
        m_firstPass ? "the first pass" : "the Windows Media encoder");
    m_written = index;
}

void MoviePass::TakeSound(const AVFrame* frame)
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
    m_sound.resize(static_cast<std::size_t>(capacity) * 2 * m_soundChannels);
    std::uint8_t* out[1] = { m_sound.data() };
    const int converted
        = Check(swr_convert(m_resampler.get(), out, capacity,
                    const_cast<const std::uint8_t**>(frame->extended_data), frame->nb_samples),
            "sound conversion");
    if (converted > 0)
        CheckWmv(
            m_library.writeAudio(m_encoder, m_sound.data(), converted * 2 * m_soundChannels, m_soundStart),
            "the Windows Media encoder");
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
    // Reads the movie once and hands everything to the library: to its
    // first pass, or to the file.
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
    MoviePass pass(m_movie, m_layout, *m_library, m_encoder, firstPass, withSound, m_control);
    pass.Run(&m_done, m_total);
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
