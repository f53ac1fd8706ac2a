#pragma once

// The Player engine's interface, shared by the program (which only calls it)
// and the engine component (which implements it). No Qt here: the engine is
// a plugin without Qt.
//
// The virtual functions are declared in the engine's slot order, counting
// from 0 at QueryInterface, so slot numbers in traces and documents match
// the order of this table. Strings are UTF-8 paths, empty rather than null.

#include "platform/Component.h"
#include "platform/WindowMessages.h"

namespace vantor {

inline constexpr char CLSID_PlayerEngine[] = "{9011568A-520F-40C3-81B7-19F1755B12D2}";
inline constexpr char IID_IPlayerEngine[] = "{815FAF71-694C-48E6-B3B1-5A6541A5F7E5}";

// Result codes of the engine's operations; 0 is success.
enum EngineResult : int {
    kEngineOk = 0,
    kEngineNoObject = -1, // the program has no engine object; nothing was called
    kEngineFailed = 1,
    kEngineNotFound = 101, // FFmpeg's libraries are missing
    kEngineLoadFailed = 102, // FFmpeg's libraries are unusable
    kEngineBusy = 103, // another command is running
    kEngineNotRunning = 104, // Initialize was not called (or failed)
    kEngineIdle = 105, // Cancel while no command runs
    kEngineNewFormat = 110,
};

// Posted notifications: WM_USER + n. Only ExportProgress carries data.
enum EngineNotification : platform::UINT {
    EngineReady = platform::WM_USER + 300,
    MovieOpened = platform::WM_USER + 301,
    OperationFailed = platform::WM_USER + 302,
    ExportFinished = platform::WM_USER + 303,
    OperationCancelled = platform::WM_USER + 304,
    ExportSucceeded = platform::WM_USER + 305,
    ExportProgress = platform::WM_USER + 308, // wParam frames done, lParam total
    ConvertSucceeded = platform::WM_USER + 309,
    ConvertSkipped = platform::WM_USER + 310,
};

class IPlayerEngine : public platform::IUnknown {
public:
    // Slots 3 to 6, 8, 12 to 15 and 18 belong to the engine's other clients;
    // this program never calls them.
    virtual int Reserved3() = 0;
    virtual int Reserved4() = 0;
    virtual int Reserved5() = 0;
    virtual int Reserved6() = 0;
    // Slot 7. The program passes (1, its window handle, 1); notifications
    // go to that handle.
    virtual int Initialize(int mode, platform::WindowHandle window, int flags) = 0;
    virtual int Reserved8() = 0;
    // Slot 9. Ends in MovieOpened or OperationFailed.
    virtual int OpenMovie(const char* moviePath) = 0;
    // Slot 10. Called on ExportFinished.
    virtual int CloseMovie() = 0;
    // Slot 11.
    virtual int ExportFlash(const char* outputPath, const char* settingsFile) = 0;
    virtual int Reserved12() = 0;
    virtual int Reserved13() = 0;
    virtual int Reserved14() = 0;
    virtual int Reserved15() = 0;
    // Slot 16.
    virtual int ExportAVI(const char* outputPath, const char* settingsFile) = 0;
    // Slot 17. Ends the running command in OperationCancelled.
    virtual int Cancel() = 0;
    virtual int Reserved18() = 0;
    // Slot 19. Writes the current movie format; ConvertSucceeded,
    // ConvertSkipped, OperationFailed or OperationCancelled.
    virtual int ConvertMovie(const char* sourcePath, const char* outputPath) = 0;
    // Slot 20.
    virtual int ExportWMV(const char* outputPath, const char* settingsFile) = 0;
    // Slot 21.
    virtual int ExportQuickTime(const char* outputPath, const char* settingsFile) = 0;

protected:
    ~IPlayerEngine() = default;
};

} // namespace vantor
