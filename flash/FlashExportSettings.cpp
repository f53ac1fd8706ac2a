#include "flash/FlashExportSettings.h"

#include "strings/StringIds.h"
#include "support/Trace.h"
#include "xml/XMLSettings.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace vantor {

FlashExportSettings::FlashExportSettings() = default;
FlashExportSettings::~FlashExportSettings() = default;

void FlashExportSettings::Load(const std::string& settingsFilePrefix)
{
    TraceMethod trace("FlashExportSettings::Load");
    m_store = std::make_unique<TXMLSettings>(false);
    m_store->ReadXMLSettingsFile(settingsFilePrefix + kFlashSettingsFileName);
    const TXMLSettings& s = *m_store;
    // Read order and write order differ; both are kept as the engine's own
    // code has them.
    SoundCodecId = s.GetInteger("SoundCodecId", SoundCodecId);
    FrameRateCustom = s.GetInteger("FrameRateCustom", FrameRateCustom);
    FrameRateMode = s.GetInteger("FrameRateMode", FrameRateMode);
    ZlibCompressLevel = s.GetInteger("ZlibCompressLevel", ZlibCompressLevel);
    ColorFormat = s.GetInteger("ColorFormat", ColorFormat);
    JPEGQuality = s.GetInteger("JPEGQuality", JPEGQuality);
    ColorBitsCount = s.GetInteger("ColorBitsCount", ColorBitsCount);
    UseBestSoundFormat = s.GetBool("UseBestSoundFormat", UseBestSoundFormat);
    SoundFormat = s.GetInteger("SoundFormat", SoundFormat);
    SoundCompressFormat = s.GetInteger("SoundCompressFormat", SoundCompressFormat);
    SoundMP3Profile = s.GetInteger("SoundMP3Profile", SoundMP3Profile);
    AddControlBar = s.GetBool("AddControlBar", AddControlBar);
    AutoscrollMode = s.GetInteger("AutoscrollMode", AutoscrollMode);
    AutoscrollWidth = s.GetInteger("AutoscrollWidth", AutoscrollWidth);
    AutoscrollHeight = s.GetInteger("AutoscrollHeight", AutoscrollHeight);
    StartingPlaybackMode = s.GetInteger("StartingPlaybackMode", StartingPlaybackMode);
    PreviewMode = s.GetInteger("PreviewMode", PreviewMode);
    PreloadPercent = s.GetInteger("PreloadPercent", PreloadPercent);
    SWFStopOnLastFrame = s.GetBool("SWFStopOnLastFrame", SWFStopOnLastFrame);
    SingleSwf = s.GetBool("SingleSwf", SingleSwf);
    HTMLTemplateFileName = s.GetString("HTMLTemplateFileName", HTMLTemplateFileName);
    ControlBarType = s.GetInteger("ControlBarType", ControlBarType);
    ExternalControlBarFileName = s.GetString("ExternalControlBarFileName", ExternalControlBarFileName);
    ControlBarPositionMode = s.GetInteger("ControlBarPositionMode", ControlBarPositionMode);
    ControlBarPositionOver = s.GetBool("ControlBarPositionOver", ControlBarPositionOver);
    OutputSizeWidthPercent = s.GetFloat("OutputSizeWidthPercent", OutputSizeWidthPercent);
    OutputSizeHeightPercent = s.GetFloat("OutputSizeHeightPercent", OutputSizeHeightPercent);
    OutputSizeHeight = s.GetInteger("OutputSizeHeight", OutputSizeHeight);
    OutputSizeWidth = s.GetInteger("OutputSizeWidth", OutputSizeWidth);
    OutputSizeKeepAspectRatio = s.GetBool("OutputSizeKeepAspectRatio", OutputSizeKeepAspectRatio);
    ScaleToPercents = s.GetBool("ScaleToPercents", ScaleToPercents);
    MXCompression = s.GetBool("MXCompression", MXCompression);
    UseSecureDomain = s.GetBool("UseSecureDomain", UseSecureDomain);
    SecureDomainName = s.GetString("SecureDomainName", SecureDomainName);
    UseSecureCode = s.GetBool("UseSecureCode", UseSecureCode);
    SecureCode = s.GetString("SecureCode", SecureCode);
    ExportSounds = s.GetBool("ExportSounds", ExportSounds);
    AutoHide = s.GetBool("AutoHide", AutoHide);
    ShowAutoHide = s.GetBool("ShowAutoHide", ShowAutoHide);
    FlashVersion = s.GetInteger("FlashVersion", FlashVersion);
    ScaleMode = s.GetInteger("ScaleMode", ScaleMode);
    ShowVTLogo = s.GetBool("ShowVTLogo", ShowVTLogo);
    ShowSoundBar = s.GetBool("ShowSoundBar", ShowSoundBar);
    ShowFullScreen = s.GetBool("ShowFullScreen", ShowFullScreen);
    ShowTimer = s.GetBool("ShowTimer", ShowTimer);
    ShowPausedOverlay = s.GetBool("ShowPausedOverlay", ShowPausedOverlay);
    PauseByClickingOnMovie = s.GetBool("PauseByClickingOnMovie", PauseByClickingOnMovie);
    ShowNextPrev = s.GetBool("ShowNextPrev", ShowNextPrev);
    ShowTimeline = s.GetBool("ShowTimeline", ShowTimeline);
    SFWType = s.GetInteger("SFWType", SFWType);
    FLVType = s.GetInteger("FLVType", FLVType);
    FLVKeyframes = s.GetInteger("FLVKeyframes", FLVKeyframes);
    FLVQuality = s.GetInteger("FLVQuality", FLVQuality);
    FLVBitrate = s.GetInteger("FLVBitrate", FLVBitrate);
    ShowCursor = s.GetBool("ShowCursor", ShowCursor);
}

