#pragma once

// The compressors' own boxes, reached through ICM_CONFIGURE and ICM_ABOUT:
// Configure lists the libavcodec encoder's options that matter (bit rate,
// key-frame interval, profile, preset, where the encoder has them) and keeps
// them per FOURCC in the compressor options file that the Player engine
// reads; About names the encoder and the library version.

#include "platform/CompressorManager.h"

#include <QDialog>

#include <map>
#include <string>

class QLineEdit;

// The encoder options that Configure offers, in the order shown.
inline constexpr const char* kCodecOptionNames[] = { "b", "g", "profile", "preset" };

class TCodecOptionsDlg final : public QDialog {
    Q_OBJECT

public:
    TCodecOptionsDlg(const platform::CompressorEntry& entry, QWidget* parent);
    TCodecOptionsDlg(const TCodecOptionsDlg&) = delete;
    TCodecOptionsDlg& operator=(const TCodecOptionsDlg&) = delete;

    // One field per option the encoder has; empty text: the encoder's default.
    std::map<std::string, QLineEdit*> fields;

    // OK: refuses a value the encoder does not take; saves the options.
    void accept() override;

private:
    const platform::CompressorEntry& m_entry;
};

namespace vantor::video {

// Installs the boxes above into the compressor manager.
void InstallCompressorBoxes();

} // namespace vantor::video
