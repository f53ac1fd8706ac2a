#include "app/PlayerEngine.h"

#include "support/ComponentRegistry.h"

#include <string>

namespace vantor {

namespace {

// The class context the engine is created with: in-process server or handler.
constexpr unsigned kEngineClassContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;

} // namespace

PlayerEngine& PlayerEngine::operator=(PlayerEngine&& other) noexcept
{
    if (this != &other) {
        Reset();
        m_object = other.m_object;
        other.m_object = nullptr;
    }
    return *this;
}

PlayerEngine PlayerEngine::Create()
{
    void* object = nullptr;
    if (CoCreateInstance(CLSID_PlayerEngine, nullptr, kEngineClassContext, IID_IPlayerEngine, &object)
        != platform::S_OK)
        return PlayerEngine();
    return PlayerEngine(static_cast<IPlayerEngine*>(object));
}

void PlayerEngine::Reset()
{
    if (m_object != nullptr) {
        m_object->Release();
        m_object = nullptr;
    }
}

int PlayerEngine::Initialize(platform::WindowHandle window)
{
    return m_object ? m_object->Initialize(1, window, 1) : kEngineNoObject;
}

int PlayerEngine::OpenMovie(const std::string& moviePath)
{
    return m_object ? m_object->OpenMovie(moviePath.c_str()) : kEngineNoObject;
}

int PlayerEngine::CloseMovie()
{
    return m_object ? m_object->CloseMovie() : kEngineNoObject;
}

int PlayerEngine::ExportFlash(const std::string& outputPath, const std::string& settingsFile)
{
    return m_object ? m_object->ExportFlash(outputPath.c_str(), settingsFile.c_str()) : kEngineNoObject;
}

int PlayerEngine::ExportAVI(const std::string& outputPath, const std::string& settingsFile)
{
    return m_object ? m_object->ExportAVI(outputPath.c_str(), settingsFile.c_str()) : kEngineNoObject;
}

int PlayerEngine::Cancel()
{
    return m_object ? m_object->Cancel() : kEngineNoObject;
}

int PlayerEngine::ConvertMovie(const std::string& sourcePath, const std::string& outputPath)
{
    return m_object ? m_object->ConvertMovie(sourcePath.c_str(), outputPath.c_str()) : kEngineNoObject;
}

int PlayerEngine::ExportWMV(const std::string& outputPath, const std::string& settingsFile)
{
    return m_object ? m_object->ExportWMV(outputPath.c_str(), settingsFile.c_str()) : kEngineNoObject;
}

int PlayerEngine::ExportQuickTime(const std::string& outputPath, const std::string& settingsFile)
{
    return m_object ? m_object->ExportQuickTime(outputPath.c_str(), settingsFile.c_str()) : kEngineNoObject;
}

} // namespace vantor
