// The Set and Get operations of the Flash options dialog: each Set writes
// controls (running their rules, as a user's change would), each Get reads
// them.

#include "flash/FlashExportSettings.h"
#include "flash/FlashOptionsForm.h"
#include "flash/FlashOptionsRules.h"

#include "app/StringTable.h"
#include "strings/StringIds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

using namespace vantor;
using namespace vantor::flash_rules;

void TFlashOptionsForm::SetFrameRate(int movieRate, int customRate, int mode)
{
    m_movieRate = movieRate;
    CustomRate->setValue(customRate);
    switch (mode) {
    case kHalfRate:
    case kQuarterRate: // the quarter rate is not offered: shown as half
        rb2Frame->setChecked(true);
        break;
    case kCustomRate:
        rbCustomFrame->setChecked(true);
        break;
    default:
        rbFullFrame->setChecked(true);
        break;
    }
}

int TFlashOptionsForm::GetFrameRate(int& customRate, int& mode) const
{
    customRate = CustomRate->value();
    if (rb2Frame->isChecked())
        mode = kHalfRate;
    else if (rb4Frame->isChecked())
        mode = kQuarterRate;
    else if (rbCustomFrame->isChecked())
        mode = kCustomRate;
    else
        mode = kFullRate;
    return EffectiveFrameRate(m_movieRate, customRate, mode);
}

void TFlashOptionsForm::SetFrameRateCaptions(int movieRate)
{
    rbFullFrame->setText(QString::asprintf(LoadStr(str::kFrameRateFull).c_str(), movieRate));
    rb2Frame->setText(QString::asprintf(LoadStr(str::kFrameRateHalf).c_str(), movieRate / 2));
    rb4Frame->setText(QString::asprintf(LoadStr(str::kFrameRateQuarter).c_str(), movieRate / 4));
}

void TFlashOptionsForm::SetFrameRange(int firstFrame, int lastFrame)
{
    m_firstFrame = firstFrame;
    m_lastFrame = lastFrame;
}

void TFlashOptionsForm::SetExportSound(bool on)
{
    cbSound->setChecked(on);
}
bool TFlashOptionsForm::GetExportSound() const
{
    return cbSound->isChecked();
}

void TFlashOptionsForm::SetMP3Enabled(bool available)
{
    cbMP3->setEnabled(available);
    if (!available)
        cbMP3->setChecked(false);
}

void TFlashOptionsForm::SetSoundFormat(bool useBest, int code)
{
    const int position = SoundFormatPosition(code);
    if (position >= 0)
        cbxSoundFormat->setCurrentIndex(position);
    rbBestFormat->setChecked(true);
    if (!useBest)
        rbWorstFormat->setChecked(true);
    if (position >= 0)
        rbSelectFormat->setChecked(true);
}

int TFlashOptionsForm::GetSoundFormat(bool& useBest) const
{
    if (rbSelectFormat->isChecked()) {
        useBest = true;
        return cbxSoundFormat->currentData().toInt();
    }
    useBest = rbBestFormat->isChecked();
    return 0;
}

void TFlashOptionsForm::SetSoundCompression(int format, int mp3Profile)
{
    const bool mp3 = format == kSoundCompressMp3;
    cbMP3->setChecked(mp3);
    cbMP3Profile->setEnabled(mp3);
    cbMP3Profile->setCurrentIndex(Mp3PositionFromProfile(mp3Profile));
}

int TFlashOptionsForm::GetSoundCompression(int& mp3Profile) const
{
    mp3Profile = Mp3ProfileFromPosition(cbMP3Profile->currentIndex());
    return cbMP3->isChecked() ? kSoundCompressMp3 : kSoundCompressPcm;
}

void TFlashOptionsForm::SetImageQuality(int, int jpegQuality)
{
    tbJPEGQuality->setValue(jpegQuality);
}

void TFlashOptionsForm::GetImageQuality(int& compressionLevel, int& jpegQuality) const
{
    compressionLevel = kZlibCompressLevel;
    jpegQuality = tbJPEGQuality->value();
}

void TFlashOptionsForm::SetColorFormat(int format, int bits)
{
    const bool lossless = format == kColorFormatLossless;
    (lossless ? rbLossless : rbJPEG)->setChecked(true);
    cbOptimiseCompression->setChecked(format == kColorFormatJpegOptimised);
    RefillColourDepths(lossless, ColourDepthIndexFor(lossless, bits));
}

int TFlashOptionsForm::GetColorFormat(int& bits) const
{
    const bool lossless = rbLossless->isChecked();
    bits = ColorBitsFor(lossless, cbxImageFormat->currentIndex());
    return ColorFormatFor(lossless, cbOptimiseCompression->isChecked());
}

void TFlashOptionsForm::SetStartingPlaybackMode(int mode)
{
    (mode == 0 ? rbNoDownload : mode == 1 ? rbDownloadNoPlay : rbDownloadAndPlay)->setChecked(true);
}

int TFlashOptionsForm::GetStartingPlaybackMode() const
{
    return rbNoDownload->isChecked() ? 0 : rbDownloadNoPlay->isChecked() ? 1 : 2;
}

void TFlashOptionsForm::SetPreviewMode(int mode)
{
    chkPreviewMode->setChecked(mode >= 1);
    chkPreviewModeExternal->setChecked(mode == 2);
}

