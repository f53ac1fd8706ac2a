#pragma once

// Reads bytes and bit fields from one bounded range of an SWF file. Every
// read past the end sets a sticky failure flag and yields 0, so a parser can
// read a whole record and check Ok() once at the end.

#include "flash/swf/SwfFormat.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

class SwfBitReader final {
public:
    explicit SwfBitReader(std::span<const std::uint8_t> bytes)
        : m_bytes(bytes)
    {
    }

    bool Ok() const { return m_ok; }
    std::size_t Position() const { return m_pos; }
    std::size_t Remaining() const { return m_ok ? m_bytes.size() - m_pos : 0; }

    std::uint8_t U8()
    {
        Align();
        if (m_pos >= m_bytes.size())
            return Fail();
        return m_bytes[m_pos++];
    }
    std::uint16_t U16()
    {
        std::uint16_t low = U8();
        return static_cast<std::uint16_t>(low | (U8() << 8));
    }
    std::uint32_t U32()
    {
        std::uint32_t low = U16();
        return low | (static_cast<std::uint32_t>(U16()) << 16);
    }
    void Skip(std::size_t count)
    {
        Align();
        if (count > Remaining())
            Fail();
        else
            m_pos += count;
    }
    // A view of the next `count` bytes, or an empty one after a failure.
    std::span<const std::uint8_t> Bytes(std::size_t count)
    {
        Align();
        if (count > Remaining()) {
            Fail();
            return {};
        }
        auto view = m_bytes.subspan(m_pos, count);
        m_pos += count;
        return view;
    }
    // A zero-terminated string; the terminator is consumed but not returned.
    std::string_view String()
    {
        Align();
        for (std::size_t end = m_pos; end < m_bytes.size(); ++end) {
            if (m_bytes[end] == 0) {
                std::string_view text(reinterpret_cast<const char*>(m_bytes.data() + m_pos), end - m_pos);
                m_pos = end + 1;
                return text;
            }
        }
        Fail();
        return {};
    }

    // Unsigned bit field of up to 32 bits, most significant bit first.
    std::uint32_t UB(unsigned bits)
    {
        std::uint32_t value = 0;
        for (unsigned i = 0; i < bits && m_ok; ++i) {
            if (m_bit == 0) {
                if (m_pos >= m_bytes.size())
                    return Fail();
                m_current = m_bytes[m_pos++];
                m_bit = 8;
            }
            --m_bit;
            value = (value << 1) | ((m_current >> m_bit) & 1u);
        }
        return m_ok ? value : 0;
    }
    // Signed (two's complement) bit field of up to 32 bits.
    std::int32_t SB(unsigned bits)
    {
        std::uint32_t value = UB(bits);
        if (bits > 0 && bits < 32 && (value >> (bits - 1)) != 0)
            value |= ~0u << bits;
        return static_cast<std::int32_t>(value);
    }
    void Align() { m_bit = 0; }

    SwfRect Rect()
    {
        unsigned bits = UB(5);
        SwfRect rect;
        rect.xMin = SB(bits);
        rect.xMax = SB(bits);
        rect.yMin = SB(bits);
        rect.yMax = SB(bits);
        Align();
        return rect;
    }
    void SkipMatrix()
    {
        if (UB(1))
            UB(UB(5) * 2);
        if (UB(1))
            UB(UB(5) * 2);
        UB(UB(5) * 2);
        Align();
    }
    void SkipColorTransform(bool withAlpha)
    {
        bool hasAdd = UB(1);
        bool hasMult = UB(1);
        unsigned bits = UB(4);
        unsigned fields = (hasAdd + hasMult) * (withAlpha ? 4 : 3);
        for (unsigned i = 0; i < fields; ++i)
            UB(bits);
        Align();
    }

private:
    std::uint8_t Fail()
    {
        m_ok = false;
        m_pos = m_bytes.size();
        return 0;
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
    std::uint8_t m_current = 0;
    unsigned m_bit = 0; // bits left in m_current
    bool m_ok = true;
};
