#include "flash/FlashOptionsRules.h"

#include "flash/FlashExportSettings.h"
#include "strings/StringIds.h"
#include "support/HelpLauncher.h"

#include <algorithm>

namespace vantor::flash_rules {

int EffectiveFrameRate(int movieRate, int customRate, int mode)
{
    switch (mode) {
    case kHalfRate:
        return movieRate / 2;
    case kQuarterRate:
        return movieRate / 4;
    case kCustomRate:
        return customRate;
    default:
        return movieRate;
    }
}

int FramesToExport(int frameCount, bool selectedFrames, int firstFrame, int lastFrame)
{
    return selectedFrames ? lastFrame - firstFrame + 1 : frameCount;
}

int HighestUsableRate(int movieRate, int frames)
{
    return static_cast<int>(static_cast<long long>(movieRate) * kSwfFrameLimit / std::max(frames, 1));
}

int CustomRateMaximum(bool flashVideo, int movieRate)
{
    return flashVideo ? movieRate : 100;
}

PlaybackStates DecidePlayback(const PlaybackInputs& inputs)
{
    PlaybackStates states;
    const bool singleStandard = inputs.singleSwfChosen && !inputs.flashVideo;
    states.showPreviewEnabled = inputs.noDownloadChosen && !singleStandard;
    states.showPreviewTicked = states.showPreviewEnabled && inputs.showPreviewTicked;
    states.separatePreviewEnabled = states.showPreviewEnabled && states.showPreviewTicked;
    states.separatePreviewTicked = states.separatePreviewEnabled && inputs.separatePreviewTicked;
    states.dimPreviewEnabled = states.showPreviewEnabled && states.showPreviewTicked;
    states.singleSeparateEnabled = !inputs.flashVideo;
    states.actionScript3Enabled = !inputs.flashVideo && !inputs.singleSwfChosen;
    return states;
}

bool NoDownloadForcesSeparate(bool singleSwfChosen, bool flashVideo)
{
    return singleSwfChosen && !flashVideo;
}

std::vector<int> ColourDepthEntries(bool lossless)
{
    if (lossless)
        return { str::kColorDepth8, str::kColorDepth16, str::kColorDepth32 };
    return { str::kColorDepth8, str::kColorDepth24 };
}

int ColourDepthAfterSwitch(int index, bool nowLossless)
{
    if (index == 0)
        return 0;
    return static_cast<int>(ColourDepthEntries(nowLossless).size()) - 1;
}

int ColorFormatFor(bool lossless, bool optimise)
{
    if (lossless)
        return kColorFormatLossless;
    return optimise ? kColorFormatJpegOptimised : kColorFormatJpeg;
}

int ColorBitsFor(bool lossless, int index)
{
    if (index == 0)
        return 8;
    if (lossless && index == 1)
        return 16;
    return 32;
}

int ColourDepthIndexFor(bool lossless, int bits)
{
    if (bits == 8)
        return 0;
    if (lossless && bits == 16)
        return 1;
    return lossless ? 2 : 1;
}

FlvEncodingStates DecideFlvEncoding(bool h263, int qualityMode)
{
    FlvEncodingStates states;
    states.modeListEnabled = h263;
    states.qualityEnabled = h263;
    states.qualityVisible = qualityMode == 0;
    states.bitrateVisible = qualityMode == 1;
    return states;
}

std::string PercentOfRangeText(int position, int minimum, int maximum)
{
    const int range = maximum - minimum;
    const int percent = range > 0 ? (position - minimum) * 100 / range : 0;
    return std::to_string(percent) + "%";
}

AudioStates DecideAudio(bool exportSound, bool selectFormatChosen, bool mp3Ticked)
{
    AudioStates states;
    states.formatChoicesEnabled = exportSound;
    states.formatListEnabled = exportSound && selectFormatChosen;
    states.mp3CheckEnabled = exportSound;
    states.mp3ListEnabled = exportSound && mp3Ticked;
    states.volumeBarEnabled = exportSound;
    states.untickVolumeBar = !exportSound;
    return states;
}

ConfirmResult CheckConfirm(const ConfirmInputs& inputs)
{
    if (inputs.addControlBar && inputs.customisedChosen && inputs.controlBarFile.empty())
        return { false, kPageControlBar, str::kFlashSelectCustomisedSwf };
    // A code of blanks is a code: only an empty field is refused.
    if (inputs.useSecureCode && inputs.secureCode.empty())
        return { false, kPageMore, str::kFlashEnterSecureCode };
    return {};
}

const char* HelpTopicForPage(int page)
{
    return page == kPageSwfFileGeneration ? help_topic::kFlashFiles : help_topic::kFlashFormat;
}

} // namespace vantor::flash_rules
