#include "flash/swf/SwfDefinitions.h"

#include "flash/swf/SwfBitWriter.h"
#include "flash/swf/SwfFormat.h"

#include <algorithm>
#include <stdexcept>
#include <zlib.h>

std::vector<std::uint8_t> SwfDefineBitsLossless2(
    std::uint16_t id, int width, int height, std::span<const std::uint8_t> rgba, int level)
{
    SwfBitWriter out;
    out.U16(id);
    out.U8(5); // 32-bit ARGB
    out.U16(static_cast<std::uint16_t>(width));
    out.U16(static_cast<std::uint16_t>(height));
    std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (rgba.size() < pixels * 4)
        throw std::invalid_argument("bitmap smaller than its size");

    // The file stores alpha first with the colours premultiplied. Rows are
    // converted and deflated a block at a time so the converted copy stays
    // small and in cache.
    z_stream zs {};
    if (deflateInit(&zs, level) != Z_OK)
        throw std::runtime_error("zlib could not start");
    std::size_t header = out.Size();
    std::vector<std::uint8_t>& data = out.Data();
    data.resize(header + deflateBound(&zs, static_cast<uLong>(pixels * 4)));
    zs.next_out = data.data() + header;
    zs.avail_out = static_cast<uInt>(data.size() - header);
    constexpr std::size_t kBlockPixels = 16384;
    std::vector<std::uint8_t> argb(kBlockPixels * 4);
    for (std::size_t first = 0; first < pixels || first == 0; first += kBlockPixels) {
        std::size_t count = std::min(kBlockPixels, pixels - first);
        const std::uint8_t* in = rgba.data() + first * 4;
        for (std::size_t i = 0; i < count; ++i, in += 4) {
            unsigned alpha = in[3];
            std::uint8_t* px = &argb[i * 4];
            px[0] = static_cast<std::uint8_t>(alpha);
            if (alpha == 255) {
                px[1] = in[0];
                px[2] = in[1];
                px[3] = in[2];
            } else {
                px[1] = static_cast<std::uint8_t>((in[0] * alpha + 127) / 255);
                px[2] = static_cast<std::uint8_t>((in[1] * alpha + 127) / 255);
                px[3] = static_cast<std::uint8_t>((in[2] * alpha + 127) / 255);
            }
        }
        zs.next_in = argb.data();
        zs.avail_in = static_cast<uInt>(count * 4);
        bool last = first + count >= pixels;
        int status = deflate(&zs, last ? Z_FINISH : Z_NO_FLUSH);
        if (status == Z_STREAM_ERROR || (last && status != Z_STREAM_END)) {
            deflateEnd(&zs);
            throw std::runtime_error("zlib could not compress the bitmap");
        }
        if (last)
            break;
    }
    data.resize(data.size() - zs.avail_out);
    deflateEnd(&zs);
    return out.Take();
}

std::vector<std::uint8_t> SwfDefineBitsJpeg2(std::uint16_t id, std::span<const std::uint8_t> jpeg)
{
    SwfBitWriter out;
    out.U16(id);
    out.Bytes(jpeg);
    return out.Take();
}

std::vector<std::uint8_t> SwfDefineDeviceFont(std::uint16_t id, std::string_view name)
{
    SwfBitWriter out;
    out.U16(id);
    out.U8(0); // no layout, no wide codes
    out.U8(1); // Latin
    out.U8(static_cast<std::uint8_t>(name.size()));
    out.Bytes(std::span(reinterpret_cast<const std::uint8_t*>(name.data()), name.size()));
    out.U16(0); // glyphs
    out.U16(2); // code table offset: just past this field
    return out.Take();
}

