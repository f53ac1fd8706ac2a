#pragma once

// Moving a FlashExportSettings record into the Flash options dialog and
// back: what a Flash export run does between loading "Flash.xml" and
// writing it. The dialog's rules run as the controls are set, so the order
// of the steps is part of the behaviour.

class TFlashOptionsForm;

namespace vantor {

struct FlashExportSettings;

// Fills every control from `settings` in the run's order; `mp3Available`
// is the program's MP3 probe.
void PrepareFlashOptionsForm(TFlashOptionsForm& form, const FlashExportSettings& settings, bool mp3Available);
// Reads every value back into `settings` (HTMLTemplateFileName gets the
// template's name), then raises the autoscroll size to its minimum.
void ReadFlashOptionsForm(const TFlashOptionsForm& form, FlashExportSettings& settings);

} // namespace vantor
