#include "CompressionSession.h"

#include "components/VTPLAYERAPI/YuvConverter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <system_error>

extern "C" {
#include <libavutil/opt.h>
}

using vtapi::Check;
using vtapi::MovieError;

namespace vtqt {

namespace {
constexpr double kWorstCrf = 51.0;
constexpr double kBestCrf = 15.0;
constexpr std::int64_t kBitsPerKilobyte = 8000;
constexpr int kDefaultDataRate = 600; // kilobytes per second

// x264 reads its options as "key=value:key=value", so a folder for the
// statistics must not hold those characters.
std::string MakeStatsFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    if (base.find_first_of(":=,\\") != std::string::npos)
        base = "/tmp";
    std::string pattern = base + "/vtqt-passes-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw MovieError("cannot create a folder for the pass statistics in \"" + base + "\"");
    return pattern;
}

AVPixelFormat PixelFormat(int format)
{
    switch (format) {
    case VTQT_PIXELS_BGRX:
        return AV_PIX_FMT_BGR0;
    case VTQT_PIXELS_YUV420P:
        return AV_PIX_FMT_YUV420P;
    default:
        throw MovieError("unknown picture format " + std::to_string(format));
    }
}

void NoRelease(void*, uint8_t*) { }

} // namespace

VTQTCodecParams DefaultCodecParams()
{
    VTQTCodecParams params {};
    params.quality = 870;
    params.keyFrameInterval = 0;
    params.dataRateType = VTQT_DATA_RATE_AUTOMATIC;
    params.dataRate = kDefaultDataRate;
    params.dataRateMin = 400;
    params.dataRateMax = 800;
    return params;
}

double CrfForQuality(int quality)
{
    const int q = std::clamp(quality, 0, VTQT_QUALITY_MAX);
    return kWorstCrf - (kWorstCrf - kBestCrf) * q / VTQT_QUALITY_MAX;
}

RateControl MapCodecParams(const VTQTCodecParams& params, AVRational rate, std::int64_t firstPassBitRate)
{
    RateControl control;
    control.gopSize = params.keyFrameInterval > 0 ? params.keyFrameInterval
                                                  : std::max(1, static_cast<int>(std::lround(av_q2d(rate))));
    switch (params.dataRateType) {
    case VTQT_DATA_RATE_AVERAGE:
        control.bitRate = (params.dataRate > 0 ? params.dataRate : kDefaultDataRate) * kBitsPerKilobyte;
        break;
    case VTQT_DATA_RATE_MANUAL: {
        int low = std::max(0, params.dataRateMin);
        int high = params.dataRateMax > 0 ? params.dataRateMax : kDefaultDataRate;
        if (low > high)
            std::swap(low, high);
        control.bitRate = (std::int64_t { low } + high) * kBitsPerKilobyte / 2;
        control.maxRate = high * kBitsPerKilobyte;
        control.minRate = low * kBitsPerKilobyte;
        control.bufferSize = control.maxRate; // one second at the highest rate
        break;
    }
    default:
        if (firstPassBitRate > 0)
            control.bitRate = firstPassBitRate;
        else
            control.crf = CrfForQuality(params.quality);
        break;
    }
    return control;
}

} // namespace vtqt

VTQTSession::VTQTSession(VTQTMovie* owner, int width, int height, AVRational rate)
    : movie(owner)
    , m_width(width)
    , m_height(height)
    , m_rate(rate)
{
    if (width < 2 || height < 2 || width % 2 != 0 || height % 2 != 0 || width > 16384 || height > 16384)
        throw MovieError("the video size " + std::to_string(width) + "x" + std::to_string(height)
            + " is not a pair of even numbers from 2 to 16384");
    if (rate.num <= 0 || rate.den <= 0)
        throw MovieError("the frame rate must be positive");
    if (avcodec_find_encoder_by_name("libx264") == nullptr)
        throw MovieError("the H.264 encoder (libx264) is missing");
    m_params = vtqt::DefaultCodecParams();
    m_stream = avformat_new_stream(movie->output.get(), nullptr);
    if (m_stream == nullptr)
        throw MovieError("out of memory");
    m_stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    m_stream->codecpar->codec_id = AV_CODEC_ID_H264;
    m_stream->codecpar->width = width;
    m_stream->codecpar->height = height;
    m_stream->time_base = av_inv_q(rate);
    m_stream->avg_frame_rate = rate;
    m_packet = vtapi::MakePacket();
}

VTQTSession::~VTQTSession()
{
    m_encoder.reset(); // x264 closes its statistics files here
    if (!m_statsFolder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_statsFolder, ignored);
    }
}

void VTQTSession::SetParams(const VTQTCodecParams& params)
{
    if (m_pass > 0)
        throw MovieError("SetCodecParams after the first pass began");
    m_params = params;
}

