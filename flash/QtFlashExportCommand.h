#pragma once

// The Flash command in the window: the one Flash options dialog, filled by
// the run's steps and shown modally, behind the "Export to Flash..." button
// and menu item.

#include "flash/FlashExportCommand.h"

class TFlashOptionsForm;
class TMainForm;

namespace vantor {

class QtFlashExportDialog final : public IFlashExportDialog {
public:
    explicit QtFlashExportDialog(TFlashOptionsForm& form)
        : m_form(form)
    {
    }
    bool Edit(FlashExportSettings& settings, bool mp3Available) override;

private:
    TFlashOptionsForm& m_form;
};

// Installs the Flash command of `mainForm` over `form`, which must outlive
// every click of the button.
void InstallFlashExportCommand(TMainForm& mainForm, TFlashOptionsForm& form);

} // namespace vantor
