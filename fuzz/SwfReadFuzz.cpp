// SwfMovieReader on arbitrary bytes: a rejected file leaves no tags behind;
// an accepted one answers every instance question, parses every sprite,
// and its tags' views stay inside the file.
#include "flash/swf/SwfMovieReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void CheckTags(SwfMovieReader& reader, const SwfTagList& tags, int depth)
{
    for (const SwfTag& tag : tags) {
        if (tag.code == SwfTagCode::PlaceObject2 && !tag.name.empty()) {
            if (!reader.HasInstance(tag.name) && depth == 0)
                std::abort();
            SwfPixelSize size = reader.InstanceSize(tag.name);
            (void)size;
        }
        // Sprites inside sprites are walked to a few levels only: the
        // reader's own depth limit is what the size questions exercise.
        if (tag.code == SwfTagCode::DefineSprite && depth < 4)
            CheckTags(reader, reader.SpriteTags(tag), depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SwfMovieReader reader;
    SwfReadResult result = reader.ReadBytes(std::span(data, size));
    if (result != SwfReadResult::Ok) {
        if (!reader.Tags().empty() || reader.HasInstance("Controls"))
            std::abort();
        return 0;
    }
    if (reader.Tags().empty() || reader.Tags().back().code != SwfTagCode::End)
        std::abort();
    if (reader.Header().fileLength > size)
        std::abort();
    CheckTags(reader, reader.Tags(), 0);
    reader.InstanceSize("Controls");
    return 0;
}
