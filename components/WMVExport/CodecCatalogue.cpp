#include "CodecCatalogue.h"

#include <algorithm>
#include <array>
#include <cwchar>
#include <map>
#include <memory>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace wmvexport {

namespace {

struct CodecContextDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;

// The candidates tried for every audio codec. A format's id is its place in
// this full table (rates x channels x bit rates, from 1), so ids stay the
// same whatever the linked encoder accepts.
constexpr std::array<int, 7> kSampleRates = { 8000, 11025, 16000, 22050, 32000, 44100, 48000 };
constexpr std::array<int, 2> kChannels = { 1, 2 };
constexpr std::array<int, 15> kBitrates = { 5000, 8000, 12000, 16000, 20000, 24000, 32000, 40000, 48000,
    64000, 80000, 96000, 128000, 160000, 192000 };

// Windows Media audio spends between a quarter of a bit and two bits on
// each sample of each channel; rates outside that make no sense to offer.
bool SensibleBitrate(int bitrate, int sampleRate, int channels)
{
    const long long samples = static_cast<long long>(sampleRate) * channels;
    return 4LL * bitrate >= samples && bitrate <= 2LL * samples;
}

bool AsfCanHold(AVCodecID codec)
{
    const AVOutputFormat* asf = av_guess_format("asf", nullptr, nullptr);
    return asf != nullptr && avformat_query_codec(asf, codec, FF_COMPLIANCE_NORMAL) == 1;
}

std::vector<CodecEntry> Available(
    std::initializer_list<std::pair<CodecEntry, const char*>> candidates, AVMediaType type)
{
    std::vector<CodecEntry> codecs;
    for (const auto& [entry, encoderName] : candidates) {
        const AVCodec* encoder = avcodec_find_encoder_by_name(encoderName);
        if (encoder != nullptr && encoder->type == type && encoder->id == entry.codec
            && AsfCanHold(entry.codec))
            codecs.push_back(entry);
    }
    return codecs;
}

// Opens the encoder the way the encoder of this library will; true when it
// accepts the settings.
bool VideoEncoderAccepts(AVCodecID codec, const VideoFormat& format)
{
    const AVCodec* encoder = avcodec_find_encoder(codec);
    if (encoder == nullptr)
        return false;
    CodecContextPtr c(avcodec_alloc_context3(encoder));
    if (!c)
        return false;
    c->log_level_offset = AV_LOG_TRACE; // a refusal is an answer, not an error
    c->width = 64;
    c->height = 48;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational { 1, 25 };
    c->framerate = AVRational { 25, 1 };
    c->bit_rate = 600000;
    if (format.vbr && format.passes == 1) {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = FF_QP2LAMBDA * QuantiserForQuality(80);
    } else if (!format.vbr) {
        c->rc_min_rate = c->rc_max_rate = c->bit_rate;
        c->rc_buffer_size = static_cast<int>(c->bit_rate);
    }
    if (format.passes == 2)
        c->flags |= AV_CODEC_FLAG_PASS1;
    return avcodec_open2(c.get(), encoder, nullptr) >= 0;
}

bool AudioEncoderAccepts(AVCodecID codec, AudioFormat* format)
{
    const AVCodec* encoder = avcodec_find_encoder(codec);
    if (encoder == nullptr)
        return false;
    CodecContextPtr c(avcodec_alloc_context3(encoder));
    if (!c)
        return false;
    c->log_level_offset = AV_LOG_TRACE;
    c->sample_rate = format->sampleRate;
    c->sample_fmt = encoder->sample_fmts != nullptr ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    av_channel_layout_default(&c->ch_layout, format->channels);
    c->bit_rate = format->bitrate;
    c->time_base = AVRational { 1, format->sampleRate };
    if (avcodec_open2(c.get(), encoder, nullptr) < 0 || c->block_align <= 0)
        return false;
    format->blockAlign = c->block_align;
    format->extraSize = c->extradata_size;
    return true;
}

std::vector<VideoFormat> ProbeVideoFormats(AVCodecID codec)
{
    static constexpr std::array<VideoFormat, 4> kCandidates = { {
        { WMV_VIDEO_FORMAT_CBR_1PASS, false, 1 },
        { WMV_VIDEO_FORMAT_CBR_2PASS, false, 2 },
        { WMV_VIDEO_FORMAT_VBR_1PASS, true, 1 },
        { WMV_VIDEO_FORMAT_VBR_2PASS, true, 2 },
    } };
    std::vector<VideoFormat> formats;
    for (const VideoFormat& format : kCandidates)
        if (VideoEncoderAccepts(codec, format))
            formats.push_back(format);
    return formats;
}

// The encoders work at a constant bit rate in one pass: every audio format
// is a one-pass constant-bit-rate one.
std::vector<AudioFormat> ProbeAudioFormats(AVCodecID codec)
{
    std::vector<AudioFormat> formats;
    std::int32_t id = 0;
    for (const int rate : kSampleRates)
        for (const int channels : kChannels)
            for (const int bitrate : kBitrates) {
                ++id;
                if (!SensibleBitrate(bitrate, rate, channels))
                    continue;
                AudioFormat format;
                format.id = id;
                format.sampleRate = rate;
                format.channels = channels;
                format.bitrate = bitrate;
                if (AudioEncoderAccepts(codec, &format))
                    formats.push_back(format);
            }
    return formats;
}

struct Catalogue {
    std::vector<CodecEntry> video;
    std::vector<CodecEntry> audio;
    std::map<std::int32_t, std::vector<VideoFormat>> videoFormats;
    std::map<std::int32_t, std::vector<AudioFormat>> audioFormats;
};

const Catalogue& TheCatalogue()
{
    static const Catalogue catalogue = [] {
        Catalogue c;
        c.video = Available(
            { { { WMV_VIDEO_CODEC_WMV1, AV_CODEC_ID_WMV1, L"Windows Media Video 7" }, "wmv1" },
                { { WMV_VIDEO_CODEC_WMV2, AV_CODEC_ID_WMV2, L"Windows Media Video 8" }, "wmv2" } },
            AVMEDIA_TYPE_VIDEO);
        c.audio = Available(
            { { { WMV_AUDIO_CODEC_WMAV1, AV_CODEC_ID_WMAV1, L"Windows Media Audio 1" }, "wmav1" },
                { { WMV_AUDIO_CODEC_WMAV2, AV_CODEC_ID_WMAV2, L"Windows Media Audio 2" }, "wmav2" } },
            AVMEDIA_TYPE_AUDIO);
        for (const CodecEntry& codec : c.video)
            c.videoFormats[codec.id] = ProbeVideoFormats(codec.codec);
        for (const CodecEntry& codec : c.audio)
            c.audioFormats[codec.id] = ProbeAudioFormats(codec.codec);
        return c;
    }();
    return catalogue;
}

const CodecEntry* Find(const std::vector<CodecEntry>& codecs, std::int32_t id)
{
    const auto found
        = std::find_if(codecs.begin(), codecs.end(), [id](const CodecEntry& e) { return e.id == id; });
    return found == codecs.end() ? nullptr : &*found;
}

} // namespace

