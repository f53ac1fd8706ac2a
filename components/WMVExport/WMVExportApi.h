#pragma once

/*
 * libWMVExport.so: the Windows Media export library.
 *
 * The library has two sides. The codec catalogue tells which Windows Media
 * video and audio codecs can be written and, for each codec, which formats
 * it offers; the WMV dialog lists them. The encoder writes a Windows Media
 * file (ASF container) from raw pictures and PCM sound; the Player engine
 * drives it for every exported movie.
 *
 * Every function has C linkage and is exported under the name below; the
 * program and the engine load the library at run time and look the
 * functions up by name, so the pointer types of this header are the
 * contract. Texts that the catalogue hands out are zero-terminated
 * wide-character strings (wchar_t, UTF-32 on Linux); paths are UTF-8.
 *
 * Codec ids: a video codec's id is its FOURCC (WMV_VIDEO_CODEC_WMV1,
 * WMV_VIDEO_CODEC_WMV2); an audio codec's id is its wave format tag
 * (WMV_AUDIO_CODEC_WMAV1, WMV_AUDIO_CODEC_WMAV2). Ids are never 0.
 *
 * Format ids are unique within their codec and stable from one run to the
 * next, so that a stored id finds the same format again.
 */

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Codec ids. */
#define WMV_VIDEO_CODEC_WMV1 0x31564D57 /* 'WMV1': Windows Media Video 7 */
#define WMV_VIDEO_CODEC_WMV2 0x32564D57 /* 'WMV2': Windows Media Video 8 */
#define WMV_AUDIO_CODEC_WMAV1 0x0160 /* Windows Media Audio 1 */
#define WMV_AUDIO_CODEC_WMAV2 0x0161 /* Windows Media Audio 2 */

/* Video format ids: every video codec offers at most these four. */
#define WMV_VIDEO_FORMAT_CBR_1PASS 1 /* constant bit rate, one pass */
#define WMV_VIDEO_FORMAT_CBR_2PASS 2 /* constant bit rate, two passes */
#define WMV_VIDEO_FORMAT_VBR_1PASS 3 /* variable bit rate by quality, one pass */
#define WMV_VIDEO_FORMAT_VBR_2PASS 4 /* variable bit rate, two passes, first pass at a bit rate */

/* Pixel layouts of the pictures handed to the encoder. */
#define WMV_PIXELS_I420 0x30323449 /* 'I420': planar Y, then U, then V (4:2:0), rows packed */
#define WMV_PIXELS_RGB32 0x32424752 /* 'RGB2': 4 bytes per pixel, B G R x, top row first */

/* Results of the encode functions: 0 is success, errors are negative. */
#define WMV_OK 0
#define WMV_E_INVALIDARG (-1) /* a null handle or pointer, a size or value out of range */
#define WMV_E_NOCODEC (-2) /* the codec or format id is not in the catalogue */
#define WMV_E_STATE (-3) /* the call is out of order (see the life cycle below) */
#define WMV_E_FILE (-4) /* the output file cannot be created or written */
#define WMV_E_ENCODER (-5) /* the encoder refused the settings or failed */
#define WMV_E_OUTOFMEMORY (-6)

/*
 * The 18 bytes of a WAVEFORMATEX, little-endian and packed as Windows
 * stores them. For the Windows Media audio formats: format tag = codec id,
 * average bytes per second = bit rate / 8, block align = the size of one
 * encoded packet, bits per sample = 16, extra size = the size of the
 * codec's private data. For a one-pass variable-bit-rate format the low
 * byte of the average-bytes-per-second field is the format's quality level
 * (0..100) instead.
 */
#pragma pack(push, 1)
typedef struct WMVWaveFormat {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    uint16_t extraSize;
} WMVWaveFormat;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(WMVWaveFormat) == 18, "a wave format is 18 packed bytes");
#else
_Static_assert(sizeof(WMVWaveFormat) == 18, "a wave format is 18 packed bytes");
#endif

/* ---- Catalogue --------------------------------------------------------- */

/* One call per codec: its id and its display name. The name is valid only
 * during the call. */
typedef void (*WMVExportCodecCallback)(int32_t id, const wchar_t* name);

/* One call per video format of a codec: format id, non-zero for variable
 * bit rate, number of passes (1 or 2). */
typedef void (*WMVExportVideoFormatCallback)(int32_t formatId, int32_t vbr, uint32_t passes);

/* One call per audio format of a codec: format id; its description (for
 * example "128 kbps, 44 kHz, stereo CBR", valid only during the call); its
 * wave format (valid only during the call); non-zero for variable bit
 * rate; number of passes; its bit rate in bits per second (0 for a
 * quality-based format). */
typedef void (*WMVExportAudioFormatCallback)(int32_t formatId, const wchar_t* description,
    const WMVWaveFormat* waveFormat, int32_t vbr, uint32_t passes, int32_t bitrate);

