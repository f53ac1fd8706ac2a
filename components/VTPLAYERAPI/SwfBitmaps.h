#pragma once

// The pictures of a standard SWF export: which parts of a frame changed
// since the last one, and those parts as bitmap definitions, lossless
// (8, 16 or 32 bits, deflated) or JPEG.

#include <cstdint>
#include <vector>

namespace vtapi {

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

// A frame as 32-bit pixels, bytes A R G B, rows of `stride` bytes.
struct ArgbView {
    const std::uint8_t* pixels = nullptr;
    int stride = 0;
    const std::uint8_t* At(int x, int y) const
    {
        return pixels + static_cast<std::ptrdiff_t>(y) * stride + x * 4;
    }
};

enum class BitmapCoding {
    Lossless8, // up to 256 colours of the region, else a fixed 6x6x6 cube
    Lossless16, // 5 bits a channel
    Lossless32,
    Jpeg,
    JpegGrey, // JPEG of the brightness only (8-bit JPEG)
    JpegOrPalette, // exact 8-bit when the region has at most 256 colours, else JPEG
};

struct BitmapTag {
    std::uint16_t code = 0;
    std::vector<std::uint8_t> body;
};

// The definition of bitmap `id` holding `rect` of `frame`.
BitmapTag EncodeBitmap(std::uint16_t id, ArgbView frame, const PixelRect& rect, BitmapCoding coding,
    int jpegQuality, int zlibLevel);

// Finds what changed between frames on a grid of square tiles and joins
// changed tiles into few rectangles: runs along a tile row, then runs of
// equal extent down the rows.
class ChangeFinder final {
public:
    ChangeFinder(int width, int height, int tile);
    // The rectangles of `frame` that differ from the previous frame (all of
    // it the first time); `frame` becomes the previous one.
    std::vector<PixelRect> Changes(ArgbView frame);
    int Tile() const { return m_tile; }
    int Columns() const { return m_columns; }
    int Rows() const { return m_rows; }

private:
    int m_width;
    int m_height;
    int m_tile;
    int m_columns;
    int m_rows;
    bool m_first = true;
    std::vector<std::uint8_t> m_previous;
    std::vector<std::uint8_t> m_changed; // one flag a tile
};

} // namespace vtapi
