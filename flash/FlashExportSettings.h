#pragma once

// FlashExportSettings: every option of a Flash export, as kept in the
// settings file prefix + "Flash.xml". The Player engine reads the same file
// by path, so the key names, their types and their values are the contract
// between this program and the engine. Members carry the names of their
// keys; all keys sit in the file's one flat section.
//
// Strings are growable std::string members: a long path or domain list is
// kept whole rather than cut at a fixed width.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class TXMLSettings;

namespace vantor {

inline constexpr char kFlashSettingsFileName[] = "Flash.xml";

// The wave-format tags that SoundCompressFormat holds.
inline constexpr int kSoundCompressMp3 = 85; // WAVE_FORMAT_MPEGLAYER3
inline constexpr int kSoundCompressPcm = 1; // WAVE_FORMAT_PCM

// ColorFormat values.
inline constexpr int kColorFormatLossless = 0;
inline constexpr int kColorFormatJpeg = 4;
inline constexpr int kColorFormatJpegOptimised = 100;

// Written whatever the file held: the engine only knows these.
inline constexpr int kZlibCompressLevel = 9;
inline constexpr int kFlashVersion = 9;

// The autoscroll frame never gets smaller than this many percent.
inline constexpr int kAutoscrollMinimumPercent = 10;

struct FlashExportSettings {
    int32_t SoundCodecId = 3;
    int32_t FrameRateCustom = 24;
    int32_t FrameRateMode = 0; // 0 full, 1 half, 2 quarter, 3 custom
    int32_t ZlibCompressLevel = kZlibCompressLevel;
    int32_t JPEGQuality = 80;
    int32_t ColorFormat = kColorFormatJpegOptimised;
    int32_t ColorBitsCount = 32;
    bool UseBestSoundFormat = false;
    int32_t SoundFormat = 0;
    int32_t SoundCompressFormat = kSoundCompressMp3;
    int32_t SoundMP3Profile = 0;
    bool ExportSounds = true;
    bool AddControlBar = true;
    int32_t ControlBarType = 0; // -1: ExternalControlBarFileName
    std::string ExternalControlBarFileName;
    int32_t ControlBarPositionMode = 1; // 0 not positioned, 1 top, 2 bottom
    bool ControlBarPositionOver = false;
    bool AutoHide = false;
    bool ShowAutoHide = true;
    bool ShowVTLogo = true;
    bool ShowSoundBar = true;
    bool ShowFullScreen = true;
    bool ShowTimer = true;
    bool ShowNextPrev = true;
    bool ShowTimeline = true;
    int32_t ScaleMode = 0;
    int32_t FlashVersion = kFlashVersion;
    int32_t AutoscrollMode = 0; // 0 off, 1 mouse in centre, 4 mouse near centre
    int32_t AutoscrollWidth = 0;
    int32_t AutoscrollHeight = 0;
    int32_t StartingPlaybackMode = 2; // 0 wait for a click, 1 download only, 2 download and play
    int32_t PreviewMode = 1; // 0 none, 1 image, 2 image in _preview.swf
    int32_t PreloadPercent = 0;
    bool SWFStopOnLastFrame = true;
    bool PauseByClickingOnMovie = true;
    bool ShowPausedOverlay = true;
    bool SingleSwf = true;
    std::string HTMLTemplateFileName;
    double OutputSizeWidthPercent = 100;
    double OutputSizeHeightPercent = 100;
    int32_t OutputSizeWidth = 0;
    int32_t OutputSizeHeight = 0;
    bool OutputSizeKeepAspectRatio = true;
    bool ScaleToPercents = true;
    bool MXCompression = true;
    bool UseSecureDomain = false;
    std::string SecureDomainName;
    bool UseSecureCode = false;
    std::string SecureCode;
    bool ShowCursor = true;
    int32_t SFWType = 0; // 0 standard SWF, 1 Flash video
    int32_t FLVType = 0; // 0 H.263, 1 Screen Video
    int32_t FLVKeyframes = 30;
    int32_t FLVQuality = 8500; // 0 to 10000 in steps of 1000
    int32_t FLVBitrate = 1500; // kbit/s

    FlashExportSettings();
    ~FlashExportSettings();
    FlashExportSettings(const FlashExportSettings&) = delete;
    FlashExportSettings& operator=(const FlashExportSettings&) = delete;

    // Loads prefix + "Flash.xml" over the current values: a missing key keeps
    // its value. The store stays open until Save, so that keys this program
    // does not know survive the round trip.
    void Load(const std::string& settingsFilePrefix);
    // Writes every key into the store opened by Load (a fresh one without
    // Load), saves prefix + "Flash.xml" and closes the store.
    bool Save(const std::string& settingsFilePrefix);
    // Drops the store without writing (the dialog was cancelled).
    void Discard();

    // Raises AutoscrollWidth and AutoscrollHeight to 10 percent.
    void RaiseAutoscrollToMinimum();

private:
    std::unique_ptr<TXMLSettings> m_store;
};

// PreloadPercent from the text of the preload field: a whole number from 0
// to 100; anything else is 0.
int PreloadPercentFromText(const std::string& text);

// FLVKeyframes from its field: a whole number; other text is 30.
int FlvKeyframesFromText(const std::string& text);

// The explicit sound formats of the dialog, in list order: the string-table
// id of the text and the SoundFormat code (the WAVE_FORMAT_1M08 to
// WAVE_FORMAT_4S16 capability bits).
struct SoundFormatEntry {
    int textId;
    int code;
};
const std::array<SoundFormatEntry, 12>& SoundFormatList();
// The list position of `code`, or -1 when it is not in the list.
int SoundFormatPosition(int code);
// The entry selected when the dialog is built: "22.05 kHz, mono, 16-bit".
inline constexpr int kDefaultSoundFormatPosition = 5;

// The MP3 quality list: 0 "Low quality", 1 "Normal quality", 2 "High
// quality", 3 "Very High quality".
const std::array<int, 4>& Mp3QualityTextIds();
int Mp3ProfileFromPosition(int position); // unknown position: 0
int Mp3PositionFromProfile(int profile); // unknown profile: 2

} // namespace vantor
