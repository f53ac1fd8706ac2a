#pragma once

// The list of movies the next run processes: full paths in the order they
// were added, no path twice (compared without regard to letter case), plus
// the rules that decide which dropped files join it.

#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

namespace vantor {

// ".vtr" or ".vtz" at the end of the file name, in any letter case.
bool IsMovieFile(const std::string& path);
// The same path in different letter case, letters compared by their
// lower-case forms whatever the locale (see CaseFold.h).
bool SamePathIgnoringCase(const std::string& a, const std::string& b);

class MovieList final {
public:
    const std::vector<std::string>& Paths() const { return m_paths; }
    std::size_t Count() const { return m_paths.size(); }
    bool Empty() const { return m_paths.empty(); }
    const std::string& At(std::size_t index) const { return m_paths[index]; }

    // Appends `path` unless the list holds it already; true when added.
    bool Add(const std::string& path);
    // Appends without the duplicate check (the list restored at start-up is
    // taken as stored).
    void AddRestored(const std::string& path);
    void Clear();
    // Removes every item whose index is flagged in `selected` (one flag per
    // item; missing flags count as not selected). Returns how many went.
    std::size_t RemoveSelected(const std::vector<bool>& selected);

private:
    std::vector<std::string> m_paths;
    // Every path in lower case, for the duplicate check in constant time.
    std::unordered_multiset<std::u32string> m_folded;
};

// The drop effect the window answers a drag with.
enum class DropEffect {
    None,
    Copy,
};

// The window as a drop target. The effect decided when a drag enters is
// kept and given for every move over the window and at the drop.
class MovieDropTarget final {
public:
    // `addEnabled`: the Add button is enabled (no run in progress). Copy when
    // adding is possible and at least one name is a movie file.
    DropEffect DragEnter(bool addEnabled, const std::vector<std::string>& names);
    DropEffect DragOver() const { return m_effect; }
    void DragLeave() { }
    // The names to add, in drop order: movie files only, folders skipped;
    // nothing when the kept effect is None.
    std::vector<std::string> Drop(const std::vector<std::string>& names) const;

    DropEffect Effect() const { return m_effect; }

private:
    DropEffect m_effect = DropEffect::None;
};

} // namespace vantor
