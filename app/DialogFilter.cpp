#include "app/DialogFilter.h"

#include <algorithm>

namespace vantor {

namespace {

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> pieces;
    std::string::size_type start = 0;
    for (;;) {
        std::string::size_type end = text.find(separator, start);
        pieces.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return pieces;
        start = end + 1;
    }
}

std::string Trimmed(const std::string& text)
{
    auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// "*.vtr;*.vtz", "*.*", "readme.txt": patterns only, no description words.
bool IsPatternList(const std::string& piece)
{
    if (piece.empty() || piece.find_first_of("()") != std::string::npos)
        return false;
    for (const std::string& pattern : Split(piece, ';')) {
        std::string p = Trimmed(pattern);
        if (p.empty() || p.find(' ') != std::string::npos
            || (p.find('*') == std::string::npos && p.find('.') == std::string::npos))
            return false;
    }
    return true;
}

} // namespace

std::vector<std::string> QtNameFilters(const std::string& windowsFilter)
{
    std::vector<std::string> filters;
    if (windowsFilter.empty())
        return filters;
    std::vector<std::string> pieces = Split(windowsFilter, '|');
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        std::string description = Trimmed(pieces[i]);
        if (i + 1 < pieces.size() && IsPatternList(pieces[i + 1])) {
            std::string patterns;
            for (const std::string& pattern : Split(pieces[i + 1], ';')) {
                std::string p = Trimmed(pattern);
                patterns += (patterns.empty() ? "" : " ") + p;
            }
            filters.push_back((description.empty() ? patterns : description) + " (" + patterns + ")");
            ++i;
        } else if (!description.empty()) {
            filters.push_back(description);
        }
    }
    return filters;
}

} // namespace vantor
