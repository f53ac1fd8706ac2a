#pragma once

// The video exports' part of start-up: the AVI and QuickTime options
// dialog, created once (owned by the main window) and reused by every run,
// the window's AVI and QuickTime commands over it, and the compressors' own boxes.

class TMainForm;
class TOutputSizeForm;
class TWMVExportForm;

namespace vantor {
struct WMVExportFunctions;
}

namespace vantor::video {

TOutputSizeForm* CreateVideoForms(TMainForm& mainForm);

// The WMV options dialog (owned by the main window, filled from `library`'s
// codec catalogue; null: WMV export is unavailable) and the window's WMV
// command over it. Created after the splash, as the program's start-up
// order has it.
TWMVExportForm* CreateWmvExportForm(TMainForm& mainForm, const WMVExportFunctions* library);

} // namespace vantor::video
