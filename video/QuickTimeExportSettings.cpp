#include "video/QuickTimeExportSettings.h"

#include "xml/XMLSettings.h"

namespace vantor::video {

int KeyFramesPerSecond(int frameRateMode, int frameRateCustom)
{
    switch (frameRateMode) {
    case 0:
        return kQuickTimeFullFrameRate;
    case 1:
        return kQuickTimeFullFrameRate / 2;
    case 2:
        return kQuickTimeFullFrameRate / 4;
    case 3:
        return frameRateCustom;
    default:
        return 0;
    }
}

void ReadQuickTimeExportSettings(const TXMLSettings& store, QuickTimeExportSettings& s)
{
    s.frameRateCustom = store.GetInteger("FrameRateCustom", s.frameRateCustom);
    s.frameRateMode = store.GetInteger("FrameRateMode", s.frameRateMode);
    s.scaleToPercents = store.GetBool("ScaleToPercents", s.scaleToPercents);
    // Stored as single-precision values.
    s.outputSizeWidthPercent
        = static_cast<float>(store.GetFloat("OutputSizeWidthPercent", s.outputSizeWidthPercent));
    s.outputSizeHeightPercent
        = static_cast<float>(store.GetFloat("OutputSizeHeightPercent", s.outputSizeHeightPercent));
    s.outputSizeWidth = store.GetInteger("OutputSizeWidth", s.outputSizeWidth);
    s.outputSizeHeight = store.GetInteger("OutputSizeHeight", s.outputSizeHeight);
    s.outputSizeKeepAspectRatio = store.GetBool("OutputSizeKeepAspectRatio", s.outputSizeKeepAspectRatio);
    s.useBestSoundFormat = store.GetBool("UseBestSoundFormat", s.useBestSoundFormat);
    s.soundFormat = store.GetInteger("SoundFormat", s.soundFormat);
    s.soundCompressFormat = store.GetInteger("SoundCompressFormat", s.soundCompressFormat);
    s.soundMP3Profile = store.GetInteger("SoundMP3Profile", s.soundMP3Profile);
    s.autoscrollMode = store.GetInteger("AutoscrollMode", s.autoscrollMode);
    s.autoscrollWidth = store.GetInteger("AutoscrollWidth", s.autoscrollWidth);
    s.autoscrollHeight = store.GetInteger("AutoscrollHeight", s.autoscrollHeight);
    s.exportSounds = store.GetBool("ExportSounds", s.exportSounds);
    s.flattenMovie = store.GetBool("FlattenMovie", s.flattenMovie);
    s.keyFrame = store.GetInteger("KeyFrame", s.keyFrame);
    s.dataRateType = store.GetInteger("DateRateType", s.dataRateType);
    if (s.keyFrame == 0)
        s.keyFrame = KeyFramesPerSecond(s.frameRateMode, s.frameRateCustom);
    s.dataRate = store.GetInteger("DateRate", s.dataRate);
    s.dataRateMax = store.GetInteger("DateRateMax", s.dataRateMax);
    s.dataRateMin = store.GetInteger("DateRateMin", s.dataRateMin);
    s.quality = store.GetInteger("Quality", s.quality);
    s.multipass = store.GetBool("Multipass", s.multipass);
    s.playbackControls = store.GetBool("PlaybackControls", s.playbackControls);
    s.vAlign = static_cast<std::uint8_t>(store.GetInteger("VAlign", s.vAlign));
    s.hAlign = static_cast<std::uint8_t>(store.GetInteger("HAlign", s.hAlign));
    s.prebuffer = store.GetInteger("Prebuffer", s.prebuffer);
    // Written as an integer; a stored integer reads as value != 0.
    s.autoHide = store.GetBool("AutoHide", s.autoHide);
}

void WriteQuickTimeExportSettings(TXMLSettings& store, const QuickTimeExportSettings& s)
{
    store.SetInteger("FrameRateCustom", s.frameRateCustom);
    store.SetInteger("FrameRateMode", s.frameRateMode);
    store.SetFloat("OutputSizeWidthPercent", s.outputSizeWidthPercent);
    store.SetFloat("OutputSizeHeightPercent", s.outputSizeHeightPercent);
    store.SetInteger("OutputSizeWidth", s.outputSizeWidth);
    store.SetInteger("OutputSizeHeight", s.outputSizeHeight);
    store.SetBool("OutputSizeKeepAspectRatio", s.outputSizeKeepAspectRatio);
    store.SetBool("UseBestSoundFormat", s.useBestSoundFormat);
    store.SetInteger("SoundFormat", s.soundFormat);
    store.SetInteger("SoundCompressFormat", s.soundCompressFormat);
    store.SetInteger("SoundMP3Profile", s.soundMP3Profile);
    store.SetInteger("AutoscrollMode", s.autoscrollMode);
    store.SetInteger("AutoscrollWidth", s.autoscrollWidth);
    store.SetInteger("AutoscrollHeight", s.autoscrollHeight);
    store.SetBool("ExportSounds", s.exportSounds);
    store.SetBool("ScaleToPercents", s.scaleToPercents);
    store.SetBool("FlattenMovie", s.flattenMovie);
    store.SetInteger("FrameRate", kQuickTimeFullFrameRate);
    // The frame-rate pair again, same values: the key order of the file
    // names them twice; the second write replaces the first.
    store.SetInteger("FrameRateCustom", s.frameRateCustom);
    store.SetInteger("FrameRateMode", s.frameRateMode);
    store.SetInteger("KeyFrame", s.keyFrame);
    store.SetInteger("DateRate", s.dataRate);
    store.SetInteger("Quality", s.quality);
    store.SetBool("Multipass", s.multipass);
    store.SetInteger("DateRateType", s.dataRateType);
    store.SetInteger("DateRateMax", s.dataRateMax);
    store.SetInteger("DateRateMin", s.dataRateMin);
    store.SetBool("PlaybackControls", s.playbackControls);
    store.SetInteger("VAlign", s.vAlign);
    store.SetInteger("HAlign", s.hAlign);
    store.SetInteger("Prebuffer", s.prebuffer);
    store.SetInteger("AutoHide", s.autoHide ? 1 : 0);
}

} // namespace vantor::video
