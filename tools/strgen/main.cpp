// Turns a string table source (id <TAB> Name <TAB> text) into a header of
// named ids and a source file holding the texts, so the English table is
// compiled into the program.
//
//   strgen TABLE.tsv OUT_HEADER OUT_SOURCE
//   strgen --check TABLE.tsv     (only checks a table, for language packs)

#include "app/StringTableFile.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

std::string CppLiteral(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\%03o", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

// Writes only when the content changed, so that an unchanged table does not
// rebuild everything that includes the header.
void WriteIfChanged(const std::string& path, const std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream old;
    old << in.rdbuf();
    if (in && old.str() == text)
        return;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Reads and parses a table; false after printing what is wrong.
bool ReadTable(const char* path, vantor::StringTableRows& rows)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) {
        std::cerr << "strgen: cannot read " << path << "\n";
        return false;
    }
    std::string error;
    if (!vantor::ParseStringTable(text.str(), rows, error)) {
        std::cerr << path << ": " << error << "\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    vantor::StringTableRows rows;
    if (argc == 3 && std::string(argv[1]) == "--check")
        return ReadTable(argv[2], rows) ? 0 : 1;
    if (argc != 4) {
        std::cerr << "usage: strgen TABLE.tsv OUT_HEADER OUT_SOURCE\n       strgen --check TABLE.tsv\n";
        return 2;
    }
    if (!ReadTable(argv[1], rows))
        return 1;

    std::ostringstream header;
    header << "#pragma once\n// Generated from " << argv[1]
           << "; do not edit.\n\nnamespace vantor::str {\n\n";
    for (const auto& row : rows)
        header << "inline constexpr int k" << row.name << " = " << row.id << ";\n";
    header << "\n} // namespace vantor::str\n";

    std::ostringstream source;
    source << "// Generated from " << argv[1] << "; do not edit.\n#include \"app/StringTableFile.h\"\n\n"
           << "namespace vantor {\n\nconst StringTableEntry kEnglishStrings[] = {\n";
    for (const auto& row : rows)
        source << "    { " << row.id << ", " << CppLiteral(row.text) << " },\n";
    source << "};\nconst unsigned kEnglishStringCount = " << rows.size() << ";\n\n} // namespace vantor\n";

    WriteIfChanged(argv[2], header.str());
    WriteIfChanged(argv[3], source.str());
    return 0;
}
