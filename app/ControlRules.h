#pragma once

// UpdateControls' rule set: which of the main window's buttons are enabled,
// at rest and during a run. Menu items follow the button of the same role.

#include "app/RunState.h"

#include <functional>

namespace vantor {

struct ControlInputs {
    RunState state = RunState::Idle;
    bool hasMovies = false; // the list is not empty
    bool anySelected = false; // at least one list item is selected
};

struct ControlStates {
    bool clear = false; // btnClear, mnuClearList
    bool add = false; // btnAddMovie, mnuAdd
    bool remove = false; // btnRemoveMovie, mnuRemove
    bool exportFlash = false; // btnExportFlash, mnuExportFlash
    bool exportAVI = false; // btnExportAVI, mnuExportAVI
    bool exportWMV = false; // btnExportWMV, mnuExportWMV
    bool exportQT = false; // btnExportQT, mnuExportQT
    bool convert = false; // btnConvertFormat, mnuConvertFormat
    bool destination = false; // edtDir, btnBrowseDir, mnuSelectDestFolder
    bool cancel = false; // btnCancel, btnCancelCurrent

    bool operator==(const ControlStates&) const = default;
};

// The two runtime checks are asked afresh on every call, and only when the
// list is not empty and the run is idle.
ControlStates DecideControls(const ControlInputs& inputs, const std::function<bool()>& wmvExportAvailable,
    const std::function<bool()>& quickTimeInstalled);

} // namespace vantor
