// Movie names compare without letter case the same way whatever the C
// library's locale: the terminal front end never sets one.

#include "app/MovieList.h"

#include <gtest/gtest.h>

#include <clocale>

using namespace vantor;

namespace {

TEST(NameCaseTest, DuplicatesAreFoundWithoutLocale)
{
    std::setlocale(LC_CTYPE, "C");
    struct Case {
        const char* listed;
        const char* added;
        bool same;
    };
    const Case cases[] = {
        { "/m/Äb.vtr", "/m/äb.vtr", true },
        { "/m/ΣΟΦΊΑ.VTZ", "/m/σοφία.vtz", true },
        { "/m/Привет.vtr", "/m/пРИВЕТ.vtr", true },
        { "/m/Œuvre Ĳ.vtr", "/m/œuvre ĳ.vtr", true },
        { "/m/Été.vtr", "/m/Ete.vtr", false },
        { "/m/straße.vtr", "/m/strasse.vtr", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.added);
        MovieList list;
        ASSERT_TRUE(list.Add(c.listed));
        EXPECT_EQ(list.Add(c.added), !c.same);
        EXPECT_EQ(list.Count(), c.same ? 1u : 2u);
    }
}

} // namespace
