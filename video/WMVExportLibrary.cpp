#include "video/WMVExportLibrary.h"

#include "platform/ShellFolders.h"
#include "support/Trace.h"

#include <dlfcn.h>
#include <libavcodec/version_major.h>
#include <libavformat/version_major.h>
#include <utility>

namespace vantor {

namespace {

// FFmpeg's lookups, declared by shape: the probe only asks whether they
// find something.
using GuessFormatFn = const void* (*)(const char* shortName, const char* fileName, const char* mimeType);
using FindEncoderFn = const void* (*)(const char* name);

// A library loaded for the length of one scope.
class ScopedLibrary final {
public:
    ScopedLibrary(const DynamicLoader& loader, const std::string& name)
        : m_loader(loader)
        , m_handle(loader.open(name.c_str(), RTLD_NOW | RTLD_LOCAL))
    {
    }
    ~ScopedLibrary()
    {
        if (m_handle != nullptr)
            m_loader.close(m_handle);
    }
    ScopedLibrary(const ScopedLibrary&) = delete;
    ScopedLibrary& operator=(const ScopedLibrary&) = delete;

    explicit operator bool() const { return m_handle != nullptr; }
    template <typename F> F Symbol(const char* name) const
    {
        return reinterpret_cast<F>(m_loader.symbol(m_handle, name));
    }
    void* Release() { return std::exchange(m_handle, nullptr); }

private:
    const DynamicLoader& m_loader;
    void* m_handle;
};

template <typename F> bool LookUp(const ScopedLibrary& library, const char* name, F& function)
{
    function = library.Symbol<F>(name);
    if (function == nullptr)
        TraceError("WMV export library: no function %s", name);
    return function != nullptr;
}

} // namespace

DynamicLoader SystemLoader()
{
    return DynamicLoader { &dlopen, &dlsym, &dlclose };
}

TWMVExportLibrary::TWMVExportLibrary(WMVExportLibrarySources sources, DynamicLoader loader)
    : m_sources(std::move(sources))
    , m_loader(loader)
{
}

WMVExportLibrarySources TWMVExportLibrary::DefaultSources()
{
    return WMVExportLibrarySources {
        "libavformat.so." + std::to_string(LIBAVFORMAT_VERSION_MAJOR),
        "libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR),
        platform::ExecutableFolder() + "/" + WMV_EXPORT_LIBRARY_NAME,
    };
}

TWMVExportLibrary& TWMVExportLibrary::Process()
{
    // Never destroyed: the library stays loaded to the end of the process.
    static auto* library = new TWMVExportLibrary(DefaultSources());
    return *library;
}

// The Windows Media runtime's stand-in: the asf muxer and the Windows Media
// encoders of FFmpeg. Both libraries are unloaded again.
bool TWMVExportLibrary::RuntimeAvailable() const
{
    ScopedLibrary format(m_loader, m_sources.formatLibrary);
    if (!format)
        return false;
    auto guessFormat = format.Symbol<GuessFormatFn>("av_guess_format");
    if (guessFormat == nullptr || guessFormat("asf", nullptr, nullptr) == nullptr)
        return false;
    ScopedLibrary codec(m_loader, m_sources.codecLibrary);
    if (!codec)
        return false;
    auto findEncoder = codec.Symbol<FindEncoderFn>("avcodec_find_encoder_by_name");
    if (findEncoder == nullptr)
        return false;
    const bool video = findEncoder("wmv2") != nullptr || findEncoder("wmv1") != nullptr;
    const bool audio = findEncoder("wmav2") != nullptr || findEncoder("wmav1") != nullptr;
    return video && audio;
}

bool TWMVExportLibrary::IsAvailable()
{
    if (m_loaded.load(std::memory_order_acquire))
        return true;
    std::lock_guard lock(m_mutex);
    if (m_loaded.load(std::memory_order_relaxed))
        return true;
    if (!RuntimeAvailable()) {
        TraceWarning("WMV export: the Windows Media runtime (%s, %s) is missing",
            m_sources.formatLibrary.c_str(), m_sources.codecLibrary.c_str());
        return false;
    }
    ScopedLibrary library(m_loader, m_sources.exportLibrary);
    if (!library) {
        TraceWarning("WMV export: cannot load %s", m_sources.exportLibrary.c_str());
        return false;
    }
    WMVExportFunctions f;
#define VANTOR_LOOK_UP(name) LookUp(library, #name, f.name)
    const bool complete = VANTOR_LOOK_UP(EnumAvailableWMVideoCodecs)
        && VANTOR_LOOK_UP(EnumAvailableWMAudioCodecs) && VANTOR_LOOK_UP(EnumAvailableWMAudioCodecFormats)
        && VANTOR_LOOK_UP(EnumAvailableWMVideoCodecFormats) && VANTOR_LOOK_UP(InitWMVEncode)
        && VANTOR_LOOK_UP(ReleaseWMVEncode) && VANTOR_LOOK_UP(ConfigureWMVAudioInput)
        && VANTOR_LOOK_UP(ConfigureWMVVideoInput) && VANTOR_LOOK_UP(WriteWMVVideoSample)
        && VANTOR_LOOK_UP(WriteWMVAudioSample) && VANTOR_LOOK_UP(StartWMVEncode)
        && VANTOR_LOOK_UP(StopWMVEncode) && VANTOR_LOOK_UP(BeginWMVVideoPreprocess)
        && VANTOR_LOOK_UP(EndWMVVideoPreprocess) && VANTOR_LOOK_UP(BeginWMVAudioPreprocess)
        && VANTOR_LOOK_UP(EndWMVAudioPreprocess) && VANTOR_LOOK_UP(PreprocessWMVVideoSample)
        && VANTOR_LOOK_UP(PreprocessWMVAudioSample);
#undef VANTOR_LOOK_UP
    if (!complete)
        return false; // the scope unloads it
    m_handle = library.Release();
    m_functions = f;
    m_loaded.store(true, std::memory_order_release);
    return true;
}

bool IsWMVExportAvailable()
{
    return TWMVExportLibrary::Process().IsAvailable();
}

const WMVExportFunctions& WMVExport()
{
    return TWMVExportLibrary::Process().Functions();
}

} // namespace vantor
