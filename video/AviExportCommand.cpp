#include "video/AviExportCommand.h"

#include "app/BatchRun.h"
#include "app/ExportChecks.h"
#include "app/ForceDirectories.h"
#include "support/Trace.h"
#include "xml/XMLSettings.h"

namespace vantor::video {

bool RunAviExportCommand(
    BatchRun& run, platform::DialogOwner owner, const std::string& caption, IAviExportDialogs* dialogs)
{
    TraceMethod trace("TMainForm::btnExportAVIClick");
    if (!PrepareExportOutputs(run, ExportFormat::AVI, owner, caption))
        return false;

    const std::string file = run.SettingsFile(ExportFormat::AVI);
    AviExportSettings settings;
    {
        TXMLSettings store(false);
        store.ReadXMLSettingsFile(file);
        ReadAviExportSettings(store, settings);
        if (dialogs != nullptr) {
            if (!dialogs->Edit(settings))
                return false;
            WriteAviExportSettings(store, settings);
            // The settings folder may not exist yet on a new account; the
            // store reports a folder it still cannot write to.
            ForceDirectories(file.substr(0, file.find_last_of('/')));
            store.SaveFile(file);
        }
    }
    run.Start(ExportFormat::AVI);
    return true;
}

} // namespace vantor::video