std::vector<std::uint8_t> SwfDefineEditText(const SwfEditText& field)
{
    SwfBitWriter out;
    out.U16(field.id);
    out.Rect({ 0, field.width * kTwipsPerPixel, 0, field.height * kTwipsPerPixel });
    bool hasText = !field.text.empty();
    // HasText, WordWrap, Multiline, Password, ReadOnly, HasTextColor,
    // HasMaxLength, HasFont; then HasFontClass, AutoSize, HasLayout,
    // NoSelect, Border, WasStatic, HTML, UseOutlines.
    out.U8(static_cast<std::uint8_t>((hasText ? 0x80 : 0) | 0x08 | 0x04 | (field.fontId ? 0x01 : 0)));
    out.U8(0x20 | 0x10);
    if (field.fontId) {
        out.U16(field.fontId);
        out.U16(static_cast<std::uint16_t>(field.fontHeight * kTwipsPerPixel));
    }
    out.Rgba(field.rgba);
    out.U8(static_cast<std::uint8_t>(field.align));
    out.U16(0); // margins, indent, leading
    out.U16(0);
    out.U16(0);
    out.U16(0);
    out.String(field.variable);
    if (hasText)
        out.String(field.text);
    return out.Take();
}

std::vector<std::uint8_t> SwfDefineButton2(std::uint16_t id, const std::vector<SwfButtonRecord>& records,
    const std::vector<SwfButtonAction>& actions)
{
    SwfBitWriter out;
    out.U16(id);
    out.U8(0); // push button
    std::size_t offsetField = out.Size();
    out.U16(0);
    for (const SwfButtonRecord& record : records) {
        out.U8(static_cast<std::uint8_t>((record.hitTest ? 0x08 : 0) | (record.down ? 0x04 : 0)
            | (record.over ? 0x02 : 0) | (record.up ? 0x01 : 0)));
        out.U16(record.characterId);
        out.U16(record.depth);
        out.Translation(record.x, record.y);
        out.NoColorTransform();
    }
    out.U8(0); // end of records
    if (!actions.empty()) {
        // Offsets count from the field that holds them.
        std::uint16_t toActions = static_cast<std::uint16_t>(out.Size() - offsetField);
        out.Data()[offsetField] = static_cast<std::uint8_t>(toActions);
        out.Data()[offsetField + 1] = static_cast<std::uint8_t>(toActions >> 8);
    }
    for (std::size_t i = 0; i < actions.size(); ++i) {
        bool last = i + 1 == actions.size();
        out.U16(last ? 0 : static_cast<std::uint16_t>(4 + actions[i].actions.size()));
        out.U8(static_cast<std::uint8_t>(actions[i].conditions));
        out.U8(static_cast<std::uint8_t>(actions[i].conditions >> 8));
        out.Bytes(actions[i].actions);
    }
    return out.Take();
}

namespace {

unsigned RateCode(int rate)
{
    switch (rate) {
    case 5512:
        return 0;
    case 11025:
        return 1;
    case 22050:
        return 2;
    case 44100:
        return 3;
    default:
        throw std::invalid_argument("sound rate must be 5512, 11025, 22050 or 44100");
    }
}

} // namespace

std::vector<std::uint8_t> SwfSoundStreamHead2(
    SwfSoundFormat format, int rate, bool stereo, std::uint16_t samplesPerFrame)
{
    SwfBitWriter out;
    unsigned rateCode = RateCode(rate);
    out.UB(4, 0);
    out.UB(2, rateCode);
    out.UB(1, 1); // 16-bit
    out.UB(1, stereo);
    out.UB(4, format == SwfSoundFormat::Mp3 ? 2 : 3); // MP3, or PCM little-endian
    out.UB(2, rateCode);
    out.UB(1, 1);
    out.UB(1, stereo);
    out.U16(samplesPerFrame);
    if (format == SwfSoundFormat::Mp3)
        out.U16(0); // latency seek
    return out.Take();
}

std::vector<std::uint8_t> SwfSoundStreamBlock(
    SwfSoundFormat format, std::span<const std::uint8_t> data, std::uint16_t sampleCount)
{
    SwfBitWriter out;
    if (format == SwfSoundFormat::Mp3) {
        out.U16(sampleCount);
        out.U16(0); // seek samples
    }
    out.Bytes(data);
    return out.Take();
}
