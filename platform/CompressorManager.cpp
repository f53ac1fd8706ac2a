#include "platform/CompressorManager.h"

#include "platform/ShellFolders.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

namespace platform {

namespace {

constexpr FOURCC F(const char (&text)[5])
{
    return MakeFourCC(text[0], text[1], text[2], text[3]);
}

// Encoders are listed in the order the chooser shows them. Default
// key-frame rates are long because screen recordings change little from
// frame to frame; intra-only encoders report 1.
const std::vector<CompressorEntry> kCompressors = {
    { F("DIB "), "rawvideo", "Full Frames (Uncompressed)", QualityScale::None, 0, 1, 1 },
    { F("XVID"), "mpeg4", "MPEG-4 Part 2 (Xvid compatible)", QualityScale::QScale, 7500, 100, 2 },
    { F("FMP4"), "mpeg4", "MPEG-4 Part 2 (FFmpeg)", QualityScale::QScale, 7500, 100, 2 },
    { F("H264"), "libx264", "H.264 / AVC (x264)", QualityScale::Crf, 5500, 250, 2 },
    { F("MP43"), "msmpeg4", "Microsoft MPEG-4 version 3", QualityScale::QScale, 7500, 100, 2 },
    { F("MP42"), "msmpeg4v2", "Microsoft MPEG-4 version 2", QualityScale::QScale, 7500, 100, 2 },
    { F("WMV1"), "wmv1", "Windows Media Video 7", QualityScale::QScale, 7500, 100, 2 },
    { F("WMV2"), "wmv2", "Windows Media Video 8", QualityScale::QScale, 7500, 100, 2 },
    { F("FLV1"), "flv", "Sorenson H.263 (Flash Video)", QualityScale::QScale, 7500, 100, 2 },
    { F("MJPG"), "mjpeg", "Motion JPEG", QualityScale::QScale, 7500, 1, 2 },
    { F("cvid"), "cinepak", "Cinepak", QualityScale::None, 0, 15, 4 },
    { F("MSVC"), "msvideo1", "Microsoft Video 1", QualityScale::None, 0, 15, 4 },
    { F("ZMBV"), "zmbv", "Zip Motion Blocks Video", QualityScale::None, 0, 300, 1 },
    { F("FFV1"), "ffv1", "FFV1 lossless", QualityScale::None, 0, 1, 1 },
    { F("HFYU"), "huffyuv", "HuffYUV lossless", QualityScale::None, 0, 1, 2 },
    { F("FFVH"), "ffvhuff", "HuffYUV lossless (FFmpeg variant)", QualityScale::None, 0, 1, 1 },
    { F("MPNG"), "png", "PNG frames", QualityScale::None, 0, 1, 1 },
};

std::atomic<CompressorBox> g_box { nullptr };

const AVCodec* EncoderOf(const CompressorEntry& entry)
{
    return avcodec_find_encoder_by_name(entry.encoder);
}

bool HasOwnOptions(const AVCodec* codec)
{
    const AVClass* cls = codec->priv_class;
    return cls != nullptr && cls->option != nullptr && cls->option->name != nullptr;
}

// The installed compressors: every table entry but "DIB " whose encoder
// the loaded libavcodec has.
const std::vector<const CompressorEntry*>& Installed()
{
    static const std::vector<const CompressorEntry*> installed = [] {
        std::vector<const CompressorEntry*> list;
        for (const CompressorEntry& entry : kCompressors)
            if (entry.fourcc != kFourCCUncompressed && EncoderOf(entry) != nullptr)
                list.push_back(&entry);
        return list;
    }();
    return installed;
}

FOURCC UpperFourCC(FOURCC code)
{
    FOURCC result = 0;
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>((code >> (8 * i)) & 0xFF);
        result |= static_cast<FOURCC>(std::toupper(c)) << (8 * i);
    }
    return result;
}

void FillInfo(const CompressorEntry& entry, ICINFO* info)
{
    info->fccType = ICTYPE_VIDEO;
    info->fccHandler = entry.fourcc;
    info->dwFlags = VIDCF_COMPRESSFRAMES;
    if (entry.quality != QualityScale::None)
        info->dwFlags |= VIDCF_QUALITY;
    // Intra-only encoders (every frame a key frame) report a key-frame rate of 1.
    if (entry.defaultKeyFrameRate > 1)
        info->dwFlags |= VIDCF_TEMPORAL | VIDCF_FASTTEMPORALC;
    info->dwVersion = avcodec_version();
    info->szName = entry.encoder;
    info->szDescription = entry.description;
    info->szDriver = "libavcodec";
}

} // namespace

struct ICHandle {
    const CompressorEntry* entry;
    unsigned mode;
};

FOURCC FourCCFromString(const std::string& text)
{
    char c[4] = { ' ', ' ', ' ', ' ' };
    for (size_t i = 0; i < 4 && i < text.size(); ++i)
        c[i] = text[i];
    return MakeFourCC(c[0], c[1], c[2], c[3]);
}

std::string FourCCToString(FOURCC code)
{
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>((code >> (8 * i)) & 0xFF);
        if (c < 0x20 || c > 0x7E) {
            char hex[11];
            std::snprintf(hex, sizeof hex, "0x%08X", code);
            return hex;
        }
        text += static_cast<char>(c);
    }
    return text;
}

