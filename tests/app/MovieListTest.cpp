#include "app/MovieList.h"

#include <clocale>
#include <gtest/gtest.h>

namespace {

using namespace vantor;

TEST(MovieListTest, RecognisesMovieFilesByExtensionInAnyCase)
{
    struct Case {
        const char* path;
        bool movie;
    };
    const Case cases[] = {
        { "/m/clip.vtr", true },
        { "/m/clip.VTZ", true },
        { "/m/clip.VtR", true },
        { "clip.vtz", true },
        { "/m/clip.vtr.bak", false },
        { "/m/clip.avi", false },
        { "/m/clipvtr", false },
        { "/m/clip.vt", false },
        { ".vtr", true },
        { "", false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsMovieFile(c.path), c.movie) << c.path;
}

TEST(MovieListTest, AddsEachPathOnceWhateverItsCase)
{
    MovieList list;
    EXPECT_TRUE(list.Add("/movies/Intro.vtr"));
    EXPECT_TRUE(list.Add("/movies/outro.vtz"));
    EXPECT_FALSE(list.Add("/MOVIES/intro.VTR"));
    EXPECT_FALSE(list.Add("/movies/OUTRO.vtz"));
    EXPECT_TRUE(list.Add("/movies/intro.vtr.vtr"));
    EXPECT_TRUE(list.Add("/movies/Intro.vtz")); // another extension is another file
    EXPECT_EQ(list.Paths(),
        (std::vector<std::string> {
            "/movies/Intro.vtr", "/movies/outro.vtz", "/movies/intro.vtr.vtr", "/movies/Intro.vtz" }));

    // The restored list is taken as stored.
    list.AddRestored("/MOVIES/INTRO.VTR");
    EXPECT_EQ(list.Count(), 5u);
}

TEST(MovieListTest, ComparesLettersBeyondAsciiWithoutCase)
{
    const char* previous = std::setlocale(LC_CTYPE, "C.UTF-8");
    if (previous == nullptr)
        GTEST_SKIP() << "no C.UTF-8 locale here";
    EXPECT_TRUE(SamePathIgnoringCase("/films/Été.vtr", "/FILMS/ÉTÉ.VTR"));
    EXPECT_FALSE(SamePathIgnoringCase("/films/Été.vtr", "/films/Ete.vtr"));
    EXPECT_FALSE(SamePathIgnoringCase("/films/a.vtr", "/films/a.vtr2"));
    std::setlocale(LC_CTYPE, "C");
}

TEST(MovieListTest, RemovesEverySelectedItemAndKeepsTheOrderOfTheRest)
{
    struct Case {
        std::vector<bool> selected;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        { { false, true, true, true, false }, { "a", "e" } }, // three adjacent
        { { true, false, true, false, true }, { "b", "d" } }, { { true, true, true, true, true }, {} },
        { { false, false, false, false, false }, { "a", "b", "c", "d", "e" } },
        { { false, false, false, true }, { "a", "b", "c", "e" } }, // missing flags: not selected
    };
    for (const Case& c : cases) {
        MovieList list;
        for (const char* name : { "a", "b", "c", "d", "e" })
            list.Add(name);
        std::size_t removed = list.RemoveSelected(c.selected);
        EXPECT_EQ(list.Paths(), c.left);
        EXPECT_EQ(removed, 5u - c.left.size());
    }
}

} // namespace
