#include "video/QtAviExportDialogs.h"

#include "app/SoundRecorder.h"
#include "app/StringTable.h"
#include "strings/StringIds.h"
#include "video/CVCustomICCompressorsDlg.h"
#include "video/OutputSizeForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <algorithm>

namespace vantor::video {

namespace {

// The sample format the codec chooser asks the compressors about.
constexpr int kSampleSide = 400;
constexpr int kSampleBits = 32;
constexpr int kCompVarsSize = 64;
constexpr int kFullFrameRate = 25;

} // namespace

QtAviExportDialogs::QtAviExportDialogs(TOutputSizeForm& form, QWidget* mainForm)
    : m_form(form)
    , m_mainForm(mainForm)
{
}

void QtAviExportDialogs::Prepare(const AviExportSettings& s)
{
    TOutputSizeForm& f = m_form;
    f.UnlockAspectInPixels = true;
    f.QuickTimeMode = false;
    f.setWindowTitle(QString::fromStdString(LoadStr(str::kAviOptionsCaption)));
    f.PageControl->setTabVisible(f.PageControl->indexOf(f.tsQT), false);
    f.gbKeyframes->setVisible(false);
    f.cbUseAVI10Format->setVisible(true);
    f.lblUseAVI10Format->setVisible(true);
    f.panFLVMode->setVisible(true);
    f.cbFlattenMovie->setVisible(false);

    const bool pixels = s.outputSizeWidth != 0 && s.outputSizeHeight != 0;
    if (pixels)
        f.SetMovieSize(s.outputSizeWidth, s.outputSizeHeight);
    else
        f.SetMovieSize(100, 100);
    f.KeepAspect->setChecked(s.outputSizeKeepAspectRatio);
    f.rbScaleToPercents->setChecked(s.scaleToPercents);
    f.rbScaleToPixels->setChecked(!s.scaleToPercents);
    if (!s.scaleToPercents && pixels)
        f.SetScalePixels(s.outputSizeWidth, s.outputSizeHeight);
    else
        f.SetScalePercents(s.outputSizeWidthPercent, s.outputSizeHeightPercent);

    f.SetFrameRate(kFullFrameRate, s.frameRateCustom, s.frameRateMode);
    f.SetFrameRateCaptions(kFullFrameRate);
    f.SetFrameRange(1, -1, -1);

    f.cbSound->setChecked(s.exportSounds);
    f.SetMP3Enabled(IsMP3Available());
    f.rdUseBestFormat->setChecked(true);
    if (!s.useBestSoundFormat)
        f.rdUseWorstFormat->setChecked(true);
    const int entry = f.cbSoundFormat->findData(s.soundFormat);
    if (s.soundFormat != 0 && entry >= 0) {
        f.cbSoundFormat->setCurrentIndex(entry);
        f.rdUseExplicitFormat->setChecked(true);
    }
    const bool mp3 = s.soundCompressFormat == kWaveFormatMp3;
    f.UseMP3Check->setChecked(mp3 && f.UseMP3Check->isEnabled());
    f.cbMP3Profile->setEnabled(mp3);
    f.cbMP3Profile->setCurrentIndex(TOutputSizeForm::ProfileToIndex(s.soundMP3Profile));
    f.cbUseAVI10Format->setChecked(s.useOldAVIFormat);

    f.SetAutoscroll(std::max(kMinimumAutoscrollSize, s.autoscrollWidth),
        std::max(kMinimumAutoscrollSize, s.autoscrollHeight), s.autoscrollMode);
    f.btnGetFromCropRect->setVisible(false);
    f.cbAutoscroll->setEnabled(true);
}

void QtAviExportDialogs::ReadBack(AviExportSettings& s) const
{
    const TOutputSizeForm& f = m_form;
    f.GetFrameRate(&s.frameRateCustom, &s.frameRateMode);
    s.soundFormat = f.rdUseExplicitFormat->isChecked() ? f.cbSoundFormat->currentData().toInt() : 0;
    s.useBestSoundFormat = !f.rdUseWorstFormat->isChecked();
    s.soundCompressFormat = f.GetSoundCompression(&s.soundMP3Profile);
    s.exportSounds = f.cbSound->isChecked();
    s.outputSizeWidthPercent = f.GetWidthPercent();
    s.outputSizeHeightPercent = f.GetHeightPercent();
    s.outputSizeWidth = f.GetOutputWidth();
    s.outputSizeHeight = f.GetOutputHeight();
    s.autoscrollMode = f.GetAutoscroll(&s.autoscrollWidth, &s.autoscrollHeight);
    s.autoscrollWidth = std::max(kMinimumAutoscrollSize, s.autoscrollWidth);
    s.autoscrollHeight = std::max(kMinimumAutoscrollSize, s.autoscrollHeight);
}

bool QtAviExportDialogs::Edit(AviExportSettings& s)
{
    Prepare(s);
    if (m_form.exec() != QDialog::Accepted)
        return false;
    AviExportSettings edited = s;
    ReadBack(edited);

    platform::BITMAPINFOHEADER input;
    input.biWidth = kSampleSide;
    input.biHeight = kSampleSide;
    input.biPlanes = 1;
    input.biBitCount = kSampleBits;
    input.biCompression = platform::BI_RGB;
    input.biSizeImage = kSampleSide * kSampleSide * kSampleBits / 8;
    platform::COMPVARS compvars;
    compvars.cbSize = kCompVarsSize;
    platform::FOURCC fourcc = edited.videoCodecId;
    int keyFrames = edited.videoCodecKeyFrameRate;
    int quality = edited.videoCodecQuality;
    const bool chosen = CVCustomICCompressorChoose(
        nullptr, input, compvars, false, &fourcc, &keyFrames, &quality, nullptr, m_mainForm);
    ReleaseCompVars(compvars);
    if (!chosen)
        return false;
    edited.videoCodecId = fourcc;
    edited.videoCodecKeyFrameRate = keyFrames;
    edited.videoCodecQuality = quality;

    edited.scaleToPercents = m_form.rbScaleToPercents->isChecked();
    edited.outputSizeKeepAspectRatio = m_form.KeepAspect->isChecked();
    edited.useOldAVIFormat = m_form.cbUseAVI10Format->isChecked();
    s = edited;
    return true;
}

} // namespace vantor::video
