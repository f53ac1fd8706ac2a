#include "flash/FlashOptionsFormExchange.h"

#include "flash/FlashExportSettings.h"
#include "flash/FlashOptionsForm.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace vantor {

namespace {
constexpr int kBatchMovieRate = 25; // no single movie is known in a batch
constexpr int kNominalSize = 100;
} // namespace

void PrepareFlashOptionsForm(TFlashOptionsForm& form, const FlashExportSettings& s, bool mp3Available)
{
    form.SetBatchMode(true);

    form.SetFrameRate(kBatchMovieRate, s.FrameRateCustom, s.FrameRateMode);
    form.SetFrameRateCaptions(kBatchMovieRate);
    form.SetFrameCount(1);
    form.SetFrameRange(-1, -1);

    form.SetExportSound(s.ExportSounds);
    form.SetMP3Enabled(mp3Available);
    form.SetSoundFormat(s.UseBestSoundFormat, s.SoundFormat);
    form.SetSoundCompression(s.SoundCompressFormat, s.SoundMP3Profile);

    form.SetImageQuality(s.ZlibCompressLevel, s.JPEGQuality);
    form.SetColorFormat(s.ColorFormat, s.ColorBitsCount);
    form.SetStartingPlaybackMode(s.StartingPlaybackMode);
    form.SetPreviewMode(s.PreviewMode);
    form.cbStopAtEnd->setChecked(s.SWFStopOnLastFrame);
    form.SetSingleSwf(s.SingleSwf);
    form.SetPreloadPercent(s.PreloadPercent);

    form.SetControlBar(s.ControlBarType, s.ExternalControlBarFileName);
    form.SetControlBarPos(s.ControlBarPositionMode, s.ControlBarPositionOver);
    form.SetAddControlBar(s.AddControlBar);

    const bool sizeKnown = s.OutputSizeWidth != 0 && s.OutputSizeHeight != 0;
    form.SetMovieSize(
        sizeKnown ? s.OutputSizeWidth : kNominalSize, sizeKnown ? s.OutputSizeHeight : kNominalSize);
    form.KeepAspect->setChecked(s.OutputSizeKeepAspectRatio);
    form.SetScaleToPercents(s.ScaleToPercents);
    if (s.ScaleToPercents || !sizeKnown)
        form.SetScalePercent(
            static_cast<float>(s.OutputSizeWidthPercent), static_cast<float>(s.OutputSizeHeightPercent));
    else
        form.SetScalePixels(s.OutputSizeWidth, s.OutputSizeHeight);

    form.cbMXCompression->setChecked(s.MXCompression);
    form.cbAutoHide->setChecked(s.AutoHide);
    form.SetFlashVersion(s.FlashVersion);
    form.cbShowAutoHide->setChecked(s.ShowAutoHide);
    form.SetScaleMode(s.ScaleMode);
    form.cbVTLogo->setChecked(s.ShowVTLogo);
    form.cbVolumeBar->setChecked(s.ShowSoundBar);
    form.cbFullScreen->setChecked(s.ShowFullScreen);
    form.cbTimer->setChecked(s.ShowTimer);
    form.cbNextPrev->setChecked(s.ShowNextPrev);
    form.cbTimeline->setChecked(s.ShowTimeline);
    form.cbShowPausedOverlay->setChecked(s.ShowPausedOverlay);
    form.cbPauseByClick->setChecked(s.PauseByClickingOnMovie);
    form.cbShowCursor->setChecked(s.ShowCursor);

    form.ReloadList(s.HTMLTemplateFileName);

    form.SetAutoscroll(s.AutoscrollWidth, s.AutoscrollHeight, s.AutoscrollMode);
    form.btnSetVisible->hide();

    form.cbSecureDomain->setChecked(s.UseSecureDomain);
    form.edtSecureDomain->setText(QString::fromStdString(s.SecureDomainName));
    form.cbSecureCode->setChecked(s.UseSecureCode);
    form.edtSecureCode->setText(QString::fromStdString(s.SecureCode));

    form.SetVideoOptions(s.SFWType, s.FLVType, s.FLVKeyframes, s.FLVQuality, s.FLVBitrate, 0, Qt::white);
    form.UpdateVideoControls();

    form.SetBatchScaling(true);
}

void ReadFlashOptionsForm(const TFlashOptionsForm& form, FlashExportSettings& s)
{
    form.GetFrameRate(s.FrameRateCustom, s.FrameRateMode);
    s.ExportSounds = form.GetExportSound();
    s.SoundFormat = form.GetSoundFormat(s.UseBestSoundFormat);
    s.SoundCompressFormat = form.GetSoundCompression(s.SoundMP3Profile);
    form.GetImageQuality(s.ZlibCompressLevel, s.JPEGQuality);
    s.ColorFormat = form.GetColorFormat(s.ColorBitsCount);
    s.StartingPlaybackMode = form.GetStartingPlaybackMode();
    s.PreviewMode = form.GetPreviewMode();
    s.SWFStopOnLastFrame = form.cbStopAtEnd->isChecked();
    s.SingleSwf = form.GetSingleSwf();
    s.PreloadPercent = form.GetPreloadPercent();

    s.ControlBarType = form.GetControlBar(s.ExternalControlBarFileName);
    s.ControlBarPositionMode = form.GetControlBarPos(s.ControlBarPositionOver);
    s.AddControlBar = form.GetAddControlBar();

    s.OutputSizeKeepAspectRatio = form.KeepAspect->isChecked();
    s.ScaleToPercents = form.GetScaleToPercents();
    s.OutputSizeWidthPercent = form.GetScaleWidthPercent();
    s.OutputSizeHeightPercent = form.GetScaleHeightPercent();
    s.OutputSizeWidth = form.GetScaleWidth();
    s.OutputSizeHeight = form.GetScaleHeight();

    s.MXCompression = form.cbMXCompression->isChecked();
    s.AutoHide = form.cbAutoHide->isChecked();
    s.FlashVersion = form.GetFlashVersion();
    s.ShowAutoHide = form.cbShowAutoHide->isChecked();
    s.ScaleMode = form.GetScaleMode();
    s.ShowVTLogo = form.cbVTLogo->isChecked();
    s.ShowSoundBar = form.cbVolumeBar->isChecked();
    s.ShowFullScreen = form.cbFullScreen->isChecked();
    s.ShowTimer = form.cbTimer->isChecked();
    s.ShowNextPrev = form.cbNextPrev->isChecked();
    s.ShowTimeline = form.cbTimeline->isChecked();
    s.ShowPausedOverlay = form.cbShowPausedOverlay->isChecked();
    s.PauseByClickingOnMovie = form.cbPauseByClick->isChecked();
    s.ShowCursor = form.cbShowCursor->isChecked();

    s.HTMLTemplateFileName = form.GetTemplate();
    s.AutoscrollMode = form.GetAutoscroll(s.AutoscrollWidth, s.AutoscrollHeight);

    s.UseSecureDomain = form.cbSecureDomain->isChecked();
    s.SecureDomainName = form.edtSecureDomain->text().toStdString();
    s.UseSecureCode = form.cbSecureCode->isChecked();
    s.SecureCode = form.edtSecureCode->text().toStdString();

    int qualityMode = 0;
    QColor paddingColour;
    form.GetVideoOptions(
        s.SFWType, s.FLVType, s.FLVKeyframes, s.FLVQuality, s.FLVBitrate, qualityMode, paddingColour);
    s.RaiseAutoscrollToMinimum();
}

} // namespace vantor