/* Calls `callback` once per video codec that can be written, in a fixed
 * order; returns the id of the default video codec (0 when there is none). */
typedef int32_t (*EnumAvailableWMVideoCodecsFn)(WMVExportCodecCallback callback);
/* The same for the audio codecs. */
typedef int32_t (*EnumAvailableWMAudioCodecsFn)(WMVExportCodecCallback callback);
/* Calls `callback` once per format of the video codec `codecId`: only the
 * formats the encoder really accepts. An unknown codec reports nothing. */
typedef void (*EnumAvailableWMVideoCodecFormatsFn)(int32_t codecId, WMVExportVideoFormatCallback callback);
/* Calls `callback` once per format of the audio codec `codecId`: every
 * (sample rate, channels, bit rate) that the encoder really accepts, in
 * order of rising sample rate, then channels, then bit rate. */
typedef void (*EnumAvailableWMAudioCodecFormatsFn)(int32_t codecId, WMVExportAudioFormatCallback callback);

/* ---- Encoder ------------------------------------------------------------ */

/*
 * Life cycle of one output file:
 *   InitWMVEncode
 *   ConfigureWMVVideoInput, and ConfigureWMVAudioInput when there is sound
 *   for a two-pass video format:
 *     BeginWMVVideoPreprocess, PreprocessWMVVideoSample for every picture,
 *     EndWMVVideoPreprocess
 *   (the same for a two-pass audio format with the audio preprocess calls)
 *   StartWMVEncode
 *   WriteWMVVideoSample / WriteWMVAudioSample, in any interleaving
 *   StopWMVEncode
 *   ReleaseWMVEncode (always, also after a failure)
 * WMV_E_INVALIDARG, WMV_E_NOCODEC and WMV_E_STATE refuse one call and change
 * nothing; any other failure ends the encoder, and every later call but
 * ReleaseWMVEncode gives WMV_E_STATE.
 * A file whose StopWMVEncode did not succeed is deleted by ReleaseWMVEncode.
 * The encoder is not thread-safe: one thread drives one handle at a time;
 * separate handles are independent.
 *
 * Sample times are in units of 100 nanoseconds from the start of the movie.
 */
typedef struct WMVEncoder WMVEncoder;

/* Creates an encoder that will write `outputPath` (the file is created by
 * StartWMVEncode). Stores the handle in `*encoder`. */
typedef int32_t (*InitWMVEncodeFn)(const char* outputPath, WMVEncoder** encoder);

/* Frees the encoder; deletes the output file unless StopWMVEncode
 * succeeded. Accepts NULL. Returns WMV_OK. */
typedef int32_t (*ReleaseWMVEncodeFn)(WMVEncoder* encoder);

/* Sets the sound: the codec and format of the catalogue, and the input,
 * interleaved signed 16-bit PCM at `sampleRate` Hz with `channels` (1..8)
 * channels, which the encoder converts to the format's rate and channels.
 * Without this call the file has no sound. */
typedef int32_t (*ConfigureWMVAudioInputFn)(
    WMVEncoder* encoder, int32_t codecId, int32_t formatId, int32_t sampleRate, int32_t channels);

/* Sets the picture: the codec; the size (width and height even, 16..4096);
 * the frame rate as a fraction; the format: `vbr` and `passes` pick one of
 * the codec's formats; `bitrate` in bits per second is the constant rate,
 * or the target rate of two-pass variable bit rate; `quality` 1..100 (100
 * best) drives one-pass variable bit rate; `keyFrameSeconds` is the longest
 * time between key frames (0: 10 seconds); `pixels` is WMV_PIXELS_I420 or
 * WMV_PIXELS_RGB32. Required. */
typedef int32_t (*ConfigureWMVVideoInputFn)(WMVEncoder* encoder, int32_t codecId, int32_t width,
    int32_t height, int32_t frameRateNum, int32_t frameRateDen, int32_t vbr, uint32_t passes, int32_t bitrate,
    int32_t quality, int32_t keyFrameSeconds, int32_t pixels);

/* Encodes one picture of the configured size and layout: `size` must be
 * width * height * 3 / 2 bytes for I420, width * height * 4 for RGB32.
 * Pictures come in the order of their times; a picture that is not later
 * than the previous one is refused (WMV_E_INVALIDARG). */
typedef int32_t (*WriteWMVVideoSampleFn)(
    WMVEncoder* encoder, const uint8_t* data, int32_t size, int64_t sampleTime);

/* Encodes PCM sound in the configured input layout; `size` is in bytes, a
 * whole number of sample frames. The sound is taken as continuous: the
 * time of the first call sets where it starts, later times are ignored. */
typedef int32_t (*WriteWMVAudioSampleFn)(
    WMVEncoder* encoder, const uint8_t* data, int32_t size, int64_t sampleTime);

