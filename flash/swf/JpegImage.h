#pragma once

// JPEG pictures through libjpeg-turbo: decoding for the control-bar
// previews that the Flash options dialog shows, encoding for the build
// tool that draws them and for JPEG frames in exported movies.

#include <cstdint>
#include <span>
#include <vector>

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // 3 bytes a pixel, rows top down
};

// False (and an empty image) for data that is not a complete JPEG picture.
bool DecodeJpeg(std::span<const std::uint8_t> jpeg, RgbImage& image);

// Quality 1 to 100; an empty result when the image is empty.
std::vector<std::uint8_t> EncodeJpeg(const RgbImage& image, int quality);
