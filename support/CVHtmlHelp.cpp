#include "support/CVHtmlHelp.h"

#include "support/HelpLauncher.h"
#include "support/Trace.h"

#include <chrono>
#include <unistd.h>

namespace {

// How long the closing of help windows is given before the viewer is released.
constexpr auto kCloseWait = std::chrono::milliseconds(100);

} // namespace

CVHtmlHelp::CVHtmlHelp(int mode, std::unique_ptr<HelpViewer> viewer)
    : m_mode(mode)
    , m_viewer(std::move(viewer))
{
    static constexpr const char* kFn = "CVHtmlHelp::CVHtmlHelp";
    TraceLog("%s", kFn);
    if (m_mode == kWorkerMode) {
        const int pid = static_cast<int>(getpid());
        m_showEventName = "CVHTMLHelpEvent_" + std::to_string(pid);
        m_terminateEventName = "CVHTMLHelpTermEvent_" + std::to_string(pid);
    } else {
        SetService(InitialiseHH() ? Service::Serving : Service::Ended);
    }
    m_thread = std::thread([this] { Execute(); });
    TraceLog("%s Exit", kFn);
}

CVHtmlHelp::~CVHtmlHelp()
{
    static constexpr const char* kFn = "CVHtmlHelp::~CVHtmlHelp";
    TraceLog("%s", kFn);
    Close();
    TraceLog("%s Exit", kFn);
}

void CVHtmlHelp::SetHelpFile(const std::string& path)
{
    std::lock_guard lock(m_mutex);
    m_helpFile = path;
}

void CVHtmlHelp::SetHelpFolder(const std::string& folder)
{
    std::lock_guard lock(m_mutex);
    m_helpFolder = NormaliseHelpFolder(folder);
}

std::string CVHtmlHelp::HelpFolder() const
{
    std::lock_guard lock(m_mutex);
    return m_helpFolder;
}

std::string CVHtmlHelp::NormaliseHelpFolder(const std::string& folder)
{
    std::string result = folder;
    if (result.empty())
        return result;
    if (result.back() != '/')
        result += '/';
    if (result.front() != '/')
        result.insert(result.begin(), '/');
    return result;
}

std::string CVHtmlHelp::MakeLocation(
    const std::string& helpFile, const std::string& folder, const std::string& topic)
{
    if (folder.empty())
        return helpFile + "::/" + topic + ".htm";
    return helpFile + "::" + folder + topic + ".htm";
}

std::string CVHtmlHelp::Location() const
{
    std::lock_guard lock(m_mutex);
    return MakeLocation(m_helpFile, m_helpFolder, m_topic);
}

void CVHtmlHelp::SetService(Service service)
{
    {
        std::lock_guard lock(m_mutex);
        m_service = service;
    }
    m_wake.notify_all();
}

bool CVHtmlHelp::WaitForService() const
{
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_service != Service::Starting; });
    return m_service == Service::Serving;
}

void CVHtmlHelp::ShowTopic(const std::string& topic)
{
    {
        std::lock_guard lock(m_mutex);
        m_topic = topic;
        if (m_mode == kWorkerMode)
            m_showSignalled = true;
    }
    if (m_mode == kWorkerMode)
        m_wake.notify_all();
    else
        DisplayTopic();
}

void CVHtmlHelp::Close()
{
    std::call_once(m_closed, [this] {
        static constexpr const char* kFn = "CVHtmlHelp::Close";
        TraceLog("%s", kFn);
        if (m_mode == kWorkerMode) {
            {
                std::lock_guard lock(m_mutex);
                m_terminateSignalled = true;
            }
            m_wake.notify_all();
        } else {
            UninitialiseHH();
            SetService(Service::Ended);
        }
        if (m_thread.joinable())
            m_thread.join();
        TraceLog("%s Exit", kFn);
    });
}

void CVHtmlHelp::Execute()
{
    static constexpr const char* kFn = "CVHtmlHelp::Execute";
    TraceThreadName("%s", "CVHTMLHelpThread2");
    TraceLog("%s", kFn);
    if (m_mode != kWorkerMode) {
        TraceLog("%s Exit", kFn);
        return;
    }
    if (InitialiseHH()) {
        SetService(Service::Serving);
        for (;;) {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_showSignalled || m_terminateSignalled; });
            // The show request comes first in the wait order: a topic asked
            // for just before Close is still shown.
            if (m_showSignalled) {
                m_showSignalled = false;
                lock.unlock();
                DisplayTopic();
                continue;
            }
            m_terminateSignalled = false;
            break;
        }
        UninitialiseHH();
    }
    SetService(Service::Ended);
    TraceLog("%s Exit", kFn);
}

bool CVHtmlHelp::InitialiseHH()
{
    static constexpr const char* kFn = "CVHtmlHelp::InitialiseHH";
    TraceLog("%s", kFn);
    m_initialised = false;
    std::string error;
    if (m_viewer && m_viewer->Load(error))
        m_initialised = true;
    else
        TraceError("%s %s", kFn, m_viewer ? error.c_str() : "No help viewer");
    TraceLog("%s Exit with %d", kFn, m_initialised ? 1 : 0);
    return m_initialised;
}

void CVHtmlHelp::UninitialiseHH()
{
    static constexpr const char* kFn = "CVHtmlHelp::UninitialiseHH";
    TraceLog("%s", kFn);
    if (m_initialised) {
        const bool traced = m_mode == kWorkerMode;
        if (m_helpWindow != 0) {
            if (m_viewer->IsOpen(m_helpWindow)) {
                if (traced)
                    TraceLog("multi close1");
                m_viewer->CloseWindow(m_helpWindow);
            }
        } else {
            if (traced)
                TraceLog("multi close2");
            m_viewer->CloseAll();
        }
        std::this_thread::sleep_for(kCloseWait);
        m_viewer->Unload();
        m_helpWindow = 0;
        m_initialised = false;
    }
    TraceLog("%s Exit", kFn);
}

void CVHtmlHelp::DisplayTopic()
{
    if (!m_initialised)
        return;
    const std::string location = Location();
    if (location.size() >= kMaxLocation) {
        TraceError("CVHtmlHelp::DisplayTopic Location too long (%zu characters)", location.size());
        return;
    }
    if (HelpWindow window = m_viewer->Open(HelpLocationToFileUrl(location)))
        m_helpWindow = window;
}