WMVWaveFormat AudioFormat::WaveFormat(std::int32_t codecId) const
{
    WMVWaveFormat wave {};
    wave.formatTag = static_cast<std::uint16_t>(codecId);
    wave.channels = static_cast<std::uint16_t>(channels);
    wave.samplesPerSec = static_cast<std::uint32_t>(sampleRate);
    wave.avgBytesPerSec = static_cast<std::uint32_t>(bitrate / 8);
    wave.blockAlign = static_cast<std::uint16_t>(blockAlign);
    wave.bitsPerSample = 16;
    wave.extraSize = static_cast<std::uint16_t>(extraSize);
    return wave;
}

std::wstring AudioFormat::Description() const
{
    wchar_t text[96] = {};
    std::swprintf(text, std::size(text), L"%d kbps, %d kHz, %ls %ls", bitrate / 1000, sampleRate / 1000,
        channels == 1 ? L"mono" : L"stereo", vbr ? L"VBR" : L"CBR");
    return text;
}

const std::vector<CodecEntry>& VideoCodecs()
{
    return TheCatalogue().video;
}
const std::vector<CodecEntry>& AudioCodecs()
{
    return TheCatalogue().audio;
}
const CodecEntry* FindVideoCodec(std::int32_t id)
{
    return Find(VideoCodecs(), id);
}
const CodecEntry* FindAudioCodec(std::int32_t id)
{
    return Find(AudioCodecs(), id);
}

const std::vector<VideoFormat>& VideoFormats(std::int32_t codecId)
{
    static const std::vector<VideoFormat> kNone;
    const auto& all = TheCatalogue().videoFormats;
    const auto found = all.find(codecId);
    return found == all.end() ? kNone : found->second;
}

const std::vector<AudioFormat>& AudioFormats(std::int32_t codecId)
{
    static const std::vector<AudioFormat> kNone;
    const auto& all = TheCatalogue().audioFormats;
    const auto found = all.find(codecId);
    return found == all.end() ? kNone : found->second;
}

const VideoFormat* FindVideoFormat(std::int32_t codecId, bool vbr, unsigned passes)
{
    for (const VideoFormat& format : VideoFormats(codecId))
        if (format.vbr == vbr && format.passes == passes)
            return &format;
    return nullptr;
}

const AudioFormat* FindAudioFormat(std::int32_t codecId, std::int32_t formatId)
{
    for (const AudioFormat& format : AudioFormats(codecId))
        if (format.id == formatId)
            return &format;
    return nullptr;
}

int QuantiserForQuality(int quality)
{
    quality = std::clamp(quality, 1, 100);
    return 2 + (100 - quality) * 29 / 99;
}

} // namespace wmvexport
