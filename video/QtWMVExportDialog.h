#pragma once

// The WMV command's dialog in the window: the one TWMVExportForm of the
// program, filled from the settings and read back in the command's order.

#include "video/WMVExportCommand.h"

class TWMVExportForm;

namespace vantor::video {

class QtWMVExportDialog final : public IWmvExportDialog {
public:
    explicit QtWMVExportDialog(TWMVExportForm& form);
    void Prepare(const WmvExportSettings& settings) override;
    bool Execute() override;
    void ReadBack(WmvExportSettings& settings) const override;

private:
    TWMVExportForm& m_form;
};

} // namespace vantor::video
