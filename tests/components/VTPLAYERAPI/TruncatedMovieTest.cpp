#include "AviExport.h"
#include "MovieConverter.h"
#include "MovieTestSupport.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace vtapi;
using namespace vtapi::test;

// A movie cut short is damaged: exporting or converting it fails and writes
// nothing, however much of it is left. (A plain current movie is not
// converted at all, so its conversion is skipped without reading it.)
TEST(TruncatedMovie, ExportAndConversionFailAndWriteNothing)
{
    const std::pair<MovieKind, bool> cases[] = { // kind, conversion reads it
        { MovieKind::Current, false }, { MovieKind::Version14, true }, { MovieKind::Compressed, true },
        { MovieKind::CompressedVersion14, true }
    };
    vantor::test::TempDir dir;
    for (const auto& [kind, conversionReads] : cases) {
        MakeMovie(dir / "whole", kind, TinyOptions(2.0));
        const std::string whole = vantor::test::ReadFile(dir / "whole");
        for (const size_t percent : { 25u, 50u, 75u }) {
            SCOPED_TRACE(
                std::to_string(static_cast<int>(kind)) + " cut to " + std::to_string(percent) + " %");
            vantor::test::WriteFile(dir / "out/cut", whole.substr(0, whole.size() * percent / 100));
            EXPECT_THROW(
                {
                    MovieSource movie(dir / "out/cut", TaskControl {});
                    ExportAvi(movie, AviSettings {}, dir / "out/cut.avi", TaskControl {});
                },
                MovieError);
            if (conversionReads)
                EXPECT_THROW(
                    ConvertMovieFile(dir / "out/cut", dir / "out/cut.vtr", TaskControl {}), MovieError);
            else
                EXPECT_EQ(ConvertMovieFile(dir / "out/cut", dir / "out/cut.vtr", TaskControl {}),
                    ConvertOutcome::Skipped);
            EXPECT_EQ(FolderContents(dir / "out"), std::vector<std::string> { "cut" });
        }
    }
}
