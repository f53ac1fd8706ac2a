#pragma once

// The string table source format, shared by the build (which compiles the
// English table into the program) and the program (which reads language
// packs): one row a text, "id <TAB> Name <TAB> text"; '#' starts a comment
// line; \n, \r, \t and \\ in the text stand for those characters.

#include <string>
#include <vector>

namespace vantor {

struct StringTableRow {
    int id = 0;
    std::string name;
    std::string text;
};
using StringTableRows = std::vector<StringTableRow>;

struct StringTableEntry {
    int id;
    const char* text;
};

// The English table compiled into the program, in source order.
extern const StringTableEntry kEnglishStrings[];
extern const unsigned kEnglishStringCount;

// Parses a whole table. False with a message naming the line on the first
// malformed row (missing columns, an id that is not a number in 60000..61434,
// a repeated id or name, text that is not UTF-8).
bool ParseStringTable(const std::string& text, StringTableRows& rows, std::string& error);

} // namespace vantor