/* Creates the output file, starts the encoders (with the statistics of the
 * first pass for two-pass formats) and writes the file header. A two-pass
 * format whose preprocess has not ended gives WMV_E_STATE. */
typedef int32_t (*StartWMVEncodeFn)(WMVEncoder* encoder);

/* Flushes the encoders, writes the file's index and trailer and closes the
 * file. After success the file is complete and stays. */
typedef int32_t (*StopWMVEncodeFn)(WMVEncoder* encoder);

/* First pass of a two-pass video format: starts the analysing encoder.
 * WMV_E_STATE for a one-pass format. */
typedef int32_t (*BeginWMVVideoPreprocessFn)(WMVEncoder* encoder);
/* Ends the first pass: flushes the analysing encoder and keeps its
 * statistics for StartWMVEncode. */
typedef int32_t (*EndWMVVideoPreprocessFn)(WMVEncoder* encoder);
/* Feeds one picture to the first pass; the same pictures, with the same
 * times, must then be written by WriteWMVVideoSample. */
typedef int32_t (*PreprocessWMVVideoSampleFn)(
    WMVEncoder* encoder, const uint8_t* data, int32_t size, int64_t sampleTime);

/* The audio counterparts. The Windows Media audio encoders work at a
 * constant rate in one pass, so the catalogue offers no two-pass audio
 * format and these give WMV_E_STATE. */
typedef int32_t (*BeginWMVAudioPreprocessFn)(WMVEncoder* encoder);
typedef int32_t (*EndWMVAudioPreprocessFn)(WMVEncoder* encoder);
typedef int32_t (*PreprocessWMVAudioSampleFn)(
    WMVEncoder* encoder, const uint8_t* data, int32_t size, int64_t sampleTime);

/* The library's exports. */
int32_t EnumAvailableWMVideoCodecs(WMVExportCodecCallback callback);
int32_t EnumAvailableWMAudioCodecs(WMVExportCodecCallback callback);
void EnumAvailableWMAudioCodecFormats(int32_t codecId, WMVExportAudioFormatCallback callback);
void EnumAvailableWMVideoCodecFormats(int32_t codecId, WMVExportVideoFormatCallback callback);
int32_t InitWMVEncode(const char* outputPath, WMVEncoder** encoder);
int32_t ReleaseWMVEncode(WMVEncoder* encoder);
int32_t ConfigureWMVAudioInput(
    WMVEncoder* encoder, int32_t codecId, int32_t formatId, int32_t sampleRate, int32_t channels);
int32_t ConfigureWMVVideoInput(WMVEncoder* encoder, int32_t codecId, int32_t width, int32_t height,
    int32_t frameRateNum, int32_t frameRateDen, int32_t vbr, uint32_t passes, int32_t bitrate,
    int32_t quality, int32_t keyFrameSeconds, int32_t pixels);
int32_t WriteWMVVideoSample(WMVEncoder* encoder, const uint8_t* data, int32_t size, int64_t sampleTime);
int32_t WriteWMVAudioSample(WMVEncoder* encoder, const uint8_t* data, int32_t size, int64_t sampleTime);
int32_t StartWMVEncode(WMVEncoder* encoder);
int32_t StopWMVEncode(WMVEncoder* encoder);
int32_t BeginWMVVideoPreprocess(WMVEncoder* encoder);
int32_t EndWMVVideoPreprocess(WMVEncoder* encoder);
int32_t BeginWMVAudioPreprocess(WMVEncoder* encoder);
int32_t EndWMVAudioPreprocess(WMVEncoder* encoder);
int32_t PreprocessWMVVideoSample(WMVEncoder* encoder, const uint8_t* data, int32_t size, int64_t sampleTime);
int32_t PreprocessWMVAudioSample(WMVEncoder* encoder, const uint8_t* data, int32_t size, int64_t sampleTime);

/* The 18 names, in the order the program looks them up. */
#define WMV_EXPORT_FUNCTION_NAMES                                                                            \
    "EnumAvailableWMVideoCodecs", "EnumAvailableWMAudioCodecs", "EnumAvailableWMAudioCodecFormats",          \
        "EnumAvailableWMVideoCodecFormats", "InitWMVEncode", "ReleaseWMVEncode", "ConfigureWMVAudioInput",   \
        "ConfigureWMVVideoInput", "WriteWMVVideoSample", "WriteWMVAudioSample", "StartWMVEncode",            \
        "StopWMVEncode", "BeginWMVVideoPreprocess", "EndWMVVideoPreprocess", "BeginWMVAudioPreprocess",      \
        "EndWMVAudioPreprocess", "PreprocessWMVVideoSample", "PreprocessWMVAudioSample"

/* The library's file name, found in the program's folder. */
#define WMV_EXPORT_LIBRARY_NAME "libWMVExport.so"

#ifdef __cplusplus
}
#endif
