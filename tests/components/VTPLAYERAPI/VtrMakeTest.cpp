#include "MovieFile.h"
#include "MovieTestSupport.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace vtapi;
using vantor::test::TempDir;

namespace {

// Runs vtr-make with `arguments`, a shell word list.
vantor::test::ProgramResult RunTool(const std::string& arguments)
{
    return vantor::test::RunProgram(
        { "/bin/sh", "-c", "'" + (vantor::test::BinDir() / "vtr-make").string() + "' " + arguments });
}

} // namespace

TEST(VtrMake, MakesEveryKindOfMovie)
{
    TempDir dir;
    struct Case {
        std::string arguments;
        std::string movie;
        MovieLayout layout;
        bool compressed;
        int width;
        bool sound;
        bool cursor;
    };
    const Case cases[] = {
        { "synthetic '" + (dir / "a.vtr") + "' --size 64x48 --rate 10 --seconds 0.5", "a.vtr",
            MovieLayout::Current, false, 64, true, true },
        { "synthetic '" + (dir / "b.vtr") + "' --size 80x48 --seconds 0.4 --old --sound none", "b.vtr",
            MovieLayout::Version14, false, 80, false, false },
        { "synthetic '" + (dir / "c.vtz") + "' --size 64x48 --seconds 0.4 --no-cursor --channels 2", "c.vtz",
            MovieLayout::Current, true, 64, true, false },
        { "synthetic '" + (dir / "d.vtz") + "' --size 64x48 --seconds 0.4 --old", "d.vtz",
            MovieLayout::Version14, true, 64, true, false },
        { "import '" + (dir / "a.vtr") + "' '" + (dir / "e.vtr") + "' --size 32x32", "e.vtr",
            MovieLayout::Current, false, 32, true, false },
        { "compress '" + (dir / "b.vtr") + "' '" + (dir / "f.vtz") + "'", "f.vtz", MovieLayout::Version14,
            true, 80, false, false },
    };
    for (const Case& c : cases) {
        const vantor::test::ProgramResult outcome = RunTool(c.arguments);
        ASSERT_EQ(outcome.status, 0) << c.arguments << "\n" << outcome.output;
        MovieSource movie(dir / c.movie, TaskControl {});
        EXPECT_EQ(movie.Layout(), c.layout) << c.movie;
        EXPECT_EQ(movie.Compressed(), c.compressed) << c.movie;
        EXPECT_EQ(movie.Width(), c.width) << c.movie;
        EXPECT_EQ(movie.AudioStream() >= 0, c.sound) << c.movie;
        EXPECT_EQ(!movie.Cursor().empty(), c.cursor) << c.movie;
    }
    EXPECT_EQ(vtapi::test::FolderContents(dir.Path()),
        (std::vector<std::string> { "a.vtr", "b.vtr", "c.vtz", "d.vtz", "e.vtr", "f.vtz" }));
}

TEST(VtrMake, RefusesBadArgumentsWithAClearMessage)
{
    TempDir dir;
    vantor::test::WriteFile(dir / "text.txt", "no video");
    const std::string out = "'" + (dir / "x.vtr") + "'";
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const Case cases[] = {
        { "", 2, "no command given" },
        { "paint " + out, 2, "unknown command \"paint\"" },
        { "synthetic", 2, "synthetic wants one path" },
        { "synthetic " + out + " --size 64", 2, "--size wants WIDTHxHEIGHT" },
        { "synthetic " + out + " --size 8x8", 2, "--size wants a whole number from 16 to 8192, not \"8\"" },
        { "synthetic " + out + " --rate 0", 2, "--rate wants a number above 0" },
        { "synthetic " + out + " --seconds -1", 2, "--seconds wants a number above 0" },
        { "synthetic " + out + " --channels 3", 2, "--channels wants a whole number from 1 to 2" },
        { "synthetic " + out + " --sound", 2, "--sound wants a value" },
        { "synthetic " + out + " --colour red", 2, "unknown option \"--colour\"" },
        { "compress " + out + " '" + (dir / "y.vtr") + "'", 2, "must end in .vtz" },
        { "import '" + (dir / "text.txt") + "' " + out, 1, "cannot read" },
        { "synthetic '" + (dir / "missing/x.vtr") + "' --size 64x48 --seconds 0.2", 1, "cannot create" },
    };
    for (const Case& c : cases) {
        const vantor::test::ProgramResult outcome = RunTool(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << c.arguments;
        EXPECT_NE(outcome.output.find(c.message), std::string::npos) << c.arguments << "\n" << outcome.output;
    }
    EXPECT_EQ(vtapi::test::FolderContents(dir.Path()), std::vector<std::string> { "text.txt" });
}
