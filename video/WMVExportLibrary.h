#pragma once

// The Windows Media export library, libWMVExport.so in the program's folder,
// found and checked at run time.
//
// IsWMVExportAvailable first asks whether the Windows Media runtime is
// there (FFmpeg's libavformat and libavcodec, loaded by their sonames: the
// asf muxer and the Windows Media encoders must exist; both are unloaded
// again), then loads libWMVExport.so and looks up its 18 functions. A
// library that lacks any one of them is unloaded and forgotten. A library
// that passes stays loaded for the rest of the process, and the answer is
// then true without looking again.

#include "components/WMVExport/WMVExportApi.h"

#include <string>

namespace vantor {

// The 18 functions of the library, looked up by name.
struct WMVExportFunctions {
    EnumAvailableWMVideoCodecsFn EnumAvailableWMVideoCodecs = nullptr;
    EnumAvailableWMAudioCodecsFn EnumAvailableWMAudioCodecs = nullptr;
    EnumAvailableWMAudioCodecFormatsFn EnumAvailableWMAudioCodecFormats = nullptr;
    EnumAvailableWMVideoCodecFormatsFn EnumAvailableWMVideoCodecFormats = nullptr;
    InitWMVEncodeFn InitWMVEncode = nullptr;
    ReleaseWMVEncodeFn ReleaseWMVEncode = nullptr;
    ConfigureWMVAudioInputFn ConfigureWMVAudioInput = nullptr;
    ConfigureWMVVideoInputFn ConfigureWMVVideoInput = nullptr;
    WriteWMVVideoSampleFn WriteWMVVideoSample = nullptr;
    WriteWMVAudioSampleFn WriteWMVAudioSample = nullptr;
    StartWMVEncodeFn StartWMVEncode = nullptr;
    StopWMVEncodeFn StopWMVEncode = nullptr;
    BeginWMVVideoPreprocessFn BeginWMVVideoPreprocess = nullptr;
    EndWMVVideoPreprocessFn EndWMVVideoPreprocess = nullptr;
    BeginWMVAudioPreprocessFn BeginWMVAudioPreprocess = nullptr;
    EndWMVAudioPreprocessFn EndWMVAudioPreprocess = nullptr;
    PreprocessWMVVideoSampleFn PreprocessWMVVideoSample = nullptr;
    PreprocessWMVAudioSampleFn PreprocessWMVAudioSample = nullptr;
};

// True when the library is loaded with all 18 functions (see above).
bool IsWMVExportAvailable();

// The loaded library's functions. Only valid after IsWMVExportAvailable()
// has answered true; every pointer is then set.
const WMVExportFunctions& WMVExport();

// Where IsWMVExportAvailable looks. The program uses the defaults; tests
// point them at small libraries of their own. Changing them does not unload
// a library that is loaded already.
struct WMVExportLibrarySources {
    // Libraries of the runtime probe, each loaded by name and unloaded again.
    std::string formatLibrary; // libavformat's soname: must know the "asf" muxer
    std::string codecLibrary; // libavcodec's soname: must have the Windows Media encoders
    // The full path of the export library (default: the program's folder
    // followed by "/libWMVExport.so").
    std::string exportLibrary;
};
WMVExportLibrarySources DefaultWMVExportLibrarySources();
void SetWMVExportLibrarySources(const WMVExportLibrarySources& sources);

} // namespace vantor
