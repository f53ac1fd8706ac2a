#include "ControlBarScripts.h"

#include "flash/swf/SwfControlBarVariables.h"

#include <string>

void BarScript::Get(std::string_view path)
{
    std::size_t dot = path.find('.');
    m_code.Push(path.substr(0, dot));
    m_code.GetVariable();
    while (dot != std::string_view::npos) {
        std::size_t next = path.find('.', dot + 1);
        m_code.Push(path.substr(dot + 1, next == std::string_view::npos ? next : next - dot - 1));
        m_code.GetMember();
        dot = next;
    }
}

void BarScript::Set(std::string_view path, const Emit& value)
{
    std::size_t dot = path.rfind('.');
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

void BarScript::Call(std::string_view object, std::string_view method, const std::vector<Emit>& args)
{
    for (auto arg = args.rbegin(); arg != args.rend(); ++arg)
        (*arg)(*this);
    m_code.Push(static_cast<int>(args.size()));
    Get(object);
    m_code.Push(method);
    m_code.CallMethod();
    m_code.Pop();
}

void BarScript::IfElse(const Emit& condition, const Emit& then, const Emit& otherwise)
{
    SwfActions::Label thenLabel = m_code.NewLabel(), end = m_code.NewLabel();
    condition(*this);
    m_code.If(thenLabel);
    otherwise(*this);
    m_code.Jump(end);
    m_code.Bind(thenLabel);
    then(*this);
    m_code.Bind(end);
}

namespace {

BarScript::Emit Value(SwfActions::Value value)
{
    return [value](BarScript& s) { s.Code().Push(value); };
}

BarScript::Emit Path(std::string path)
{
    return [path](BarScript& s) { s.Get(path); };
}

// Pushes "m:ss" for the seconds held in the local variable `seconds`.
void EmitFormatTime(BarScript& s)
{
    SwfActions& a = s.Code();
    s.Get("seconds");
    a.Push(60);
    a.Divide();
    a.ToInteger();
    a.Push(":");
    a.StringAdd();
    SwfActions::Label twoDigits = a.NewLabel(), done = a.NewLabel();
    s.Get("seconds");
    a.Push(60);
    a.Modulo();
    a.Push(10);
    a.Less();
    a.Not();
    a.If(twoDigits);
    a.Push("0");
    a.StringAdd();
    a.Jump(done);
    a.Bind(twoDigits);
    a.Bind(done);
    s.Get("seconds");
    a.Push(60);
    a.Modulo();
    a.ToInteger();
    a.StringAdd();
}

} // namespace

std::vector<std::uint8_t> ControlsInitScript(bool single)
{
    BarScript s;
    SwfActions& a = s.Code();
    s.Set("t", Path(single ? "_parent" : "_level0"));
    s.Set("playing", Value(true));
    s.Set("sound", [](BarScript& s) {
        s.Get("t");
        s.Code().Push(1);
        s.Code().Push("Sound");
        s.Code().NewObject();
    });

    a.BeginFunction("FormatTime", { "seconds" });
    EmitFormatTime(s);
    a.Return();
    a.EndFunction();

    // SeekTo(fraction): jumps to that part of the controlled timeline and
    // keeps playing or paused.
    a.BeginFunction("SeekTo", { "fraction" });
    s.Set("frame", [](BarScript& s) {
        SwfActions& a = s.Code();
        s.Get("fraction");
        s.Get("t._totalframes");
        a.Push(1);
        a.Subtract();
        a.Multiply();
        a.ToInteger();
        a.Push(1);
        a.Add();
    });
    s.IfElse(
        Path("playing"), [](BarScript& s) { s.Call("t", "gotoAndPlay", { Path("frame") }); },
        [](BarScript& s) { s.Call("t", "gotoAndStop", { Path("frame") }); });
    a.EndFunction();
    return s.Finish();
}

std::vector<std::uint8_t> ControlsUpdateScript(int timelineWidth, int barHeight)
{
    BarScript s;
    SwfActions& a = s.Code();
    const std::pair<const char*, std::string_view> shown[] = {
        { "timer", kShowTimerVariable },
        { "timeline", kShowTimelineVariable },
        { "btnPrev", kShowNextPrevVariable },
        { "btnNext", kShowNextPrevVariable },
        { "volume", kShowSoundBarVariable },
        { "btnFullScreen", kShowFullScreenVariable },
        { "btnLogo", kShowVTLogoVariable },
        { "btnAutoHide", kShowAutoHideVariable },
    };
    for (const auto& [instance, variable] : shown) {
        s.Set(std::string(instance) + "._visible", [variable](BarScript& s) {
            s.Get("t." + std::string(variable));
            s.Code().Push(0);
            s.Code().Equals();
            s.Code().Not();
        });
    }
    s.Set("btnPause._visible", Path("playing"));
    s.Set("btnPlay._visible", [](BarScript& s) {
        s.Get("playing");
        s.Code().Not();
    });

    // Timeline: the knob follows the playing position unless it is dragged.
    s.Set("total", Path("t._totalframes"));
    s.Set("current", Path("t._currentframe"));
    s.Set("span", [](BarScript& s) {
        s.Get("total");
        s.Code().Push(1);
        s.Code().Subtract();
    });
    SwfActions::Label spanOk = a.NewLabel();
    s.Get("span");
    a.Push(1);
    a.Less();
    a.Not();
    a.If(spanOk);
    s.Set("span", Value(1));
    a.Bind(spanOk);
    s.IfElse(
        Path("timeline.knob.dragging"), [](BarScript&) {},
        [timelineWidth](BarScript& s) {
            s.Set("timeline.knob._x", [timelineWidth](BarScript& s) {
                s.Get("current");
                s.Code().Push(1);
                s.Code().Subtract();
                s.Get("span");
                s.Code().Divide();
                s.Code().Push(timelineWidth);
                s.Code().Multiply();
            });
        });
    s.Set("timeline.played._xscale", [timelineWidth](BarScript& s) {
        s.Get("timeline.knob._x");
        s.Code().Push(100.0 / timelineWidth);
        s.Code().Multiply();
    });

    // Elapsed and total time.
    s.Set("fps", [](BarScript& s) { s.Get("t." + std::string(kFrameRateVariable)); });
    SwfActions::Label fpsOk = a.NewLabel();
    s.Get("fps");
    a.Push(0);
    a.Greater();
    a.If(fpsOk);
    s.Set("fps", Value(25));
    a.Bind(fpsOk);
    auto timeOf = [](std::string variable, int minus) {
        return [variable, minus](BarScript& s) {
            s.Get(variable);
            s.Code().Push(minus);
            s.Code().Subtract();
            s.Get("fps");
            s.Code().Divide();
            s.Code().Push(1);
            s.Code().Push("FormatTime");
            s.Code().CallFunction();
        };
    };
    s.Set("timeText", [&timeOf](BarScript& s) {
        timeOf("current", 1)(s);
        s.Code().Push(" / ");
        s.Code().StringAdd();
        timeOf("total", 0)(s);
        s.Code().StringAdd();
    });

    // Auto-hide: the bar shows only while the mouse is over it.
    s.IfElse(
        [](BarScript& s) {
            s.Get("autoHide");
            s.Code().Push(SwfActions::Value::Undefined());
            s.Code().Equals();
        },
        [](BarScript& s) {
            s.Set("autoHide", [](BarScript& s) {
                s.Get("t." + std::string(kAutoHideVariable));
                s.Code().Push(1);
                s.Code().Equals();
            });
        },
        [](BarScript&) {});
    s.IfElse(
        [barHeight](BarScript& s) {
            s.Get("autoHide");
            s.Get("_ymouse");
            s.Code().Push(0);
            s.Code().Less();
            s.Get("_ymouse");
            s.Code().Push(barHeight);
            s.Code().Greater();
            s.Code().Or();
            s.Code().And();
        },
        [](BarScript& s) { s.Set("this._alpha", Value(0)); },
        [](BarScript& s) { s.Set("this._alpha", Value(100)); });
    return s.Finish();
}
