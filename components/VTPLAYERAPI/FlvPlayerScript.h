#pragma once

// The scripts of the Flash video player movie. The movie places the Video
// object "video", the click area, the signs "pausedSign" and "startSign"
// and, with a bar, its "Controls"; the first frame's script defines
// Start(), Clicked() and the onEnterFrame handler that keeps the NetStream
// in step with the main timeline.

#include "FlvExport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vtapi {

// Frame 1: the variables the bar reads, the stream of `flvUrl`, the secure
// checks, the start as StartingPlaybackMode asks, and the function that
// follows the timeline every frame. The timeline has `frames` frames at
// `rate` per second.
std::vector<std::uint8_t> FlvPlayerFirstFrameScript(const FlvExportOptions& options, const FlvLayout& video,
    const std::string& flvUrl, double rate, int frames, bool bar);

// The click area's action: Clicked().
std::vector<std::uint8_t> FlvPlayerClickScript();

} // namespace vtapi
