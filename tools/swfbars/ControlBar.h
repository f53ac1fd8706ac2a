#pragma once

// One of our control bars: a movie whose main timeline places the sprite
// "Controls" with play/pause, previous/next frame, a timeline with a
// draggable position, elapsed/total time, volume, full screen, auto-hide and
// logo buttons. Each control hides while the controlled timeline's matching
// Show* variable is 0 (flash/swf/SwfControlBarVariables.h).

#include "flash/swf/JpegImage.h"

#include <cstdint>
#include <string>
#include <vector>

struct ControlBarLook {
    std::string fileName; // "DefaultControlBar.swf"
    int width = 480;
    int height = 32;
    std::uint32_t background = 0; // RGBA, the bar
    std::uint32_t backgroundEdge = 0; // RGBA, top highlight band
    std::uint32_t face = 0; // RGBA, button faces
    std::uint32_t faceOver = 0;
    std::uint32_t faceDown = 0;
    std::uint32_t icon = 0; // RGBA
    std::uint32_t track = 0; // RGBA, timeline and volume tracks
    std::uint32_t progress = 0; // RGBA, the played part and knobs
    std::uint32_t text = 0; // RGBA
    double cornerRadius = 0; // of the bar and button faces
    bool roundButtons = false;
};

const std::vector<ControlBarLook>& ControlBarLooks();

struct ControlBar {
    std::vector<std::uint8_t> swf;
    RgbImage preview; // the bar as it first shows, text left out
};

// `single`: the variant placed into the exported movie itself, which
// controls the timeline it sits on; otherwise the bar controls _level0.
ControlBar BuildControlBar(const ControlBarLook& look, bool single);
