#pragma once

// The program's string table: every text the program shows is fetched by its
// numeric id (60000 to 61434) through LoadStr. The table is filled from the
// current resource module: the program itself (the English table compiled
// in from resources/strings/English.tsv) or a language pack. Named ids are
// the constants vantor::str::k<Name> of "strings/StringIds.h".

#include <memory>
#include <string>
#include <vector>

namespace vantor {

constexpr int kFirstStringId = 60000;
constexpr int kLastStringId = 61434;
// A text is read into a buffer of this many characters, the terminator
// included, so a stored text keeps at most kStringBufferSize - 1 characters.
constexpr int kStringBufferSize = 1024;

// A source of texts: the program itself, or a language pack file read as
// data. Immutable once made; shared by the string table and its owner.
class ResourceModule final {
public:
    // The program's own module (the compiled English table).
    static std::shared_ptr<const ResourceModule> Program();
    // Reads a language pack in the string table source format. Null, with
    // `error` saying why, when the file does not load: it cannot be read, is
    // empty or far too large, or is not a valid table (`error` then names the
    // first bad line).
    static std::shared_ptr<const ResourceModule> LoadFile(const std::string& path, std::string& error);
    // A module made from rows (tests, tools).
    static std::shared_ptr<const ResourceModule> FromTexts(
        std::string path, const std::vector<std::pair<int, std::string>>& texts);

    bool IsProgram() const { return m_path.empty(); }
    // The pack file; empty for the program.
    const std::string& Path() const { return m_path; }
    // The text of `id` as LoadString gives it: cut to kStringBufferSize - 1
    // characters; empty when the module has no such text.
    std::string Text(int id) const;

private:
    ResourceModule() = default;
    std::string m_path;
    std::vector<std::string> m_texts; // index id - kFirstStringId
};

// The text of `id` from the current table; empty for an id outside 60000 to
// 61434 or one without text. Safe from any thread.
std::string LoadStr(int id);

// Empties the table and refills it from `module` (null: the program).
void PointStringTableAt(std::shared_ptr<const ResourceModule> module);
// The module the table was last filled from.
std::shared_ptr<const ResourceModule> StringTableModule();

} // namespace vantor
