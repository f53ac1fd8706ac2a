// Control characters in movie names reach the terminal only as escapes.

#include "app/CliView.h"

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

namespace vantor {

TEST(CliEscape, ControlCharactersAreWrittenAsEscapes)
{
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        { "clip.vtr", "clip.vtr" }, { "two\nlines.vtr", "two\\nlines.vtr" },
        { "a\tb\rc\a\b\v\f", "a\\tb\\rc\\a\\b\\v\\f" }, { "\x1b[2Jred", "\\x1b[2Jred" },
        { std::string("nul\0.vtr", 8), "nul\\x00.vtr" }, { "del\x7f", "del\\x7f" },
        { "back\\slash", "back\\\\slash" },
        { "c1\xc2\x9b"
          "31m",
            "c1\\u009b31m" },
        { "caf\xc3\xa9 \xc2\xa0 \xe2\x82\xac", "caf\xc3\xa9 \xc2\xa0 \xe2\x82\xac" }, // printable UTF-8 stays
    };
    for (const Case& c : cases)
        EXPECT_EQ(EscapeControls(c.text), c.expected) << c.expected;
}

TEST(CliEscape, StatusAndProgressLinesOfANameWithANewlineStayOneLineEach)
{
    char* outText = nullptr;
    size_t outSize = 0;
    char* progressText = nullptr;
    size_t progressSize = 0;
    std::FILE* out = open_memstream(&outText, &outSize);
    std::FILE* progress = open_memstream(&progressText, &progressSize);
    MovieList movies;
    {
        CliView view(movies, "/out", out, progress, false);
        view.SetDetailText("Exporting movie: a\nb.vtr");
        view.AddStatusLine("a\nb.vtr: exported successfully");
    }
    std::fclose(out);
    std::fclose(progress);
    EXPECT_EQ(std::string(outText, outSize), "a\\nb.vtr: exported successfully\n");
    EXPECT_EQ(std::string(progressText, progressSize), "Exporting movie: a\\nb.vtr\n");
    std::free(outText);
    std::free(progressText);
}

} // namespace vantor
