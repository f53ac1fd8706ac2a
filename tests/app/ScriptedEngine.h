#pragma once

// A Player engine object for main-window tests: answers every call with a
// scripted result (0 unless queued otherwise), records the calls, counts
// its references, and posts notifications to the window handle it was
// initialised with, the way the real engine does from its worker thread.

#include "app/PlayerEngineInterface.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace vantor::test {

// What both stand-in engines share: the unused slots, the record of calls
// and the queue of scripted answers.
class ScriptedEngineBase : public IPlayerEngine {
public:
    std::vector<std::string> calls;
    std::map<std::string, std::deque<int>> results; // operation -> answers in order

    int QueryInterface(const char*, void**) override { return platform::E_NOINTERFACE; }
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

protected:
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
};

class ScriptedEngine final : public ScriptedEngineBase {
public:
    platform::WindowHandle window = nullptr;
    int initializeMode = 0;
    int initializeFlags = 0;
    int references = 0; // held by others; the test owns the object itself

    // Posts WM_USER + n to the window given to Initialize. False when there
    // is none or it is gone.
    bool Post(platform::UINT message, platform::WPARAM wParam = 0, platform::LPARAM lParam = 0)
    {
        return platform::PostMessage(window, message, wParam, lParam);
    }

    unsigned AddRef() override { return static_cast<unsigned>(++references); }
    unsigned Release() override { return static_cast<unsigned>(--references); }
    int Initialize(int mode, platform::WindowHandle handle, int flags) override
    {
        calls.push_back("Initialize");
        initializeMode = mode;
        initializeFlags = flags;
        window = handle;
        return Answer("Initialize");
    }
    int OpenMovie(const char* path) override { return Call("OpenMovie", path); }
    int CloseMovie() override { return Call("CloseMovie", ""); }
    int ExportFlash(const char* output, const char*) override { return Call("ExportFlash", output); }
    int ExportAVI(const char* output, const char*) override { return Call("ExportAVI", output); }
    int Cancel() override { return Call("Cancel", ""); }
    int ConvertMovie(const char* source, const char*) override { return Call("ConvertMovie", source); }
    int ExportWMV(const char* output, const char*) override { return Call("ExportWMV", output); }
    int ExportQuickTime(const char* output, const char*) override { return Call("ExportQuickTime", output); }

private:
    int Call(const std::string& operation, const std::string& argument)
    {
        calls.push_back(argument.empty() ? operation : operation + " " + argument);
        return Answer(operation);
    }
};

} // namespace vantor::test
