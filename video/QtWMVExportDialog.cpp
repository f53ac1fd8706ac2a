#include "video/QtWMVExportDialog.h"

#include "video/WMVExportForm.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace vantor::video {

namespace {

// The autoscroll frame is never smaller than this, shown or saved.
constexpr int kMinimumAutoscroll = 10;
// The batch tool does not know the movies' sizes: percentages and pixels
// refer to this square unless pixel values were saved.
constexpr int kReferenceSide = 100;

} // namespace

QtWMVExportDialog::QtWMVExportDialog(TWMVExportForm& form)
    : m_form(form)
{
}

void QtWMVExportDialog::Prepare(const WmvExportSettings& s)
{
    TWMVExportForm& f = m_form;
    f.cbSound->setChecked(s.exportSounds);
    f.UnlockAspectInPixels = true;
    f.SetVideoFormat(s.videoCodecId, s.isVideoVBR, s.videoNumPasses, s.videoBitrate, s.videoQuality);
    f.SetAudioFormat(s.audioCodecId, s.audioFormatId, s.isAudioVBR, s.audioNumPasses);

    const bool pixels = s.outputSizeWidth != 0 && s.outputSizeHeight != 0;
    if (pixels)
        f.SetMovieSize(s.outputSizeWidth, s.outputSizeHeight);
    else
        f.SetMovieSize(kReferenceSide, kReferenceSide);
    f.KeepAspect->setChecked(s.outputSizeKeepAspectRatio);
    f.rbScaleToPercents->setChecked(s.scaleToPercents);
    f.rbScaleToPixels->setChecked(!s.scaleToPercents);
    if (!s.scaleToPercents && pixels)
        f.SetScalePixels(s.outputSizeWidth, s.outputSizeHeight);
    else
        f.SetScalePercents(s.outputSizeWidthPercent, s.outputSizeHeightPercent);

    f.SetFrameRate(kWmvFullFrameRate, s.frameRateCustom, s.frameRateMode);
    f.SetFrameRateCaptions(kWmvFullFrameRate);
    f.SetFrameRange(1, -1, -1);
    f.SetAutoscroll(std::max(kMinimumAutoscroll, s.autoscrollWidth),
        std::max(kMinimumAutoscroll, s.autoscrollHeight), s.autoscrollMode);
    f.btnGetFromCropRect->setVisible(false);
    f.cbAutoscroll->setEnabled(true);
    f.SetMaxOutputSize(kWmvMaxOutputSize, kWmvMaxOutputSize);
}

bool QtWMVExportDialog::Execute()
{
    return m_form.exec() == QDialog::Accepted;
}

void QtWMVExportDialog::ReadBack(WmvExportSettings& s) const
{
    const TWMVExportForm& f = m_form;
    f.GetFrameRate(&s.frameRateCustom, &s.frameRateMode);
    s.exportSounds = f.cbSound->isChecked();
    s.outputSizeWidthPercent = f.GetWidthPercent();
    s.outputSizeHeightPercent = f.GetHeightPercent();
    s.outputSizeWidth = f.GetOutputWidth();
    s.outputSizeHeight = f.GetOutputHeight();
    s.autoscrollMode = f.GetAutoscroll(&s.autoscrollWidth, &s.autoscrollHeight);
    s.autoscrollWidth = std::max(kMinimumAutoscroll, s.autoscrollWidth);
    s.autoscrollHeight = std::max(kMinimumAutoscroll, s.autoscrollHeight);
    f.GetVideoFormat(&s.videoCodecId, &s.isVideoVBR, &s.videoNumPasses, &s.videoBitrate, &s.videoQuality);
    f.GetAudioFormat(&s.audioCodecId, &s.audioFormatId, &s.isAudioVBR, &s.audioNumPasses);
    s.scaleToPercents = f.rbScaleToPercents->isChecked();
    s.outputSizeKeepAspectRatio = f.KeepAspect->isChecked();
}

} // namespace vantor::video
