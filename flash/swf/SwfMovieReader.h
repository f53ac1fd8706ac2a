#pragma once

// SwfMovieReader: reads an SWF movie (the uncompressed "FWS" form) into
// memory and answers the questions the control-bar check asks of it: does
// the main timeline place an instance of a given name, and how large is it.
//
// The whole file is read once; tags keep views into that buffer, so a tag
// costs one list entry and no copy. A sprite's own tag list is parsed the
// first time a size question needs it. Compressed movies ("CWS", "ZWS") and
// damaged ones are rejected: the reader then holds no tags and no instances.
//
// Use:
//     SwfMovieReader reader;
//     reader.ReadFile(path, askRetry);
//     if (reader.HasInstance("Controls")) height = reader.InstanceSize("Controls").height;

#include "flash/swf/SwfFormat.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <memory_resource>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

// The question asked when memory for a tag cannot be obtained (Retry/Cancel,
// warning icon). The caller shows it; true means Retry.
inline constexpr std::string_view kSwfNotEnoughMemoryText
    = "There is not enough memory in the system.\nPlease close other applications and press retry.";
inline constexpr std::string_view kSwfNotEnoughMemoryTitle = "Warning";
using SwfRetryQuestion = std::function<bool()>;

enum class SwfReadResult {
    Ok,
    CannotOpen, // the file could not be opened or read
    NotSwf, // no SWF signature
    Compressed, // "CWS" or "ZWS": not read
    Damaged, // a length, field or string runs past its end, or no End tag
    Cancelled, // memory ran out and the user chose Cancel: the tags read so far stay
};

// One tag, decoded where the reader knows its code. Views point into the
// reader's file buffer and live as long as the reader.
struct SwfTag {
    std::uint16_t code = 0;
    // False for codes the reader keeps as opaque blocks.
    bool decoded = false;
    // Definitions: the defined character. Placements: the placed character
    // (0 when a PlaceObject2 only moves the object at its depth).
    std::uint16_t characterId = 0;
    std::uint16_t depth = 0;
    // Definitions: bounds in pixels (each edge in twips divided by 20);
    // bitmaps: 0, 0, width, height.
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    // PlaceObject2: the instance name, FrameLabel: the label, DefineFont2:
    // the font name. Empty otherwise.
    std::string_view name;
    // The tag's body, after its header. For a sprite: its tag list.
    std::span<const std::uint8_t> body;
    // DefineSprite: frames; SetBackgroundColor: 0xRRGGBB; FileAttributes:
    // the flags; SoundStreamHead2: the 16 bits of stream format and sample
    // count per block (format << 16 | count); bitmaps: the format byte.
    std::uint32_t value = 0;

    SwfPixelSize Size() const { return { right - left, bottom - top }; }
};

using SwfTagList = std::pmr::vector<SwfTag>;

class SwfMovieReader final {
public:
    // `memory` serves the tag lists (the file buffer too); tests hand in one
    // that runs out.
    explicit SwfMovieReader(std::pmr::memory_resource* memory = std::pmr::get_default_resource());
    ~SwfMovieReader();
    SwfMovieReader(const SwfMovieReader&) = delete;
    SwfMovieReader& operator=(const SwfMovieReader&) = delete;

    // Replaces what the reader held. `askRetry` may be empty: running out of
    // memory then cancels.
    SwfReadResult ReadFile(const std::filesystem::path& path, const SwfRetryQuestion& askRetry = {});
    SwfReadResult ReadBytes(std::span<const std::uint8_t> bytes, const SwfRetryQuestion& askRetry = {});

    SwfReadResult Result() const { return m_result; }
    const SwfHeader& Header() const { return m_header; }
    // The main timeline's tags in file order, End included.
    const SwfTagList& Tags() const { return m_tags; }
    // A sprite's own tags, parsed on first use; empty for a damaged sprite.
    const SwfTagList& SpriteTags(const SwfTag& sprite);

    // Whether a PlaceObject2 of the main timeline names an instance `name`,
    // compared case-insensitively.
    bool HasInstance(std::string_view name) const;
    // The size of the character placed by the first such placement; for a
    // sprite, the largest width and height among what it places. 0 by 0
    // without such a placement.
    SwfPixelSize InstanceSize(std::string_view name);

private:
    struct Sprite;
    // The sprites whose tag lists enclose a definition being measured,
    // innermost first: a sprite sees the definitions of those around it.
    struct Scope {
        const Sprite* sprite;
        const Scope* outer;
    };

    SwfReadResult Parse(std::span<const std::uint8_t> file);
    SwfReadResult ParseTags(std::span<const std::uint8_t> bytes, SwfTagList& tags);
    bool Store(SwfTagList& tags, const SwfTag& tag);
    Sprite& ParsedSprite(const SwfTag& sprite);
    const SwfTag* Definition(std::uint16_t id, const Scope* scope) const;
    SwfPixelSize CharacterSize(const SwfTag& definition, const Scope* scope, int depth);
    void Clear();

    std::pmr::memory_resource* m_memory;
    const SwfRetryQuestion* m_askRetry = nullptr;
    std::pmr::vector<std::uint8_t> m_file;
    SwfHeader m_header;
    SwfTagList m_tags;
    // Main timeline definitions: character id to index in m_tags.
    std::unordered_map<std::uint16_t, std::size_t> m_definitions;
    // Parsed sprites, by the address of their tag list in the file buffer.
    std::unordered_map<const std::uint8_t*, std::unique_ptr<Sprite>> m_sprites;
    SwfReadResult m_result = SwfReadResult::CannotOpen;
};
