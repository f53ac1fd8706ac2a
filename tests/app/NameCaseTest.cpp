// Movie names compare without letter case the same way whatever the C
// library's locale: the terminal front end never sets one.

#include "app/MovieList.h"

#include <clocale>
#include <gtest/gtest.h>

namespace {

TEST(NameCaseTest, DuplicatesAreFoundWithoutLocale)
{
    std::setlocale(LC_CTYPE, "C");
    const struct {
        const char *listed, *added;
        bool same;
    } cases[] = {
        { "/m/Äb.vtr", "/m/äb.vtr", true },
        { "/m/ΣΟΦΊΑ.VTZ", "/m/σοφία.vtz", true },
        { "/m/Привет Œ Ĳ.vtr", "/m/пРИВЕТ œ ĳ.vtr", true },
        { "/m/Été.vtr", "/m/Ete.vtr", false },
        { "/m/straße.vtr", "/m/strasse.vtr", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(vantor::SamePathIgnoringCase(c.listed, c.added), c.same) << c.added;
}

} // namespace
