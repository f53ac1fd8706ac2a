#include "AviExport.h"
#include "MovieConverter.h"
#include "MovieTestSupport.h"
#include "TestEnvironment.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace vtapi;
using namespace vtapi::test;
using vantor::test::TempDir;

// A movie cut short is damaged: exporting or converting it fails and writes
// nothing, however much of it is left. (A current movie is not converted at
// all, so its conversion is skipped without reading it.)
TEST(TruncatedMovie, ExportAndConversionFailAndWriteNothing)
{
    struct Case {
        MovieKind kind;
        bool conversionReads;
    };
    const Case cases[] = {
        { MovieKind::Current, false },
        { MovieKind::Version14, true },
        { MovieKind::Compressed, true },
        { MovieKind::CompressedVersion14, true },
    };
    TempDir dir;
    std::filesystem::create_directory(dir / "out");
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        MakeMovie(dir / "whole", c.kind, TinyOptions(2.0));
        const std::string whole = vantor::test::ReadFile(dir / "whole");
        for (const size_t percent : { 25u, 50u, 75u }) {
            SCOPED_TRACE(percent);
            vantor::test::WriteFile(dir / "cut", whole.substr(0, whole.size() * percent / 100));
            EXPECT_THROW(
                {
                    MovieSource movie(dir / "cut", TaskControl {});
                    ExportAvi(movie, AviSettings {}, dir / "out/cut.avi", TaskControl {});
                },
                MovieError);
            if (c.conversionReads)
                EXPECT_THROW(ConvertMovieFile(dir / "cut", dir / "out/cut.vtr", TaskControl {}), MovieError);
            else
                EXPECT_EQ(ConvertMovieFile(dir / "cut", dir / "out/cut.vtr", TaskControl {}),
                    ConvertOutcome::Skipped);
            EXPECT_TRUE(FolderContents(dir / "out").empty());
        }
    }
}
