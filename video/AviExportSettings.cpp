#include "video/AviExportSettings.h"

#include "xml/XMLSettings.h"

namespace vantor::video {

void ReadAviExportSettings(const TXMLSettings& store, AviExportSettings& s)
{
    s.videoCodecId = static_cast<std::uint32_t>(
        store.GetInteger("VideoCodecId", static_cast<std::int32_t>(s.videoCodecId)));
    s.videoCodecKeyFrameRate = store.GetInteger("VideoCodecKeyFrameRate", s.videoCodecKeyFrameRate);
    s.videoCodecQuality = store.GetInteger("VideoCodecQuality", s.videoCodecQuality);
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
    s.useOldAVIFormat = store.GetBool("UseOldAVIFormat", s.useOldAVIFormat);
    s.exportSounds = store.GetBool("ExportSounds", s.exportSounds);
}

void WriteAviExportSettings(TXMLSettings& store, const AviExportSettings& s)
{
    store.SetInteger("VideoCodecId", static_cast<std::int32_t>(s.videoCodecId));
    store.SetInteger("VideoCodecKeyFrameRate", s.videoCodecKeyFrameRate);
    store.SetInteger("VideoCodecQuality", s.videoCodecQuality);
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
    store.SetBool("UseOldAVIFormat", s.useOldAVIFormat);
    store.SetBool("ExportSounds", s.exportSounds);
    store.SetBool("ScaleToPercents", s.scaleToPercents);
}

} // namespace vantor::video
