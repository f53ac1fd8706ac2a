#include "SwfBitmaps.h"

#include "FFmpeg.h"
#include "flash/swf/JpegImage.h"
#include "flash/swf/SwfFormat.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <zlib.h>

namespace vtapi {

namespace {

void Put16(std::vector<std::uint8_t>& out, unsigned value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

std::vector<std::uint8_t> BitmapHeader(std::uint16_t id, int format, const PixelRect& rect)
{
    std::vector<std::uint8_t> out;
    Put16(out, id);
    out.push_back(static_cast<std::uint8_t>(format));
    Put16(out, static_cast<unsigned>(rect.width));
    Put16(out, static_cast<unsigned>(rect.height));
    return out;
}

// Appends `data` deflated at `level`.
void Deflate(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& data, int level)
{
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    const std::size_t start = out.size();
    out.resize(start + size);
    if (compress2(out.data() + start, &size, data.data(), static_cast<uLong>(data.size()), level) != Z_OK)
        throw MovieError("zlib could not compress a picture");
    out.resize(start + size);
}

std::size_t Padded(std::size_t rowBytes)
{
    return (rowBytes + 3) & ~std::size_t { 3 };
}

BitmapTag Lossless32(std::uint16_t id, ArgbView frame, const PixelRect& r, int level)
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(r.width) * r.height * 4);
    for (int y = 0; y < r.height; ++y)
        std::memcpy(&pixels[static_cast<std::size_t>(y) * r.width * 4], frame.At(r.x, r.y + y),
            static_cast<std::size_t>(r.width) * 4);
    BitmapTag tag { SwfTagCode::DefineBitsLossless2, BitmapHeader(id, 5, r) };
    Deflate(tag.body, pixels, level);
    return tag;
}

BitmapTag Lossless16(std::uint16_t id, ArgbView frame, const PixelRect& r, int level)
{
    const std::size_t row = Padded(static_cast<std::size_t>(r.width) * 2);
    std::vector<std::uint8_t> pixels(row * r.height);
    for (int y = 0; y < r.height; ++y) {
        const std::uint8_t* in = frame.At(r.x, r.y + y);
        std::uint8_t* out = &pixels[row * y];
        for (int x = 0; x < r.width; ++x, in += 4, out += 2) {
            // A pad bit, then 5 bits of red, green and blue, most significant first.
            const unsigned value = (in[1] >> 3) << 10 | (in[2] >> 3) << 5 | in[3] >> 3;
            out[0] = static_cast<std::uint8_t>(value >> 8);
            out[1] = static_cast<std::uint8_t>(value);
        }
    }
    BitmapTag tag { SwfTagCode::DefineBitsLossless, BitmapHeader(id, 4, r) };
    Deflate(tag.body, pixels, level);
    return tag;
}

// The colours of a region when there are at most 256 of them, in order of
// appearance; empty otherwise.
std::vector<std::uint32_t> Palette(
    ArgbView frame, const PixelRect& r, std::unordered_map<std::uint32_t, int>& index)
{
    std::vector<std::uint32_t> colours;
    std::uint32_t last = 0xffffffffu;
    for (int y = 0; y < r.height; ++y) {
        const std::uint8_t* in = frame.At(r.x, r.y + y);
        for (int x = 0; x < r.width; ++x, in += 4) {
            const std::uint32_t rgb = static_cast<std::uint32_t>(in[1] << 16 | in[2] << 8 | in[3]);
            if (rgb == last)
                continue;
            last = rgb;
            if (index.emplace(rgb, static_cast<int>(colours.size())).second) {
                if (colours.size() == 256)
                    return {};
                colours.push_back(rgb);
            }
        }
    }
    return colours;
}

BitmapTag Lossless8(
    std::uint16_t id, ArgbView frame, const PixelRect& r, int level, bool exactOnly, bool* exact)
{
    std::unordered_map<std::uint32_t, int> index;
    std::vector<std::uint32_t> colours = Palette(frame, r, index);
    *exact = !colours.empty();
    if (!*exact && exactOnly)
        return {};
    if (!*exact) {
        for (int c = 0; c < 216; ++c)
            colours.push_back(
                static_cast<std::uint32_t>((c / 36) * 51 << 16 | (c / 6 % 6) * 51 << 8 | (c % 6) * 51));
    }
    const std::size_t row = Padded(static_cast<std::size_t>(r.width));
    std::vector<std::uint8_t> data(colours.size() * 3 + row * r.height);
    for (std::size_t c = 0; c < colours.size(); ++c) {
        data[c * 3] = static_cast<std::uint8_t>(colours[c] >> 16);
        data[c * 3 + 1] = static_cast<std::uint8_t>(colours[c] >> 8);
        data[c * 3 + 2] = static_cast<std::uint8_t>(colours[c]);
    }
    std::uint8_t* indices = data.data() + colours.size() * 3;
    // Screen pictures repeat colours along a row: look up only changes.
    std::uint32_t lastColour = 0xffffffffu;
    std::uint8_t lastIndex = 0;
    for (int y = 0; y < r.height; ++y) {
        const std::uint8_t* in = frame.At(r.x, r.y + y);
        std::uint8_t* out = indices + row * y;
        for (int x = 0; x < r.width; ++x, in += 4) {
            if (*exact) {
                const auto rgb = static_cast<std::uint32_t>(in[1] << 16 | in[2] << 8 | in[3]);
                if (rgb != lastColour) {
                    lastColour = rgb;
                    lastIndex = static_cast<std::uint8_t>(index.find(rgb)->second);
                }
                out[x] = lastIndex;
            } else {
                const auto level6 = [](std::uint8_t v) { return (v + 25) / 51; };
                out[x] = static_cast<std::uint8_t>(level6(in[1]) * 36 + level6(in[2]) * 6 + level6(in[3]));
            }
        }
    }
    BitmapTag tag { SwfTagCode::DefineBitsLossless, BitmapHeader(id, 3, r) };
    tag.body.push_back(static_cast<std::uint8_t>(colours.size() - 1));
    Deflate(tag.body, data, level);
    return tag;
}

BitmapTag Jpeg(std::uint16_t id, ArgbView frame, const PixelRect& r, int quality, bool grey)
{
    RgbImage image;
    image.width = r.width;
    image.height = r.height;
    image.rgb.resize(static_cast<std::size_t>(r.width) * r.height * 3);
    std::uint8_t* out = image.rgb.data();
    for (int y = 0; y < r.height; ++y) {
        const std::uint8_t* in = frame.At(r.x, r.y + y);
        for (int x = 0; x < r.width; ++x, in += 4, out += 3) {
            if (grey) {
                const auto luma = static_cast<std::uint8_t>((in[1] * 77 + in[2] * 150 + in[3] * 29) >> 8);
                out[0] = out[1] = out[2] = luma;
            } else {
                out[0] = in[1];
                out[1] = in[2];
                out[2] = in[3];
            }
        }
    }
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(image, std::clamp(quality, 1, 100));
    if (jpeg.empty())
        throw MovieError("the JPEG encoder failed");
    BitmapTag tag { SwfTagCode::DefineBitsJPEG2, std::vector<std::uint8_t>(2 + jpeg.size()) };
    tag.body[0] = static_cast<std::uint8_t>(id);
    tag.body[1] = static_cast<std::uint8_t>(id >> 8);
    std::memcpy(tag.body.data() + 2, jpeg.data(), jpeg.size());
    return tag;
}

} // namespace

