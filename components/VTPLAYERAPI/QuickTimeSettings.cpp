#include "QuickTimeSettings.h"

#include "xml/XMLSettings.h"

#include <algorithm>

namespace vtapi {

namespace {
constexpr int kSizeMultiple = 16;
constexpr int kMaxSide = 16384;
} // namespace

QuickTimeSettings ReadQuickTimeSettings(const std::string& settingsFile)
{
    TXMLSettings store(true);
    store.ReadXMLSettingsFile(settingsFile);
    QuickTimeSettings s;
    AviSettings& c = s.common;
    // The order in which the program reads them.
    c.frameRateCustom = store.GetInteger("FrameRateCustom", 24);
    c.frameRateMode = store.GetInteger("FrameRateMode", 0);
    c.scaleToPercents = store.GetBool("ScaleToPercents", true);
    c.outputSizeWidthPercent = static_cast<float>(store.GetFloat("OutputSizeWidthPercent", 100.0));
    c.outputSizeHeightPercent = static_cast<float>(store.GetFloat("OutputSizeHeightPercent", 100.0));
    c.outputSizeWidth = store.GetInteger("OutputSizeWidth", 0);
    c.outputSizeHeight = store.GetInteger("OutputSizeHeight", 0);
    c.outputSizeKeepAspectRatio = store.GetBool("OutputSizeKeepAspectRatio", true);
    c.useBestSoundFormat = store.GetBool("UseBestSoundFormat", false);
    c.soundFormat = store.GetInteger("SoundFormat", 0);
    c.soundCompressFormat = store.GetInteger("SoundCompressFormat", 85);
    c.soundMP3Profile = store.GetInteger("SoundMP3Profile", 0);
    c.autoscrollMode = store.GetInteger("AutoscrollMode", 0);
    c.autoscrollWidth = store.GetInteger("AutoscrollWidth", 0);
    c.autoscrollHeight = store.GetInteger("AutoscrollHeight", 0);
    c.exportSounds = store.GetBool("ExportSounds", true);
    s.flattenMovie = store.GetBool("FlattenMovie", true);
    s.keyFrame = store.GetInteger("KeyFrame", 0);
    s.dataRateType = store.GetInteger("DateRateType", 0);
    s.dataRate = store.GetInteger("DateRate", 600);
    s.dataRateMax = store.GetInteger("DateRateMax", 800);
    s.dataRateMin = store.GetInteger("DateRateMin", 400);
    s.quality = store.GetInteger("Quality", 870);
    s.multipass = store.GetBool("Multipass", false);
    s.playbackControls = store.GetBool("PlaybackControls", true);
    s.vAlign = store.GetInteger("VAlign", 0);
    s.hAlign = store.GetInteger("HAlign", 0);
    s.prebuffer = store.GetInteger("Prebuffer", 30);
    s.autoHide = store.GetBool("AutoHide", false);
    return s;
}

FrameSize QuickTimeOutputSize(const QuickTimeSettings& settings, FrameSize view)
{
    const FrameSize size = OutputSize(settings.common, view, 1);
    const auto round = [](int value) {
        return std::min(kMaxSide, (value + kSizeMultiple - 1) / kSizeMultiple * kSizeMultiple);
    };
    return { round(size.width), round(size.height) };
}

VTQTCodecParams QuickTimeCodecParams(const QuickTimeSettings& settings)
{
    VTQTCodecParams params {};
    params.quality = std::clamp(settings.quality, 0, VTQT_QUALITY_MAX);
    params.keyFrameInterval = std::max(0, settings.keyFrame);
    switch (settings.dataRateType) {
    case 1:
        params.dataRateType = VTQT_DATA_RATE_AVERAGE;
        break;
    case 2:
        params.dataRateType = VTQT_DATA_RATE_MANUAL;
        break;
    default:
        params.dataRateType = VTQT_DATA_RATE_AUTOMATIC;
        break;
    }
    params.dataRate = settings.dataRate;
    params.dataRateMin = settings.dataRateMin;
    params.dataRateMax = settings.dataRateMax;
    return params;
}

QuickTimeSound ChooseQuickTimeSound(
    const QuickTimeSettings& settings, int movieRate, int movieChannels, bool mp3Available)
{
    AviSettings wanted = settings.common;
    if (!mp3Available)
        wanted.soundCompressFormat = 1;
    // The MP3 arithmetic gives the rate and bit rate for either codec: AAC
    // takes the same rates and gets the bit rate of the chosen MP3 quality.
    AviSettings asMp3 = wanted;
    asMp3.soundCompressFormat = 85;
    const SoundFormat format = ChooseSoundFormat(asMp3, movieRate, movieChannels);
    return { wanted.soundCompressFormat == 85, format.sampleRate, format.channels, format.bitRate };
}

} // namespace vtapi