const std::vector<CompressorEntry>& KnownCompressors()
{
    return kCompressors;
}

const CompressorEntry* FindCompressor(FOURCC fourcc)
{
    const FOURCC wanted = UpperFourCC(fourcc);
    for (const CompressorEntry& entry : kCompressors)
        if (UpperFourCC(entry.fourcc) == wanted)
            return EncoderOf(entry) != nullptr ? &entry : nullptr;
    return nullptr;
}

double MapQuality(const CompressorEntry& entry, int quality)
{
    const double share = std::clamp(quality, 0, 10000) / 10000.0;
    switch (entry.quality) {
    case QualityScale::QScale:
        return std::round(31.0 - 30.0 * share);
    case QualityScale::Crf:
        return 51.0 * (1.0 - share);
    case QualityScale::None:
        break;
    }
    return 0.0;
}

bool ICInfo(FOURCC fccType, std::uint32_t index, ICINFO* info)
{
    if (fccType != ICTYPE_VIDEO || info == nullptr || index >= Installed().size())
        return false;
    FillInfo(*Installed()[index], info);
    return true;
}

HIC ICOpen(FOURCC fccType, FOURCC fccHandler, unsigned mode)
{
    if (fccType != ICTYPE_VIDEO || (mode != ICMODE_QUERY && mode != ICMODE_COMPRESS))
        return nullptr;
    const FOURCC wanted = UpperFourCC(fccHandler);
    for (const CompressorEntry* entry : Installed())
        if (UpperFourCC(entry->fourcc) == wanted)
            return new ICHandle { entry, mode };
    return nullptr;
}

LRESULT ICGetInfo(HIC handle, ICINFO* info, std::uint32_t size)
{
    if (handle == nullptr || info == nullptr || size < sizeof(ICINFO))
        return 0;
    FillInfo(*handle->entry, info);
    return sizeof(ICINFO);
}

LRESULT ICSendMessage(HIC handle, unsigned message, std::uintptr_t param1, std::uintptr_t param2)
{
    if (handle == nullptr)
        return ICERR_BADHANDLE;
    const CompressorEntry& entry = *handle->entry;
    switch (message) {
    case ICM_COMPRESS_QUERY: {
        const auto* in = reinterpret_cast<const BITMAPINFOHEADER*>(param1);
        if (in == nullptr || in->biCompression != BI_RGB || (in->biBitCount != 24 && in->biBitCount != 32))
            return ICERR_BADFORMAT;
        const std::int32_t height = in->biHeight < 0 ? -in->biHeight : in->biHeight;
        constexpr std::int32_t kMaxSide = 16384;
        if (in->biWidth <= 0 || height <= 0 || in->biWidth > kMaxSide || height > kMaxSide)
            return ICERR_BADFORMAT;
        return ICERR_OK;
    }
    case ICM_COMPRESS_GET_FORMAT: {
        const auto* in = reinterpret_cast<const BITMAPINFOHEADER*>(param1);
        auto* out = reinterpret_cast<BITMAPINFOHEADER*>(param2);
        if (in == nullptr)
            return ICERR_BADFORMAT;
        if (out == nullptr)
            return sizeof(BITMAPINFOHEADER);
        *out = BITMAPINFOHEADER {};
        out->biWidth = in->biWidth;
        out->biHeight = in->biHeight < 0 ? -in->biHeight : in->biHeight;
        out->biBitCount = 24;
        out->biCompression = entry.fourcc;
        // The largest frame the compressor can produce: a full 24-bit picture.
        out->biSizeImage
            = static_cast<std::uint32_t>(out->biWidth) * static_cast<std::uint32_t>(out->biHeight) * 3;
        return ICERR_OK;
    }
    case ICM_GETDEFAULTQUALITY:
    case ICM_GETDEFAULTKEYFRAMERATE: {
        auto* out = reinterpret_cast<std::uint32_t*>(param1);
        if (out == nullptr)
            return ICERR_BADFORMAT;
        *out = static_cast<std::uint32_t>(
            message == ICM_GETDEFAULTQUALITY ? entry.defaultQuality : entry.defaultKeyFrameRate);
        return ICERR_OK;
    }
    case ICM_CONFIGURE:
        if (param1 == ICQUERY)
            return HasOwnOptions(EncoderOf(entry)) ? ICERR_OK : ICERR_UNSUPPORTED;
        return g_box != nullptr ? g_box(message, entry, param1) : ICERR_UNSUPPORTED;
    case ICM_ABOUT:
        // Every installed encoder can name itself and its library.
        if (param1 == ICQUERY)
            return ICERR_OK;
        return g_box != nullptr ? g_box(message, entry, param1) : ICERR_UNSUPPORTED;
    default:
        return ICERR_UNSUPPORTED;
    }
}

LRESULT ICClose(HIC handle)
{
    if (handle == nullptr)
        return ICERR_BADHANDLE;
    delete handle;
    return ICERR_OK;
}

void SetCompressorBoxes(CompressorBox box)
{
    g_box = box;
}

const CompressorEntry* CompressorOf(HIC handle)
{
    return handle != nullptr ? handle->entry : nullptr;
}

std::string CompressorOptionsFile()
{
    return ApplicationDataFolder() + "/Corvane/Vantor Codec Options.xml";
}

} // namespace platform
