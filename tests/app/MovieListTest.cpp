#include "app/MovieList.h"

#include "TestEnvironment.h"
#include "app/CliOptions.h"
#include <clocale>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace vantor;

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
    // The restored list is taken as stored, even twice in another case.
    MovieList restored;
    restored.AddRestored("/m/Intro.vtr");
    restored.AddRestored("/M/INTRO.VTR");
    EXPECT_EQ(restored.Count(), 2u);
}

using Args = std::vector<std::string>;
namespace fs = std::filesystem;

TEST(CliOptionsTest, ParsesOptionsInAnyOrderAndRejectsBadOnesWithAMessage)
{
    struct Case {
        Args args;
        ExportFormat format;
        std::string dest;
        std::string settings;
        bool yes;
        Args inputs;
        bool help = false;
    };
    const Case cases[] = {
        { { "--format", "avi", "--dest", "/out", "a.vtr" }, ExportFormat::AVI, "/out", "", false,
            { "a.vtr" } },
        { { "a.vtr", "--dest=/o u t", "--yes", "--format=convert", "dir" }, ExportFormat::Conversion,
            "/o u t", "", true, { "a.vtr", "dir" } },
        { { "--settings", "s.xml", "-y", "--format", "avi", "--dest", "d", "--", "--odd.vtr" },
            ExportFormat::AVI, "d", "s.xml", true, { "--odd.vtr" } },
        { { "--help" }, ExportFormat::AVI, "", "", false, {}, true }, // help needs nothing else
    };
    for (const Case& c : cases) {
        CliOptions options;
        std::string error;
        ASSERT_TRUE(ParseCliArguments(c.args, options, error)) << error;
        EXPECT_EQ(options.help, c.help);
        if (c.help)
            continue;
        EXPECT_EQ(options.format, c.format);
        EXPECT_EQ(options.destination, c.dest);
        EXPECT_EQ(options.settingsFile, c.settings);
        EXPECT_EQ(options.yes, c.yes);
        EXPECT_EQ(options.inputs, c.inputs);
    }
    const std::pair<Args, std::string> rejected[] = {
        { { "--format", "avi", "--dest", "/o", "--fast", "a.vtr" }, "Unknown option: --fast" },
        { { "--dest", "/o", "a.vtr", "--format" }, "Missing value after --format" },
        { { "--dest", "/o", "a.vtr" }, "No format given (--format FORMAT)" },
        { { "--format", "convert", "--dest=", "a.vtr" }, "No destination folder given (--dest FOLDER)" },
    };
    for (const auto& [args, message] : rejected) {
        CliOptions options;
        std::string error;
        EXPECT_FALSE(ParseCliArguments(args, options, error)) << message;
        EXPECT_EQ(error, message);
    }
}

TEST(CliOptionsTest, CollectsMoviesFromFilesAndFoldersByListRules)
{
    test::TempDir temp;
    const std::string dir = temp / "movies";
    for (const char* name : { "b.vtz", "a.vtr", "C.VTR", "Dup.vtr", "DUP.vtr", "notes.txt", "a.vtr.bak" })
        test::WriteFile(dir + "/" + name, "movie");
    fs::create_directories(dir + "/folder.vtr"); // a folder is never a movie
    test::WriteFile(temp / "single.vtr", "movie");
    test::WriteFile(temp / "SINGLE.vtr", "movie");
    test::WriteFile(temp / "picture.png", "x");

    MovieList list;
    std::vector<std::string> notes;
    std::string error;
    ASSERT_TRUE(CollectMovies(
        { temp / "single.vtr", dir, dir + "/../movies/a.vtr", temp / "picture.png", temp / "SINGLE.vtr" },
        list, notes, error))
        << error;
    // Name order is byte order: capitals first.
    EXPECT_EQ(list.Paths(),
        std::vector<std::string>(
            { temp / "single.vtr", dir + "/C.VTR", dir + "/DUP.vtr", dir + "/a.vtr", dir + "/b.vtz" }));
    EXPECT_EQ(notes,
        std::vector<std::string>(
            { "Listed twice, left out: " + dir + "/Dup.vtr", "Listed twice, left out: " + dir + "/a.vtr",
                "Not a movie file, left out: " + temp / "picture.png",
                "Listed twice, left out: " + temp / "SINGLE.vtr" }));

    EXPECT_FALSE(CollectMovies({ temp / "gone.vtr" }, list, notes, error));
    EXPECT_EQ(error, "No such file or folder: " + temp / "gone.vtr");
}

} // namespace
