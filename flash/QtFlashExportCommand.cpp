#include "flash/QtFlashExportCommand.h"

#include "app/MainForm.h"
#include "flash/FlashOptionsForm.h"
#include "flash/FlashOptionsFormExchange.h"

#include <memory>

namespace vantor {

bool QtFlashExportDialog::Edit(FlashExportSettings& settings, bool mp3Available)
{
    PrepareFlashOptionsForm(m_form, settings, mp3Available);
    if (m_form.exec() != QDialog::Accepted)
        return false;
    ReadFlashOptionsForm(m_form, settings);
    return true;
}

void InstallFlashExportCommand(TMainForm& mainForm, TFlashOptionsForm& form)
{
    auto dialog = std::make_shared<QtFlashExportDialog>(form);
    mainForm.SetExportCommand(ExportFormat::FlashSWF, [&mainForm, dialog] {
        RunFlashExportCommand(mainForm.Batch(), &mainForm, mainForm.Caption(), dialog.get());
    });
}

} // namespace vantor
