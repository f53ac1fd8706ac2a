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
    if (codecId != WMV_VIDEO_CODEC_WMV2)
        return;
    callback(WMV_VIDEO_FORMAT_CBR_1PASS, 0, 1);
    callback(WMV_VIDEO_FORMAT_VBR_2PASS, 1, 2);
}

void EnumAvailableWMAudioCodecFormats(int32_t codecId, WMVExportAudioFormatCallback callback)
{
    WMVWaveFormat format = { 0x0161, 2, 44100, 16000, 2973, 16, 10 };
    if (codecId != WMV_AUDIO_CODEC_WMAV2)
        return;
    callback(17, L"128 kbps, 44 kHz, stereo CBR", &format, 0, 1, 128000);
}

/* The encoder side only has to exist: every call is out of order. */
int32_t InitWMVEncode(const char* path, WMVEncoder** encoder) { return WMV_E_STATE; }
int32_t ReleaseWMVEncode(WMVEncoder* encoder) { return WMV_OK; }
int32_t ConfigureWMVAudioInput(WMVEncoder* e, int32_t codec, int32_t format, int32_t rate, int32_t channels)
{
    return WMV_E_STATE;
}
int32_t ConfigureWMVVideoInput(WMVEncoder* e, int32_t codec, int32_t w, int32_t h, int32_t rateNum,
    int32_t rateDen, int32_t vbr, uint32_t passes, int32_t bitrate, int32_t quality, int32_t key, int32_t pixels)
{
    return WMV_E_STATE;
}
#define WMVFAKE_SAMPLE(name) \
    int32_t name(WMVEncoder* e, const uint8_t* data, int32_t size, int64_t time) { return WMV_E_STATE; }
#define WMVFAKE_STEP(name) \
    int32_t name(WMVEncoder* e) { return WMV_E_STATE; }
WMVFAKE_SAMPLE(WriteWMVVideoSample)
WMVFAKE_SAMPLE(WriteWMVAudioSample)
WMVFAKE_SAMPLE(PreprocessWMVVideoSample)
#ifndef WMVFAKE_WITHOUT_AUDIO_PREPROCESS
WMVFAKE_SAMPLE(PreprocessWMVAudioSample)
#endif
WMVFAKE_STEP(StartWMVEncode)
WMVFAKE_STEP(StopWMVEncode)
WMVFAKE_STEP(BeginWMVVideoPreprocess)
WMVFAKE_STEP(EndWMVVideoPreprocess)
WMVFAKE_STEP(BeginWMVAudioPreprocess)
WMVFAKE_STEP(EndWMVAudioPreprocess)