void VTQTSession::RequestMultipass()
{
    if (m_pass > 0)
        throw MovieError("MultipassYES after the first pass began");
    m_passes = 2;
}

int VTQTSession::BeginPass()
{
    if (m_inPass)
        throw MovieError("BeginPassQT while a pass runs");
    if (m_pass >= m_passes)
        throw MovieError("BeginPassQT after the last pass");
    ++m_pass;
    if (LastPass() && !movie->editing)
        throw MovieError("BeginMediaEditsQT must come before the last pass");
    if (m_passes > 1 && m_statsFolder.empty())
        m_statsFolder = vtqt::MakeStatsFolder();
    OpenEncoder();
    if (LastPass()) {
        Check(avcodec_parameters_from_context(m_stream->codecpar, m_encoder.get()), "video track");
        m_stream->avg_frame_rate = m_rate;
        movie->WriteHeader();
    }
    m_passBytes = 0;
    m_passFrames = 0;
    m_lastIndex = -1;
    m_lastKey = std::numeric_limits<std::int64_t>::min() / 2;
    m_indexes.clear();
    m_waiting.clear();
    m_inPass = true;
    return m_pass;
}

void VTQTSession::OpenEncoder()
{
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    m_encoder.reset(avcodec_alloc_context3(codec));
    if (!m_encoder)
        throw MovieError("out of memory");
    AVCodecContext* c = m_encoder.get();
    c->width = m_width;
    c->height = m_height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = av_inv_q(m_rate);
    c->framerate = m_rate;
    c->sample_aspect_ratio = AVRational { 1, 1 };
    c->thread_count = 0;
    c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER; // QuickTime keeps the parameter sets in the track header

    const vtqt::RateControl rc = vtqt::MapCodecParams(m_params, m_rate, LastPass() ? m_firstPassBitRate : 0);
    c->gop_size = rc.gopSize;
    if (rc.crf >= 0) {
        av_opt_set_double(c->priv_data, "crf", rc.crf, 0);
    } else {
        c->bit_rate = rc.bitRate;
        c->rc_max_rate = rc.maxRate;
        c->rc_min_rate = rc.minRate;
        c->rc_buffer_size = static_cast<int>(std::min<std::int64_t>(rc.bufferSize, INT32_MAX));
    }
    if (m_passes > 1) {
        c->flags |= LastPass() ? AV_CODEC_FLAG_PASS2 : AV_CODEC_FLAG_PASS1;
        // Both the statistics x264 writes and those it reads.
        const std::string stats = "stats=" + m_statsFolder + "/x264.log";
        av_opt_set(c->priv_data, "x264-params", stats.c_str(), 0);
    }
    Check(avcodec_open2(c, codec, nullptr), "cannot start the H.264 encoder");
    if (!m_picture)
        m_picture = vtapi::MakeFrame();
}

void VTQTSession::PrepareScaler(const VTQTPicture& picture)
{
    // Recordings come as packed RGB at the movie's size: our converter
    // makes those pictures at a fraction of libswscale's cost.
    const AVPixelFormat format = vtqt::PixelFormat(picture.format);
    if (picture.width == m_width && picture.height == m_height
        && vtapi::YuvConverter::Handles(format, AV_PIX_FMT_YUV420P)) {
        if (!m_converter)
            m_converter = std::make_unique<vtapi::YuvConverter>(format, AV_PIX_FMT_YUV420P);
        return;
    }
    m_converter.reset();
    if (m_scaler && m_scalerFormat == picture.format && m_scalerWidth == picture.width
        && m_scalerHeight == picture.height)
        return;
    m_scaler.reset(sws_alloc_context());
    if (!m_scaler)
        throw MovieError("out of memory");
    SwsContext* s = m_scaler.get();
    av_opt_set_int(s, "srcw", picture.width, 0);
    av_opt_set_int(s, "srch", picture.height, 0);
    av_opt_set_int(s, "src_format", vtqt::PixelFormat(picture.format), 0);
    av_opt_set_int(s, "dstw", m_width, 0);
    av_opt_set_int(s, "dsth", m_height, 0);
    av_opt_set_int(s, "dst_format", AV_PIX_FMT_YUV420P, 0);
    av_opt_set_int(s, "sws_flags", SWS_BICUBIC, 0);
    av_opt_set_int(s, "threads", 0, 0); // one per processor
    Check(sws_init_context(s, nullptr, nullptr), "cannot convert the pictures");
    m_scalerFormat = picture.format;
    m_scalerWidth = picture.width;
    m_scalerHeight = picture.height;
}

