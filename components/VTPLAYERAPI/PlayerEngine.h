#pragma once

// The Player engine object behind IPlayerEngine.
//
// Threads: Initialize starts one worker thread, owned by the object and
// joined by its destructor. Every command is handed to that thread and the
// call returns at once (0, or 103 while another command runs, 104 before
// Initialize); the outcome arrives only as posted notifications. The worker
// marks itself idle before it posts a command's final notification, so the
// receiver may issue the next command as soon as it sees it.
//
// Notification sequences:
//   OpenMovie     MovieOpened | OperationFailed | OperationCancelled
//   ExportAVI     ExportProgress* then ExportFinished | OperationFailed | OperationCancelled
//   CloseMovie    ExportSucceeded when the last export of the movie succeeded, else nothing
//   ConvertMovie  ExportProgress* then ConvertSucceeded | ConvertSkipped | OperationFailed |
//   OperationCancelled
// Progress is posted at most every 50 ms, and once more at the end.
//
// Notifications go out through platform::PostMessage, so one posted to a
// window that has already gone is dropped.

#include "MovieFile.h"
#include "app/EngineFailureInterface.h"
#include "app/PlayerEngineInterface.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vtapi {

// The object also answers for IPlayerEngineFailure: the text of the
// exception that failed the last command.
class TPlayerEngine final : public vantor::IPlayerEngine, public vantor::IPlayerEngineFailure {
public:
    TPlayerEngine();
    ~TPlayerEngine();
    TPlayerEngine(const TPlayerEngine&) = delete;
    TPlayerEngine& operator=(const TPlayerEngine&) = delete;

    int QueryInterface(const char* interfaceId, void** object) override;
    unsigned AddRef() override;
    unsigned Release() override;

    int Reserved3() override { return vantor::kEngineFailed; }
    int Reserved4() override { return vantor::kEngineFailed; }
    int Reserved5() override { return vantor::kEngineFailed; }
    int Reserved6() override { return vantor::kEngineFailed; }
    // mode and flags are accepted as the program passes them (1, 1) and
    // otherwise unused. 101 when a required FFmpeg component is missing,
    // 102 when the loaded FFmpeg libraries are not the ones built against.
    int Initialize(int mode, platform::WindowHandle window, int flags) override;
    int Reserved8() override { return vantor::kEngineFailed; }
    int OpenMovie(const char* moviePath) override;
    int CloseMovie() override;
    // Flash and QuickTime exports are not part of this engine yet: they
    // answer 1.
    int ExportFlash(const char* outputPath, const char* settingsFile) override;
    int Reserved12() override { return vantor::kEngineFailed; }
    int Reserved13() override { return vantor::kEngineFailed; }
    int Reserved14() override { return vantor::kEngineFailed; }
    int Reserved15() override { return vantor::kEngineFailed; }
    int ExportAVI(const char* outputPath, const char* settingsFile) override;
    int Cancel() override;
    int Reserved18() override { return vantor::kEngineFailed; }
    int ConvertMovie(const char* sourcePath, const char* outputPath) override;
    int ExportWMV(const char* outputPath, const char* settingsFile) override;
    int ExportQuickTime(const char* outputPath, const char* settingsFile) override;

    int LastFailureReason(char* buffer, int size) override;

    // Checks that the loaded FFmpeg libraries can do the engine's work: 0,
    // 101 or 102 as Initialize answers.
    static int CheckLibraries();

private:
    // A command runs on the worker and returns the notifications that end it.
    using Command = std::function<std::vector<platform::UINT>()>;

    int Submit(const char* name, Command command);
    // The answer of an export this engine does not have: 104, 103 or 1.
    int Unavailable();
    void WorkerLoop();
    void Post(platform::UINT message, platform::WPARAM wParam = 0, platform::LPARAM lParam = 0);
    TaskControl MakeControl();
    // Keeps the reason for LastFailureReason; returns OperationFailed.
    std::vector<platform::UINT> Failed(const char* command, const std::string& reason);

    std::atomic<unsigned> m_references { 1 };

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_initialized = false;
    bool m_stopping = false;
    bool m_busy = false;
    Command m_pending;
    std::thread m_worker;
    std::atomic<platform::WindowHandle> m_window { nullptr };
    std::atomic<bool> m_cancel { false };
    std::string m_failure; // guarded by m_mutex

    // Worker-only state (touched by the worker, or by a caller only while
    // no command runs).
    std::unique_ptr<MovieSource> m_movie;
    bool m_exportSucceeded = false;
    std::chrono::steady_clock::time_point m_lastProgress {};
    std::int64_t m_lastDone = -1;
};

} // namespace vtapi
