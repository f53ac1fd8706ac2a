#include "AviSettings.h"

#include "xml/XMLSettings.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace vtapi {

namespace {
constexpr int kMaxSide = 16384;
} // namespace

AviSettings ReadAviSettings(const std::string& settingsFile)
{
    TXMLSettings store(true);
    store.ReadXMLSettingsFile(settingsFile);
    AviSettings s;
    // The order in which the program reads them.
    s.videoCodecId = static_cast<std::uint32_t>(store.GetInteger("VideoCodecId", 0));
    s.videoCodecKeyFrameRate = store.GetInteger("VideoCodecKeyFrameRate", -1);
    s.videoCodecQuality = store.GetInteger("VideoCodecQuality", -1);
    s.frameRateCustom = store.GetInteger("FrameRateCustom", 24);
    s.frameRateMode = store.GetInteger("FrameRateMode", 0);
    s.scaleToPercents = store.GetBool("ScaleToPercents", true);
    // Single precision, as the dialog keeps them.
    s.outputSizeWidthPercent = static_cast<float>(store.GetFloat("OutputSizeWidthPercent", 100.0));
    s.outputSizeHeightPercent = static_cast<float>(store.GetFloat("OutputSizeHeightPercent", 100.0));
    s.outputSizeWidth = store.GetInteger("OutputSizeWidth", 0);
    s.outputSizeHeight = store.GetInteger("OutputSizeHeight", 0);
    s.outputSizeKeepAspectRatio = store.GetBool("OutputSizeKeepAspectRatio", true);
    s.useBestSoundFormat = store.GetBool("UseBestSoundFormat", false);
    s.soundFormat = store.GetInteger("SoundFormat", 0);
    s.soundCompressFormat = store.GetInteger("SoundCompressFormat", 85);
    s.soundMP3Profile = store.GetInteger("SoundMP3Profile", 0);
    s.autoscrollMode = store.GetInteger("AutoscrollMode", 0);
    s.autoscrollWidth = store.GetInteger("AutoscrollWidth", 0);
    s.autoscrollHeight = store.GetInteger("AutoscrollHeight", 0);
    s.useOldAVIFormat = store.GetBool("UseOldAVIFormat", false);
    s.exportSounds = store.GetBool("ExportSounds", true);
    return s;
}

AVRational OutputFrameRate(const AviSettings& settings, AVRational movieRate)
{
    switch (settings.frameRateMode) {
    case 1:
        return av_mul_q(movieRate, AVRational { 1, 2 });
    case 2:
        return av_mul_q(movieRate, AVRational { 1, 4 });
    case 3:
        if (settings.frameRateCustom > 0)
            return AVRational { std::min(settings.frameRateCustom, 1000), 1 };
        return movieRate;
    default:
        return movieRate;
    }
}

FrameSize ViewSize(const AviSettings& settings, FrameSize movie)
{
    if (settings.autoscrollMode == 0)
        return movie;
    constexpr int kMinimum = 10;
    return { std::min(std::max(kMinimum, settings.autoscrollWidth), movie.width),
        std::min(std::max(kMinimum, settings.autoscrollHeight), movie.height) };
}

FrameSize OutputSize(const AviSettings& settings, FrameSize view, int multiple, double epsilon)
{
    FrameSize size;
    if (!settings.scaleToPercents && settings.outputSizeWidth > 0 && settings.outputSizeHeight > 0) {
        size = { settings.outputSizeWidth, settings.outputSizeHeight };
        if (settings.outputSizeKeepAspectRatio) {
            // Fit inside the given box.
            const double ratio = std::min(
                static_cast<double>(size.width) / view.width, static_cast<double>(size.height) / view.height);
            size = { static_cast<int>(std::lround(view.width * ratio)),
                static_cast<int>(std::lround(view.height * ratio)) };
        }
    } else {
        double widthPercent = settings.outputSizeWidthPercent > 0 ? settings.outputSizeWidthPercent : 100.0;
        double heightPercent
            = settings.outputSizeHeightPercent > 0 ? settings.outputSizeHeightPercent : 100.0;
        if (settings.outputSizeKeepAspectRatio)
            heightPercent = widthPercent;
        // The truncation the options dialog shows in its size label.
        size = { static_cast<int>(view.width * widthPercent * 0.01 + epsilon),
            static_cast<int>(view.height * heightPercent * 0.01 + epsilon) };
    }
    multiple = std::max(1, multiple);
    const auto round = [multiple](int value) {
        value = std::clamp(value, 1, kMaxSide);
        return std::max(multiple, value / multiple * multiple);
    };
    return { round(size.width), round(size.height) };
}