void VTQTSession::Compress(const VTQTPicture& picture, std::int64_t index)
{
    if (!m_inPass)
        throw MovieError("CompressFrame outside a pass");
    if (picture.width <= 0 || picture.height <= 0 || picture.planes[0] == nullptr)
        throw MovieError("an empty picture");
    if (index <= m_lastIndex)
        throw MovieError("frame " + std::to_string(index) + " is not later than frame "
            + std::to_string(m_lastIndex) + " before it");
    if (index < 0)
        throw MovieError("frame " + std::to_string(index) + " is before the first frame");
    PrepareScaler(picture);

    // The caller's planes, lent to the scaler without a copy for this call.
    vtapi::FramePtr source = vtapi::MakeFrame();
    source->format = vtqt::PixelFormat(picture.format);
    source->width = picture.width;
    source->height = picture.height;
    const int planes = picture.format == VTQT_PIXELS_YUV420P ? 3 : 1;
    for (int i = 0; i < planes; ++i) {
        if (picture.planes[i] == nullptr || picture.strides[i] <= 0)
            throw MovieError("a picture plane is missing");
        const int rows = i == 0 ? picture.height : (picture.height + 1) / 2;
        source->data[i] = const_cast<uint8_t*>(picture.planes[i]);
        source->linesize[i] = picture.strides[i];
        source->buf[i] = av_buffer_create(source->data[i], static_cast<size_t>(picture.strides[i]) * rows,
            &vtqt::NoRelease, nullptr, AV_BUFFER_FLAG_READONLY);
        if (source->buf[i] == nullptr)
            throw MovieError("out of memory");
    }

    // Key frames come at least every so many frames of the movie: where
    // the interval runs out among frames not sent, the picture before,
    // which they show, is sent again there as a key frame.
    AVCodecContext* c = m_encoder.get();
    while (m_lastIndex >= 0 && index - m_lastKey > c->gop_size)
        Send(m_lastKey + c->gop_size, true);
    if (!m_picture->buf[0] || !av_frame_is_writable(m_picture.get())) {
        // The encoder still holds the last picture: take a new buffer.
        av_frame_unref(m_picture.get());
        m_picture->format = c->pix_fmt;
        m_picture->width = c->width;
        m_picture->height = c->height;
        Check(av_frame_get_buffer(m_picture.get(), 0), "out of memory");
    }
    if (m_converter)
        m_converter->Convert(source.get(), m_picture.get(), 0, m_height);
    else
        Check(sws_scale_frame(m_scaler.get(), m_picture.get(), source.get()), "cannot convert the pictures");
    Send(index, index - m_lastKey >= c->gop_size);
}

void VTQTSession::Send(std::int64_t index, bool key)
{
    m_picture->pts = index;
    m_picture->pict_type = key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    if (key)
        m_lastKey = index;
    m_lastIndex = index;
    if (LastPass())
        m_indexes.push_back(index);
    Drain(m_picture.get());
}

void VTQTSession::Drain(const AVFrame* frame)
{
    AVCodecContext* c = m_encoder.get();
    Check(avcodec_send_frame(c, frame), "H.264 encoding failed");
    while (true) {
        const int result = avcodec_receive_packet(c, m_packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return;
        Check(result, "H.264 encoding failed");
        m_passBytes += m_packet->size;
        ++m_passFrames;
        if (LastPass()) {
            m_waiting.push_back(vtapi::MakePacket());
            av_packet_move_ref(m_waiting.back().get(), m_packet.get());
            WriteWaiting(false);
        }
        av_packet_unref(m_packet.get());
    }
}

void VTQTSession::WriteWaiting(bool all)
{
    // A picture shows until the next index sent, the last one for one
    // frame. The mov writer ends the track where the latest packet ends, so
    // each packet gets its duration: in decoding order, each once the index
    // after it is known.
    while (!m_waiting.empty()) {
        AVPacket* packet = m_waiting.front().get();
        const auto next = std::upper_bound(m_indexes.begin(), m_indexes.end(), packet->pts);
        if (next == m_indexes.end() && !all)
            return;
        packet->duration = next == m_indexes.end() ? 1 : *next - packet->pts;
        av_packet_rescale_ts(packet, m_encoder->time_base, m_stream->time_base);
        movie->WriteVideo(packet, m_stream);
        m_waiting.pop_front();
    }
}

bool VTQTSession::EndPass()
{
    if (!m_inPass)
        throw MovieError("AnotherPassRequired outside a pass");
    Drain(nullptr);
    if (LastPass())
        WriteWaiting(true);
    m_inPass = false;
    if (m_passFrames > 0)
        m_firstPassBitRate = std::max<std::int64_t>(
            1000, av_rescale(m_passBytes * 8, m_rate.num, std::int64_t { m_rate.den } * m_passFrames));
    m_encoder.reset(); // writes x264's statistics for the next pass
    return !LastPass();
}
