#include "PlayerEngine.h"

#include "AviExport.h"
#include "FlashExport.h"
#include "MovieConverter.h"
#include "QuickTimeExport.h"
#include "SwfPlayer.h"
#include "WmvExport.h"
#include "support/CrashFilter.h"
#include "support/Trace.h"

#include <algorithm>
#include <cstdarg>
#include <strings.h>

namespace vtapi {

namespace {

constexpr char kIIDUnknown[] = "{00000000-0000-0000-C000-000000000046}";
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

bool SameId(const char* a, const char* b)
{
    return a != nullptr && strcasecmp(a, b) == 0;
}

std::string Text(const char* text)
{
    return text != nullptr ? text : "";
}

// FFmpeg's warnings and errors go to the trace; its chatter is dropped.
void TraceFFmpeg(void* context, int level, const char* format, va_list args)
{
    if (level > AV_LOG_WARNING)
        return;
    char line[1024];
    int prefix = 1;
    av_log_format_line2(context, level, format, args, line, sizeof line, &prefix);
    if (level <= AV_LOG_ERROR)
        TraceError("FFmpeg: %s", line);
    else
        TraceWarning("FFmpeg: %s", line);
}

} // namespace

TPlayerEngine::TPlayerEngine()
{
    TraceLog("TPlayerEngine::TPlayerEngine");
}

TPlayerEngine::~TPlayerEngine()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_cancel = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable()) {
        m_worker.join();
        // The callback lives in this library, which its loader may unload.
        av_log_set_callback(&av_log_default_callback);
    }
    TraceLog("TPlayerEngine::~TPlayerEngine Exit");
}

int TPlayerEngine::QueryInterface(const char* interfaceId, void** object)
{
    if (object == nullptr)
        return platform::E_FAIL;
    if (SameId(interfaceId, vantor::IID_IPlayerEngine) || SameId(interfaceId, kIIDUnknown)) {
        *object = static_cast<vantor::IPlayerEngine*>(this);
        AddRef();
        return platform::S_OK;
    }
    if (SameId(interfaceId, vantor::IID_IPlayerEngineFailure)) {
        *object = static_cast<vantor::IPlayerEngineFailure*>(this);
        AddRef();
        return platform::S_OK;
    }
    *object = nullptr;
    return platform::E_NOINTERFACE;
}

unsigned TPlayerEngine::AddRef()
{
    return ++m_references;
}

unsigned TPlayerEngine::Release()
{
    const unsigned left = --m_references;
    if (left == 0)
        delete this;
    return left;
}

int TPlayerEngine::CheckLibraries()
{
    // The engine is linked against one FFmpeg; a different major version
    // loaded at run time would misread every structure.
    if (AV_VERSION_MAJOR(avformat_version()) != LIBAVFORMAT_VERSION_MAJOR
        || AV_VERSION_MAJOR(avcodec_version()) != LIBAVCODEC_VERSION_MAJOR
        || AV_VERSION_MAJOR(avutil_version()) != LIBAVUTIL_VERSION_MAJOR
        || AV_VERSION_MAJOR(swscale_version()) != LIBSWSCALE_VERSION_MAJOR
        || AV_VERSION_MAJOR(swresample_version()) != LIBSWRESAMPLE_VERSION_MAJOR)
        return vantor::kEngineLoadFailed;
    const bool complete = av_find_input_format("matroska") != nullptr
        && av_find_input_format("avi") != nullptr && av_guess_format("matroska", nullptr, nullptr) != nullptr
        && av_guess_format("avi", nullptr, nullptr) != nullptr
        && avcodec_find_decoder(AV_CODEC_ID_FFV1) != nullptr
        && avcodec_find_encoder(AV_CODEC_ID_FFV1) != nullptr
        && avcodec_find_encoder(AV_CODEC_ID_MPEG4) != nullptr
        && avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE) != nullptr;
    return complete ? vantor::kEngineOk : vantor::kEngineNotFound;
}

int TPlayerEngine::Initialize(int mode, platform::WindowHandle window, int flags)
{
    TraceLog("TPlayerEngine::Initialize mode %d flags %d", mode, flags);
    const int libraries = CheckLibraries();
    if (libraries != vantor::kEngineOk) {
        TraceError("TPlayerEngine::Initialize FFmpeg's libraries are not usable (%d)", libraries);
        return libraries;
    }
    av_log_set_callback(&TraceFFmpeg);
    std::unique_lock lock(m_mutex);
    if (m_busy)
        return vantor::kEngineBusy;
    m_window = window;
    if (!m_initialized) {
        m_initialized = true;
        m_worker = std::thread(&TPlayerEngine::WorkerLoop, this);
    }
    // The ready notification comes from the worker, once it runs.
    m_busy = true;
    m_cancel = false;
    m_pending = [] { return std::vector<platform::UINT> { vantor::EngineReady }; };
    lock.unlock();
    m_wake.notify_all();
    return vantor::kEngineOk;
}

