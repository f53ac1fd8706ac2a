#include "video/QuickTimeAPI.h"

#include "components/VTQTLibrary/VTQTLibrary.h"
#include "platform/ShellFolders.h"
#include "support/Trace.h"

#include <cstring>
#include <dlfcn.h>

namespace vantor::video {

namespace {

// Receives the library's log lines. A line is text, never a format: a "%"
// in it reaches the log as it is.
void LogText(const char* text)
{
    if (text != nullptr)
        TraceLog("%s", text);
}

} // namespace

std::string TQuickTimeAPI::DefaultLibraryPath()
{
    return platform::ExecutableFolder() + "/" + VTQT_LIBRARY_NAME;
}

void TQuickTimeAPI::LibraryCloser::operator()(void* handle) const
{
    dlclose(handle);
}

TQuickTimeAPI::TQuickTimeAPI(const std::string& libraryPath)
{
    TraceMethod trace("TQuickTimeAPI::TQuickTimeAPI");
    m_library.reset(dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!m_library) {
        TraceLog("VTQTLibrary.dll was not loaded");
        const char* reason = dlerror();
        TraceLog("%s", reason != nullptr ? reason : libraryPath.c_str());
    } else {
        for (std::size_t i = 0; i < kFunctionNames.size(); ++i)
            m_functions[i] = dlsym(m_library.get(), kFunctionNames[i]);
        if (auto setupLogText = reinterpret_cast<SetupLogTextProc>(Function("SetupLogText")))
            setupLogText(&LogText);
    }
    InitializeQT();
}

TQuickTimeAPI::~TQuickTimeAPI()
{
    TraceMethod trace("TQuickTimeAPI::~TQuickTimeAPI");
    auto uninitializeQT = reinterpret_cast<UninitializeQTProc>(Function("UninitializeQT"));
    if (uninitializeQT != nullptr && m_initialized)
        uninitializeQT();
}

void* TQuickTimeAPI::Function(const char* name) const
{
    for (std::size_t i = 0; i < kFunctionNames.size(); ++i) {
        if (std::strcmp(kFunctionNames[i], name) == 0)
            return m_functions[i];
    }
    return nullptr;
}

bool TQuickTimeAPI::InitializeQT()
{
    TraceMethod trace("TQuickTimeAPI::InitializeQT");
    auto initializeQT = reinterpret_cast<InitializeQTProc>(Function("InitializeQT"));
    if (initializeQT == nullptr) {
        TraceLog("InitializeQTProc == NULL, return false");
        return false;
    }
    if (initializeQT() != 0) {
        TraceLog("QT Initialized, return true");
        m_initialized = true;
        return true;
    }
    TraceLog("QT has not been initialized, return false");
    return false;
}

bool TQuickTimeAPI::IsInstalled()
{
    if (m_initialized)
        TraceLog("%s - QT was initialized correctly", "TQuickTimeAPI::IsInstalled");
    else
        TraceLog("%s - QT was not initialized", "TQuickTimeAPI::IsInstalled");
    return m_initialized;
}

} // namespace vantor::video
