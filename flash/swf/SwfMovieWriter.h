#pragma once

// Writes SWF movies: a main timeline of tags (definitions, placements,
// frames) behind the file header, plain ("FWS") or zlib-compressed ("CWS").
// The definition builders (SwfShape, SwfDefinitions.h) make tag bodies that
// a timeline takes with Tag().

#include "flash/swf/SwfFormat.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// A tag list with its frame count: the main timeline or a sprite's.
class SwfTimeline final {
public:
    void Tag(std::uint16_t code, std::span<const std::uint8_t> body);
    void ShowFrame();
    // Places `id` at `depth`, moved by x, y twips; a non-empty name makes it
    // an instance that scripts can address.
    void PlaceObject2(
        std::uint16_t depth, std::uint16_t id, std::int32_t x, std::int32_t y, std::string_view name = {});
    void RemoveObject2(std::uint16_t depth);
    void DoAction(std::span<const std::uint8_t> actions);
    void FrameLabel(std::string_view label);
    void SetBackgroundColor(std::uint32_t rgb);
    // Defines a sprite whose timeline is `sprite`; its End tag is added here.
    void DefineSprite(std::uint16_t id, const SwfTimeline& sprite);

    std::uint16_t FrameCount() const { return m_frames; }
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
    std::uint16_t m_frames = 0;
};

class SwfMovieWriter final {
public:
    // Frame size in pixels. Version 8 and up start with a FileAttributes tag.
    SwfMovieWriter(std::uint8_t version, int widthPixels, int heightPixels, double framesPerSecond);

    SwfTimeline& Timeline() { return m_timeline; }
    // Character ids count up from 1.
    std::uint16_t NewCharacterId() { return ++m_lastId; }
    // The whole file, End tag included; `compressed` gives "CWS" with the
    // body deflated at `level`.
    std::vector<std::uint8_t> Finish(bool compressed, int level = 9) const;

private:
    std::uint8_t m_version;
    SwfRect m_frame;
    std::uint16_t m_frameRate;
    SwfTimeline m_timeline;
    std::uint16_t m_lastId = 0;
};