bool FlashExportSettings::Save(const std::string& settingsFilePrefix)
{
    TraceMethod trace("FlashExportSettings::Save");
    if (!m_store)
        m_store = std::make_unique<TXMLSettings>(false);
    TXMLSettings& s = *m_store;
    s.SetInteger("SoundCodecId", SoundCodecId);
    s.SetInteger("FrameRateCustom", FrameRateCustom);
    s.SetInteger("FrameRateMode", FrameRateMode);
    s.SetInteger("ZlibCompressLevel", kZlibCompressLevel);
    s.SetInteger("JPEGQuality", JPEGQuality);
    s.SetInteger("ColorFormat", ColorFormat);
    s.SetInteger("ColorBitsCount", ColorBitsCount);
    s.SetBool("UseBestSoundFormat", UseBestSoundFormat);
    s.SetInteger("SoundFormat", SoundFormat);
    s.SetInteger("SoundCompressFormat", SoundCompressFormat);
    s.SetInteger("SoundMP3Profile", SoundMP3Profile);
    s.SetBool("AddControlBar", AddControlBar);
    s.SetInteger("AutoscrollMode", AutoscrollMode);
    s.SetInteger("AutoscrollWidth", AutoscrollWidth);
    s.SetInteger("AutoscrollHeight", AutoscrollHeight);
    s.SetInteger("StartingPlaybackMode", StartingPlaybackMode);
    s.SetInteger("PreviewMode", PreviewMode);
    s.SetInteger("PreloadPercent", PreloadPercent);
    s.SetBool("SWFStopOnLastFrame", SWFStopOnLastFrame);
    s.SetBool("SingleSwf", SingleSwf);
    s.SetString("HTMLTemplateFileName", HTMLTemplateFileName);
    s.SetInteger("ControlBarType", ControlBarType);
    s.SetString("ExternalControlBarFileName", ExternalControlBarFileName);
    s.SetInteger("ControlBarPositionMode", ControlBarPositionMode);
    s.SetBool("ControlBarPositionOver", ControlBarPositionOver);
    s.SetFloat("OutputSizeWidthPercent", OutputSizeWidthPercent);
    s.SetFloat("OutputSizeHeightPercent", OutputSizeHeightPercent);
    s.SetInteger("OutputSizeWidth", OutputSizeWidth);
    s.SetInteger("OutputSizeHeight", OutputSizeHeight);
    s.SetBool("OutputSizeKeepAspectRatio", OutputSizeKeepAspectRatio);
    s.SetBool("ScaleToPercents", ScaleToPercents);
    s.SetBool("MXCompression", MXCompression);
    s.SetBool("UseSecureDomain", UseSecureDomain);
    s.SetString("SecureDomainName", SecureDomainName);
    s.SetBool("UseSecureCode", UseSecureCode);
    s.SetString("SecureCode", SecureCode);
    s.SetBool("ExportSounds", ExportSounds);
    s.SetBool("AutoHide", AutoHide);
    s.SetBool("ShowAutoHide", ShowAutoHide);
    s.SetInteger("FlashVersion", kFlashVersion);
    s.SetInteger("ScaleMode", ScaleMode);
    s.SetBool("ShowVTLogo", ShowVTLogo);
    s.SetBool("ShowFullScreen", ShowFullScreen);
    s.SetBool("ShowTimer", ShowTimer);
    s.SetBool("ShowSoundBar", ShowSoundBar);
    s.SetBool("ShowPausedOverlay", ShowPausedOverlay);
    s.SetBool("PauseByClickingOnMovie", PauseByClickingOnMovie);
    s.SetBool("ShowNextPrev", ShowNextPrev);
    s.SetBool("ShowTimeline", ShowTimeline);
    s.SetInteger("SFWType", SFWType);
    s.SetInteger("FLVType", FLVType);
    s.SetInteger("FLVKeyframes", FLVKeyframes);
    s.SetInteger("FLVQuality", FLVQuality);
    s.SetInteger("FLVBitrate", FLVBitrate);
    s.SetBool("ShowCursor", ShowCursor);
    const bool saved = s.SaveFile(settingsFilePrefix + kFlashSettingsFileName);
    m_store.reset();
    return saved;
}

