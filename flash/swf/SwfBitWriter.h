#pragma once

// Appends bytes and bit fields in SWF order: numbers little-endian, bit
// fields most significant bit first, each byte-sized write aligned.

#include "flash/swf/SwfFormat.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

class SwfBitWriter final {
public:
    void U8(std::uint8_t value);
    void U16(std::uint16_t value);
    void U32(std::uint32_t value);
    void Bytes(std::span<const std::uint8_t> bytes);
    // A zero-terminated string.
    void String(std::string_view text);
    // 0xRRGGBB and 0xRRGGBBAA.
    void Rgb(std::uint32_t rgb);
    void Rgba(std::uint32_t rgba);

    void UB(unsigned bits, std::uint32_t value);
    void SB(unsigned bits, std::int32_t value);
    void Align();

    void Rect(const SwfRect& rect);
    // Scale as a factor (16.16 fixed in the file), translation in twips.
    void Matrix(double scaleX, double scaleY, std::int32_t translateX, std::int32_t translateY);
    void Translation(std::int32_t x, std::int32_t y) { Matrix(1.0, 1.0, x, y); }
    // A colour transform with alpha that changes nothing.
    void NoColorTransform();

    // The smallest field width holding `value` as a signed field.
    static unsigned SignedBits(std::int32_t value);

    std::size_t Size() const { return m_bytes.size(); }
    std::vector<std::uint8_t>& Data() { return m_bytes; }
    std::vector<std::uint8_t> Take() { return std::move(m_bytes); }

private:
    std::vector<std::uint8_t> m_bytes;
    unsigned m_bitsUsed = 0; // in the last byte, 0 when aligned
};
