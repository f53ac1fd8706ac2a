#pragma once

// The main window's handle on the Player engine: owns one reference to the
// engine object and releases it when destroyed. Every call made through it
// returns -1 without calling anything when there is no object (creation
// failed), so the callers report that code like any other engine failure.

#include "app/PlayerEngineInterface.h"

#include <string>

namespace vantor {

class PlayerEngine final {
public:
    // No engine object.
    PlayerEngine() = default;
    // Takes over one reference to `object` (may be null).
    explicit PlayerEngine(IPlayerEngine* object)
        : m_object(object)
    {
    }
    ~PlayerEngine() { Reset(); }
    PlayerEngine(PlayerEngine&& other) noexcept
        : m_object(other.m_object)
    {
        other.m_object = nullptr;
    }
    PlayerEngine& operator=(PlayerEngine&& other) noexcept;
    PlayerEngine(const PlayerEngine&) = delete;
    PlayerEngine& operator=(const PlayerEngine&) = delete;

    // Creates the engine through the component registry (class
    // CLSID_PlayerEngine, class context 3). Without a registered, loadable
    // engine the result holds no object; that failure is not reported here.
    static PlayerEngine Create();

    IPlayerEngine* Get() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    // Releases the object (if any); later calls return -1.
    void Reset();

    int Initialize(platform::WindowHandle window);
    int OpenMovie(const std::string& moviePath);
    int CloseMovie();
    int ExportFlash(const std::string& outputPath, const std::string& settingsFile);
    int ExportAVI(const std::string& outputPath, const std::string& settingsFile);
    int Cancel();
    int ConvertMovie(const std::string& sourcePath, const std::string& outputPath);
    int ExportWMV(const std::string& outputPath, const std::string& settingsFile);
    int ExportQuickTime(const std::string& outputPath, const std::string& settingsFile);

private:
    IPlayerEngine* m_object = nullptr;
};

} // namespace vantor
