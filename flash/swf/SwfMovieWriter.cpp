#include "flash/swf/SwfMovieWriter.h"

#include "flash/swf/SwfBitWriter.h"

#include <cmath>
#include <stdexcept>
#include <zlib.h>

void SwfTimeline::Tag(std::uint16_t code, std::span<const std::uint8_t> body)
{
    SwfBitWriter header;
    // Short headers hold lengths up to 62; the long form is always allowed
    // and some players insist on it for bitmaps, so those always use it.
    bool longForm = body.size() >= 0x3f || code == SwfTagCode::DefineBitsLossless
        || code == SwfTagCode::DefineBitsLossless2 || code == SwfTagCode::DefineBitsJPEG2;
    header.U16(static_cast<std::uint16_t>(code << 6 | (longForm ? 0x3f : body.size())));
    if (longForm)
        header.U32(static_cast<std::uint32_t>(body.size()));
    m_bytes.insert(m_bytes.end(), header.Data().begin(), header.Data().end());
    m_bytes.insert(m_bytes.end(), body.begin(), body.end());
}

void SwfTimeline::ShowFrame()
{
    Tag(SwfTagCode::ShowFrame, {});
    ++m_frames;
}

void SwfTimeline::PlaceObject2(
    std::uint16_t depth, std::uint16_t id, std::int32_t x, std::int32_t y, std::string_view name)
{
    SwfBitWriter body;
    body.U8(static_cast<std::uint8_t>(0x02 | 0x04 | (name.empty() ? 0 : 0x20)));
    body.U16(depth);
    body.U16(id);
    body.Translation(x, y);
    if (!name.empty())
        body.String(name);
    Tag(SwfTagCode::PlaceObject2, body.Data());
}

void SwfTimeline::RemoveObject2(std::uint16_t depth)
{
    SwfBitWriter body;
    body.U16(depth);
    Tag(SwfTagCode::RemoveObject2, body.Data());
}

void SwfTimeline::DoAction(std::span<const std::uint8_t> actions)
{
    Tag(SwfTagCode::DoAction, actions);
}

void SwfTimeline::FrameLabel(std::string_view label)
{
    SwfBitWriter body;
    body.String(label);
    Tag(SwfTagCode::FrameLabel, body.Data());
}

void SwfTimeline::SetBackgroundColor(std::uint32_t rgb)
{
    SwfBitWriter body;
    body.Rgb(rgb);
    Tag(SwfTagCode::SetBackgroundColor, body.Data());
}

void SwfTimeline::DefineSprite(std::uint16_t id, const SwfTimeline& sprite)
{
    SwfBitWriter body;
    body.U16(id);
    body.U16(sprite.FrameCount());
    body.Bytes(sprite.Bytes());
    body.U16(0); // End
    Tag(SwfTagCode::DefineSprite, body.Data());
}

SwfMovieWriter::SwfMovieWriter(
    std::uint8_t version, int widthPixels, int heightPixels, double framesPerSecond)
    : m_version(version)
    , m_frame { 0, widthPixels * kTwipsPerPixel, 0, heightPixels * kTwipsPerPixel }
    , m_frameRate(static_cast<std::uint16_t>(std::lround(framesPerSecond * 256.0)))
{
    if (version >= 8) {
        SwfBitWriter attributes;
        attributes.U32(0); // ActionScript 1/2, no network access
        m_timeline.Tag(SwfTagCode::FileAttributes, attributes.Data());
    }
}

std::vector<std::uint8_t> SwfMovieWriter::Finish(bool compressed, int level) const
{
    SwfBitWriter body;
    body.Rect(m_frame);
    body.U16(m_frameRate);
    body.U16(m_timeline.FrameCount());
    body.Bytes(m_timeline.Bytes());
    body.U16(0); // End

    SwfBitWriter file;
    file.Bytes(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(compressed ? "CWS" : "FWS"), 3));
    file.U8(m_version);
    file.U32(static_cast<std::uint32_t>(8 + body.Size()));
    if (!compressed) {
        file.Bytes(body.Data());
        return file.Take();
    }
    std::vector<std::uint8_t> out = file.Take();
    uLongf packedSize = compressBound(static_cast<uLong>(body.Size()));
    out.resize(8 + packedSize);
    if (compress2(out.data() + 8, &packedSize, body.Data().data(), static_cast<uLong>(body.Size()), level)
        != Z_OK)
        throw std::runtime_error("zlib could not compress the movie");
    out.resize(8 + packedSize);
    return out;
}
