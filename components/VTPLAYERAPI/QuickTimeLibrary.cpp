#include "QuickTimeLibrary.h"

#include "FFmpeg.h"
#include "platform/ShellFolders.h"
#include "support/Trace.h"

#include <dlfcn.h>

namespace vtapi {

namespace {

thread_local std::string t_lastLine;

// The library's lines go to the trace as text.
void TraceLibraryLine(const char* line)
{
    t_lastLine = line != nullptr ? line : "";
    TraceLog("VTQTLibrary: %s", t_lastLine.c_str());
}

template <typename Proc> void Bind(void* handle, const char* name, Proc* proc, const std::string& path)
{
    *proc = reinterpret_cast<Proc>(dlsym(handle, name));
    if (*proc == nullptr)
        throw MovieError("the QuickTime library \"" + path + "\" has no function " + name);
}

} // namespace

QuickTimeLibrary::QuickTimeLibrary(const std::string& path)
{
    const std::string library = !path.empty()
        ? path
        : platform::ModuleFolder(reinterpret_cast<const void*>(&TraceLibraryLine)) + "/" + VTQT_LIBRARY_NAME;
    m_handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        const char* error = dlerror();
        throw MovieError(
            "the QuickTime library is missing: " + std::string(error != nullptr ? error : library));
    }
    try {
        InitializeQTProc initialize = nullptr;
        Bind(m_handle, "InitializeQT", &initialize, library);
        Bind(m_handle, "UninitializeQT", &m_uninitialize, library);
        Bind(m_handle, "SetupLogText", &m_setupLogText, library);
        Bind(m_handle, "CreateMovieFileQT", &CreateMovieFile, library);
        Bind(m_handle, "CloseMovieFileQT", &CloseMovieFile, library);
        Bind(m_handle, "FlattenMovieQT", &FlattenMovie, library);
        Bind(m_handle, "BeginMediaEditsQT", &BeginMediaEdits, library);
        Bind(m_handle, "EndMediaEditsQT", &EndMediaEdits, library);
        Bind(m_handle, "CreateCompressionSession", &CreateCompressionSession, library);
        Bind(m_handle, "DestroyCompressionSession", &DestroyCompressionSession, library);
        Bind(m_handle, "SelectCodecParams", &SelectCodecParams, library);
        Bind(m_handle, "SetCodecParams", &SetCodecParams, library);
        Bind(m_handle, "MultipassYES", &MultipassYES, library);
        Bind(m_handle, "IsMultipass", &IsMultipass, library);
        Bind(m_handle, "BeginPassQT", &BeginPass, library);
        Bind(m_handle, "CompressFrame", &CompressFrame, library);
        Bind(m_handle, "AnotherPassRequired", &AnotherPassRequired, library);
        Bind(m_handle, "AddMP3FileAsTrack", &AddMP3FileAsTrack, library);
        Bind(m_handle, "ConvertMP3ToAAC", &ConvertMP3ToAAC, library);
        m_setupLogText(&TraceLibraryLine);
        t_lastLine.clear();
        if (initialize() == 0)
            throw MovieError("QuickTime export is not possible here: " + LastLine());
        m_initialized = true;
    } catch (...) {
        if (m_setupLogText != nullptr)
            m_setupLogText(nullptr);
        dlclose(m_handle);
        throw;
    }
}

QuickTimeLibrary::~QuickTimeLibrary()
{
    if (m_initialized)
        m_uninitialize();
    // The trace function lives in this engine, which may go before the
    // library does (the program keeps it loaded too).
    m_setupLogText(nullptr);
    dlclose(m_handle);
}

void QuickTimeLibrary::Check(int ok, const char* function) const
{
    if (ok != 0)
        return;
    const std::string line = LastLine();
    throw MovieError(line.empty() ? std::string(function) + " failed" : line);
}

std::string QuickTimeLibrary::LastLine()
{
    return t_lastLine;
}

} // namespace vtapi
