#include "app/BatchRun.h"

#include "app/BatchOutputNames.h"
#include "app/EngineFailureInterface.h"
#include "app/ProductNames.h"
#include "app/StringTable.h"
#include "strings/StringIds.h"
#include "support/Trace.h"

#include <algorithm>
#include <cstdint>

namespace vantor {

namespace {

// Opening a movie covers the first tenth of its share of the overall bar and
// processing the rest. The shares were always computed from the
// single-precision constants 0.1 and 0.9 in wider arithmetic and then
// truncated, so a share of 1000 splits into 100 and 899; widening the float
// constants to double keeps exactly that.
constexpr double kOpeningPart = static_cast<double>(0.1f);
constexpr double kProcessingPart = static_cast<double>(0.9f);

int ClampToBar(long long position)
{
    return static_cast<int>(std::clamp<long long>(position, 0, BatchRun::kBarRange));
}

} // namespace

std::vector<std::string> ListedMovies(const IBatchView& view)
{
    std::vector<std::string> movies;
    const int count = view.MovieCount();
    for (int i = 0; i < count; ++i)
        movies.push_back(view.MovieAt(i));
    return movies;
}

std::string EngineErrorText(int code)
{
    const std::string product(kProductName);
    switch (code) {
    case kEngineNoObject:
        return LoadStr(str::kBatchErrInitialising);
    case kEngineFailed:
        return LoadStr(str::kBatchErrGeneric);
    case kEngineNotFound:
        return LoadStr(str::kBatchErrUnableToLocate) + product + LoadStr(str::kBatchErrPlayer);
    case kEngineLoadFailed:
        return LoadStr(str::kBatchErrFailedLoading) + product + LoadStr(str::kBatchErrPlayer);
    case kEngineBusy:
        return LoadStr(str::kBatchErrBusy);
    case kEngineNotRunning:
        return product + LoadStr(str::kBatchErrNotRunning);
    case kEngineIdle:
        return LoadStr(str::kBatchErrIdle);
    case kEngineNewFormat:
        return LoadStr(str::kBatchErrNewFormat);
    default:
        return {};
    }
}

std::string StartMessage(ExportFormat format)
{
    switch (format) {
    case ExportFormat::FlashSWF:
    case ExportFormat::FlashFLV:
        return LoadStr(str::kBatchStartFlash);
    case ExportFormat::AVI:
        return LoadStr(str::kBatchStartAVI);
    case ExportFormat::WMV:
        return LoadStr(str::kBatchStartWMV);
    case ExportFormat::QuickTime:
        return LoadStr(str::kBatchStartQuickTime);
    case ExportFormat::Conversion:
        return LoadStr(str::kBatchStartConvert);
    case ExportFormat::None:
        break;
    }
    return {};
}

BatchRun::BatchRun(IBatchView& view)
    : m_view(view)
{
}

void BatchRun::Start(ExportFormat format)
{
    TraceMethod trace("TMainForm::Start");
    m_view.ClearStatus();
    m_currentIndex = -1;
    m_state = RunState::Running;
    m_format = format;
    m_view.SetOverallText(StartMessage(format));
    if (m_observer)
        m_observer->RunStarted(m_view.MovieCount());
    StartNextMovie();
}

void BatchRun::StartNextMovie()
{
    TraceMethod trace("TMainForm::StartNextMovie");
    if (m_state == RunState::CancelCurrentPending)
        m_state = RunState::Running;

    if (m_state == RunState::Running) {
        ++m_currentIndex;
        const int count = m_view.MovieCount();
        if (m_currentIndex >= count) {
            m_state = RunState::Idle;
        } else {
            m_overallBase = kBarRange * m_currentIndex / count;
            m_view.SetOverallPosition(m_overallBase);
            const std::string movie = m_view.MovieAt(m_currentIndex);
            const std::string name = FileNamePart(movie);
            const bool converting = m_format == ExportFormat::Conversion;
            m_view.SetDetailText(
                LoadStr(converting ? str::kBatchConvertingMovie : str::kBatchOpeningMovie) + name);
            m_view.SetDetailPosition(0);
            m_currentOutput = OutputFilePath(m_view.DestinationFolder(), movie, m_format);
            m_currentMovie = movie;
            if (m_observer)
                m_observer->MovieStarted(m_currentIndex);
            int result = kEngineNoObject;
            if (converting) {
                // The conversion starts in the processing phase and writes
                // to its target as named, without the unique-name step.
                m_phase = MoviePhase::Processing;
                if (m_engine)
                    result = m_engine->ConvertMovie(m_currentMovie.c_str(), m_currentOutput.c_str());
            } else {
                m_phase = MoviePhase::Opening;
                if (m_engine)
                    result = m_engine->OpenMovie(m_currentMovie.c_str());
            }
            if (result != kEngineOk) {
                Log(EngineErrorText(result));
                Finished(MovieOutcome::Failed, EngineErrorText(result));
                m_state = RunState::Idle;
            }
        }
    }

    if (m_state != RunState::Running)
        EndRun();
    m_view.UpdateControls();
}

void BatchRun::EndRun()
{
    m_view.SetOverallText({});
    m_view.SetDetailText({});
    m_view.SetOverallPosition(0);
    m_view.SetDetailPosition(0);
    m_state = RunState::Idle;
    if (m_observer)
        m_observer->RunEnded();
    if (m_closeRequested && !m_inCloseQuery)
        m_view.CloseWindow();
}

void BatchRun::EngineCallFailed(int result)
{
    Log(EngineErrorText(result));
    Finished(MovieOutcome::Failed, EngineErrorText(result));
    m_state = RunState::Idle;
    StartNextMovie();
}

std::string BatchRun::CurrentName() const
{
    return FileNamePart(m_currentMovie);
}

void BatchRun::Finished(MovieOutcome outcome, const std::string& reason)
{
    if (m_observer)
        m_observer->MovieFinished(m_currentIndex, outcome, reason);
}

bool BatchRun::HandleNotification(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam)
{
    if (message != ExportProgress)
        TraceLog("TMainForm::HandleNotification %u", message - platform::WM_USER);
    switch (message) {
    case EngineReady:
        m_waitingForEngine = false;
        m_view.EngineReady();
        return true;
    case MovieOpened:
        OnMovieOpened();
        return true;
    case OperationFailed:
        OnOperationFailed();
        return true;
    case ExportFinished:
        OnExportFinished();
        return true;
    case OperationCancelled:
        OnOperationCancelled();
        return true;
    case ExportSucceeded:
        Log(CurrentName() + LoadStr(str::kBatchExportedOk));
        Finished(MovieOutcome::Done);
        StartNextMovie();
        return true;
    case ExportProgress:
        // wParam carries a signed count in an unsigned word.
        OnProgress(static_cast<std::intptr_t>(wParam), lParam);
        return true;
    case ConvertSucceeded:
        OnConverted(str::kBatchConvertedOk, MovieOutcome::Done);
        return true;
    case ConvertSkipped:
        OnConverted(str::kBatchConvertSkipped, MovieOutcome::Skipped);
        return true;
    default:
        // 306 and 307 are not used by this program; they are still the
        // engine's and never reach the window's own handling.
        return message >= platform::WM_USER + 300 && message <= platform::WM_USER + 310;
    }
}

std::string BatchRun::SettingsFile(ExportFormat format) const
{
    return m_settingsOverride.empty() ? SettingsFilePath(m_settingsPrefix, format) : m_settingsOverride;
}

void BatchRun::OnMovieOpened()
{
    if (m_state != RunState::Running) {
        StartNextMovie();
        return;
    }
    m_view.SetDetailText(LoadStr(str::kBatchExportingMovie) + CurrentName());
    m_view.SetDetailPosition(0);
    m_phase = MoviePhase::Processing;
    m_currentOutput = UniqueOutputPath(m_currentOutput);
    const std::string settings = SettingsFile(m_format);
    const char* output = m_currentOutput.c_str();
    int result = kEngineNoObject;
    if (m_engine) {
        switch (m_format) {
        case ExportFormat::FlashSWF:
        case ExportFormat::FlashFLV:
            result = m_engine->ExportFlash(output, settings.c_str());
            break;
        case ExportFormat::AVI:
            result = m_engine->ExportAVI(output, settings.c_str());
            break;
        case ExportFormat::WMV:
            result = m_engine->ExportWMV(output, settings.c_str());
            break;
        case ExportFormat::QuickTime:
            result = m_engine->ExportQuickTime(output, settings.c_str());
            break;
        case ExportFormat::Conversion:
        case ExportFormat::None:
            // A conversion never opens a movie; an opened movie here has no
            // export to go on with.
            result = kEngineFailed;
            break;
        }
    }
    if (result != kEngineOk)
        EngineCallFailed(result);
}

void BatchRun::OnOperationFailed()
{
    int suffix = str::kBatchUnableToOpen;
    if (m_phase == MoviePhase::Processing)
        suffix = m_format == ExportFormat::Conversion ? str::kBatchConvertFailed : str::kBatchExportFailed;
    Log(CurrentName() + LoadStr(suffix));
    Finished(MovieOutcome::Failed, EngineFailureReason(m_engine));
    StartNextMovie();
}

void BatchRun::OnExportFinished()
{
    if (m_state != RunState::Running) {
        StartNextMovie();
        return;
    }
    const int result = m_engine ? m_engine->CloseMovie() : kEngineNoObject;
    if (result != kEngineOk)
        EngineCallFailed(result);
}

void BatchRun::OnOperationCancelled()
{
    const bool converting = m_format == ExportFormat::Conversion;
    const std::string movieLine = CurrentName()
        + LoadStr(converting ? str::kBatchMovieConvertCancelled : str::kBatchMovieExportCancelled);
    if (m_state == RunState::CancelAllPending) {
        m_state = RunState::Idle;
        m_view.SetOverallText({});
        m_view.SetDetailText({});
        m_view.SetOverallPosition(0);
        m_view.SetDetailPosition(0);
        Log(movieLine);
        Finished(MovieOutcome::Cancelled);
        Log(LoadStr(converting ? str::kBatchConvertCancelled : str::kBatchExportCancelled));
        if (m_observer)
            m_observer->RunEnded();
        if (m_closeRequested)
            m_view.CloseWindow();
        m_view.UpdateControls();
    } else if (m_state == RunState::CancelCurrentPending) {
        Log(movieLine);
        Finished(MovieOutcome::Cancelled);
        m_state = RunState::Running;
        StartNextMovie();
    }
}

void BatchRun::OnConverted(int suffixId, MovieOutcome outcome)
{
    if (m_state == RunState::Running)
        Log(CurrentName() + LoadStr(suffixId));
    Finished(outcome);
    StartNextMovie();
}

void BatchRun::OnProgress(long long done, long long total)
{
    const int count = m_view.MovieCount();
    if (total <= 0 || count <= 0)
        return;
    const long long share = kBarRange / count;
    const long long tenth = static_cast<long long>(share * kOpeningPart);
    const long long rest = static_cast<long long>(share * kProcessingPart);
    long long overall = m_overallBase;
    if (m_phase == MoviePhase::Opening)
        overall += done * tenth / total;
    else
        overall += tenth + done * rest / total;
    // The observer first, so that what the view draws next is current.
    if (m_observer)
        m_observer->MovieProgress(m_currentIndex, m_phase, done, total);
    m_view.SetOverallPosition(ClampToBar(overall));
    m_view.SetDetailPosition(ClampToBar(kBarRange * done / total));
}

void BatchRun::CancelAll()
{
    TraceMethod trace("TMainForm::btnCancelClick");
    const int result = m_engine ? m_engine->Cancel() : kEngineNoObject;
    if (result != kEngineOk && result != kEngineIdle) {
        EngineCallFailed(result);
        return;
    }
    const std::string cancelling = LoadStr(str::kBatchCancelling);
    m_view.SetOverallText(cancelling);
    m_view.SetDetailText(cancelling);
    m_state = RunState::CancelAllPending;
    m_view.UpdateControls();
}

void BatchRun::CancelCurrent()
{
    TraceMethod trace("TMainForm::btnCancelCurrentClick");
    m_view.SetDetailText(LoadStr(str::kBatchCancelling));
    m_state = RunState::CancelCurrentPending;
    m_view.UpdateControls();
    const int result = m_engine ? m_engine->Cancel() : kEngineNoObject;
    if (result != kEngineOk && result != kEngineIdle) {
        Log(EngineErrorText(result));
        m_state = RunState::Idle;
        m_view.UpdateControls();
        StartNextMovie();
    }
}

bool BatchRun::CloseQuery()
{
    TraceMethod trace("TMainForm::FormCloseQuery");
    if (m_state == RunState::Idle)
        return true;
    m_closeRequested = true;
    if (m_state == RunState::Running) {
        // A cancel that fails ends the run at once; the window may then
        // close right away instead of being told to close from inside its
        // own close request.
        m_inCloseQuery = true;
        CancelAll();
        m_inCloseQuery = false;
    }
    return m_state == RunState::Idle;
}

} // namespace vantor
