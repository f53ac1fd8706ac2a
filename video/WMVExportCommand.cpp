#include "video/WMVExportCommand.h"

#include "app/BatchRun.h"
#include "app/ExportChecks.h"
#include "app/ForceDirectories.h"
#include "support/Trace.h"
#include "xml/XMLSettings.h"

namespace vantor::video {

void ReadWmvExportSettings(const TXMLSettings& store, WmvExportSettings& s)
{
    s.frameRateCustom = store.GetInteger("FrameRateCustom", s.frameRateCustom);
    s.frameRateMode = store.GetInteger("FrameRateMode", s.frameRateMode);
    // The percentages are single-precision values stored as Float.
    s.outputSizeWidthPercent
        = static_cast<float>(store.GetFloat("OutputSizeWidthPercent", s.outputSizeWidthPercent));
    s.outputSizeHeightPercent
        = static_cast<float>(store.GetFloat("OutputSizeHeightPercent", s.outputSizeHeightPercent));
    s.outputSizeWidth = store.GetInteger("OutputSizeWidth", s.outputSizeWidth);
    s.outputSizeHeight = store.GetInteger("OutputSizeHeight", s.outputSizeHeight);
    s.outputSizeKeepAspectRatio = store.GetBool("OutputSizeKeepAspectRatio", s.outputSizeKeepAspectRatio);
    s.scaleToPercents = store.GetBool("ScaleToPercents", s.scaleToPercents);
    s.autoscrollMode = store.GetInteger("AutoscrollMode", s.autoscrollMode);
    s.autoscrollWidth = store.GetInteger("AutoscrollWidth", s.autoscrollWidth);
    s.autoscrollHeight = store.GetInteger("AutoscrollHeight", s.autoscrollHeight);
    s.videoCodecId = store.GetInteger("VideoCodecId", s.videoCodecId);
    s.isVideoVBR = store.GetInteger("IsVideoVBR", s.isVideoVBR);
    s.videoNumPasses = store.GetInteger("VideoNumPasses", s.videoNumPasses);
    s.videoBitrate = store.GetInteger("VideoBitrate", s.videoBitrate);
    s.videoQuality = store.GetInteger("VideoQuality", s.videoQuality);
    s.audioCodecId = store.GetInteger("AudioCodecId", s.audioCodecId);
    s.audioFormatId = store.GetInteger("AudioFormatId", s.audioFormatId);
    s.isAudioVBR = store.GetInteger("IsAudioVBR", s.isAudioVBR);
    s.audioNumPasses = store.GetInteger("AudioNumPasses", s.audioNumPasses);
    s.exportSounds = store.GetBool("ExportSounds", s.exportSounds);
}

void WriteWmvExportSettings(TXMLSettings& store, const WmvExportSettings& s)
{
    store.SetInteger("VideoCodecId", s.videoCodecId);
    store.SetInteger("IsVideoVBR", s.isVideoVBR);
    store.SetInteger("VideoNumPasses", s.videoNumPasses);
    store.SetInteger("VideoBitrate", s.videoBitrate);
    store.SetInteger("VideoQuality", s.videoQuality);
    store.SetInteger("AudioCodecId", s.audioCodecId);
    store.SetInteger("AudioFormatId", s.audioFormatId);
    store.SetInteger("IsAudioVBR", s.isAudioVBR);
    store.SetInteger("AudioNumPasses", s.audioNumPasses);
    store.SetInteger("FrameRateCustom", s.frameRateCustom);
    store.SetInteger("FrameRateMode", s.frameRateMode);
    store.SetFloat("OutputSizeWidthPercent", s.outputSizeWidthPercent);
    store.SetFloat("OutputSizeHeightPercent", s.outputSizeHeightPercent);
    store.SetInteger("OutputSizeWidth", s.outputSizeWidth);
    store.SetInteger("OutputSizeHeight", s.outputSizeHeight);
    store.SetBool("OutputSizeKeepAspectRatio", s.outputSizeKeepAspectRatio);
    store.SetBool("ScaleToPercents", s.scaleToPercents);
    store.SetInteger("AutoscrollMode", s.autoscrollMode);
    store.SetInteger("AutoscrollWidth", s.autoscrollWidth);
    store.SetInteger("AutoscrollHeight", s.autoscrollHeight);
    store.SetBool("ExportSounds", s.exportSounds);
}

bool RunWmvExportCommand(
    BatchRun& run, platform::DialogOwner owner, const std::string& caption, IWmvExportDialog* dialog)
{
    TraceMethod trace("TMainForm::btnExportWMVClick");
    // Steps 1 and 2: the destination checks and the deletion of every old
    // ".wmv" output, before the dialog (a later Cancel does not restore them).
    if (!PrepareExportOutputs(run, ExportFormat::WMV, owner, caption))
        return false;

    const std::string file = run.SettingsFile(ExportFormat::WMV);
    bool confirmed = true;
    {
        // Step 3: defaults, overwritten by the file's values.
        WmvExportSettings settings;
        TXMLSettings store(true);
        store.ReadXMLSettingsFile(file);
        ReadWmvExportSettings(store, settings);
        if (dialog != nullptr) {
            dialog->Prepare(settings); // step 4
            confirmed = dialog->Execute(); // step 5
            if (confirmed) {
                dialog->ReadBack(settings); // step 6
                WriteWmvExportSettings(store, settings); // step 7
                // The settings folder may not exist yet on a new account.
                ForceDirectories(file.substr(0, file.find_last_of('/')));
                store.SaveFile(file);
            }
        }
    } // step 8: the store goes, whatever the dialog's answer
    if (!confirmed)
        return false;
    run.Start(ExportFormat::WMV); // step 9
    return true;
}

} // namespace vantor::video
