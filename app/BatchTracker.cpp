#include "app/BatchTracker.h"

#include "app/StringTable.h"
#include "strings/StringIds.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <utility>

namespace vantor {

namespace {

// The text with "%1", "%2"... replaced by the arguments in order.
std::string Fill(std::string text, const std::vector<std::string>& arguments)
{
    for (std::size_t i = arguments.size(); i-- > 0;) {
        const std::string mark = "%" + std::to_string(i + 1);
        for (auto at = text.find(mark); at != std::string::npos;
             at = text.find(mark, at + arguments[i].size())) {
            text.replace(at, mark.size(), arguments[i]);
        }
    }
    return text;
}

} // namespace

BatchTracker::BatchTracker(SizeOf sizeOf, Clock clock)
    : m_sizeOf(std::move(sizeOf))
    , m_clock(std::move(clock))
{
}

void BatchTracker::RunStarted(int movieCount)
{
    m_movies.assign(static_cast<std::size_t>(std::max(movieCount, 0)), Movie {});
    for (int i = 0; i < movieCount; ++i)
        m_movies[static_cast<std::size_t>(i)].size = std::max(m_sizeOf ? m_sizeOf(i) : 1, 1LL);
    m_running = true;
    m_current = -1;
    m_start = m_clock();
    m_end = m_start;
}

void BatchTracker::MovieStarted(int index)
{
    if (index < 0 || index >= Count())
        return;
    m_current = index;
    Movie& movie = m_movies[static_cast<std::size_t>(index)];
    movie.status = MovieStatus { MovieState::Working, 0, {} };
    movie.fraction = 0;
}

void BatchTracker::MovieProgress(int index, MoviePhase phase, long long done, long long total)
{
    if (index < 0 || index >= Count() || total <= 0)
        return;
    Movie& movie = m_movies[static_cast<std::size_t>(index)];
    if (movie.status.state != MovieState::Working)
        return;
    done = std::clamp(done, 0LL, total);
    movie.status.percent = static_cast<int>(done * 100 / total);
    if (phase == MoviePhase::Processing) {
        movie.frames = total;
        movie.fraction = static_cast<double>(done) / static_cast<double>(total);
    }
}

void BatchTracker::MovieFinished(int index, MovieOutcome outcome, const std::string& reason)
{
    if (index < 0 || index >= Count())
        return;
    Movie& movie = m_movies[static_cast<std::size_t>(index)];
    if (movie.status.state != MovieState::Working)
        return;
    static constexpr MovieState kStates[]
        = { MovieState::Done, MovieState::Skipped, MovieState::Failed, MovieState::Cancelled };
    movie.status = MovieStatus { kStates[static_cast<int>(outcome)], 0,
        outcome == MovieOutcome::Failed ? reason : std::string() };
    movie.fraction = 0;
}

void BatchTracker::RunEnded()
{
    if (!m_running)
        return;
    // Movies the run did not reach, or left unfinished, were cancelled by it.
    for (Movie& movie : m_movies) {
        if (movie.status.state == MovieState::Waiting || movie.status.state == MovieState::Working)
            movie.status = MovieStatus { MovieState::Cancelled, 0, {} };
    }
    m_running = false;
    m_current = -1;
    m_end = m_clock();
}

RunCounts BatchTracker::Counts() const
{
    RunCounts counts;
    for (const Movie& movie : m_movies) {
        switch (movie.status.state) {
        case MovieState::Done:
            ++counts.done;
            break;
        case MovieState::Skipped:
            ++counts.skipped;
            break;
        case MovieState::Failed:
            ++counts.failed;
            break;
        case MovieState::Cancelled:
            ++counts.cancelled;
            break;
        case MovieState::Waiting:
        case MovieState::Working:
            break;
        }
    }
    return counts;
}

std::chrono::milliseconds BatchTracker::Elapsed() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>((m_running ? m_clock() : m_end) - m_start);
}

double BatchTracker::Work(const Movie& movie, double framesPerByte) const
{
    if (movie.frames > 0)
        return static_cast<double>(movie.frames);
    return static_cast<double>(movie.size) * framesPerByte;
}

std::optional<std::chrono::seconds> BatchTracker::TimeLeft() const
{
    if (!m_running)
        return std::nullopt;
    long long knownFrames = 0;
    long long knownBytes = 0;
    for (const Movie& movie : m_movies) {
        if (movie.frames > 0) {
            knownFrames += movie.frames;
            knownBytes += movie.size;
        }
    }
    const double framesPerByte
        = knownBytes > 0 ? static_cast<double>(knownFrames) / static_cast<double>(knownBytes) : 1.0;
    double total = 0;
    double done = 0;
    for (const Movie& movie : m_movies) {
        const double work = Work(movie, framesPerByte);
        total += work;
        if (movie.status.state == MovieState::Working)
            done += work * movie.fraction;
        else if (movie.status.state != MovieState::Waiting)
            done += work;
    }
    const double seconds = std::chrono::duration<double>(m_clock() - m_start).count();
    if (done <= 0 || seconds <= 0)
        return std::nullopt;
    const double left = (total - done) * seconds / done;
    return std::chrono::seconds(static_cast<long long>(std::ceil(std::max(left, 0.0))));
}

long long MovieFileSize(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 1 : static_cast<long long>(std::max<std::uintmax_t>(size, 1));
}

std::string MinutesSeconds(std::chrono::milliseconds duration)
{
    const long long seconds = std::max<long long>(duration.count(), 0) / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    return text;
}

std::string StatusTip(const MovieStatus& status)
{
    switch (status.state) {
    case MovieState::Waiting:
        return LoadStr(str::kBatchStateWaiting);
    case MovieState::Working:
        return Fill(LoadStr(str::kBatchStateWorking), { std::to_string(status.percent) });
    case MovieState::Done:
        return LoadStr(str::kBatchStateDone);
    case MovieState::Skipped:
        return LoadStr(str::kBatchStateSkipped);
    case MovieState::Failed:
        if (status.reason.empty())
            return LoadStr(str::kBatchStateFailedNoReason);
        return Fill(LoadStr(str::kBatchStateFailed), { status.reason });
    case MovieState::Cancelled:
        return LoadStr(str::kBatchStateCancelled);
    }
    return {};
}

std::string SummaryText(const RunCounts& counts, std::chrono::milliseconds elapsed)
{
    return Fill(LoadStr(str::kBatchSummary),
        { std::to_string(counts.done), std::to_string(counts.skipped), std::to_string(counts.failed),
            std::to_string(counts.cancelled), MinutesSeconds(elapsed) });
}

std::string OverallProgressText(int index, int count, std::optional<std::chrono::seconds> left)
{
    std::string text
        = Fill(LoadStr(str::kBatchMovieOfCount), { std::to_string(index + 1), std::to_string(count) });
    if (left)
        text += ", " + Fill(LoadStr(str::kBatchTimeLeft), { MinutesSeconds(*left) });
    return text;
}

} // namespace vantor
