#include "flash/swf/ControlBarPreviews.h"

#include <algorithm>

bool SameResourceName(std::string_view a, std::string_view b)
{
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::string_view ControlBarPreviewResourceName(std::string_view listedFileName)
{
    static constexpr std::pair<std::string_view, std::string_view> kPreviews[] = {
        { "DefaultControlBar.swf", "FLASHTOOLBARIMAGE_METALLIC" },
        { "DefaultControlBarCoolWhite.swf", "FLASHTOOLBARIMAGE_COOLWHITE" },
        { "DefaultControlBarMediaPlayer.swf", "FLASHTOOLBARIMAGE_MEDIAPLAYER" },
    };
    for (const auto& [file, resource] : kPreviews) {
        if (SameResourceName(file, listedFileName))
            return resource;
    }
    return {};
}
