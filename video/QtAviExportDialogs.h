#pragma once

// The AVI command's dialogs in the window: the shared options dialog in its
// AVI mode, then the codec chooser centred on the main window.

#include "video/AviExportCommand.h"

class QWidget;
class TOutputSizeForm;

namespace vantor::video {

class QtAviExportDialogs final : public IAviExportDialogs {
public:
    QtAviExportDialogs(TOutputSizeForm& form, QWidget* mainForm);
    bool Edit(AviExportSettings& settings) override;
    // Switches the options dialog into its AVI mode and fills it.
    void Prepare(const AviExportSettings& settings);

private:
    void ReadBack(AviExportSettings& settings) const;

    TOutputSizeForm& m_form;
    QWidget* m_mainForm;
};

} // namespace vantor::video
