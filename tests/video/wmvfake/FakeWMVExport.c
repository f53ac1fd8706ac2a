/* A fixed catalogue behind the export library's 18 names. */
#include "components/WMVExport/WMVExportApi.h"

int32_t EnumAvailableWMVideoCodecs(WMVExportCodecCallback callback)
{
    callback(WMV_VIDEO_CODEC_WMV1, L"Windows Media Video 7");
    callback(WMV_VIDEO_CODEC_WMV2, L"Vid\u00e9o 8");
    return WMV_VIDEO_CODEC_WMV2;
}

int32_t EnumAvailableWMAudioCodecs(WMVExportCodecCallback callback)
{
    callback(WMV_AUDIO_CODEC_WMAV2, L"Windows Media Audio 2");
    return WMV_AUDIO_CODEC_WMAV2;
}

void EnumAvailableWMVideoCodecFormats(int32_t codecId, WMVExportVideoFormatCallback callback)
{
    callback(WMV_VIDEO_FORMAT_CBR_1PASS, 0, 1);
    callback(WMV_VIDEO_FORMAT_VBR_2PASS, 1, 2);
}

void EnumAvailableWMAudioCodecFormats(int32_t codecId, WMVExportAudioFormatCallback callback)
{
    WMVWaveFormat format = { 0x0161, 2, 44100, 16000, 2973, 16, 10 };
    callback(17, L"128 kbps, 44 kHz, stereo CBR", &format, 0, 1, 128000);
}

/* The encoder side only has to exist: every call is out of order. */
#define WMVFAKE_STUB(name, ...) \
    int32_t name(__VA_ARGS__) { return WMV_E_STATE; }
#define WMVFAKE_SAMPLE(name) WMVFAKE_STUB(name, WMVEncoder* e, const uint8_t* d, int32_t s, int64_t t)
WMVFAKE_STUB(InitWMVEncode, const char* path, WMVEncoder** encoder)
WMVFAKE_STUB(ReleaseWMVEncode, WMVEncoder* e)
WMVFAKE_STUB(ConfigureWMVAudioInput, WMVEncoder* e, int32_t codec, int32_t format, int32_t rate, int32_t channels)
WMVFAKE_STUB(ConfigureWMVVideoInput, WMVEncoder* e, int32_t codec, int32_t w, int32_t h, int32_t rateNum,
    int32_t rateDen, int32_t vbr, uint32_t passes, int32_t bitrate, int32_t quality, int32_t key, int32_t pixels)
WMVFAKE_SAMPLE(WriteWMVVideoSample)
WMVFAKE_SAMPLE(WriteWMVAudioSample)
WMVFAKE_SAMPLE(PreprocessWMVVideoSample)
#ifndef WMVFAKE_WITHOUT_AUDIO_PREPROCESS
WMVFAKE_SAMPLE(PreprocessWMVAudioSample)
#endif
WMVFAKE_STUB(StartWMVEncode, WMVEncoder* e)
WMVFAKE_STUB(StopWMVEncode, WMVEncoder* e)
WMVFAKE_STUB(BeginWMVVideoPreprocess, WMVEncoder* e)
WMVFAKE_STUB(EndWMVVideoPreprocess, WMVEncoder* e)
WMVFAKE_STUB(BeginWMVAudioPreprocess, WMVEncoder* e)
WMVFAKE_STUB(EndWMVAudioPreprocess, WMVEncoder* e)
