#pragma once

// The Windows Media export library as the engine uses it: loaded once per
// process from the engine's folder (else the program's), with its 18
// functions, and the catalogue questions the engine asks it.

#include "components/WMVExport/WMVExportApi.h"

#include <string>
#include <vector>

namespace vtapi {

struct WmvFunctions {
    EnumAvailableWMVideoCodecsFn enumVideoCodecs = nullptr;
    EnumAvailableWMAudioCodecsFn enumAudioCodecs = nullptr;
    EnumAvailableWMAudioCodecFormatsFn enumAudioFormats = nullptr;
    EnumAvailableWMVideoCodecFormatsFn enumVideoFormats = nullptr;
    InitWMVEncodeFn init = nullptr;
    ReleaseWMVEncodeFn release = nullptr;
    ConfigureWMVAudioInputFn configureAudio = nullptr;
    ConfigureWMVVideoInputFn configureVideo = nullptr;
    WriteWMVVideoSampleFn writeVideo = nullptr;
    WriteWMVAudioSampleFn writeAudio = nullptr;
    StartWMVEncodeFn start = nullptr;
    StopWMVEncodeFn stop = nullptr;
    BeginWMVVideoPreprocessFn beginVideoPreprocess = nullptr;
    EndWMVVideoPreprocessFn endVideoPreprocess = nullptr;
    BeginWMVAudioPreprocessFn beginAudioPreprocess = nullptr;
    EndWMVAudioPreprocessFn endAudioPreprocess = nullptr;
    PreprocessWMVVideoSampleFn preprocessVideo = nullptr;
    PreprocessWMVAudioSampleFn preprocessAudio = nullptr;
};

// The library's functions; throws MovieError naming what is missing.
const WmvFunctions& WmvLibrary();

struct WmvVideoFormat {
    std::int32_t id = 0;
    bool vbr = false;
    unsigned passes = 1;
};

struct WmvAudioFormat {
    std::int32_t id = 0;
    bool vbr = false;
    unsigned passes = 1;
    WMVWaveFormat wave {};
};

// The catalogue: codec ids (the default one in `*defaultId`) and formats.
std::vector<std::int32_t> WmvVideoCodecs(const WmvFunctions& library, std::int32_t* defaultId);
std::vector<std::int32_t> WmvAudioCodecs(const WmvFunctions& library, std::int32_t* defaultId);
std::vector<WmvVideoFormat> WmvVideoFormats(const WmvFunctions& library, std::int32_t codecId);
std::vector<WmvAudioFormat> WmvAudioFormats(const WmvFunctions& library, std::int32_t codecId);

// The text of a library result code.
std::string WmvResultText(std::int32_t result);

} // namespace vtapi
