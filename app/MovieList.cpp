#include "app/MovieList.h"

#include "app/CaseFold.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vantor {

namespace {

// Decodes one UTF-8 sequence at `pos` (advancing it); a malformed byte
// stands for itself.
char32_t NextCodePoint(const std::string& text, std::size_t& pos)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(pos);
    int length = lead < 0x80  ? 1
        : (lead >> 5) == 0x6  ? 2
        : (lead >> 4) == 0xE  ? 3
        : (lead >> 3) == 0x1E ? 4
                              : 1;
    if (pos + length > text.size())
        length = 1;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return lead;
        }
        code = (code << 6) | (next & 0x3F);
    }
    pos += length;
    return code;
}

bool EndsWithIgnoringCase(const std::string& text, const std::string& suffix)
{
    if (text.size() < suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(), [](char a, char b) {
        return LowerCase(static_cast<unsigned char>(a)) == LowerCase(static_cast<unsigned char>(b));
    });
}

bool IsFolder(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

} // namespace

bool IsMovieFile(const std::string& path)
{
    return EndsWithIgnoringCase(path, ".vtr") || EndsWithIgnoringCase(path, ".vtz");
}

bool SamePathIgnoringCase(const std::string& a, const std::string& b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (LowerCase(NextCodePoint(a, i)) != LowerCase(NextCodePoint(b, j)))
            return false;
    }
    return i == a.size() && j == b.size();
}

namespace {

// The path's code points in lower case: two paths are the same ignoring
// case exactly when these are equal.
std::u32string FoldedPath(const std::string& path)
{
    std::u32string folded;
    folded.reserve(path.size());
    std::size_t i = 0;
    while (i < path.size())
        folded.push_back(LowerCase(NextCodePoint(path, i)));
    return folded;
}

} // namespace

bool MovieList::Add(const std::string& path)
{
    std::u32string folded = FoldedPath(path);
    if (m_folded.count(folded) > 0)
        return false;
    m_paths.push_back(path);
    m_folded.insert(std::move(folded));
    return true;
}

void MovieList::AddRestored(const std::string& path)
{
    m_paths.push_back(path);
    m_folded.insert(FoldedPath(path));
}

void MovieList::Clear()
{
    m_paths.clear();
    m_folded.clear();
}

std::size_t MovieList::RemoveSelected(const std::vector<bool>& selected)
{
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < m_paths.size(); ++i) {
        if (i >= selected.size() || !selected[i])
            kept.push_back(std::move(m_paths[i]));
    }
    std::size_t removed = m_paths.size() - kept.size();
    m_paths = std::move(kept);
    m_folded.clear();
    for (const std::string& path : m_paths)
        m_folded.insert(FoldedPath(path));
    return removed;
}

DropEffect MovieDropTarget::DragEnter(bool addEnabled, const std::vector<std::string>& names)
{
    m_effect = DropEffect::None;
    if (addEnabled && std::any_of(names.begin(), names.end(), IsMovieFile))
        m_effect = DropEffect::Copy;
    return m_effect;
}

std::vector<std::string> MovieDropTarget::Drop(const std::vector<std::string>& names) const
{
    std::vector<std::string> movies;
    if (m_effect != DropEffect::Copy)
        return movies;
    for (const std::string& name : names) {
        if (IsMovieFile(name) && !IsFolder(name))
            movies.push_back(name);
    }
    return movies;
}

} // namespace vantor