BitmapTag EncodeBitmap(std::uint16_t id, ArgbView frame, const PixelRect& rect, BitmapCoding coding,
    int jpegQuality, int zlibLevel)
{
    bool exact = false;
    switch (coding) {
    case BitmapCoding::Lossless8:
        return Lossless8(id, frame, rect, zlibLevel, false, &exact);
    case BitmapCoding::Lossless16:
        return Lossless16(id, frame, rect, zlibLevel);
    case BitmapCoding::Lossless32:
        return Lossless32(id, frame, rect, zlibLevel);
    case BitmapCoding::Jpeg:
        return Jpeg(id, frame, rect, jpegQuality, false);
    case BitmapCoding::JpegGrey:
        return Jpeg(id, frame, rect, jpegQuality, true);
    case BitmapCoding::JpegOrPalette: {
        BitmapTag tag = Lossless8(id, frame, rect, zlibLevel, true, &exact);
        return exact ? tag : Jpeg(id, frame, rect, jpegQuality, false);
    }
    }
    return Lossless32(id, frame, rect, zlibLevel);
}

ChangeFinder::ChangeFinder(int width, int height, int tile)
    : m_width(width)
    , m_height(height)
    , m_tile(tile)
    , m_columns((width + tile - 1) / tile)
    , m_rows((height + tile - 1) / tile)
    , m_previous(static_cast<std::size_t>(width) * height * 4)
    , m_changed(static_cast<std::size_t>(m_columns) * m_rows)
{
}

