#pragma once

// The Flash options dialog's decisions that need no widget: frame-rate
// arithmetic and the 16000-frame limit, which controls are enabled (and
// which choices a choice forces), the colour-depth lists, the confirm
// checks and the help topics. The dialog copies the answers onto its
// controls; each function is the whole rule of one control or group.

#include <string>
#include <vector>

namespace vantor::flash_rules {

// Pages of the dialog, in list order.
enum Page : int {
    kPageGeneral = 0,
    kPagePlayback = 1,
    kPageVideoQuality = 2,
    kPageAudio = 3,
    kPageControlBar = 4,
    kPageAutoscroll = 5,
    kPageHtmlTemplate = 6,
    kPageSwfFileGeneration = 7,
    kPageMore = 8,
    kPageCount = 9,
};

// ---- Frame rate -----------------------------------------------------------

// FrameRateMode values.
enum FrameRateMode : int { kFullRate = 0, kHalfRate = 1, kQuarterRate = 2, kCustomRate = 3 };

// The rate a mode gives: the movie rate, half or a quarter of it (rounded
// toward zero), or the custom rate.
int EffectiveFrameRate(int movieRate, int customRate, int mode);

// An SWF file holds at most this many frames.
inline constexpr int kSwfFrameLimit = 16000;
// Frames a standard SWF export would hold at the movie rate: the frame
// count, or the length of the selected range.
int FramesToExport(int frameCount, bool selectedFrames, int firstFrame, int lastFrame);
// movie rate × 16000 / frames, integer division; 0 frames count as 1.
int HighestUsableRate(int movieRate, int frames);
// Upper bound of the custom-rate field.
int CustomRateMaximum(bool flashVideo, int movieRate);

// ---- Playback and SWF file generation --------------------------------------

struct PlaybackInputs {
    bool noDownloadChosen = false; // "Do not download movie until clicked"
    bool singleSwfChosen = false; // "Export single SWF file ..."
    bool flashVideo = false; // Flash video chosen instead of standard SWF
    bool showPreviewTicked = false;
    bool separatePreviewTicked = false;
};

struct PlaybackStates {
    bool showPreviewEnabled = false;
    bool showPreviewTicked = false;
    bool separatePreviewEnabled = false;
    bool separatePreviewTicked = false;
    bool dimPreviewEnabled = false;
    bool singleSeparateEnabled = false; // the two choices and their labels
    bool actionScript3Enabled = false;

    bool operator==(const PlaybackStates&) const = default;
};

// An option that is not available is unticked.
PlaybackStates DecidePlayback(const PlaybackInputs& inputs);

// Choosing "Do not download movie until clicked" with a single standard SWF
// switches to separate files.
bool NoDownloadForcesSeparate(bool singleSwfChosen, bool flashVideo);

// ---- Video quality ---------------------------------------------------------

// The colour-depth list for lossless or JPEG images, as string-table ids.
std::vector<int> ColourDepthEntries(bool lossless);
// The entry chosen after switching between lossless and JPEG: an 8-bit
// entry stays 8-bit, any other becomes the deepest entry of the new list.
int ColourDepthAfterSwitch(int index, bool nowLossless);
// ColorFormat from the compression choice.
int ColorFormatFor(bool lossless, bool optimise);
// ColorBitsCount from the compression choice and the list entry.
int ColorBitsFor(bool lossless, int index);
// The list entry that shows `bits`.
int ColourDepthIndexFor(bool lossless, int bits);

// "H.263" and the mode list ("Quality" 0, "Bitrate" 1).
struct FlvEncodingStates {
    bool modeListEnabled = false;
    bool qualityEnabled = false;
    bool qualityVisible = false;
    bool bitrateVisible = false;
    bool bitrateEnabled = false; // never, in batch use

    bool operator==(const FlvEncodingStates&) const = default;
};
FlvEncodingStates DecideFlvEncoding(bool h263, int qualityMode);

// The slider label: the position as a percentage of the range, then "%".
std::string PercentOfRangeText(int position, int minimum, int maximum);

// ---- Audio -----------------------------------------------------------------

struct AudioStates {
    bool formatChoicesEnabled = false; // the three format radio buttons
    bool formatListEnabled = false;
    bool mp3CheckEnabled = false;
    bool mp3ListEnabled = false;
    bool volumeBarEnabled = false;
    bool untickVolumeBar = false;

    bool operator==(const AudioStates&) const = default;
};
AudioStates DecideAudio(bool exportSound, bool selectFormatChosen, bool mp3Ticked);

// ---- Confirming ------------------------------------------------------------

struct ConfirmInputs {
    bool addControlBar = false;
    bool customisedChosen = false;
    std::string controlBarFile;
    bool useSecureCode = false;
    std::string secureCode;
};

struct ConfirmResult {
    bool accepted = true;
    int page = -1; // the page to show when refused
    int messageId = 0; // the string-table id of the message

    bool operator==(const ConfirmResult&) const = default;
};
ConfirmResult CheckConfirm(const ConfirmInputs& inputs);

// The secure code field holds at most this many characters.
inline constexpr int kSecureCodeMaxLength = 22;

// ---- Help ------------------------------------------------------------------

// The topic of "&Help" and F1 on `page`.
const char* HelpTopicForPage(int page);

} // namespace vantor::flash_rules
