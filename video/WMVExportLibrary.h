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

#include <atomic>
#include <mutex>
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

// True when the library is loaded with all 18 functions (see above). The
// process's one library: TWMVExportLibrary::Process().
bool IsWMVExportAvailable();

// The loaded library's functions. Only valid after IsWMVExportAvailable()
// has answered true; every pointer is then set.
const WMVExportFunctions& WMVExport();

// Where the probe looks.
struct WMVExportLibrarySources {
    // Libraries of the runtime probe, each loaded by name and unloaded again.
    std::string formatLibrary; // must have av_guess_format, which knows "asf"
    std::string codecLibrary; // must have avcodec_find_encoder_by_name, which finds
                              // "wmv2" or "wmv1", and "wmav2" or "wmav1"
    std::string exportLibrary; // loaded by this name (a full path finds it anywhere)
};

// How libraries are loaded: dlopen, dlsym and dlclose, or a test's stand-ins.
struct DynamicLoader {
    void* (*open)(const char* file, int mode) = nullptr;
    void* (*symbol)(void* handle, const char* name) = nullptr;
    int (*close)(void* handle) = nullptr;
};
DynamicLoader SystemLoader();

// One export library, loaded at most once by the first IsAvailable that
// finds it complete and kept to the end of the process (the destructor does
// not unload it). IsAvailable may be called from any thread.
class TWMVExportLibrary final {
public:
    explicit TWMVExportLibrary(WMVExportLibrarySources sources, DynamicLoader loader = SystemLoader());
    TWMVExportLibrary(const TWMVExportLibrary&) = delete;
    TWMVExportLibrary& operator=(const TWMVExportLibrary&) = delete;

    bool IsAvailable();
    // Valid once IsAvailable has answered true.
    const WMVExportFunctions& Functions() const { return m_functions; }

    // The process's library: FFmpeg's libavformat and libavcodec by the
    // sonames the program was built with, and libWMVExport.so in the
    // program's folder.
    static WMVExportLibrarySources DefaultSources();
    static TWMVExportLibrary& Process();

private:
    bool RuntimeAvailable() const;

    const WMVExportLibrarySources m_sources;
    const DynamicLoader m_loader;
    std::mutex m_mutex;
    std::atomic<bool> m_loaded { false };
    void* m_handle = nullptr;
    WMVExportFunctions m_functions;
};

} // namespace vantor
