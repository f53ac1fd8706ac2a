#include "video/QtQuickTimeExportDialogs.h"

#include "app/SoundRecorder.h"
#include "app/StringTable.h"
#include "strings/StringIds.h"
#include "video/AviExportSettings.h"
#include "video/OutputSizeForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

#include <algorithm>

namespace vantor::video {

namespace {

constexpr int kMaximumPrebuffer = 100;
// What an empty or garbled field gives.
constexpr int kKeyFrameFallback = 30;
constexpr int kDataRateFallback = 90;

int IntegerOf(const QLineEdit* edit, int fallback)
{
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

QtQuickTimeExportDialogs::QtQuickTimeExportDialogs(TOutputSizeForm& form)
    : m_form(form)
{
}

void QtQuickTimeExportDialogs::Prepare(const QuickTimeExportSettings& s)
{
    TOutputSizeForm& f = m_form;
    f.UnlockAspectInPixels = true;
    f.QuickTimeMode = true;
    f.setWindowTitle(QString::fromStdString(LoadStr(str::kQtOptionsCaption)));
    f.PageControl->setTabVisible(f.PageControl->indexOf(f.tsQT), true);
    f.gbKeyframes->setVisible(true);
    f.cbUseAVI10Format->setVisible(false);
    f.lblUseAVI10Format->setVisible(false);
    f.panFLVMode->setVisible(false);
    f.cbFlattenMovie->setVisible(true);

    f.SetDataRate(s.dataRateType, s.dataRate, s.dataRateMax, s.dataRateMin);
    f.cbFlattenMovie->setChecked(s.flattenMovie);

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

    f.cbCreateControlBar->setChecked(s.playbackControls);
    (s.vAlign == 0 ? f.rbAlignTop : s.vAlign == 1 ? f.rbAlignVCenter : f.rbAlignBottom)->setChecked(true);
    (s.hAlign == 0 ? f.rbAlignLeft : s.hAlign == 1 ? f.rbAlignHCenter : f.rbAlignRight)->setChecked(true);

    f.edtPrebuffer->setText(QString::number(s.prebuffer));
    f.cbAutoHide->setChecked(s.autoHide);
    f.edtKeyFrame->setText(QString::number(s.keyFrame));
    f.edtDateRate->setText(QString::number(s.dataRate));
    // The dialog is shared: a multi-pass choice of an earlier run must not
    // survive a file that says single pass.
    (s.multipass ? f.rbMultiPass : f.rbSinglePass)->setChecked(true);
    f.tbQuality->setValue(s.quality);

    f.SetFrameRate(kQuickTimeFullFrameRate, s.frameRateCustom, s.frameRateMode);
    f.SetFrameRateCaptions(kQuickTimeFullFrameRate);
    f.SetFrameRange(1, -1, -1);

    f.cbSound->setChecked(s.exportSounds);
    f.SetMP3Enabled(IsMP3Available());
    // A listed format selects "Select Format"; otherwise the stored choice
    // between the low- and the high-quality format.
    const int entry = s.soundFormat == 0 ? -1 : f.cbSoundFormat->findData(s.soundFormat);
    if (entry >= 0)
        f.cbSoundFormat->setCurrentIndex(entry);
    f.rdUseBestFormat->setChecked(true);
    if (!s.useBestSoundFormat)
        f.rdUseWorstFormat->setChecked(true);
    if (entry >= 0)
        f.rdUseExplicitFormat->setChecked(true);
    const bool mp3 = s.soundCompressFormat == kWaveFormatMp3;
    f.UseMP3Check->setChecked(mp3);
    f.cbMP3Profile->setEnabled(mp3);
    f.cbMP3Profile->setCurrentIndex(TOutputSizeForm::ProfileToIndex(s.soundMP3Profile));

    f.SetAutoscroll(std::max(kMinimumAutoscrollSize, s.autoscrollWidth),
        std::max(kMinimumAutoscrollSize, s.autoscrollHeight), s.autoscrollMode);
    f.btnGetFromCropRect->setVisible(false);
    f.cbAutoscroll->setEnabled(true);
}

void QtQuickTimeExportDialogs::ReadBack(QuickTimeExportSettings& s) const
{
    const TOutputSizeForm& f = m_form;
    f.GetDataRate(&s.dataRateType, &s.dataRate, &s.dataRateMax, &s.dataRateMin);
    s.playbackControls = f.cbCreateControlBar->isChecked();
    s.vAlign = f.rbAlignTop->isChecked() ? 0 : f.rbAlignVCenter->isChecked() ? 1 : 2;
    s.hAlign = f.rbAlignLeft->isChecked() ? 0 : f.rbAlignHCenter->isChecked() ? 1 : 2;
    s.prebuffer = std::clamp(IntegerOf(f.edtPrebuffer, s.prebuffer), 0, kMaximumPrebuffer);
    s.autoHide = f.cbAutoHide->isChecked();
    f.GetFrameRate(&s.frameRateCustom, &s.frameRateMode);
    s.keyFrame = IntegerOf(f.edtKeyFrame, kKeyFrameFallback);
    s.dataRate = IntegerOf(f.edtDateRate, kDataRateFallback);
    s.multipass = f.rbMultiPass->isChecked();
    s.quality = f.tbQuality->value();
    s.useBestSoundFormat = true;
    s.soundFormat = 0;
    if (f.rdUseExplicitFormat->isChecked())
        s.soundFormat = f.cbSoundFormat->currentIndex() < 0 ? 0 : f.cbSoundFormat->currentData().toInt();
    if (f.rdUseWorstFormat->isChecked())
        s.useBestSoundFormat = false;
    s.soundCompressFormat = f.GetSoundCompression(&s.soundMP3Profile);
    s.exportSounds = f.cbSound->isChecked();
    s.outputSizeWidthPercent = f.GetWidthPercent();
    s.outputSizeHeightPercent = f.GetHeightPercent();
    s.outputSizeWidth = f.GetOutputWidth();
    s.outputSizeHeight = f.GetOutputHeight();
    s.autoscrollMode = f.GetAutoscroll(&s.autoscrollWidth, &s.autoscrollHeight);
    s.autoscrollWidth = std::max(kMinimumAutoscrollSize, s.autoscrollWidth);
    s.autoscrollHeight = std::max(kMinimumAutoscrollSize, s.autoscrollHeight);
    s.flattenMovie = f.cbFlattenMovie->isChecked();
    s.scaleToPercents = f.rbScaleToPercents->isChecked();
    s.outputSizeKeepAspectRatio = f.KeepAspect->isChecked();
}

bool QtQuickTimeExportDialogs::Edit(QuickTimeExportSettings& s)
{
    Prepare(s);
    if (m_form.exec() != QDialog::Accepted)
        return false;
    ReadBack(s);
    return true;
}

} // namespace vantor::video
