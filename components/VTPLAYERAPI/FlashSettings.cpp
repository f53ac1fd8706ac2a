#include "FlashSettings.h"

#include "FFmpeg.h"
#include "xml/XMLSettings.h"

#include <algorithm>

namespace vtapi {

FlashSettings ReadFlashSettings(const std::string& settingsFile)
{
    TXMLSettings store(false);
    store.ReadXMLSettingsFile(settingsFile);
    FlashSettings s;
    const auto integer = [&store](const char* key, int& value) { value = store.GetInteger(key, value); };
    const auto boolean = [&store](const char* key, bool& value) { value = store.GetBool(key, value); };
    const auto text = [&store](const char* key, std::string& value) { value = store.GetString(key, value); };
    integer("SoundCodecId", s.soundCodecId);
    integer("FrameRateCustom", s.frameRateCustom);
    integer("FrameRateMode", s.frameRateMode);
    integer("ZlibCompressLevel", s.zlibCompressLevel);
    integer("ColorFormat", s.colorFormat);
    integer("JPEGQuality", s.jpegQuality);
    integer("ColorBitsCount", s.colorBitsCount);
    boolean("UseBestSoundFormat", s.useBestSoundFormat);
    integer("SoundFormat", s.soundFormat);
    integer("SoundCompressFormat", s.soundCompressFormat);
    integer("SoundMP3Profile", s.soundMP3Profile);
    boolean("AddControlBar", s.addControlBar);
    integer("AutoscrollMode", s.autoscrollMode);
    integer("AutoscrollWidth", s.autoscrollWidth);
    integer("AutoscrollHeight", s.autoscrollHeight);
    integer("StartingPlaybackMode", s.startingPlaybackMode);
    integer("PreviewMode", s.previewMode);
    integer("PreloadPercent", s.preloadPercent);
    boolean("SWFStopOnLastFrame", s.swfStopOnLastFrame);
    boolean("SingleSwf", s.singleSwf);
    text("HTMLTemplateFileName", s.htmlTemplateFileName);
    integer("ControlBarType", s.controlBarType);
    text("ExternalControlBarFileName", s.externalControlBarFileName);
    integer("ControlBarPositionMode", s.controlBarPositionMode);
    boolean("ControlBarPositionOver", s.controlBarPositionOver);
    s.outputSizeWidthPercent = store.GetFloat("OutputSizeWidthPercent", s.outputSizeWidthPercent);
    s.outputSizeHeightPercent = store.GetFloat("OutputSizeHeightPercent", s.outputSizeHeightPercent);
    integer("OutputSizeHeight", s.outputSizeHeight);
    integer("OutputSizeWidth", s.outputSizeWidth);
    boolean("OutputSizeKeepAspectRatio", s.outputSizeKeepAspectRatio);
    boolean("ScaleToPercents", s.scaleToPercents);
    boolean("MXCompression", s.mxCompression);
    boolean("UseSecureDomain", s.useSecureDomain);
    text("SecureDomainName", s.secureDomainName);
    boolean("UseSecureCode", s.useSecureCode);
    text("SecureCode", s.secureCode);
    boolean("ExportSounds", s.exportSounds);
    boolean("AutoHide", s.autoHide);
    boolean("ShowAutoHide", s.showAutoHide);
    integer("FlashVersion", s.flashVersion);
    integer("ScaleMode", s.scaleMode);
    boolean("ShowVTLogo", s.showVTLogo);
    boolean("ShowSoundBar", s.showSoundBar);
    boolean("ShowFullScreen", s.showFullScreen);
    boolean("ShowTimer", s.showTimer);
    boolean("ShowPausedOverlay", s.showPausedOverlay);
    boolean("PauseByClickingOnMovie", s.pauseByClickingOnMovie);
    boolean("ShowNextPrev", s.showNextPrev);
    boolean("ShowTimeline", s.showTimeline);
    integer("SFWType", s.sfwType);
    integer("FLVType", s.flvType);
    integer("FLVKeyframes", s.flvKeyframes);
    integer("FLVQuality", s.flvQuality);
    integer("FLVBitrate", s.flvBitrate);
    boolean("ShowCursor", s.showCursor);
    return s;
}

AviSettings CommonVideoSettings(const FlashSettings& settings, FrameSize movie)
{
    AviSettings common;
    common.frameRateCustom = settings.frameRateCustom;
    common.frameRateMode = settings.frameRateMode;
    common.scaleToPercents = settings.scaleToPercents;
    common.outputSizeWidthPercent = settings.outputSizeWidthPercent;
    common.outputSizeHeightPercent = settings.outputSizeHeightPercent;
    common.outputSizeWidth = settings.outputSizeWidth;
    common.outputSizeHeight = settings.outputSizeHeight;
    common.outputSizeKeepAspectRatio = settings.outputSizeKeepAspectRatio;
    common.useBestSoundFormat = settings.useBestSoundFormat;
    common.soundFormat = settings.soundFormat;
    common.soundCompressFormat = settings.soundCompressFormat;
    common.soundMP3Profile = settings.soundMP3Profile;
    common.exportSounds = settings.exportSounds;
    common.autoscrollMode = settings.autoscrollMode;
    // Flash keeps the autoscroll window in percent of the movie, at least 10.
    const auto pixels = [](int percent, int size) {
        return static_cast<int>(
            static_cast<std::int64_t>(size) * std::max(vantor::kAutoscrollMinimumPercent, percent) / 100);
    };
    common.autoscrollWidth = pixels(settings.autoscrollWidth, movie.width);
    common.autoscrollHeight = pixels(settings.autoscrollHeight, movie.height);
    return common;
}

AVRational SwfFrameRate(const FlashSettings& settings, AVRational movieRate, std::int64_t durationUs)
{
    AviSettings common;
    common.frameRateMode = settings.frameRateMode;
    common.frameRateCustom = std::clamp(settings.frameRateCustom, 1, 100);
    AVRational rate = OutputFrameRate(common, movieRate);
    const std::int64_t frames = av_rescale_q_rnd(durationUs, AV_TIME_BASE_Q, av_inv_q(rate), AV_ROUND_UP);
    if (frames > kSwfFrameLimit) {
        // The largest rate in hundredths of a frame per second that fits.
        const std::int64_t hundredths = kSwfFrameLimit * 100 * AV_TIME_BASE / durationUs;
        rate = av_make_q(static_cast<int>(std::max<std::int64_t>(1, hundredths)), 100);
    }
    return rate;
}

int SwfSoundRate(int rate)
{
    if (rate >= 44100)
        return 44100;
    if (rate >= 22050)
        return 22050;
    return 11025;
}

} // namespace vtapi
