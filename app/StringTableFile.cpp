#include "app/StringTableFile.h"

#include <charconv>
#include <set>

namespace vantor {

namespace {

constexpr int kFirstId = 60000;
constexpr int kLastId = 61434;

bool IsValidUtf8(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : -1;
        if (extra < 0 || i + extra >= text.size())
            return false;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += extra + 1;
    }
    return true;
}

std::string Unescape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char next = text[++i];
        switch (next) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            out += '\\';
            out += next;
            break;
        }
    }
    return out;
}

} // namespace

bool ParseStringTable(const std::string& text, StringTableRows& rows, std::string& error)
{
    rows.clear();
    std::set<int> ids;
    std::set<std::string> names;
    std::size_t start = 0;
    int lineNumber = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(lineNumber) + ": " + why;
            return false;
        };
        std::size_t tab1 = line.find('\t');
        std::size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos)
            return fail("expected id, name and text separated by tabs");
        StringTableRow row;
        const char* idBegin = line.data();
        const char* idEnd = line.data() + tab1;
        auto [ptr, ec] = std::from_chars(idBegin, idEnd, row.id);
        if (ec != std::errc() || ptr != idEnd || row.id < kFirstId || row.id > kLastId)
            return fail("the id must be a number from 60000 to 61434");
        row.name = line.substr(tab1 + 1, tab2 - tab1 - 1);
        if (row.name.empty())
            return fail("the name is empty");
        row.text = Unescape(line.substr(tab2 + 1));
        if (!IsValidUtf8(row.text))
            return fail("the text is not UTF-8");
        if (!ids.insert(row.id).second)
            return fail("id " + std::to_string(row.id) + " is listed twice");
        if (!names.insert(row.name).second)
            return fail("name " + row.name + " is listed twice");
        rows.push_back(std::move(row));
    }
    return true;
}

} // namespace vantor