namespace {
// The tallest rectangle, in tile rows.
constexpr int kBandRows = 6;
} // namespace

std::vector<PixelRect> ChangeFinder::Changes(ArgbView frame)
{
    const std::size_t rowBytes = static_cast<std::size_t>(m_width) * 4;
    std::fill(m_changed.begin(), m_changed.end(), m_first ? 1 : 0);
    for (int y = 0; y < m_height; ++y) {
        std::uint8_t* previous = &m_previous[rowBytes * y];
        const std::uint8_t* current = frame.At(0, y);
        if (!m_first && std::memcmp(previous, current, rowBytes) != 0) {
            std::uint8_t* flags = &m_changed[static_cast<std::size_t>(y / m_tile) * m_columns];
            for (int c = 0; c < m_columns; ++c) {
                const int x = c * m_tile;
                const std::size_t bytes = static_cast<std::size_t>(std::min(m_tile, m_width - x)) * 4;
                if (!flags[c] && std::memcmp(previous + x * 4, current + x * 4, bytes) != 0)
                    flags[c] = 1;
            }
        }
        std::memcpy(previous, current, rowBytes);
    }
    m_first = false;

    // Runs along each tile row; a run continues the rectangle above it when
    // both cover the same columns.
    std::vector<PixelRect> done;
    std::vector<PixelRect> open; // in tiles, growing downwards
    for (int row = 0; row < m_rows; ++row) {
        std::vector<PixelRect> next;
        const std::uint8_t* flags = &m_changed[static_cast<std::size_t>(row) * m_columns];
        for (int c = 0; c < m_columns;) {
            if (!flags[c]) {
                ++c;
                continue;
            }
            int end = c;
            while (end < m_columns && flags[end])
                ++end;
            PixelRect run { c, row, end - c, 1 };
            auto above = std::find_if(open.begin(), open.end(),
                [&run](const PixelRect& r) { return r.x == run.x && r.width == run.width; });
            if (above != open.end()) {
                run = *above;
                ++run.height;
                open.erase(above);
            }
            next.push_back(run);
            c = end;
        }
        done.insert(done.end(), open.begin(), open.end());
        open = std::move(next);
    }
    done.insert(done.end(), open.begin(), open.end());
    // Tall rectangles are cut into bands, so that a frame with one large
    // change still gives the coder threads something each.
    std::vector<PixelRect> rects;
    for (const PixelRect& r : done) {
        for (int row = r.y; row < r.y + r.height; row += kBandRows) {
            PixelRect band { r.x * m_tile, row * m_tile, r.width * m_tile,
                std::min(kBandRows, r.y + r.height - row) * m_tile };
            band.width = std::min(band.width, m_width - band.x);
            band.height = std::min(band.height, m_height - band.y);
            rects.push_back(band);
        }
    }
    return rects;
}

} // namespace vtapi
