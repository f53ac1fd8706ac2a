// The library's exported functions: C wrappers around the catalogue and the
// encoder. No C++ exception leaves them.

#include "CodecCatalogue.h"
#include "Encoder.h"

#include <new>

#define WMV_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::int32_t EnumCodecs(const std::vector<wmvexport::CodecEntry>& codecs, WMVExportCodecCallback callback)
{
    if (codecs.empty())
        return 0;
    if (callback != nullptr)
        for (const wmvexport::CodecEntry& codec : codecs)
            callback(codec.id, codec.name.c_str());
    return codecs.back().id;
}

template <typename Call> std::int32_t Guarded(Call call)
{
    try {
        return call();
    } catch (const std::bad_alloc&) {
        return WMV_E_OUTOFMEMORY;
    } catch (...) {
        return WMV_E_ENCODER;
    }
}

} // namespace

WMV_EXPORT int32_t EnumAvailableWMVideoCodecs(WMVExportCodecCallback callback)
{
    return Guarded([&] { return EnumCodecs(wmvexport::VideoCodecs(), callback); });
}

WMV_EXPORT int32_t EnumAvailableWMAudioCodecs(WMVExportCodecCallback callback)
{
    return Guarded([&] { return EnumCodecs(wmvexport::AudioCodecs(), callback); });
}

WMV_EXPORT void EnumAvailableWMVideoCodecFormats(int32_t codecId, WMVExportVideoFormatCallback callback)
{
    Guarded([&] {
        if (callback != nullptr)
            for (const wmvexport::VideoFormat& format : wmvexport::VideoFormats(codecId))
                callback(format.id, format.vbr ? 1 : 0, format.passes);
        return 0;
    });
}

WMV_EXPORT void EnumAvailableWMAudioCodecFormats(int32_t codecId, WMVExportAudioFormatCallback callback)
{
    Guarded([&] {
        if (callback != nullptr)
            for (const wmvexport::AudioFormat& format : wmvexport::AudioFormats(codecId)) {
                const WMVWaveFormat wave = format.WaveFormat(codecId);
                const std::wstring description = format.Description();
                callback(format.id, description.c_str(), &wave, format.vbr ? 1 : 0, format.passes,
                    format.vbr ? 0 : format.bitrate);
            }
        return 0;
    });
}

WMV_EXPORT int32_t InitWMVEncode(const char* outputPath, WMVEncoder** encoder)
{
    if (encoder == nullptr)
        return WMV_E_INVALIDARG;
    *encoder = nullptr;
    if (outputPath == nullptr || *outputPath == '\0')
        return WMV_E_INVALIDARG;
    return Guarded([&] {
        *encoder = new WMVEncoder(outputPath);
        return WMV_OK;
    });
}

WMV_EXPORT int32_t ReleaseWMVEncode(WMVEncoder* encoder)
{
    delete encoder;
    return WMV_OK;
}

WMV_EXPORT int32_t ConfigureWMVAudioInput(
    WMVEncoder* encoder, int32_t codecId, int32_t formatId, int32_t sampleRate, int32_t channels)
{
    if (encoder == nullptr)
        return WMV_E_INVALIDARG;
    return Guarded([&] { return encoder->ConfigureAudio(codecId, formatId, sampleRate, channels); });
}

WMV_EXPORT int32_t ConfigureWMVVideoInput(WMVEncoder* encoder, int32_t codecId, int32_t width, int32_t height,
    int32_t frameRateNum, int32_t frameRateDen, int32_t vbr, uint32_t passes, int32_t bitrate,
    int32_t quality, int32_t keyFrameSeconds, int32_t pixels)
{
    if (encoder == nullptr)
        return WMV_E_INVALIDARG;
    WMVEncoder::VideoSettings settings;
    settings.codecId = codecId;
    settings.width = width;
    settings.height = height;
    settings.rateNum = frameRateNum;
    settings.rateDen = frameRateDen;
    settings.vbr = vbr != 0;
    settings.passes = passes;
    settings.bitrate = bitrate;
    settings.quality = quality;
    settings.keyFrameSeconds = keyFrameSeconds;
    settings.pixels = pixels;
    return Guarded([&] { return encoder->ConfigureVideo(settings); });
}

WMV_EXPORT int32_t WriteWMVVideoSample(
    WMVEncoder* encoder, const uint8_t* data, int32_t size, int64_t sampleTime)
{
    return encoder == nullptr ? WMV_E_INVALIDARG
                              : Guarded([&] { return encoder->WriteVideo(data, size, sampleTime); });
}

WMV_EXPORT int32_t WriteWMVAudioSample(
    WMVEncoder* encoder, const uint8_t* data, int32_t size, int64_t sampleTime)
{
    return encoder == nullptr ? WMV_E_INVALIDARG
                              : Guarded([&] { return encoder->WriteAudio(data, size, sampleTime); });
}

WMV_EXPORT int32_t StartWMVEncode(WMVEncoder* encoder)
{
    return encoder == nullptr ? WMV_E_INVALIDARG : Guarded([&] { return encoder->Start(); });
}

WMV_EXPORT int32_t StopWMVEncode(WMVEncoder* encoder)
{
    return encoder == nullptr ? WMV_E_INVALIDARG : Guarded([&] { return encoder->Stop(); });
}

WMV_EXPORT int32_t BeginWMVVideoPreprocess(WMVEncoder* encoder)
{
    return encoder == nullptr ? WMV_E_INVALIDARG : Guarded([&] { return encoder->BeginVideoPreprocess(); });
}

WMV_EXPORT int32_t EndWMVVideoPreprocess(WMVEncoder* encoder)
{
    return encoder == nullptr ? WMV_E_INVALIDARG : Guarded([&] { return encoder->EndVideoPreprocess(); });
}

WMV_EXPORT int32_t PreprocessWMVVideoSample(
    WMVEncoder* encoder, const uint8_t* data, int32_t size, int64_t sampleTime)
{
    return encoder == nullptr ? WMV_E_INVALIDARG
                              : Guarded([&] { return encoder->PreprocessVideo(data, size, sampleTime); });
}

// No audio format has two passes (see the catalogue).
WMV_EXPORT int32_t BeginWMVAudioPreprocess(WMVEncoder* encoder)
{
    return encoder == nullptr ? WMV_E_INVALIDARG : WMV_E_STATE;
}

WMV_EXPORT int32_t EndWMVAudioPreprocess(WMVEncoder* encoder)
{
    return encoder == nullptr ? WMV_E_INVALIDARG : WMV_E_STATE;
}

WMV_EXPORT int32_t PreprocessWMVAudioSample(WMVEncoder* encoder, const uint8_t*, int32_t, int64_t)
{
    return encoder == nullptr ? WMV_E_INVALIDARG : WMV_E_STATE;
}
