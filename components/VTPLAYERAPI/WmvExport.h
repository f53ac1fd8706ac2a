#pragma once

// The Windows Media export: decodes the open movie, follows the cursor with
// the autoscroll window, scales, thins or repeats frames to the output rate
// and hands pictures and sound to the Windows Media export library
// (libWMVExport.so), which encodes them and writes the file. Two-pass
// formats read the movie twice: once for the library's first pass, once
// for the file.

#include "MovieFile.h"

#include <string>

namespace vtapi {

// The options of a WMV export as the program saves them in "WMV.xml".
struct WmvSettings {
    int frameRateCustom = 24;
    int frameRateMode = 0; // 0 full, 1 half, 2 quarter, 3 custom
    double outputSizeWidthPercent = 100.0;
    double outputSizeHeightPercent = 100.0;
    int outputSizeWidth = 0;
    int outputSizeHeight = 0;
    bool outputSizeKeepAspectRatio = true;
    bool scaleToPercents = true;
    int autoscrollMode = 0; // 0 off, 1 mouse in centre, 4 mouse near centre
    int autoscrollWidth = 0;
    int autoscrollHeight = 0;
    int videoCodecId = 0; // 0: the library's default codec
    int isVideoVBR = 1;
    int videoNumPasses = 1;
    int videoBitrate = 600000; // bits per second
    int videoQuality = 80; // 1..100, one-pass variable bit rate
    int audioCodecId = 0; // 0: the library's default codec
    int audioFormatId = 0;
    int isAudioVBR = 1;
    int audioNumPasses = 1;
    bool exportSounds = true;
};

// Reads every key through the settings store, missing keys taking their
// defaults. A missing or damaged file gives the defaults.
WmvSettings ReadWmvSettings(const std::string& settingsFile);

// Progress is reported in output frames (twice as many for two passes).
// Throws MovieError (the library is missing, a setting it cannot encode,
// a damaged movie, a full disk) or Cancelled; nothing is left at
// `outputPath` then.
void ExportWmv(MovieSource& movie, const WmvSettings& settings, const std::string& outputPath,
    const TaskControl& control);

} // namespace vtapi
