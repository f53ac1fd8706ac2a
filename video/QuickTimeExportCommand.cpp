#include "video/QuickTimeExportCommand.h"

#include "app/BatchRun.h"
#include "app/ExportChecks.h"
#include "app/ForceDirectories.h"
#include "support/Trace.h"
#include "xml/XMLSettings.h"

namespace vantor::video {

bool RunQuickTimeExportCommand(
    BatchRun& run, platform::DialogOwner owner, const std::string& caption, IQuickTimeExportDialogs* dialogs)
{
    TraceMethod trace("TMainForm::btnExportQTClick");
    // The destination, the one overwrite question and the deletion of the
    // old ".mov" outputs, all before the dialog.
    if (!PrepareExportOutputs(run, ExportFormat::QuickTime, owner, caption))
        return false;

    const std::string file = run.SettingsFile(ExportFormat::QuickTime);
    QuickTimeExportSettings settings;
    {
        TXMLSettings store(true);
        store.ReadXMLSettingsFile(file);
        ReadQuickTimeExportSettings(store, settings);
        if (dialogs != nullptr) {
            if (!dialogs->Edit(settings))
                return false;
            WriteQuickTimeExportSettings(store, settings);
            // The settings folder may not exist yet on a new account.
            ForceDirectories(file.substr(0, file.find_last_of('/')));
            store.SaveFile(file);
        }
    }
    run.Start(ExportFormat::QuickTime);
    return true;
}

} // namespace vantor::video
