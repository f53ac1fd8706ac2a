#pragma once

// "Export to WMV...": checks the destination, deletes the old ".wmv"
// outputs, loads "WMV.xml", lets the user edit it in the WMV options dialog,
// saves every key back to the same file and starts the batch run with the
// WMV format. The engine reads the options from that file; nothing reaches
// it any other way. The window and the terminal front end run the same
// steps; the terminal has no dialog and exports with the file's options.

#include "platform/Dialogs.h"

#include <string>

class TXMLSettings;

namespace vantor {
class BatchRun;
}

namespace vantor::video {

// The options of one WMV command, as "WMV.xml" holds them.
struct WmvExportSettings {
    int frameRateCustom = 24;
    int frameRateMode = 0; // 0 full, 1 half, 2 quarter, 3 custom
    float outputSizeWidthPercent = 100.0f;
    float outputSizeHeightPercent = 100.0f;
    int outputSizeWidth = 0; // 0 when the scale was chosen in percent
    int outputSizeHeight = 0;
    bool outputSizeKeepAspectRatio = true;
    bool scaleToPercents = true;
    int autoscrollMode = 0; // 0 off, 1 mouse in centre, 4 mouse near centre
    int autoscrollWidth = 0;
    int autoscrollHeight = 0;
    int videoCodecId = 0; // 0 leaves the dialog's default codec
    int isVideoVBR = 1; // stored as an Integer, 0 or 1
    int videoNumPasses = 1;
    int videoBitrate = 600000; // bits per second
    int videoQuality = 80; // 1..100
    int audioCodecId = 0;
    int audioFormatId = 0;
    int isAudioVBR = 1;
    int audioNumPasses = 1;
    bool exportSounds = true;
};

// The engine always receives the full frame rate as this many frames per
// second, and the largest output it encodes is this wide and high.
constexpr int kWmvFullFrameRate = 25;
constexpr int kWmvMaxOutputSize = 4096;

// Every key in the command's read order, each with the current value as
// its default.
void ReadWmvExportSettings(const TXMLSettings& store, WmvExportSettings& settings);
// Every key in the file's order.
void WriteWmvExportSettings(TXMLSettings& store, const WmvExportSettings& settings);

// The WMV options dialog as the command drives it.
class IWmvExportDialog {
public:
    virtual ~IWmvExportDialog() = default;
    // Fills the dialog from the settings read.
    virtual void Prepare(const WmvExportSettings& settings) = 0;
    // Shows it modally; true when the user chose "Export".
    virtual bool Execute() = 0;
    // Reads the confirmed choices back into `settings`.
    virtual void ReadBack(WmvExportSettings& settings) const = 0;
};

// btnExportWMVClick. `dialog` null: the options are taken from the file as
// they are and the file is left unchanged. False when the command stopped
// before the run started.
bool RunWmvExportCommand(
    BatchRun& run, platform::DialogOwner owner, const std::string& caption, IWmvExportDialog* dialog);

} // namespace vantor::video
