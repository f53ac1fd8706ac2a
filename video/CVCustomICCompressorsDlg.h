#pragma once

// The codec chooser of the AVI export ("Choose AVI Codec"): lists every
// installed compressor that takes the given input format plus the
// uncompressed entry, lets the user configure the codec, set its quality and
// key-frame interval, and fills a COMPVARS record, in the manner of the
// system's ICCompressorChoose.

#include "platform/CompressorManager.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;

namespace vantor::video {

// The small integers that stand for built-in formats in the list.
bool IsPseudoHandle(platform::HIC handle);
platform::FOURCC PseudoHandleFourCC(platform::HIC handle);
// Closes the compress-mode handle of `compvars` (never a pseudo handle) and
// frees its output format.
void ReleaseCompVars(platform::COMPVARS& compvars);

} // namespace vantor::video

class TCVCustomICCompressorsDlg final : public QDialog {
    Q_OBJECT

public:
    // How the compressors are enumerated; ICInfo of the compressor manager
    // unless a caller passes another list.
    using ICInfoCall = bool (*)(platform::FOURCC, std::uint32_t, platform::ICINFO*);

    // `owner` receives the error message when given. `input` is rounded up
    // to multiples of 4 in place.
    TCVCustomICCompressorsDlg(QWidget* owner, int quality, int keyFrames, platform::FOURCC fourcc,
        platform::BITMAPINFOHEADER& input, ICInfoCall icInfo = platform::ICInfo);
    // Closes the handle of every listed codec.
    ~TCVCustomICCompressorsDlg() override;
    TCVCustomICCompressorsDlg(const TCVCustomICCompressorsDlg&) = delete;
    TCVCustomICCompressorsDlg& operator=(const TCVCustomICCompressorsDlg&) = delete;

    // Shows the dialog (unless `skipDialog`) and fills the outputs on OK.
    // Returns the modal result: Accepted, or Rejected (also when nothing is
    // selected).
    int Execute(bool skipDialog, platform::BITMAPINFOHEADER& input, platform::COMPVARS& compvars,
        platform::FOURCC* fourcc, int* keyFrames, int* quality, int* isDivX6);

    void UpdateCodecControls();
    void lbxCompressorsClick();
    void btnConfigureClick();
    void btnAboutClick();
    void sbCompressionQualityChange();
    void cbxKeyFrameRateClick();
    void btnOkClick();
    void HelpBtnClick();

    QListWidget* lbxCompressors = nullptr;
    QPushButton* btnAbout = nullptr;
    QPushButton* btnConfigure = nullptr;
    QLabel* lblCompressionQuality1 = nullptr;
    QScrollBar* sbCompressionQuality = nullptr;
    QLabel* lblCompressionQuality = nullptr;
    QCheckBox* cbxKeyFrameRate = nullptr;
    QLineEdit* edtKeyFrameRate = nullptr;
    QLabel* lblKeyFrameRate = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* HelpBtn = nullptr;

private:
    void BuildForm();
    platform::HIC SelectedHandle() const;

    QWidget* m_owner;
    int m_inputWidth;
    int m_inputHeight;
};

// Runs the chooser; true when it ended with OK and a codec was selected.
// `fourcc`, `keyFrames` and `quality` preset the dialog when not null (0 and
// -1 preset nothing) and receive the choice; `centreOn` places the dialog.
bool CVCustomICCompressorChoose(QWidget* owner, platform::BITMAPINFOHEADER& input,
    platform::COMPVARS& compvars, bool skipDialog, platform::FOURCC* fourcc, int* keyFrames, int* quality,
    int* isDivX6, QWidget* centreOn);
