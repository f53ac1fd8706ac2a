#pragma once

// Constants and small records of the SWF file format shared by the reader
// and the writer. Lengths are in twips (1/20 pixel) unless a name says
// pixels; multi-byte numbers in the file are little-endian.

#include <cstdint>

namespace SwfTagCode {
inline constexpr std::uint16_t End = 0;
inline constexpr std::uint16_t ShowFrame = 1;
inline constexpr std::uint16_t DefineShape = 2;
inline constexpr std::uint16_t PlaceObject = 4;
inline constexpr std::uint16_t RemoveObject = 5;
inline constexpr std::uint16_t DefineButton = 7;
inline constexpr std::uint16_t SetBackgroundColor = 9;
inline constexpr std::uint16_t DefineText = 11;
inline constexpr std::uint16_t DoAction = 12;
inline constexpr std::uint16_t SoundStreamHead = 18;
inline constexpr std::uint16_t SoundStreamBlock = 19;
inline constexpr std::uint16_t DefineBitsLossless = 20;
inline constexpr std::uint16_t DefineBitsJPEG2 = 21;
inline constexpr std::uint16_t DefineShape2 = 22;
inline constexpr std::uint16_t PlaceObject2 = 26;
inline constexpr std::uint16_t RemoveObject2 = 28;
inline constexpr std::uint16_t DefineShape3 = 32;
inline constexpr std::uint16_t DefineButton2 = 34;
inline constexpr std::uint16_t DefineBitsLossless2 = 36;
inline constexpr std::uint16_t DefineEditText = 37;
inline constexpr std::uint16_t DefineSprite = 39;
inline constexpr std::uint16_t FrameLabel = 43;
inline constexpr std::uint16_t SoundStreamHead2 = 45;
inline constexpr std::uint16_t DefineMorphShape = 46;
inline constexpr std::uint16_t DefineFont2 = 48;
inline constexpr std::uint16_t FileAttributes = 69;
} // namespace SwfTagCode

// A rectangle as the file stores it, in twips.
struct SwfRect {
    std::int32_t xMin = 0;
    std::int32_t xMax = 0;
    std::int32_t yMin = 0;
    std::int32_t yMax = 0;
};

inline constexpr int kTwipsPerPixel = 20;

struct SwfPixelSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const SwfPixelSize&, const SwfPixelSize&) = default;
};

struct SwfHeader {
    char signature[3] = {};
    std::uint8_t version = 0;
    std::uint32_t fileLength = 0;
    SwfRect frame;
    // Pixels, each edge divided by 20 (the frame normally starts at 0,0).
    int widthPixels = 0;
    int heightPixels = 0;
    // 8.8 fixed point frames per second, as stored.
    std::uint16_t frameRate = 0;
    std::uint16_t frameCount = 0;
};
