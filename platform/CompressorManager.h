#pragma once

// The video compressor manager: the installed "vidc" compressors are the
// libavcodec video encoders that an AVI file can hold, each known by its
// RIFF FOURCC. The calls keep the shape of the Windows compressor manager
// (ICInfo, ICOpen, ICGetInfo, ICSendMessage, ICClose) so that the codec
// chooser reads as designed; the Player engine uses FindCompressor to turn a
// stored FOURCC into an encoder and its quality scale.
//
// Uncompressed frames ("DIB ") are no installed compressor: the chooser adds
// them as its own entry, and FindCompressor knows them for the engine.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

using FOURCC = std::uint32_t;
using LRESULT = std::intptr_t;

// Characters in file order: MakeFourCC('X','V','I','D') is the code stored as "XVID".
constexpr FOURCC MakeFourCC(char a, char b, char c, char d)
{
    return static_cast<FOURCC>(static_cast<unsigned char>(a))
        | (static_cast<FOURCC>(static_cast<unsigned char>(b)) << 8)
        | (static_cast<FOURCC>(static_cast<unsigned char>(c)) << 16)
        | (static_cast<FOURCC>(static_cast<unsigned char>(d)) << 24);
}
// "XVID" -> the code; texts shorter than four characters are padded with spaces.
FOURCC FourCCFromString(const std::string& text);
// The four characters; a code with unprintable bytes is written as hex ("0x00000000").
std::string FourCCToString(FOURCC code);

constexpr FOURCC ICTYPE_VIDEO = MakeFourCC('v', 'i', 'd', 'c');
constexpr FOURCC kFourCCUncompressed = MakeFourCC('D', 'I', 'B', ' ');

// ICINFO flags.
constexpr std::uint32_t VIDCF_QUALITY = 0x0001; // has a quality scale
constexpr std::uint32_t VIDCF_CRUNCH = 0x0002;
constexpr std::uint32_t VIDCF_TEMPORAL = 0x0004; // has key frames and difference frames
constexpr std::uint32_t VIDCF_COMPRESSFRAMES = 0x0008;
constexpr std::uint32_t VIDCF_FASTTEMPORALC = 0x0020;

// Open modes.
constexpr unsigned ICMODE_COMPRESS = 1;
constexpr unsigned ICMODE_QUERY = 4;

// Results.
constexpr LRESULT ICERR_OK = 0;
constexpr LRESULT ICERR_UNSUPPORTED = -1;
constexpr LRESULT ICERR_BADFORMAT = -2;
constexpr LRESULT ICERR_BADHANDLE = -8;

// Messages (the Windows values).
constexpr unsigned ICM_USER = 0x4000;
constexpr unsigned ICM_CONFIGURE = 0x500A;
constexpr unsigned ICM_ABOUT = 0x500B;
constexpr unsigned ICM_GETDEFAULTQUALITY = 0x501E;
constexpr unsigned ICM_COMPRESS_GET_FORMAT = ICM_USER + 4;
constexpr unsigned ICM_COMPRESS_QUERY = ICM_USER + 6;
constexpr unsigned ICM_GETDEFAULTKEYFRAMERATE = ICM_USER + 42;

// The first parameter of ICM_CONFIGURE and ICM_ABOUT that asks only
// whether the compressor has a configuration or about box.
constexpr std::uintptr_t ICQUERY = static_cast<std::uintptr_t>(-1);

constexpr std::uint32_t BI_RGB = 0;

