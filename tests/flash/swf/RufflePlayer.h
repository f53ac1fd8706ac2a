#pragma once

// Plays an SWF movie in Ruffle inside headless Chromium through
// scripts/ruffle-play.py: steps such as "wait:500", "shot:FILE.jpg",
// "click:X,Y", "move:X,Y" and "--param", "NAME=VALUE" pairs.

#include "flash/swf/JpegImage.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct RuffleRun {
    bool ok = false;
    // Chromium or Ruffle is not installed: the test skips with `message`.
    bool missing = false;
    std::string message;
};

RuffleRun PlayInRuffle(
    const std::filesystem::path& movie, int width, int height, const std::vector<std::string>& steps);

// A JPEG screenshot of a run, decoded.
RgbImage Screenshot(const std::string& path);
// The pixel at (x, y) as 0xRRGGBB.
std::uint32_t PixelAt(const RgbImage& image, int x, int y);
// Whether each channel of `actual` is within `tolerance` of `expected`: JPEG
// screenshots shift colours a little.
bool Near(std::uint32_t actual, std::uint32_t expected, int tolerance = 16);
inline bool Near(const RgbImage& image, int x, int y, std::uint32_t expected, int tolerance = 16)
{
    return Near(PixelAt(image, x, y), expected, tolerance);
}