SoundFormat ChooseSoundFormat(const AviSettings& settings, int movieRate, int movieChannels)
{
    SoundFormat format;
    // The capability flags come in groups of four per rate: mono 8-bit,
    // stereo 8-bit, mono 16-bit, stereo 16-bit.
    constexpr std::array<int, 5> kFlagRates = { 11025, 22050, 44100, 48000, 96000 };
    const auto flag = static_cast<unsigned>(settings.soundFormat);
    const bool single = flag != 0 && (flag & (flag - 1)) == 0 && flag < (1u << (4 * kFlagRates.size()));
    if (single) {
        const int bit = std::countr_zero(flag);
        format.sampleRate = kFlagRates[static_cast<size_t>(bit / 4)];
        format.channels = (bit % 2) + 1;
        format.bits = (bit % 4) < 2 ? 8 : 16;
    } else if (settings.useBestSoundFormat) {
        format.sampleRate = movieRate;
        format.channels = std::clamp(movieChannels, 1, 2);
        format.bits = 16;
    } else {
        format.sampleRate = std::min(movieRate, 22050);
        format.channels = 1;
        format.bits = 8;
    }

    format.mp3 = settings.soundCompressFormat == 85;
    if (format.mp3) {
        // The rates an MP3 stream can have; anything else goes to the next lower one.
        constexpr std::array<int, 9> kMp3Rates
            = { 8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000 };
        int rate = kMp3Rates.front();
        for (const int candidate : kMp3Rates)
            if (candidate <= format.sampleRate)
                rate = candidate;
        format.sampleRate = rate;
        format.bits = 16;
        int perChannel = 64000; // LAME preset 0, normal quality
        switch (settings.soundMP3Profile) {
        case 1:
            perChannel = 32000;
            break;
        case 2:
            perChannel = 96000;
            break;
        case 5:
            perChannel = 160000;
            break;
        default:
            break;
        }
        format.bitRate = perChannel * format.channels;
        // MPEG-2 and 2.5 streams (below 32 kHz) cap the bit rate.
        if (rate < 16000)
            format.bitRate = std::min(format.bitRate, 64000);
        else if (rate < 32000)
            format.bitRate = std::min(format.bitRate, 160000);
    }
    return format;
}

AutoscrollWindow::AutoscrollWindow(int mode, FrameSize view, FrameSize movie)
    : m_mode(mode)
    , m_view(view)
    , m_movie(movie)
{
}

int AutoscrollWindow::Clamp(int value, int view, int movie)
{
    return std::clamp(value, 0, std::max(0, movie - view));
}

void AutoscrollWindow::Follow(int x, int y, int* left, int* top)
{
    if (m_mode != 4 || !m_placed) {
        m_left = Clamp(x - m_view.width / 2, m_view.width, m_movie.width);
        m_top = Clamp(y - m_view.height / 2, m_view.height, m_movie.height);
        m_placed = true;
    } else {
        const auto follow = [](int position, int start, int view) {
            const int low = start + view / 4;
            const int high = start + view - view / 4 - 1;
            if (position < low)
                return start - (low - position);
            if (position > high)
                return start + (position - high);
            return start;
        };
        m_left = Clamp(follow(x, m_left, m_view.width), m_view.width, m_movie.width);
        m_top = Clamp(follow(y, m_top, m_view.height), m_view.height, m_movie.height);
    }
    *left = m_left;
    *top = m_top;
}

} // namespace vtapi
