// Control characters in movie names reach the terminal only as escapes.

#include "app/CliView.h"

#include <gtest/gtest.h>

namespace vantor {

TEST(CliEscape, ControlCharactersAreWrittenAsEscapes)
{
    const std::pair<std::string, std::string> cases[] = {
        { "two\nlines.vtr: exported successfully", "two\\nlines.vtr: exported successfully" },
        { "a\tb\rc\a\b\v\f", "a\\tb\\rc\\a\\b\\v\\f" },
        { std::string("\x1b[2J\0\x7f", 6), "\\x1b[2J\\x00\\x7f" }, { "back\\slash", "back\\\\slash" },
        { "c1\xc2\x9b"
          "31m",
            "c1\\u009b31m" },
        { "caf\xc3\xa9\xc2\xa0\xe2\x82\xac", "caf\xc3\xa9\xc2\xa0\xe2\x82\xac" }, // printable UTF-8 stays
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(EscapeControls(text), expected);
}

} // namespace vantor
