#pragma once

// A help viewer that does what a test scripts and records what it was asked.

#include "support/CVHtmlHelp.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vantor::test {

// What a scripted viewer was asked to do, shared between the test and the
// viewer that the launcher owns. With `holdFirstOpen` the first Open waits
// for Release.
struct ViewerScript {
    bool loads = true;
    HelpWindow window = 7; // returned by Open; 0 makes every Open fail
    bool windowStaysOpen = true;
    bool holdFirstOpen = false;

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> calls;
    std::vector<std::string> opened;
    bool insideOpen = false;
    bool released = false;

    void Record(const std::string& call)
    {
        std::lock_guard lock(mutex);
        calls.push_back(call);
    }
    void Release()
    {
        std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
};

class ScriptedViewer final : public HelpViewer {
public:
    explicit ScriptedViewer(std::shared_ptr<ViewerScript> script)
        : m_script(std::move(script))
    {
    }

    bool Load(std::string&) override
    {
        m_script->Record("Load");
        return m_script->loads;
    }
    HelpWindow Open(const std::string& url) override
    {
        m_script->Record("Open");
        std::unique_lock lock(m_script->mutex);
        m_script->opened.push_back(url);
        if (m_script->holdFirstOpen && !m_script->released) {
            m_script->insideOpen = true;
            m_script->changed.notify_all();
            m_script->changed.wait(lock, [this] { return m_script->released; });
        }
        return m_script->window;
    }
    bool IsOpen(HelpWindow window) override
    {
        m_script->Record("IsOpen " + std::to_string(window));
        return m_script->windowStaysOpen;
    }
    void CloseWindow(HelpWindow window) override
    {
        m_script->Record("CloseWindow " + std::to_string(window));
    }
    void CloseAll() override { m_script->Record("CloseAll"); }
    void Unload() override { m_script->Record("Unload"); }

private:
    std::shared_ptr<ViewerScript> m_script;
};

inline std::unique_ptr<HelpViewer> Viewer(const std::shared_ptr<ViewerScript>& script)
{
    return std::make_unique<ScriptedViewer>(script);
}

} // namespace vantor::test
