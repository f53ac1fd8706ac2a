#include "TestEnvironment.h"
#include "VTQTLibrary.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_lines;

void Collect(const char* line)
{
    g_lines.emplace_back(line);
}

// The built library, loaded as the engine loads it.
class QuickTimeLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_handle = dlopen((vantor::test::BinDir() / VTQT_LIBRARY_NAME).c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_handle, nullptr) << dlerror();
        Find<SetupLogTextProc>("SetupLogText")(&Collect);
        g_lines.clear();
    }
    void TearDown() override
    {
        if (m_handle != nullptr) {
            Find<SetupLogTextProc>("SetupLogText")(nullptr);
            dlclose(m_handle);
        }
    }
    template <typename Proc> Proc Find(const char* name)
    {
        return reinterpret_cast<Proc>(dlsym(m_handle, name));
    }

    void* m_handle = nullptr;
    vantor::test::TempDir m_dir;
};

} // namespace

TEST_F(QuickTimeLibraryTest, FailuresAnswerZeroWithOneLogLineAndLogLinesPassUnchanged)
{
    const auto initialize = Find<InitializeQTProc>("InitializeQT");
    const auto uninitialize = Find<UninitializeQTProc>("UninitializeQT");
    const auto create = Find<CreateMovieFileQTProc>("CreateMovieFileQT");
    const auto close = Find<CloseMovieFileQTProc>("CloseMovieFileQT");
    const auto session = Find<CreateCompressionSessionProc>("CreateCompressionSession");
    const auto destroy = Find<DestroyCompressionSessionProc>("DestroyCompressionSession");
    const auto beginPass = Find<BeginPassQTProc>("BeginPassQT");
    const auto flatten = Find<FlattenMovieQTProc>("FlattenMovieQT");
    const std::string path = m_dir / "movie.mov";

    EXPECT_EQ(create(path.c_str()), nullptr);
    ASSERT_EQ(initialize(), 1);
    struct Case {
        const char* name;
        int width;
        bool beginPassEarly;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        { "odd width", 99, false,
            { "CreateCompressionSession: the video size 99x48 is not a pair of even numbers from 2 to 16384",
                "FlattenMovieQT: the video size 99x48 is not a pair of even numbers from 2 to 16384",
                "CloseMovieFileQT: \"" + path
                    + "\" is incomplete: the video size 99x48 is not a pair of even numbers from 2 to "
                      "16384" } },
        { "pass before the media edits", 64, true,
            { "BeginPassQT: BeginMediaEditsQT must come before the last pass",
                "FlattenMovieQT: BeginMediaEditsQT must come before the last pass",
                "CloseMovieFileQT: \"" + path
                    + "\" is incomplete: BeginMediaEditsQT must come before the last pass" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_lines.clear();
        VTQTMovie* movie = create(path.c_str());
        ASSERT_NE(movie, nullptr);
        VTQTSession* video = session(movie, c.width, 48, 25, 1);
        if (c.beginPassEarly) {
            EXPECT_EQ(beginPass(video), 0);
        }
        EXPECT_EQ(flatten(movie), 0);
        destroy(video);
        EXPECT_EQ(close(movie), 0);
        EXPECT_EQ(g_lines, c.lines);
    }
    uninitialize();
    g_lines.clear();
    EXPECT_EQ(create(path.c_str()), nullptr);
    EXPECT_EQ(g_lines, (std::vector<std::string> { "CreateMovieFileQT: InitializeQT was not called" }));

    // Log lines pass unchanged.
    g_lines.clear();
    const auto log = Find<DoLoggingProc>("DoLogging");
    const char* lines[] = { "100% done", "%s %n %d", "" };
    for (const char* line : lines)
        log(line);
    EXPECT_EQ(g_lines, (std::vector<std::string> { "100% done", "%s %n %d", "" }));
}