int TPlayerEngine::Submit(const char* name, Command command)
{
    std::unique_lock lock(m_mutex);
    if (!m_initialized) {
        TraceWarning("TPlayerEngine::%s before Initialize", name);
        return vantor::kEngineNotRunning;
    }
    if (m_busy) {
        TraceWarning("TPlayerEngine::%s while busy", name);
        return vantor::kEngineBusy;
    }
    m_busy = true;
    m_cancel = false;
    m_failure.clear();
    m_pending = std::move(command);
    lock.unlock();
    m_wake.notify_all();
    return vantor::kEngineOk;
}

void TPlayerEngine::WorkerLoop()
{
    TraceThreadName("Player engine");
    vantor::trace::InstallThreadCrashStack();
    while (true) {
        Command command;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || m_pending; });
            if (m_stopping)
                break;
            command = std::move(m_pending);
            m_pending = nullptr;
        }
        std::vector<platform::UINT> results;
        try {
            results = command();
        } catch (const std::exception& error) {
            results = Failed("worker", error.what());
        }
        {
            std::lock_guard lock(m_mutex);
            m_busy = false;
        }
        for (const platform::UINT message : results)
            Post(message);
    }
    // Files of an open movie (an unpacked copy) go with the worker.
    m_movie.reset();
}

void TPlayerEngine::Post(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam)
{
    // The table of live targets is shared with the program (the platform
    // library is loaded once per process), so a message for a window that
    // has already gone is dropped rather than delivered.
    platform::PostMessage(m_window.load(), message, wParam, lParam);
}

std::vector<platform::UINT> TPlayerEngine::Failed(const char* command, const std::string& reason)
{
    TraceError("TPlayerEngine::%s %s", command, reason.c_str());
    std::lock_guard lock(m_mutex);
    m_failure = reason;
    return { vantor::OperationFailed };
}

int TPlayerEngine::LastFailureReason(char* buffer, int size)
{
    std::lock_guard lock(m_mutex);
    if (buffer != nullptr && size > 0) {
        const std::size_t copied = std::min(m_failure.size(), static_cast<std::size_t>(size) - 1);
        m_failure.copy(buffer, copied);
        buffer[copied] = '\0';
    }
    return static_cast<int>(m_failure.size());
}

TaskControl TPlayerEngine::MakeControl()
{
    TaskControl control;
    control.cancel = &m_cancel;
    m_lastProgress = {};
    m_lastDone = -1;
    control.progress = [this](std::int64_t done, std::int64_t total) {
        if (total <= 0 || done == m_lastDone)
            return;
        // At most one every kProgressInterval, and always the last one.
        const auto now = std::chrono::steady_clock::now();
        if (done < total && now - m_lastProgress < kProgressInterval)
            return;
        m_lastProgress = now;
        m_lastDone = done;
        Post(vantor::ExportProgress, static_cast<platform::WPARAM>(done),
            static_cast<platform::LPARAM>(total));
    };
    return control;
}

int TPlayerEngine::OpenMovie(const char* moviePath)
{
    TraceLog("TPlayerEngine::OpenMovie %s", Text(moviePath).c_str());
    return Submit("OpenMovie", [this, path = Text(moviePath)]() -> std::vector<platform::UINT> {
        m_movie.reset();
        m_exportSucceeded = false;
        try {
            m_movie = std::make_unique<MovieSource>(path, MakeControl());
            return { vantor::MovieOpened };
        } catch (const Cancelled&) {
            return { vantor::OperationCancelled };
        } catch (const std::exception& error) {
            return Failed("OpenMovie", error.what());
        }
    });
}

int TPlayerEngine::CloseMovie()
{
    TraceLog("TPlayerEngine::CloseMovie");
    return Submit("CloseMovie", [this]() -> std::vector<platform::UINT> {
        m_movie.reset();
        const bool succeeded = m_exportSucceeded;
        m_exportSucceeded = false;
        if (succeeded)
            return { vantor::ExportSucceeded };
        return {};
    });
}

