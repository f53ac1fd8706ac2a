#include "flash/swf/SwfBitWriter.h"

#include <algorithm>
#include <bit>
#include <cmath>

void SwfBitWriter::U8(std::uint8_t value)
{
    Align();
    m_bytes.push_back(value);
}

void SwfBitWriter::U16(std::uint16_t value)
{
    U8(static_cast<std::uint8_t>(value));
    U8(static_cast<std::uint8_t>(value >> 8));
}

void SwfBitWriter::U32(std::uint32_t value)
{
    U16(static_cast<std::uint16_t>(value));
    U16(static_cast<std::uint16_t>(value >> 16));
}

void SwfBitWriter::Bytes(std::span<const std::uint8_t> bytes)
{
    Align();
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

void SwfBitWriter::String(std::string_view text)
{
    Align();
    m_bytes.insert(m_bytes.end(), text.begin(), text.end());
    m_bytes.push_back(0);
}

void SwfBitWriter::Rgb(std::uint32_t rgb)
{
    U8(static_cast<std::uint8_t>(rgb >> 16));
    U8(static_cast<std::uint8_t>(rgb >> 8));
    U8(static_cast<std::uint8_t>(rgb));
}

void SwfBitWriter::Rgba(std::uint32_t rgba)
{
    Rgb(rgba >> 8);
    U8(static_cast<std::uint8_t>(rgba));
}

void SwfBitWriter::UB(unsigned bits, std::uint32_t value)
{
    for (unsigned i = bits; i-- > 0;) {
        if (m_bitsUsed == 0)
            m_bytes.push_back(0);
        if ((value >> i) & 1u)
            m_bytes.back() |= static_cast<std::uint8_t>(0x80u >> m_bitsUsed);
        m_bitsUsed = (m_bitsUsed + 1) % 8;
    }
}

void SwfBitWriter::SB(unsigned bits, std::int32_t value)
{
    UB(bits, static_cast<std::uint32_t>(value));
}

void SwfBitWriter::Align()
{
    m_bitsUsed = 0;
}

unsigned SwfBitWriter::SignedBits(std::int32_t value)
{
    std::uint32_t magnitude = static_cast<std::uint32_t>(value < 0 ? ~value : value);
    return static_cast<unsigned>(std::bit_width(magnitude)) + 1;
}

void SwfBitWriter::Rect(const SwfRect& rect)
{
    unsigned bits = std::max(
        { SignedBits(rect.xMin), SignedBits(rect.xMax), SignedBits(rect.yMin), SignedBits(rect.yMax) });
    UB(5, bits);
    SB(bits, rect.xMin);
    SB(bits, rect.xMax);
    SB(bits, rect.yMin);
    SB(bits, rect.yMax);
    Align();
}

void SwfBitWriter::Matrix(double scaleX, double scaleY, std::int32_t translateX, std::int32_t translateY)
{
    bool scaled = scaleX != 1.0 || scaleY != 1.0;
    UB(1, scaled);
    if (scaled) {
        auto x = static_cast<std::int32_t>(std::lround(scaleX * 65536.0));
        auto y = static_cast<std::int32_t>(std::lround(scaleY * 65536.0));
        unsigned bits = std::max(SignedBits(x), SignedBits(y));
        UB(5, bits);
        SB(bits, x);
        SB(bits, y);
    }
    UB(1, 0); // no rotation
    unsigned bits
        = translateX == 0 && translateY == 0 ? 0 : std::max(SignedBits(translateX), SignedBits(translateY));
    UB(5, bits);
    SB(bits, translateX);
    SB(bits, translateY);
    Align();
}

void SwfBitWriter::NoColorTransform()
{
    UB(1, 0);
    UB(1, 0);
    UB(4, 0);
    Align();
}
