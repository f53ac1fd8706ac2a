#pragma once

// The QuickTime command's dialog in the window: the shared options dialog
// switched into its QuickTime mode (caption, Video Quality page, key frames,
// streaming playback; no AVI 1.0 choice, no Flash video codecs).

#include "video/QuickTimeExportCommand.h"

class TOutputSizeForm;

namespace vantor::video {

class QtQuickTimeExportDialogs final : public IQuickTimeExportDialogs {
public:
    explicit QtQuickTimeExportDialogs(TOutputSizeForm& form);
    bool Edit(QuickTimeExportSettings& settings) override;
    // Switches the options dialog into its QuickTime mode and fills it.
    void Prepare(const QuickTimeExportSettings& settings);
    // The dialog's values over `settings`; text that is no integer keeps
    // the previous prebuffer and gives 30 key frames and 90 KB/s.
    void ReadBack(QuickTimeExportSettings& settings) const;

private:
    TOutputSizeForm& m_form;
};

} // namespace vantor::video
