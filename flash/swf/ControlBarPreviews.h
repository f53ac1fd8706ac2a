#pragma once

// The preview pictures of our preinstalled control bars: JPEG data kept in
// the program as resources of the type "JPEGDATA" (library swf_previews,
// made at build time from the bars themselves).

#include <cstdint>
#include <span>
#include <string_view>

// The resource name of a listed control-bar file's preview, compared
// case-insensitively: "FLASHTOOLBARIMAGE_METALLIC" for
// "DefaultControlBar.swf", ..._COOLWHITE, ..._MEDIAPLAYER; empty for others.
std::string_view ControlBarPreviewResourceName(std::string_view listedFileName);

// The JPEG data of the resource `name` (case-insensitive), empty when the
// program has none. Defined in swf_previews.
std::span<const std::uint8_t> FindJpegDataResource(std::string_view name);

bool SameResourceName(std::string_view a, std::string_view b);
