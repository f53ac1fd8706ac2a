#include "video/QtVideoCommands.h"

#include "app/MainForm.h"
#include "video/AviExportCommand.h"
#include "video/CodecOptionsDlg.h"
#include "video/OutputSizeForm.h"
#include "video/QtAviExportDialogs.h"
#include "video/QtQuickTimeExportDialogs.h"
#include "video/QtWMVExportDialog.h"
#include "video/QuickTimeExportCommand.h"
#include "video/WMVExportCommand.h"
#include "video/WMVExportForm.h"

#include <memory>

namespace vantor::video {

TOutputSizeForm* CreateVideoForms(TMainForm& mainForm)
{
    auto* outputSizeForm = new TOutputSizeForm(&mainForm);
    auto dialogs = std::make_shared<QtAviExportDialogs>(*outputSizeForm, &mainForm);
    mainForm.SetExportCommand(ExportFormat::AVI, [&mainForm, dialogs] {
        RunAviExportCommand(mainForm.Batch(), &mainForm, mainForm.Caption(), dialogs.get());
    });
    auto quickTime = std::make_shared<QtQuickTimeExportDialogs>(*outputSizeForm);
    mainForm.SetExportCommand(ExportFormat::QuickTime, [&mainForm, quickTime] {
        RunQuickTimeExportCommand(mainForm.Batch(), &mainForm, mainForm.Caption(), quickTime.get());
    });
    InstallCompressorBoxes();
    return outputSizeForm;
}

TWMVExportForm* CreateWmvExportForm(TMainForm& mainForm, const WMVExportFunctions* library)
{
    auto* form = new TWMVExportForm(library, &mainForm);
    auto dialog = std::make_shared<QtWMVExportDialog>(*form);
    mainForm.SetExportCommand(ExportFormat::WMV, [&mainForm, dialog] {
        RunWmvExportCommand(mainForm.Batch(), &mainForm, mainForm.Caption(), dialog.get());
    });
    return form;
}

} // namespace vantor::video
