#pragma once

// The main window's view of the QuickTime runtime detector. The detector
// itself (TQuickTimeAPI) belongs to the video exports, which sit above the
// window's folder; the program's entry hands the window a maker for it.

namespace vantor {

class IQuickTimeRuntime {
public:
    virtual ~IQuickTimeRuntime() = default;
    // Whether the QuickTime library loaded and initialised: the QuickTime
    // command is offered only then.
    virtual bool IsInstalled() = 0;
};

} // namespace vantor
