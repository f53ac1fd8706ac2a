#pragma once

// Tag bodies for the definitions and sound tags a movie needs besides
// shapes: bitmaps, buttons, text fields, device fonts and stream sound.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// DefineBitsLossless2 (tag 36): 32-bit pixels, deflated at `level`. `rgba`
// holds width * height pixels of 4 bytes, R G B A, rows top down.
std::vector<std::uint8_t> SwfDefineBitsLossless2(
    std::uint16_t id, int width, int height, std::span<const std::uint8_t> rgba, int level);

// DefineBitsJPEG2 (tag 21): a complete JPEG file, tables included.
std::vector<std::uint8_t> SwfDefineBitsJpeg2(std::uint16_t id, std::span<const std::uint8_t> jpeg);

// DefineFont2 (tag 48) without glyphs: the player draws text in one of its
// own fonts, "_sans", "_serif" or "_typewriter".
std::vector<std::uint8_t> SwfDefineDeviceFont(std::uint16_t id, std::string_view name);

// DefineEditText (tag 37): a read-only text field without selection,
// showing the value of a script variable when `variable` is not empty.
struct SwfEditText {
    std::uint16_t id = 0;
    int width = 0; // pixels
    int height = 0;
    std::uint16_t fontId = 0; // a device font
    int fontHeight = 12; // pixels
    std::uint32_t rgba = 0x000000ff;
    int align = 0; // 0 left, 1 right, 2 centre
    std::string variable;
    std::string text;
};
std::vector<std::uint8_t> SwfDefineEditText(const SwfEditText& field);

// DefineButton2 (tag 34). Each record shows a character in some of the
// states; the actions run on the given transitions.
struct SwfButtonRecord {
    std::uint16_t characterId = 0;
    std::uint16_t depth = 1;
    bool up = true;
    bool over = true;
    bool down = true;
    bool hitTest = true;
    std::int32_t x = 0; // twips
    std::int32_t y = 0;
};
namespace SwfButtonCondition {
inline constexpr std::uint16_t Press = 0x0004; // over, up -> over, down
inline constexpr std::uint16_t Release = 0x0008; // over, down -> over, up
inline constexpr std::uint16_t ReleaseOutside = 0x0040; // out, down -> idle
inline constexpr std::uint16_t RollOver = 0x0001; // idle -> over, up
inline constexpr std::uint16_t RollOut = 0x0002; // over, up -> idle
} // namespace SwfButtonCondition
struct SwfButtonAction {
    std::uint16_t conditions = SwfButtonCondition::Release;
    std::vector<std::uint8_t> actions; // assembled, End included
};
std::vector<std::uint8_t> SwfDefineButton2(std::uint16_t id, const std::vector<SwfButtonRecord>& records,
    const std::vector<SwfButtonAction>& actions);

// Stream sound: the head announces the format, then each frame carries one
// block. Rates 5512, 11025, 22050 or 44100.
enum class SwfSoundFormat { Pcm16, Mp3 };
std::vector<std::uint8_t> SwfSoundStreamHead2(
    SwfSoundFormat format, int rate, bool stereo, std::uint16_t samplesPerFrame);
// PCM: interleaved 16-bit little-endian samples. MP3: whole MP3 frames
// holding `sampleCount` samples per channel.
std::vector<std::uint8_t> SwfSoundStreamBlock(
    SwfSoundFormat format, std::span<const std::uint8_t> data, std::uint16_t sampleCount);
