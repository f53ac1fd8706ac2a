#pragma once

// A Player engine for batch-loop tests. It answers each command with a
// scripted result (0 unless the test queued another) and, like the real
// engine, reports only through notifications: an accepted command appends
// the notifications it would post to a pending queue, and the test hands
// them to the loop one at a time. Exports and conversions write their output
// file, so later movies see it; a cancelled export removes it again.

#include "ScriptedEngine.h"
#include "app/BatchRun.h"

#include <deque>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace vantor::test {

// What happens to one movie, found by its file name.
struct MovieScript {
    bool openFails = false;
    bool exportFails = false;
    bool convertFails = false;
    bool alreadyCurrent = false; // conversion ends in ConvertSkipped
};

class ScriptedBatchEngine final : public ScriptedEngineBase {
public:
    std::map<std::string, MovieScript> movies;
    std::deque<platform::Message> pending;
    int openSteps = 2; // progress notifications while opening
    int processSteps = 4; // progress notifications while exporting or converting

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
    // Delivers until nothing is pending (the engine has nothing more to say).
    void DeliverAll(BatchRun& run)
    {
        for (int guard = 0; guard < 100000 && DeliverOne(run); ++guard) { }
    }
    // Delivers until the engine has been called `count` times in all.
    void DeliverUntilCalls(BatchRun& run, std::size_t count)
    {
        while (calls.size() < count && DeliverOne(run)) { }
    }

    unsigned AddRef() override { return 1; }
    unsigned Release() override { return 0; }
    int Initialize(int, platform::WindowHandle, int) override { return Answer("Initialize"); }

    int OpenMovie(const char* moviePath) override
    {
        calls.push_back(std::string("OpenMovie ") + moviePath);
        if (int result = Answer("OpenMovie"))
            return result;
        m_movie = Script(moviePath);
        Progress(openSteps);
        Post(m_movie.openFails ? OperationFailed : MovieOpened);
        return 0;
    }
    int CloseMovie() override
    {
        calls.push_back("CloseMovie");
        if (int result = Answer("CloseMovie"))
            return result;
        if (m_exported)
            Post(ExportSucceeded);
        m_exported = false;
        return 0;
    }
    int ExportFlash(const char* output, const char* settings) override
    {
        return Export("ExportFlash", output, settings);
    }
    int ExportAVI(const char* output, const char* settings) override
    {
        return Export("ExportAVI", output, settings);
    }
    int ExportWMV(const char* output, const char* settings) override
    {
        return Export("ExportWMV", output, settings);
    }
    int ExportQuickTime(const char* output, const char* settings) override
    {
        return Export("ExportQuickTime", output, settings);
    }
    int Cancel() override
    {
        calls.push_back("Cancel");
        if (int result = Answer("Cancel", pending.empty() ? kEngineIdle : kEngineOk))
            return result;
        pending.clear();
        if (!m_written.empty())
            ::unlink(m_written.c_str());
        m_written.clear();
        m_exported = false;
        Post(OperationCancelled);
        return 0;
    }
    int ConvertMovie(const char* source, const char* output) override
    {
        calls.push_back(std::string("ConvertMovie ") + source + " " + output);
        if (int result = Answer("ConvertMovie"))
            return result;
        m_movie = Script(source);
        Progress(processSteps);
        if (m_movie.convertFails) {
            Post(OperationFailed);
        } else if (m_movie.alreadyCurrent) {
            Post(ConvertSkipped);
        } else {
            Write(output);
            Post(ConvertSucceeded);
        }
        return 0;
    }

private:
    MovieScript Script(const std::string& path)
    {
        const std::size_t slash = path.rfind('/');
        return movies[slash == std::string::npos ? path : path.substr(slash + 1)];
    }
    int Export(const std::string& operation, const char* output, const char* settings)
    {
        calls.push_back(operation + " " + output + " " + settings);
        if (int result = Answer(operation))
            return result;
        Progress(processSteps);
        if (m_movie.exportFails) {
            Post(OperationFailed);
        } else {
            Write(output);
            m_exported = true;
            Post(ExportFinished);
        }
        return 0;
    }
    void Write(const std::string& path)
    {
        std::ofstream(path) << "output";
        m_written = path;
    }
    void Progress(int steps)
    {
        for (int done = 1; done <= steps; ++done)
            pending.push_back({ ExportProgress, static_cast<platform::WPARAM>(done), steps });
    }
    void Post(platform::UINT message) { pending.push_back({ message, 0, 0 }); }

    MovieScript m_movie;
    bool m_exported = false;
    std::string m_written;
};

} // namespace vantor::test
