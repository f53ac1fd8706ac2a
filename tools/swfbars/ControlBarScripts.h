#pragma once

// The ActionScript of the control bars, written with the assembler. Paths
// are dotted names ("t.ShowTimer") read from the current scope.

#include "flash/swf/SwfActions.h"

#include <functional>
#include <string_view>
#include <vector>

class BarScript final {
public:
    using Emit = std::function<void(BarScript&)>;

    SwfActions& Code() { return m_code; }
    // Pushes the value at a dotted path.
    void Get(std::string_view path);
    // Stores what `value` pushes at a dotted path.
    void Set(std::string_view path, const Emit& value);
    // Calls object.method(args...) and drops the result.
    void Call(std::string_view object, std::string_view method, const std::vector<Emit>& args);
    // if (condition) then else otherwise.
    void IfElse(const Emit& condition, const Emit& then, const Emit& otherwise);

    std::vector<std::uint8_t> Finish() { return m_code.Finish(); }

private:
    SwfActions m_code;
};

// Frame 1 of "Controls": the controlled timeline `t`, the play state, the
// sound object and the functions FormatTime and SeekTo.
std::vector<std::uint8_t> ControlsInitScript(bool single);
// Every frame after: visibility from the Show* variables, play/pause
// buttons, timeline position, time text and auto-hide. Track widths in
// pixels; the bar's height for the auto-hide area.
std::vector<std::uint8_t> ControlsUpdateScript(int timelineWidth, int barHeight);
