#pragma once

// The stand-in Player engine of the window and batch-loop tests, and the
// window as a batch-loop test sees it.
//
// The engine answers each command with a scripted result (0 unless the test
// queued another), records the calls and counts its references. Like the
// real engine it reports only through notifications: an accepted command
// appends the notifications it would post to a pending queue, which the test
// hands to the loop one at a time. Exports and conversions write their
// output file, so later movies see it.

#include "ScriptedDialogs.h"
#include "app/BatchRun.h"
#include "app/PlayerEngineInterface.h"

#include <deque>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace vantor::test {

// What happens to one movie, found by its file name.
struct MovieScript {
    bool openFails = false;
    bool exportFails = false;
    bool convertFails = false;
    bool alreadyCurrent = false; // conversion ends in ConvertSkipped
};

class ScriptedEngine : public IPlayerEngine {
public:
    std::vector<std::string> calls;
    std::map<std::string, std::deque<int>> results; // operation -> answers in order
    std::map<std::string, MovieScript> movies;
    std::deque<platform::Message> pending;
    int openSteps = 2; // progress notifications while opening
    int processSteps = 4; // progress notifications while exporting or converting
    platform::WindowHandle window = nullptr;
    int initializeMode = 0;
    int initializeFlags = 0;
    int references = 0; // held by others; the test owns the object itself

    // Posts `message` to the window given to Initialize. False when there is
    // none or it is gone.
    bool Post(platform::UINT message) { return platform::PostMessage(window, message, 0, 0); }

    // Hands the next pending notification to the loop. False when none is left.
    bool DeliverOne(BatchRun& run)
    {
        if (pending.empty())
            return false;
        const platform::Message message = pending.front();
        pending.pop_front();
        run.HandleNotification(message.message, message.wParam, message.lParam);
        return true;
    }
    // Delivers until nothing is pending, or until the engine has been called
    // `count` times in all.
    void DeliverAll(BatchRun& run, std::size_t count = SIZE_MAX)
    {
        while (calls.size() < count && DeliverOne(run)) { }
    }

    int QueryInterface(const char*, void**) override { return platform::E_NOINTERFACE; }
    unsigned AddRef() override { return static_cast<unsigned>(++references); }
    unsigned Release() override { return static_cast<unsigned>(--references); }
    int Reserved3() override { return 1; }
    int Reserved4() override { return 1; }
    int Reserved5() override { return 1; }
    int Reserved6() override { return 1; }
    int Reserved8() override { return 1; }
    int Reserved12() override { return 1; }
    int Reserved13() override { return 1; }
    int Reserved14() override { return 1; }
    int Reserved15() override { return 1; }
    int Reserved18() override { return 1; }

