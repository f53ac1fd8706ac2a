#include "WmvEncoderLibrary.h"

#include "FFmpeg.h"
#include "platform/ShellFolders.h"
#include "support/Trace.h"

#include <dlfcn.h>
#include <mutex>

namespace vtapi {

namespace {

// The catalogue callbacks carry no context: the list being filled is
// reached through the calling thread's pointer.
thread_local std::vector<std::int32_t>* t_codecs = nullptr;
thread_local std::vector<WmvVideoFormat>* t_videoFormats = nullptr;
thread_local std::vector<WmvAudioFormat>* t_audioFormats = nullptr;

void AddCodec(std::int32_t id, const wchar_t*)
{
    if (t_codecs != nullptr)
        t_codecs->push_back(id);
}

void AddVideoFormat(std::int32_t id, std::int32_t vbr, std::uint32_t passes)
{
    if (t_videoFormats != nullptr)
        t_videoFormats->push_back({ id, vbr != 0, passes });
}

void AddAudioFormat(std::int32_t id, const wchar_t*, const WMVWaveFormat* wave, std::int32_t vbr,
    std::uint32_t passes, std::int32_t)
{
    if (t_audioFormats != nullptr && wave != nullptr)
        t_audioFormats->push_back({ id, vbr != 0, passes, *wave });
}

template <typename T> void Resolve(void* handle, const char* name, T* function, std::string* missing)
{
    *function = reinterpret_cast<T>(dlsym(handle, name));
    if (*function == nullptr)
        *missing += std::string(missing->empty() ? "" : ", ") + name;
}

struct Loaded {
    WmvFunctions functions;
    std::string error; // empty when loaded
};

Loaded Load()
{
    Loaded loaded;
    std::string tried;
    void* handle = nullptr;
    for (const std::string& folder : { platform::ModuleFolder(reinterpret_cast<const void*>(&WmvLibrary)),
             platform::ExecutableFolder() }) {
        const std::string path = folder + "/" + WMV_EXPORT_LIBRARY_NAME;
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle != nullptr) {
            TraceLog("WmvLibrary loaded %s", path.c_str());
            break;
        }
        const char* why = dlerror();
        tried += std::string(tried.empty() ? "" : "; ") + (why != nullptr ? why : path);
    }
    if (handle == nullptr) {
        loaded.error = "the Windows Media export library cannot be loaded (" + tried + ")";
        return loaded;
    }
    WmvFunctions& f = loaded.functions;
    std::string missing;
    Resolve(handle, "EnumAvailableWMVideoCodecs", &f.enumVideoCodecs, &missing);
    Resolve(handle, "EnumAvailableWMAudioCodecs", &f.enumAudioCodecs, &missing);
    Resolve(handle, "EnumAvailableWMAudioCodecFormats", &f.enumAudioFormats, &missing);
    Resolve(handle, "EnumAvailableWMVideoCodecFormats", &f.enumVideoFormats, &missing);
    Resolve(handle, "InitWMVEncode", &f.init, &missing);
    Resolve(handle, "ReleaseWMVEncode", &f.release, &missing);
    Resolve(handle, "ConfigureWMVAudioInput", &f.configureAudio, &missing);
    Resolve(handle, "ConfigureWMVVideoInput", &f.configureVideo, &missing);
    Resolve(handle, "WriteWMVVideoSample", &f.writeVideo, &missing);
    Resolve(handle, "WriteWMVAudioSample", &f.writeAudio, &missing);
    Resolve(handle, "StartWMVEncode", &f.start, &missing);
    Resolve(handle, "StopWMVEncode", &f.stop, &missing);
    Resolve(handle, "BeginWMVVideoPreprocess", &f.beginVideoPreprocess, &missing);
    Resolve(handle, "EndWMVVideoPreprocess", &f.endVideoPreprocess, &missing);
    Resolve(handle, "BeginWMVAudioPreprocess", &f.beginAudioPreprocess, &missing);
    Resolve(handle, "EndWMVAudioPreprocess", &f.endAudioPreprocess, &missing);
    Resolve(handle, "PreprocessWMVVideoSample", &f.preprocessVideo, &missing);
    Resolve(handle, "PreprocessWMVAudioSample", &f.preprocessAudio, &missing);
    if (!missing.empty()) {
        dlclose(handle);
        loaded.functions = {};
        loaded.error = "the Windows Media export library lacks " + missing;
    }
    // A loaded library stays for the life of the process.
    return loaded;
}

} // namespace

const WmvFunctions& WmvLibrary()
{
    static const Loaded loaded = Load();
    if (!loaded.error.empty())
        throw MovieError(loaded.error);
    return loaded.functions;
}

std::vector<std::int32_t> WmvVideoCodecs(const WmvFunctions& library, std::int32_t* defaultId)
{
    std::vector<std::int32_t> codecs;
    t_codecs = &codecs;
    *defaultId = library.enumVideoCodecs(&AddCodec);
    t_codecs = nullptr;
    return codecs;
}

std::vector<std::int32_t> WmvAudioCodecs(const WmvFunctions& library, std::int32_t* defaultId)
{
    std::vector<std::int32_t> codecs;
    t_codecs = &codecs;
    *defaultId = library.enumAudioCodecs(&AddCodec);
    t_codecs = nullptr;
    return codecs;
}

std::vector<WmvVideoFormat> WmvVideoFormats(const WmvFunctions& library, std::int32_t codecId)
{
    std::vector<WmvVideoFormat> formats;
    t_videoFormats = &formats;
    library.enumVideoFormats(codecId, &AddVideoFormat);
    t_videoFormats = nullptr;
    return formats;
}

std::vector<WmvAudioFormat> WmvAudioFormats(const WmvFunctions& library, std::int32_t codecId)
{
    std::vector<WmvAudioFormat> formats;
    t_audioFormats = &formats;
    library.enumAudioFormats(codecId, &AddAudioFormat);
    t_audioFormats = nullptr;
    return formats;
}

std::string WmvResultText(std::int32_t result)
{
    switch (result) {
    case WMV_OK:
        return "no error";
    case WMV_E_INVALIDARG:
        return "a value out of range";
    case WMV_E_NOCODEC:
        return "the codec or format is not available";
    case WMV_E_STATE:
        return "a call out of order";
    case WMV_E_FILE:
        return "the file cannot be written";
    case WMV_E_ENCODER:
        return "the encoder refused the settings or failed (a bit rate too low for the pictures?)";
    case WMV_E_OUTOFMEMORY:
        return "out of memory";
    default:
        return "error " + std::to_string(result);
    }
}

} // namespace vtapi