int TFlashOptionsForm::GetPreviewMode() const
{
    if (!chkPreviewMode->isChecked())
        return 0;
    return chkPreviewModeExternal->isChecked() ? 2 : 1;
}

void TFlashOptionsForm::SetSingleSwf(bool single)
{
    (single ? rbSingleSwf : rbSeparateSwf)->setChecked(true);
}
bool TFlashOptionsForm::GetSingleSwf() const
{
    return rbSingleSwf->isChecked();
}

void TFlashOptionsForm::SetPreloadPercent(int percent)
{
    edtPreload->setText(QString::number(percent));
}
int TFlashOptionsForm::GetPreloadPercent() const
{
    return PreloadPercentFromText(edtPreload->text().toStdString());
}

void TFlashOptionsForm::SetControlBarPos(int mode, bool over)
{
    cbControlBarPosition->setChecked(mode != 0);
    (mode == 2 ? rbBarBottom : rbBarTop)->setChecked(true);
    cbBarOver->setChecked(over);
    ControlBarPositionClick();
}

int TFlashOptionsForm::GetControlBarPos(bool& over) const
{
    over = cbBarOver->isChecked();
    if (!cbControlBarPosition->isChecked())
        return 0;
    return rbBarBottom->isChecked() ? 2 : 1;
}

void TFlashOptionsForm::SetMovieSize(int width, int height)
{
    m_scaling.SetMovieSize(width, height);
    seAutoscrollWidth->setMaximum(std::max(width, seAutoscrollWidth->minimum()));
    seAutoscrollHeight->setMaximum(std::max(height, seAutoscrollHeight->minimum()));
    WriteSizeFields();
}

void TFlashOptionsForm::SetScaleToPercents(bool percents)
{
    (percents ? rbPercent : rbPixels)->setChecked(true);
}
bool TFlashOptionsForm::GetScaleToPercents() const
{
    return rbPercent->isChecked();
}

void TFlashOptionsForm::SetScalePercent(float widthPercent, float heightPercent)
{
    m_scaling.SetScalePercent(widthPercent, heightPercent);
    const bool known = m_scaling.MovieSizeKnown();
    rbPercent->setEnabled(known);
    rbPixels->setEnabled(known);
    WriteSizeFields();
}

void TFlashOptionsForm::SetScalePixels(int width, int height)
{
    m_scaling.SetScalePixels(width, height);
    WriteSizeFields();
}

void TFlashOptionsForm::SetFlashVersion(int version)
{
    cbFlashVersion->setCurrentIndex(std::clamp(version - 6, 0, cbFlashVersion->count() - 1));
}

int TFlashOptionsForm::GetFlashVersion() const
{
    return cbFlashVersion->currentIndex() + 6;
}

void TFlashOptionsForm::SetScaleMode(int mode)
{
    cbNoScale->setChecked(mode == 0);
}
int TFlashOptionsForm::GetScaleMode() const
{
    return cbNoScale->isChecked() ? 0 : 1;
}

void TFlashOptionsForm::SetAutoscroll(int widthPercent, int heightPercent, int mode)
{
    seAutoscrollWidth->setValue(widthPercent);
    seAutoscrollHeight->setValue(heightPercent);
    cbAutoscroll->setChecked(mode != 0);
    (mode == 4 ? rbMouseNearCenter : rbMouseInCenter)->setChecked(true);
}

int TFlashOptionsForm::GetAutoscroll(int& widthPercent, int& heightPercent) const
{
    widthPercent = seAutoscrollWidth->value();
    heightPercent = seAutoscrollHeight->value();
    if (!cbAutoscroll->isChecked())
        return 0;
    return rbMouseNearCenter->isChecked() ? 4 : 1;
}

void TFlashOptionsForm::SetVideoOptions(
    int sfwType, int flvType, int keyframes, int quality, int bitrate, int qualityMode, QColor paddingColour)
{
    (sfwType == 1 ? rbFlashVideo : rbStandardSwf)->setChecked(true);
    (flvType == 1 ? rbScreenVideo : rbH263)->setChecked(true);
    edtFLVKeyframes->setText(QString::number(keyframes));
    tbFLVQuality->setValue(quality / 1000);
    sbVideoBitrate->setValue(bitrate);
    cbxQualityMode->setCurrentIndex(qualityMode);
    m_paddingColour = paddingColour;
}

void TFlashOptionsForm::GetVideoOptions(int& sfwType, int& flvType, int& keyframes, int& quality,
    int& bitrate, int& qualityMode, QColor& paddingColour) const
{
    sfwType = rbFlashVideo->isChecked() ? 1 : 0;
    flvType = rbScreenVideo->isChecked() ? 1 : 0;
    keyframes = FlvKeyframesFromText(edtFLVKeyframes->text().toStdString());
    quality = tbFLVQuality->value() * 1000;
    bitrate = sbVideoBitrate->value();
    qualityMode = cbxQualityMode->currentIndex();
    paddingColour = m_paddingColour;
}

void TFlashOptionsForm::SetBatchScaling(bool on)
{
    m_updating = false;
    m_batchScaling = on;
    if (on)
        SetMovieSize(100, 100);
}
