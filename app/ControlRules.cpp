#include "app/ControlRules.h"

namespace vantor {

ControlStates DecideControls(const ControlInputs& inputs, const std::function<bool()>& wmvExportAvailable,
    const std::function<bool()>& quickTimeInstalled)
{
    const bool idle = inputs.state == RunState::Idle;
    const bool ready = idle && inputs.hasMovies;
    ControlStates states;
    states.clear = ready;
    states.add = idle;
    states.remove = idle && inputs.anySelected;
    states.exportFlash = ready;
    states.exportAVI = ready;
    states.convert = ready;
    states.exportWMV = ready && wmvExportAvailable && wmvExportAvailable();
    states.exportQT = ready && quickTimeInstalled && quickTimeInstalled();
    states.destination = idle;
    states.cancel = inputs.state == RunState::Running;
    return states;
}

} // namespace vantor
