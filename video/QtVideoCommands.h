#pragma once

// The video exports' part of start-up: the AVI and QuickTime options
// dialog, created once (owned by the main window) and reused by every run,
// the window's AVI and QuickTime commands over it, and the compressors' own boxes.

class TMainForm;
class TOutputSizeForm;

namespace vantor::video {

TOutputSizeForm* CreateVideoForms(TMainForm& mainForm);

} // namespace vantor::video
