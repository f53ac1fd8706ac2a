#include "flash/swf/SwfMovieReader.h"

#include "flash/swf/SwfBitReader.h"

#include <algorithm>
#include <fstream>
#include <new>

namespace {

// Measuring a sprite measures the sprites it places, and those the sprites
// they place: a file can chain thousands of sprites, so the walk stops at
// this depth instead of overflowing the stack. Real control bars nest two
// or three levels.
constexpr int kMaxSpriteDepth = 64;

bool IsDefinition(std::uint16_t code)
{
    switch (code) {
    case SwfTagCode::DefineShape:
    case SwfTagCode::DefineShape2:
    case SwfTagCode::DefineShape3:
    case SwfTagCode::DefineText:
    case SwfTagCode::DefineEditText:
    case SwfTagCode::DefineMorphShape:
    case SwfTagCode::DefineBitsLossless:
    case SwfTagCode::DefineBitsLossless2:
    case SwfTagCode::DefineButton2:
    case SwfTagCode::DefineSprite:
        return true;
    default:
        return false;
    }
}

bool IsPlacement(std::uint16_t code)
{
    return code == SwfTagCode::PlaceObject || code == SwfTagCode::PlaceObject2;
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

void SetBounds(SwfTag& tag, const SwfRect& rect)
{
    tag.left = rect.xMin / kTwipsPerPixel;
    tag.right = rect.xMax / kTwipsPerPixel;
    tag.top = rect.yMin / kTwipsPerPixel;
    tag.bottom = rect.yMax / kTwipsPerPixel;
}

// Fills the decoded fields of `tag` from its body; false when a field runs
// past the body's end.
bool Decode(SwfTag& tag)
{
    SwfBitReader in(tag.body);
    tag.decoded = true;
    switch (tag.code) {
    case SwfTagCode::End:
    case SwfTagCode::ShowFrame:
    case SwfTagCode::DoAction:
    case SwfTagCode::SoundStreamBlock:
        break;
    case SwfTagCode::DefineShape:
    case SwfTagCode::DefineShape2:
    case SwfTagCode::DefineShape3:
    case SwfTagCode::DefineText:
    case SwfTagCode::DefineEditText:
    case SwfTagCode::DefineMorphShape:
        tag.characterId = in.U16();
        SetBounds(tag, in.Rect());
        break;
    case SwfTagCode::PlaceObject:
        tag.characterId = in.U16();
        tag.depth = in.U16();
        break;
    case SwfTagCode::RemoveObject:
        tag.characterId = in.U16();
        tag.depth = in.U16();
        break;
    case SwfTagCode::RemoveObject2:
        tag.depth = in.U16();
        break;
    case SwfTagCode::SetBackgroundColor: {
        std::uint32_t red = in.U8(), green = in.U8();
        tag.value = red << 16 | green << 8 | in.U8();
        break;
    }
    case SwfTagCode::DefineBitsLossless:
    case SwfTagCode::DefineBitsLossless2:
        tag.characterId = in.U16();
        tag.value = in.U8();
        tag.right = in.U16();
        tag.bottom = in.U16();
        break;
    case SwfTagCode::PlaceObject2: {
        std::uint8_t flags = in.U8();
        tag.depth = in.U16();
        if (flags & 0x02)
            tag.characterId = in.U16();
        if (flags & 0x04)
            in.SkipMatrix();
        if (flags & 0x08)
            in.SkipColorTransform(true);
        if (flags & 0x10)
            in.U16(); // ratio
        if (flags & 0x20)
            tag.name = in.String();
        break;
    }
    case SwfTagCode::DefineButton2:
        tag.characterId = in.U16();
        break;
    case SwfTagCode::DefineSprite:
        tag.characterId = in.U16();
        tag.value = in.U16();
        tag.body = tag.body.subspan(std::min<std::size_t>(4, tag.body.size()));
        break;
    case SwfTagCode::FrameLabel:
        tag.name = in.String();
        break;
    case SwfTagCode::SoundStreamHead2: {
        std::uint32_t format = in.U16();
        tag.value = format << 16 | in.U16();
        break;
    }
    case SwfTagCode::DefineFont2: {
        tag.characterId = in.U16();
        in.U8(); // flags
        in.U8(); // language
        auto name = in.Bytes(in.U8());
        tag.name = std::string_view(reinterpret_cast<const char*>(name.data()), name.size());
        break;
    }
    case SwfTagCode::FileAttributes:
        tag.value = in.U32();
        break;
    default:
        tag.decoded = false;
        break;
    }
    return in.Ok();
}

} // namespace

struct SwfMovieReader::Sprite {
    explicit Sprite(std::pmr::memory_resource* memory)
        : tags(memory)
    {
    }
    SwfTagList tags;
    std::unordered_map<std::uint16_t, std::size_t> definitions;
    enum class State { Unmeasured, Measuring, Measured } state = State::Unmeasured;
    SwfPixelSize size;
};

SwfMovieReader::SwfMovieReader(std::pmr::memory_resource* memory)
    : m_memory(memory)
    , m_file(memory)
    , m_tags(memory)
{
}

SwfMovieReader::~SwfMovieReader() = default;

void SwfMovieReader::Clear()
{
    m_sprites.clear();
    m_definitions.clear();
    m_tags.clear();
    m_header = SwfHeader();
}

SwfReadResult SwfMovieReader::ReadFile(const std::filesystem::path& path, const SwfRetryQuestion& askRetry)
{
    Clear();
    m_file.clear();
    std::error_code error;
    auto size = std::filesystem::file_size(path, error);
    std::ifstream in(path, std::ios::binary);
    if (error || !in)
        return m_result = SwfReadResult::CannotOpen;
    for (;;) {
        try {
            m_file.resize(size);
            break;
        } catch (const std::bad_alloc&) {
            if (!askRetry || !askRetry())
                return m_result = SwfReadResult::Cancelled;
        }
    }
    if (!in.read(reinterpret_cast<char*>(m_file.data()), static_cast<std::streamsize>(size))) {
        m_file.clear();
        return m_result = SwfReadResult::CannotOpen;
    }
    m_askRetry = &askRetry;
    SwfReadResult result = Parse(m_file);
    m_askRetry = nullptr;
    return result;
}

SwfReadResult SwfMovieReader::ReadBytes(std::span<const std::uint8_t> bytes, const SwfRetryQuestion& askRetry)
{
    Clear();
    m_file.clear();
    for (;;) {
        try {
            m_file.assign(bytes.begin(), bytes.end());
            break;
        } catch (const std::bad_alloc&) {
            if (!askRetry || !askRetry())
                return m_result = SwfReadResult::Cancelled;
        }
    }
    m_askRetry = &askRetry;
    SwfReadResult result = Parse(m_file);
    m_askRetry = nullptr;
    return result;
}

SwfReadResult SwfMovieReader::Parse(std::span<const std::uint8_t> file)
{
    if (file.size() < 3 || file[1] != 'W' || file[2] != 'S')
        return m_result = SwfReadResult::NotSwf;
    if (file[0] == 'C' || file[0] == 'Z')
        return m_result = SwfReadResult::Compressed;
    if (file[0] != 'F')
        return m_result = SwfReadResult::NotSwf;

    SwfBitReader in(file);
    std::copy_n(file.begin(), 3, m_header.signature);
    in.Skip(3);
    m_header.version = in.U8();
    m_header.fileLength = in.U32();
    // Bytes after the declared length are not part of the movie; a declared
    // length beyond the file's end is a truncated file.
    if (!in.Ok() || m_header.fileLength > file.size() || m_header.fileLength < in.Position()) {
        Clear();
        return m_result = SwfReadResult::Damaged;
    }
    SwfBitReader movie(file.first(m_header.fileLength));
    movie.Skip(in.Position());
    m_header.frame = movie.Rect();
    m_header.widthPixels = m_header.frame.xMax / kTwipsPerPixel - m_header.frame.xMin / kTwipsPerPixel;
    m_header.heightPixels = m_header.frame.yMax / kTwipsPerPixel - m_header.frame.yMin / kTwipsPerPixel;
    m_header.frameRate = movie.U16();
    m_header.frameCount = movie.U16();
    if (!movie.Ok()) {
        Clear();
        return m_result = SwfReadResult::Damaged;
    }
    m_result = ParseTags(file.subspan(movie.Position(), m_header.fileLength - movie.Position()), m_tags);
    if (m_result != SwfReadResult::Ok && m_result != SwfReadResult::Cancelled) {
        Clear();
        return m_result;
    }
    for (std::size_t i = 0; i < m_tags.size(); ++i) {
        if (IsDefinition(m_tags[i].code))
            m_definitions.emplace(m_tags[i].characterId, i);
    }
    return m_result;
}

SwfReadResult SwfMovieReader::ParseTags(std::span<const std::uint8_t> bytes, SwfTagList& tags)
{
    SwfBitReader in(bytes);
    for (;;) {
        std::uint16_t codeAndLength = in.U16();
        std::uint32_t length = codeAndLength & 0x3f;
        if (length == 0x3f)
            length = in.U32();
        if (!in.Ok() || length > in.Remaining())
            return SwfReadResult::Damaged;
        SwfTag tag;
        tag.code = codeAndLength >> 6;
        tag.body = in.Bytes(length);
        if (!Decode(tag))
            return SwfReadResult::Damaged;
        if (!Store(tags, tag))
            return SwfReadResult::Cancelled;
        if (tag.code == SwfTagCode::End)
            return SwfReadResult::Ok;
    }
}

bool SwfMovieReader::Store(SwfTagList& tags, const SwfTag& tag)
{
    for (;;) {
        try {
            tags.push_back(tag);
            return true;
        } catch (const std::bad_alloc&) {
            if (!m_askRetry || !*m_askRetry || !(*m_askRetry)())
                return false;
        }
    }
}

SwfMovieReader::Sprite& SwfMovieReader::ParsedSprite(const SwfTag& sprite)
{
    auto& parsed = m_sprites[sprite.body.data()];
    if (!parsed) {
        parsed = std::make_unique<Sprite>(m_memory);
        SwfReadResult result = ParseTags(sprite.body, parsed->tags);
        if (result == SwfReadResult::Damaged)
            parsed->tags.clear();
        for (std::size_t i = 0; i < parsed->tags.size(); ++i) {
            if (IsDefinition(parsed->tags[i].code))
                parsed->definitions.emplace(parsed->tags[i].characterId, i);
        }
    }
    return *parsed;
}

const SwfTagList& SwfMovieReader::SpriteTags(const SwfTag& sprite)
{
    return ParsedSprite(sprite).tags;
}

bool SwfMovieReader::HasInstance(std::string_view name) const
{
    return std::any_of(m_tags.begin(), m_tags.end(), [name](const SwfTag& tag) {
        return tag.code == SwfTagCode::PlaceObject2 && EqualNoCase(tag.name, name) && !tag.name.empty();
    });
}

const SwfTag* SwfMovieReader::Definition(std::uint16_t id, const Scope* scope) const
{
    for (; scope; scope = scope->outer) {
        auto found = scope->sprite->definitions.find(id);
        if (found != scope->sprite->definitions.end())
            return &scope->sprite->tags[found->second];
    }
    auto found = m_definitions.find(id);
    return found != m_definitions.end() ? &m_tags[found->second] : nullptr;
}

SwfPixelSize SwfMovieReader::CharacterSize(const SwfTag& definition, const Scope* outer, int depth)
{
    if (definition.code != SwfTagCode::DefineSprite)
        return definition.code == SwfTagCode::DefineButton2 ? SwfPixelSize() : definition.Size();
    Sprite& sprite = ParsedSprite(definition);
    if (sprite.state == Sprite::State::Measured)
        return sprite.size;
    // A sprite that places itself, directly or through others, counts as
    // empty inside itself.
    if (sprite.state == Sprite::State::Measuring || depth >= kMaxSpriteDepth)
        return {};
    sprite.state = Sprite::State::Measuring;
    const Scope scope { &sprite, outer };
    SwfPixelSize size;
    for (const SwfTag& tag : sprite.tags) {
        if (!IsPlacement(tag.code) || tag.characterId == 0)
            continue;
        if (const SwfTag* placed = Definition(tag.characterId, &scope)) {
            SwfPixelSize placedSize = CharacterSize(*placed, &scope, depth + 1);
            size.width = std::max(size.width, placedSize.width);
            size.height = std::max(size.height, placedSize.height);
        }
    }
    sprite.size = size;
    sprite.state = Sprite::State::Measured;
    return size;
}

SwfPixelSize SwfMovieReader::InstanceSize(std::string_view name)
{
    for (std::size_t i = 0; i < m_tags.size(); ++i) {
        const SwfTag& tag = m_tags[i];
        if (tag.code != SwfTagCode::PlaceObject2 || tag.name.empty() || !EqualNoCase(tag.name, name))
            continue;
        // A placement that only names the object at its depth measures the
        // character placed there before.
        std::uint16_t id = tag.characterId;
        for (std::size_t j = i; id == 0 && j-- > 0;) {
            if (IsPlacement(m_tags[j].code) && m_tags[j].depth == tag.depth)
                id = m_tags[j].characterId;
        }
        const SwfTag* definition = id != 0 ? Definition(id, nullptr) : nullptr;
        return definition ? CharacterSize(*definition, nullptr, 0) : SwfPixelSize();
    }
    return {};
}
