#pragma once

// The AVI export's settings record, as "AVI.xml" holds it: read in the
// program's read order, written in the file's key order. The Player engine
// reads the same keys.

#include <cstdint>

class TXMLSettings;

namespace vantor::video {

struct AviExportSettings {
    std::uint32_t videoCodecId = 0; // FOURCC; 0 none chosen
    int videoCodecKeyFrameRate = -1; // -1 the compressor's default
    int videoCodecQuality = -1; // 0..10000; -1 the compressor's default
    int frameRateCustom = 24;
    int frameRateMode = 0; // 0 full, 1 half, 2 quarter, 3 custom
    float outputSizeWidthPercent = 100.0f;
    float outputSizeHeightPercent = 100.0f;
    int outputSizeWidth = 0;
    int outputSizeHeight = 0;
    bool outputSizeKeepAspectRatio = true;
    bool useBestSoundFormat = false;
    int soundFormat = 0; // a wave-format capability flag; 0 none
    int soundCompressFormat = 85; // 85 MP3, 1 PCM
    int soundMP3Profile = 0; // 1 low, 0 normal, 2 high, 5 very high
    int autoscrollMode = 0; // 0 off, 1 mouse in centre, 4 mouse near centre
    int autoscrollWidth = 0;
    int autoscrollHeight = 0;
    bool useOldAVIFormat = false;
    bool exportSounds = true;
    bool scaleToPercents = true;
};

// The autoscroll frame is never smaller than this, shown or saved.
constexpr int kMinimumAutoscrollSize = 10;

// Every key, each with the record's current value as its default.
void ReadAviExportSettings(const TXMLSettings& store, AviExportSettings& settings);
// Every key, in the file's order.
void WriteAviExportSettings(TXMLSettings& store, const AviExportSettings& settings);

} // namespace vantor::video
