// Byte character classes of the XML parser. Bytes are classified as they are,
// without decoding any character set.
#pragma once

#include <array>
#include <cstdint>

namespace AdvXMLParser::chars {

enum : std::uint8_t {
    // Allowed in text, attribute values, comments, PIs and CDATA: tab, line
    // feed, carriage return and 0x20-0xFF.
    kChar = 1 << 0,
    // Space, tab, carriage return, line feed.
    kSpace = 1 << 1,
    // A-Z, a-z, 0xC0-0xD6, 0xD8-0xF6, 0xF8-0xFF.
    kLetter = 1 << 2,
    // ASCII A-Z, a-z, '_' and ':' (no bytes above 0x7F).
    kNameStart = 1 << 3,
    // A letter, a digit, '.', '-', '_', ':' or 0xB7.
    kNameChar = 1 << 4,
    // ASCII letters and digits and " \r\n-'()+,./:=?;!*#@$_%".
    kPubidChar = 1 << 5,
    // A Char that may be copied into element text as it stands: everything
    // but '<', '&', ']' (it may start "]]>") and '\r' (CR LF and a lone CR
    // become LF).
    kPlainText = 1 << 6,
    // A Char that may be copied into an attribute value as it stands:
    // everything but '<', '&', the quotes and '\r'.
    kPlainValue = 1 << 7,
};

constexpr std::array<std::uint8_t, 256> MakeTable()
{
    std::array<std::uint8_t, 256> table {};
    for (int c = 0; c < 256; ++c) {
        std::uint8_t flags = 0;
        const bool asciiLetter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool digit = c >= '0' && c <= '9';
        if (c == '\t' || c == '\n' || c == '\r' || c >= 0x20)
            flags |= kChar;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            flags |= kSpace;
        const bool letter = asciiLetter || (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || c >= 0xF8;
        if (letter)
            flags |= kLetter;
        if (asciiLetter || c == '_' || c == ':')
            flags |= kNameStart;
        if (letter || digit || c == '.' || c == '-' || c == '_' || c == ':' || c == 0xB7)
            flags |= kNameChar;
        constexpr const char* kPubidPunctuation = " \r\n-'()+,./:=?;!*#@$_%";
        bool pubid = asciiLetter || digit;
        for (const char* p = kPubidPunctuation; *p; ++p)
            pubid = pubid || c == static_cast<unsigned char>(*p);
        if (pubid)
            flags |= kPubidChar;
        if ((flags & kChar) && c != '<' && c != '&' && c != ']' && c != '\r')
            flags |= kPlainText;
        if ((flags & kChar) && c != '<' && c != '&' && c != '"' && c != '\'' && c != '\r')
            flags |= kPlainValue;
        table[c] = flags;
    }
    return table;
}

inline constexpr std::array<std::uint8_t, 256> kTable = MakeTable();

inline bool Is(unsigned char c, std::uint8_t flags)
{
    return (kTable[c] & flags) != 0;
}
// The first byte from p on (before end) that is not in the class, four bytes
// a step.
inline const unsigned char* SkipWhile(const unsigned char* p, const unsigned char* end, std::uint8_t flags)
{
    while (end - p >= 4) {
        if (!Is(p[0], flags))
            return p;
        if (!Is(p[1], flags))
            return p + 1;
        if (!Is(p[2], flags))
            return p + 2;
        if (!Is(p[3], flags))
            return p + 3;
        p += 4;
    }
    while (p < end && Is(*p, flags))
        ++p;
    return p;
}

inline bool IsChar(unsigned char c)
{
    return Is(c, kChar);
}
inline bool IsSpace(unsigned char c)
{
    return Is(c, kSpace);
}
inline bool IsLetter(unsigned char c)
{
    return Is(c, kLetter);
}
inline bool IsNameStart(unsigned char c)
{
    return Is(c, kNameStart);
}
inline bool IsNameChar(unsigned char c)
{
    return Is(c, kNameChar);
}
inline bool IsPubidChar(unsigned char c)
{
    return Is(c, kPubidChar);
}
inline bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}
inline bool IsHexDigit(unsigned char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
inline bool IsAsciiLetter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace AdvXMLParser::chars