    int Initialize(int mode, platform::WindowHandle handle, int flags) override
    {
        calls.push_back("Initialize");
        initializeMode = mode;
        initializeFlags = flags;
        window = handle;
        return Answer("Initialize");
    }
    int OpenMovie(const char* moviePath) override
    {
        m_movie = Script(moviePath);
        return Run("OpenMovie", moviePath, openSteps, m_movie.openFails ? OperationFailed : MovieOpened, "");
    }
    int CloseMovie() override
    {
        calls.push_back("CloseMovie");
        if (int result = Answer("CloseMovie"))
            return result;
        if (m_exported)
            Queue(ExportSucceeded);
        m_exported = false;
        return 0;
    }
    int ExportFlash(const char* o, const char* s) override { return Export("ExportFlash", o, s); }
    int ExportAVI(const char* o, const char* s) override { return Export("ExportAVI", o, s); }
    int ExportWMV(const char* o, const char* s) override { return Export("ExportWMV", o, s); }
    int ExportQuickTime(const char* o, const char* s) override { return Export("ExportQuickTime", o, s); }
    int Cancel() override
    {
        calls.push_back("Cancel");
        if (int result = Answer("Cancel", pending.empty() ? kEngineIdle : kEngineOk))
            return result;
        pending.clear();
        m_exported = false;
        Queue(OperationCancelled);
        return 0;
    }
    int ConvertMovie(const char* source, const char* output) override
    {
        m_movie = Script(source);
        if (m_movie.convertFails || m_movie.alreadyCurrent)
            return Run("ConvertMovie", std::string(source) + " " + output, processSteps,
                m_movie.convertFails ? OperationFailed : ConvertSkipped, "");
        return Run(
            "ConvertMovie", std::string(source) + " " + output, processSteps, ConvertSucceeded, output);
    }

private:
    // The next queued answer for `operation`, or `fallback` when none is queued.
    int Answer(const std::string& operation, int fallback = kEngineOk)
    {
        auto& queue = results[operation];
        if (queue.empty())
            return fallback;
        const int result = queue.front();
        queue.pop_front();
        return result;
    }
    MovieScript Script(const std::string& path)
    {
        const std::size_t slash = path.rfind('/');
        return movies[slash == std::string::npos ? path : path.substr(slash + 1)];
    }
    int Export(const std::string& operation, const char* output, const char* settings)
    {
        const std::string call = std::string(output) + " " + settings;
        if (m_movie.exportFails)
            return Run(operation, call, processSteps, OperationFailed, "");
        const int result = Run(operation, call, processSteps, ExportFinished, output);
        m_exported = result == 0;
        return result;
    }
    // Records the call; unless an answer is scripted, queues `steps` progress
    // notifications and `outcome`, writing `written` when it is given.
    int Run(const std::string& operation, const std::string& arguments, int steps, platform::UINT outcome,
        const std::string& written)
    {
        calls.push_back(operation + " " + arguments);
        if (int result = Answer(operation))
            return result;
        for (int done = 1; done <= steps; ++done)
            pending.push_back({ ExportProgress, static_cast<platform::WPARAM>(done), steps });
        if (!written.empty())
            std::ofstream(written) << "output";
        Queue(outcome);
        return 0;
    }
    void Queue(platform::UINT message) { pending.push_back({ message, 0, 0 }); }

    MovieScript m_movie;
    bool m_exported = false;
};

// Records everything the loop showed, in order; the test sets the movie
// list and destination.
class RecordingBatchView final : public IBatchView {
public:
    std::vector<std::string> movieList;
    std::string destination;
    std::vector<std::string> statusLines;
    std::vector<std::string> overallTexts;
    std::vector<std::string> detailTexts;
    std::vector<int> overallPositions;
    std::vector<int> detailPositions;
    int updateControlsCalls = 0;
    int closeWindowCalls = 0;
    int engineReadyCalls = 0;

    int MovieCount() const override { return static_cast<int>(movieList.size()); }
    std::string MovieAt(int index) const override { return movieList.at(index); }
    std::string DestinationFolder() const override { return destination; }
    void SetOverallText(const std::string& text) override { overallTexts.push_back(text); }
    void SetDetailText(const std::string& text) override { detailTexts.push_back(text); }
    void SetOverallPosition(int position) override { overallPositions.push_back(position); }
    void SetDetailPosition(int position) override { detailPositions.push_back(position); }
    void ClearStatus() override { statusLines.clear(); }
    void AddStatusLine(const std::string& line) override { statusLines.push_back(line); }
    void UpdateControls() override { ++updateControlsCalls; }
    void CloseWindow() override { ++closeWindowCalls; }
    void EngineReady() override { ++engineReadyCalls; }
};

// The message boxes shown so far, one line each: caption, text and flags.
inline std::vector<std::string> Shown(const ScriptedDialogs& dialogs)
{
    std::vector<std::string> lines;
    for (const ShownMessage& shown : dialogs.messages)
        lines.push_back(shown.caption + ": " + shown.text + " [" + std::to_string(shown.flags) + "]");
    return lines;
}

} // namespace vantor::test
