#pragma once

// The help viewer launcher. Every Help button and F1 key of the program
// shows a topic page through one CVHtmlHelp object (HelpLauncher.h holds the
// program-wide instance and the topic names).
//
// In mode 1, the one the program uses, a worker thread owns the help viewer:
// it loads it, shows every requested topic and closes the help windows it
// opened when the launcher is closed. Callers only store the topic and wake
// the worker, so a Help click never waits for a viewer to start, and when
// several requests arrive while a page is being opened the worker shows only
// the latest one.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// An opened help window; 0 means none.
using HelpWindow = long;

// The program that shows the pages: the launcher's only view of the system's
// help viewer. Every call is made on the thread that serves the requests.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;

    // Finds the viewer. On failure returns false with a reason for the trace.
    virtual bool Load(std::string& error) = 0;
    // Opens the page at `url` (a file URL); the window, or 0 on failure.
    virtual HelpWindow Open(const std::string& url) = 0;
    // Whether a window returned by Open is still open.
    virtual bool IsOpen(HelpWindow window) = 0;
    // Asks one window to close.
    virtual void CloseWindow(HelpWindow window) = 0;
    // Asks every window it opened to close.
    virtual void CloseAll() = 0;
    // Releases the viewer: windows still open after the close requests are
    // ended, nothing it started is left behind.
    virtual void Unload() = 0;
};

// The viewer of this system: the program's own help viewer in
// `programFolder` (by default the running program's folder), or the
// desktop's `xdg-open` found on PATH when that is not installed (see
// HelpLauncher.h).
std::unique_ptr<HelpViewer> MakeSystemHelpViewer(const std::string& programFolder = {});
// The desktop's `xdg-open` alone: opens any file URL (a folder shows in the
// desktop's file manager).
std::unique_ptr<HelpViewer> MakeDesktopViewer();

class CVHtmlHelp final {
public:
    // Requests are served by the worker thread (the program's mode) ...
    static constexpr int kWorkerMode = 1;
    // ... or directly on the caller's thread, which then must be one thread.
    static constexpr int kDirectMode = 2;

    // Locations at least this long (the terminator included) are not shown.
    static constexpr std::size_t kMaxLocation = 4096;

    explicit CVHtmlHelp(int mode, std::unique_ptr<HelpViewer> viewer = MakeSystemHelpViewer());
    // Closes the launcher if Close was not called.
    ~CVHtmlHelp();
    CVHtmlHelp(const CVHtmlHelp&) = delete;
    CVHtmlHelp& operator=(const CVHtmlHelp&) = delete;

    // The full path of the help file, "<folder>/CV Vantor Pro Help.chm"; its
    // pages live in the folder of the same name without ".chm".
    void SetHelpFile(const std::string& path);
    // The folder of the topic pages inside the help file; stored so that it
    // starts and ends with "/" unless it is empty.
    void SetHelpFolder(const std::string& folder);
    // Requests the display of `topic` (a page name without ".htm").
    void ShowTopic(const std::string& topic);
    // Ends the service: in mode 1 wakes the worker and blocks until it has
    // closed the help windows and ended. Later requests are ignored.
    void Close();
    // Blocks until the viewer has been loaded or has failed to load; true
    // while requests are being served.
    bool WaitForService() const;

    // The names of the show and terminate hand-overs, made with the process
    // id so that two running programs never share them.
    const std::string& ShowEventName() const { return m_showEventName; }
    const std::string& TerminateEventName() const { return m_terminateEventName; }
    std::string HelpFolder() const;

    // The location of the stored topic, in the help file's own notation:
    // help file + "::" + folder + topic + ".htm".
    std::string Location() const;

    // "html" and "/html" become "/html/"; an empty folder stays empty.
    static std::string NormaliseHelpFolder(const std::string& folder);
    static std::string MakeLocation(
        const std::string& helpFile, const std::string& folder, const std::string& topic);

private:
    void Execute();
    bool InitialiseHH();
    void UninitialiseHH();
    void DisplayTopic();

    const int m_mode;
    const std::unique_ptr<HelpViewer> m_viewer;
    // Touched only by the thread that serves requests (the worker in mode 1).
    bool m_initialised = false;
    HelpWindow m_helpWindow = 0;

    std::string m_showEventName;
    std::string m_terminateEventName;

    enum class Service { Starting, Serving, Ended };
    void SetService(Service service);

    // Guards the texts, the service state and the two hand-over flags. The
    // flags behave as auto-reset events: set by a request, cleared by the
    // wait that sees them.
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_wake;
    Service m_service = Service::Starting;
    bool m_showSignalled = false;
    bool m_terminateSignalled = false;
    std::string m_helpFile;
    std::string m_helpFolder;
    std::string m_topic;

    std::once_flag m_closed;
    std::thread m_thread;
};