void FlashExportSettings::Discard()
{
    m_store.reset();
}

void FlashExportSettings::RaiseAutoscrollToMinimum()
{
    AutoscrollWidth = std::max(AutoscrollWidth, kAutoscrollMinimumPercent);
    AutoscrollHeight = std::max(AutoscrollHeight, kAutoscrollMinimumPercent);
}

namespace {

// The whole text as a whole number (leading blanks and a sign allowed, as
// the edit fields' number conversion takes them).
std::optional<int> WholeNumber(const std::string& text)
{
    size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos)
        return std::nullopt;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    if (*first == '+')
        ++first;
    int value = 0;
    auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return value;
}

} // namespace

int PreloadPercentFromText(const std::string& text)
{
    std::optional<int> value = WholeNumber(text);
    if (!value || *value < 0 || *value > 100)
        return 0;
    return *value;
}

int FlvKeyframesFromText(const std::string& text)
{
    return WholeNumber(text).value_or(30);
}

const std::array<SoundFormatEntry, 12>& SoundFormatList()
{
    static const std::array<SoundFormatEntry, 12> list { {
        { str::kSoundFormat11kMono8, 1 },
        { str::kSoundFormat11kMono16, 4 },
        { str::kSoundFormat11kStereo8, 2 },
        { str::kSoundFormat11kStereo16, 8 },
        { str::kSoundFormat22kMono8, 16 },
        { str::kSoundFormat22kMono16, 64 },
        { str::kSoundFormat22kStereo8, 32 },
        { str::kSoundFormat22kStereo16, 128 },
        { str::kSoundFormat44kMono8, 256 },
        { str::kSoundFormat44kMono16, 1024 },
        { str::kSoundFormat44kStereo8, 512 },
        { str::kSoundFormat44kStereo16, 2048 },
    } };
    return list;
}

int SoundFormatPosition(int code)
{
    const auto& list = SoundFormatList();
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].code == code)
            return static_cast<int>(i);
    }
    return -1;
}

const std::array<int, 4>& Mp3QualityTextIds()
{
    static const std::array<int, 4> ids { str::kMp3LowQuality, str::kMp3NormalQuality, str::kMp3HighQuality,
        str::kMp3VeryHighQuality };
    return ids;
}

namespace {
constexpr std::array<int, 4> kMp3Profiles { 1, 0, 2, 5 }; // by list position
}

int Mp3ProfileFromPosition(int position)
{
    if (position < 0 || position >= static_cast<int>(kMp3Profiles.size()))
        return 0;
    return kMp3Profiles[position];
}

int Mp3PositionFromProfile(int profile)
{
    for (size_t i = 0; i < kMp3Profiles.size(); ++i) {
        if (kMp3Profiles[i] == profile)
            return static_cast<int>(i);
    }
    return 2;
}

} // namespace vantor
