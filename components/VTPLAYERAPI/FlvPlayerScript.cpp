// The ActionScript of the Flash video player movie.
//
// Every frame, the script follows the main timeline with the NetStream: the
// timeline standing still pauses the stream, moving on by one frame resumes
// it, and any other jump seeks it. When the stream drifts more than a
// second from the timeline (slow loading), the timeline moves back to the
// stream instead.

#include "FlvPlayerScript.h"

#include "flash/swf/SwfActions.h"
#include "flash/swf/SwfControlBarVariables.h"

#include <algorithm>
#include <cctype>
#include <functional>

namespace vtapi {

namespace {

// A little more than the assembler: dotted paths and calls.
class Script final {
public:
    using Emit = std::function<void(Script&)>;

    SwfActions& Code() { return m_code; }
    void Get(std::string_view path)
    {
        std::size_t dot = path.find('.');
        m_code.Push(path.substr(0, dot));
        m_code.GetVariable();
        while (dot != std::string_view::npos) {
            const std::size_t next = path.find('.', dot + 1);
            m_code.Push(path.substr(dot + 1, next == std::string_view::npos ? next : next - dot - 1));
            m_code.GetMember();
            dot = next;
        }
    }
    void Set(std::string_view path, const Emit& value)
    {
        const std::size_t dot = path.rfind('.');
        if (dot == std::string_view::npos) {
            m_code.Push(path);
            value(*this);
            m_code.SetVariable();
            return;
        }
        Get(path.substr(0, dot));
        m_code.Push(path.substr(dot + 1));
        value(*this);
        m_code.SetMember();
    }
    void Set(std::string_view path, const SwfActions::Value& value)
    {
        Set(path, [value](Script& s) { s.Code().Push(value); });
    }
    // object.method(args...), the result left on the stack when `keep`.
    void Call(
        std::string_view object, std::string_view method, const std::vector<Emit>& args, bool keep = false)
    {
        for (auto arg = args.rbegin(); arg != args.rend(); ++arg)
            (*arg)(*this);
        m_code.Push(static_cast<int>(args.size()));
        Get(object);
        m_code.Push(method);
        m_code.CallMethod();
        if (!keep)
            m_code.Pop();
    }
    // if (condition) body
    void If(const Emit& condition, const Emit& body)
    {
        const SwfActions::Label skip = m_code.NewLabel();
        condition(*this);
        m_code.Not();
        m_code.If(skip);
        body(*this);
        m_code.Bind(skip);
    }
    std::vector<std::uint8_t> Finish() { return m_code.Finish(); }

private:
    SwfActions m_code;
};

Script::Emit Value(SwfActions::Value value)
{
    return [value](Script& s) { s.Code().Push(value); };
}

Script::Emit Path(std::string path)
{
    return [path](Script& s) { s.Get(path); };
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::vector<std::string> Domains(const std::string& list)
{
    std::vector<std::string> domains;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        std::string domain = list.substr(start, comma - start);
        domain.erase(0, domain.find_first_not_of(" \t"));
        domain.erase(domain.find_last_not_of(" \t") + 1);
        if (!domain.empty())
            domains.push_back(Lower(domain));
        start = comma + 1;
    }
    return domains;
}

// allowed = the page's host is one of the domains or below one of them.
void EmitDomainCheck(Script& s, const std::vector<std::string>& domains)
{
    // host = _url.split("/")[2].split(":")[0].toLowerCase()
    const auto part = [](const char* separator, const char* index) {
        return [separator, index](Script& s) {
            s.Call("host", "split", { Value(separator) }, true);
            s.Code().Push(index);
            s.Code().GetMember();
        };
    };
    s.Set("host", Path("_url"));
    s.Set("host", part("/", "2"));
    s.Set("host", part(":", "0"));
    s.Set("host", [](Script& s) { s.Call("host", "toLowerCase", {}, true); });
    s.Set("domainOk", false);
    for (const std::string& domain : domains) {
        s.If(
            [&domain](Script& s) {
                s.Get("host");
                s.Code().Push(std::string_view(domain));
                s.Code().Equals();
                // host.substr(-1 - domain.length) == "." + domain
                s.Call("host", "substr", { Value(-1 - static_cast<int>(domain.size())) }, true);
                s.Code().Push(std::string_view("." + domain));
                s.Code().Equals();
                s.Code().Or();
            },
            [](Script& s) { s.Set("domainOk", true); });
    }
    s.Set("allowed", [](Script& s) {
        s.Get("allowed");
        s.Get("domainOk");
        s.Code().And();
    });
}

} // namespace

std::vector<std::uint8_t> FlvPlayerFirstFrameScript(const FlvExportOptions& o, const FlvLayout& video,
    const std::string& url, double rate, int frames, bool bar)
{
    Script s;
    SwfActions& a = s.Code();
    const std::pair<std::string_view, bool> shown[] = {
        { kShowTimerVariable, o.showTimer },
        { kShowTimelineVariable, o.showTimeline },
        { kShowNextPrevVariable, o.showNextPrev },
        { kShowSoundBarVariable, o.showSoundBar },
        { kShowFullScreenVariable, o.showFullScreen },
        { kShowVTLogoVariable, o.showVTLogo },
        { kShowAutoHideVariable, o.showAutoHide },
        { kAutoHideVariable, o.autoHide },
    };
    for (const auto& [name, on] : shown)
        s.Set(name, on ? 1 : 0);
    s.Set("player", Path("this"));
    s.Set(kFrameRateVariable, rate);
    s.Set("fps", rate);
    s.Set("total", frames);
    s.Set("started", false);
    s.Set("paused", o.startingPlaybackMode != 2);
    s.Set("last", 1);
    s.Set("settle", SwfActions::Value(0));
    if (o.scaleMode == 0)
        s.Set("Stage.scaleMode", "noScale");

    s.Set("allowed", true);
    if (o.useSecureCode)
        s.Set("allowed", [&o](Script& s) {
            s.Get("securecode");
            s.Code().Push(std::string_view(o.secureCode));
            s.Code().Equals();
        });
    if (o.useSecureDomain)
        EmitDomainCheck(s, Domains(o.secureDomainName));

    s.Set("nc", [](Script& s) {
        s.Code().Push({ 0, "NetConnection" });
        s.Code().NewObject();
    });
    s.Call("nc", "connect", { Value(SwfActions::Value::Null()) });
    s.Set("ns", [](Script& s) {
        s.Get("nc");
        s.Code().Push({ 1, "NetStream" });
        s.Code().NewObject();
    });
    if (o.preloadPercent > 0) {
        const double seconds
            = static_cast<double>(video.frameCount) * video.frameRate.den / video.frameRate.num;
        s.Call("ns", "setBufferTime", { Value(seconds * std::min(o.preloadPercent, 100) / 100.0) });
    }
    s.Call("video", "attachVideo", { Path("ns") });
    s.Call("player", "attachAudio", { Path("ns") });

    // Start(): loads and plays the stream, when the movie may play here.
    a.BeginFunction("Start", {});
    s.If(Path("allowed"), [&url](Script& s) {
        s.Set("started", true);
        s.Call("ns", "play", { Value(std::string_view(url)) });
    });
    a.EndFunction();
    // Clicked(): the click on the movie starts it (see onEnterFrame), or
    // pauses and restarts it.
    a.BeginFunction("Clicked", {});
    {
        const SwfActions::Label running = a.NewLabel(), done = a.NewLabel();
        s.Get("started");
        a.If(running);
        s.Call("player", "play", {});
        a.Jump(done);
        a.Bind(running);
        if (o.pauseByClickingOnMovie) {
            const SwfActions::Label resume = a.NewLabel();
            s.Get("paused");
            a.If(resume);
            s.Call("player", "stop", {});
            a.Jump(done);
            a.Bind(resume);
            s.Call("player", "play", {});
        }
        a.Bind(done);
    }
    a.EndFunction();

    s.Set("onEnterFrame", [bar, &o](Script& s) {
        SwfActions& a = s.Code();
        a.BeginFunction("", {});
        s.Set("cur", Path("player._currentframe"));
        // Waiting for the first click (or the bar's play): start on the
        // timeline's first move.
        s.If(
            [](Script& s) {
                s.Get("started");
                s.Code().Not();
                s.Get("cur");
                s.Get("last");
                s.Code().Equals();
                s.Code().Not();
                s.Code().And();
            },
            [](Script& s) { s.Call("player", "Start", {}); });
        // The play sign invites the click only where the movie may play.
        s.Set("player.startSign._visible", [](Script& s) {
            s.Get("started");
            s.Code().Not();
            s.Get("allowed");
            s.Code().And();
        });
        const SwfActions::Label end = a.NewLabel();
        s.Get("started");
        a.Not();
        a.If(end);
        const SwfActions::Label still = a.NewLabel(), jumped = a.NewLabel(), synced = a.NewLabel();
        s.Get("cur");
        s.Get("last");
        a.Push(1);
        a.Add();
        a.Equals();
        a.Not();
        a.If(still);
        // Moved on by one frame: playing.
        s.If(Path("paused"), [](Script& s) {
            s.Call("ns", "pause", { Value(false) });
            s.Set("paused", false);
        });
        a.Jump(synced);
        a.Bind(still);
        s.Get("cur");
        s.Get("last");
        a.Equals();
        a.Not();
        a.If(jumped);
        // Standing still: paused.
        s.If(
            [](Script& s) {
                s.Get("paused");
                s.Code().Not();
            },
            [](Script& s) {
                s.Call("ns", "pause", { Value(true) });
                s.Set("paused", true);
            });
        a.Jump(synced);
        a.Bind(jumped);
        // Any other move: seek.
        s.Call("ns", "seek", { [](Script& s) {
            s.Get("cur");
            s.Code().Push(1);
            s.Code().Subtract();
            s.Get("fps");
            s.Code().Divide();
        } });
        s.Set("settle", Path("fps"));
        a.Bind(synced);
        s.Set("last", Path("cur"));

        // Follow the stream when it is more than a second away.
        const SwfActions::Label noDrift = a.NewLabel(), settled = a.NewLabel();
        s.Get("settle");
        a.Push(0);
        a.Greater();
        a.Not();
        a.If(settled);
        s.Set("settle", [](Script& s) {
            s.Get("settle");
            s.Code().Push(1);
            s.Code().Subtract();
        });
        a.Jump(noDrift);
        a.Bind(settled);
        s.If(
            [](Script& s) {
                SwfActions& a = s.Code();
                s.Get("paused");
                a.Not();
                s.Get("ns.time");
                a.Push(0);
                a.Greater();
                a.And();
            },
            [](Script& s) {
                s.Set("f", [](Script& s) {
                    s.Get("ns.time");
                    s.Get("fps");
                    s.Code().Multiply();
                    s.Code().ToInteger();
                    s.Code().Push(1);
                    s.Code().Add();
                });
                s.If(
                    [](Script& s) {
                        s.Get("f");
                        s.Get("total");
                        s.Code().Greater();
                    },
                    [](Script& s) { s.Set("f", Path("total")); });
                s.Set("d", [](Script& s) {
                    s.Get("f");
                    s.Get("cur");
                    s.Code().Subtract();
                });
                s.If(
                    [](Script& s) {
                        SwfActions& a = s.Code();
                        s.Get("d");
                        s.Get("fps");
                        a.Greater();
                        a.Push(0);
                        s.Get("d");
                        a.Subtract();
                        s.Get("fps");
                        a.Greater();
                        a.Or();
                    },
                    [](Script& s) {
                        s.Call("player", "gotoAndPlay", { Path("f") });
                        s.Set("last", Path("f"));
                    });
            });
        a.Bind(noDrift);
        a.Bind(end);
        if (bar)
            s.Set("player.Controls.playing", [](Script& s) {
                s.Get("paused");
                s.Code().Not();
            });
        s.Set("player.pausedSign._visible", [&o](Script& s) {
            s.Get("started");
            s.Get("paused");
            s.Code().And();
            s.Code().Push(o.showPausedOverlay);
            s.Code().And();
        });
        a.EndFunction();
    });

    if (o.startingPlaybackMode != 0)
        s.Call("player", "Start", {});
    if (o.startingPlaybackMode != 2) {
        s.Call("player", "stop", {});
        if (o.startingPlaybackMode == 1)
            s.Call("ns", "pause", { Value(true) });
    }
    s.If(
        [](Script& s) {
            s.Get("allowed");
            s.Code().Not();
        },
        [](Script& s) { s.Call("player", "stop", {}); });
    return s.Finish();
}

std::vector<std::uint8_t> FlvPlayerClickScript()
{
    SwfActions click;
    click.Push({ 0, "Clicked" });
    click.CallFunction();
    click.Pop();
    return click.Finish();
}

} // namespace vtapi