int TPlayerEngine::ExportAVI(const char* outputPath, const char* settingsFile)
{
    TraceLog("TPlayerEngine::ExportAVI %s with %s", Text(outputPath).c_str(), Text(settingsFile).c_str());
    return Submit("ExportAVI",
        [this, output = Text(outputPath),
            settingsPath = Text(settingsFile)]() -> std::vector<platform::UINT> {
            m_exportSucceeded = false;
            if (!m_movie) {
                return Failed("ExportAVI", "no movie is open");
            }
            try {
                const AviSettings settings = ReadAviSettings(settingsPath);
                m_movie->Rewind();
                ExportAvi(*m_movie, settings, output, MakeControl());
                m_exportSucceeded = true;
                return { vantor::ExportFinished };
            } catch (const Cancelled&) {
                return { vantor::OperationCancelled };
            } catch (const std::exception& error) {
                return Failed("ExportAVI", error.what());
            }
        });
}

int TPlayerEngine::ConvertMovie(const char* sourcePath, const char* outputPath)
{
    TraceLog("TPlayerEngine::ConvertMovie %s to %s", Text(sourcePath).c_str(), Text(outputPath).c_str());
    return Submit("ConvertMovie",
        [this, source = Text(sourcePath), output = Text(outputPath)]() -> std::vector<platform::UINT> {
            m_movie.reset();
            m_exportSucceeded = false;
            try {
                switch (ConvertMovieFile(source, output, MakeControl())) {
                case ConvertOutcome::Converted:
                    return { vantor::ConvertSucceeded };
                case ConvertOutcome::Skipped:
                    return { vantor::ConvertSkipped };
                }
                return { vantor::OperationFailed };
            } catch (const Cancelled&) {
                return { vantor::OperationCancelled };
            } catch (const std::exception& error) {
                return Failed("ConvertMovie", error.what());
            }
        });
}

int TPlayerEngine::Cancel()
{
    TraceLog("TPlayerEngine::Cancel");
    std::lock_guard lock(m_mutex);
    if (!m_initialized)
        return vantor::kEngineNotRunning;
    if (!m_busy)
        return vantor::kEngineIdle;
    m_cancel = true;
    return vantor::kEngineOk;
}

int TPlayerEngine::ExportFlash(const char* outputPath, const char* settingsFile)
{
    TraceLog("TPlayerEngine::ExportFlash %s with %s", Text(outputPath).c_str(), Text(settingsFile).c_str());
    return Submit("ExportFlash",
        [this, output = Text(outputPath),
            settingsPath = Text(settingsFile)]() -> std::vector<platform::UINT> {
            m_exportSucceeded = false;
            if (!m_movie)
                return Failed("ExportFlash", "no movie is open");
            try {
                const FlashSettings settings = ReadFlashSettings(settingsPath);
                ExportFlashMovie(*m_movie, settings, output, EngineControlBarFolder(), MakeControl());
                m_exportSucceeded = true;
                return { vantor::ExportFinished };
            } catch (const Cancelled&) {
                return { vantor::OperationCancelled };
            } catch (const std::exception& error) {
                return Failed("ExportFlash", error.what());
            }
        });
}

int TPlayerEngine::ExportWMV(const char* outputPath, const char* settingsFile)
{
    TraceLog("TPlayerEngine::ExportWMV %s with %s", Text(outputPath).c_str(), Text(settingsFile).c_str());
    return Submit("ExportWMV",
        [this, output = Text(outputPath),
            settingsPath = Text(settingsFile)]() -> std::vector<platform::UINT> {
            m_exportSucceeded = false;
            if (!m_movie) {
                return Failed("ExportWMV", "no movie is open");
            }
            try {
                const WmvSettings settings = ReadWmvSettings(settingsPath);
                m_movie->Rewind();
                ExportWmv(*m_movie, settings, output, MakeControl());
                m_exportSucceeded = true;
                return { vantor::ExportFinished };
            } catch (const Cancelled&) {
                return { vantor::OperationCancelled };
            } catch (const std::exception& error) {
                return Failed("ExportWMV", error.what());
            }
        });
}

int TPlayerEngine::ExportQuickTime(const char* outputPath, const char* settingsFile)
{
    TraceLog(
        "TPlayerEngine::ExportQuickTime %s with %s", Text(outputPath).c_str(), Text(settingsFile).c_str());
    return Submit("ExportQuickTime",
        [this, output = Text(outputPath),
            settingsPath = Text(settingsFile)]() -> std::vector<platform::UINT> {
            m_exportSucceeded = false;
            if (!m_movie)
                return Failed("ExportQuickTime", "no movie is open");
            try {
                const QuickTimeSettings settings = ReadQuickTimeSettings(settingsPath);
                m_movie->Rewind();
                ExportQuickTimeMovie(*m_movie, settings, output, MakeControl());
                m_exportSucceeded = true;
                return { vantor::ExportFinished };
            } catch (const Cancelled&) {
                return { vantor::OperationCancelled };
            } catch (const std::exception& error) {
                return Failed("ExportQuickTime", error.what());
            }
        });
}

} // namespace vtapi
