#pragma once

// The batch run's shared vocabulary: read by the main window's controls,
// set by the export commands, driven by the batch loop.

namespace vantor {

enum class RunState : int {
    Idle = 0,
    Running = 1,
    CancelAllPending = 2,
    CancelCurrentPending = 3,
};

enum class ExportFormat : int {
    None = 0,
    FlashSWF = 1,
    AVI = 2,
    Conversion = 3,
    WMV = 4,
    QuickTime = 5,
    FlashFLV = 6,
};

enum class MoviePhase : int {
    Opening = 1,
    Processing = 2,
};

} // namespace vantor