// The Windows bitmap header, 40 bytes, as the compressor messages take it.
struct BITMAPINFOHEADER {
    std::uint32_t biSize = sizeof(BITMAPINFOHEADER);
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = BI_RGB;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct ICINFO {
    FOURCC fccType = 0;
    FOURCC fccHandler = 0;
    std::uint32_t dwFlags = 0;
    std::uint32_t dwVersion = 0;
    std::string szName; // short name: the libavcodec encoder name
    std::string szDescription; // shown in the codec chooser
    std::string szDriver; // the library that holds the encoder
};

// How a compressor's 0..10000 quality reaches its encoder.
enum class QualityScale {
    None, // lossless or fixed: quality is not used
    QScale, // fixed quantiser 31 (worst) .. 1 (best)
    Crf, // constant rate factor 51 (worst) .. 0 (best)
};

// One compressor: an AVI FOURCC served by a libavcodec encoder.
struct CompressorEntry {
    FOURCC fourcc;
    const char* encoder; // libavcodec encoder name
    const char* description;
    QualityScale quality;
    int defaultQuality; // ICM_GETDEFAULTQUALITY, 0..10000; 0 when there is no scale
    int defaultKeyFrameRate; // ICM_GETDEFAULTKEYFRAMERATE; 1 for intra-only encoders
    int sizeMultiple; // frame width and height must be multiples of this
};

// Every compressor this system knows, available or not, "DIB " first.
const std::vector<CompressorEntry>& KnownCompressors();
// The entry of `fourcc` (compared without regard to case) whose encoder is
// present in the loaded libavcodec; null otherwise.
const CompressorEntry* FindCompressor(FOURCC fourcc);
// The encoder parameter for `quality` (0..10000) on the entry's scale:
// a quantiser or a rate factor. Values outside 0..10000 are clamped.
double MapQuality(const CompressorEntry& entry, int quality);

struct ICHandle;
using HIC = ICHandle*;

// The index-th installed compressor of `fccType` ("vidc"), in a stable
// order. False when there is none at that index.
bool ICInfo(FOURCC fccType, std::uint32_t index, ICINFO* info);
// A handle to the compressor `fccHandler`, or null when it is not
// installed. Modes: ICMODE_QUERY, ICMODE_COMPRESS.
HIC ICOpen(FOURCC fccType, FOURCC fccHandler, unsigned mode);
// Fills `info`; returns the size of ICINFO, or 0 for a bad handle.
LRESULT ICGetInfo(HIC handle, ICINFO* info, std::uint32_t size);
// The messages above:
// - ICM_COMPRESS_QUERY (input header*, output header* or 0): ICERR_OK when
//   the compressor takes 24- or 32-bit RGB frames of that size, else
//   ICERR_BADFORMAT.
// - ICM_COMPRESS_GET_FORMAT (input header*, output header* or 0): with no
//   output, the size of the output format; else fills it and returns ICERR_OK.
// - ICM_GETDEFAULTQUALITY, ICM_GETDEFAULTKEYFRAMERATE (std::uint32_t* out):
//   ICERR_OK and the default.
// - ICM_CONFIGURE, ICM_ABOUT with ICQUERY: ICERR_OK when the encoder has
//   options of its own (configure) — the boxes themselves belong to the
//   user interface, so any other first parameter gives ICERR_UNSUPPORTED.
// Unknown messages give ICERR_UNSUPPORTED; a null handle ICERR_BADHANDLE.
LRESULT ICSendMessage(HIC handle, unsigned message, std::uintptr_t param1, std::uintptr_t param2);
// Frees the handle. ICERR_OK, or ICERR_BADHANDLE for null.
LRESULT ICClose(HIC handle);

// The configuration and about boxes belong to the user interface, which
// installs them here; ICM_CONFIGURE and ICM_ABOUT with a parent window (any
// first parameter but ICQUERY) reach `box`. Null: both are unsupported.
using CompressorBox = LRESULT (*)(unsigned message, const CompressorEntry& entry, std::uintptr_t parent);
void SetCompressorBoxes(CompressorBox box);
// The compressor a handle stands for; null for a null handle.
const CompressorEntry* CompressorOf(HIC handle);

// The settings-store file that keeps each compressor's own encoder options,
// one section per FOURCC ("H264\\preset" = "veryfast"); the codec chooser's
// Configure box writes it and the Player engine reads it.
std::string CompressorOptionsFile();

// The record the codec chooser fills (the Windows COMPVARS).
constexpr std::uint32_t ICMF_COMPVARS_VALID = 0x00000001;
struct COMPVARS {
    std::int32_t cbSize = 0;
    std::uint32_t dwFlags = 0;
    HIC hic = nullptr; // a compress-mode handle, or a pseudo handle; the caller closes it
    FOURCC fccType = 0;
    FOURCC fccHandler = 0;
    std::unique_ptr<BITMAPINFOHEADER> lpbiOut; // the compressor's output format; owned by the caller
    std::int32_t lKey = 0; // key-frame rate
    std::int32_t lDataRate = 0;
    std::int32_t lQ = 0; // quality
};

} // namespace platform
