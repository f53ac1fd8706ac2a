// TQuickTimeAPI over stand-in QuickTime libraries (tests/video/quicktimelibs):
// what it calls, what it traces, and whether the window offers the command.

#include "video/QuickTimeAPI.h"
#include "app/MainFormFixture.h"
#include "support/TraceTransport.h"

#include <QPushButton>
#include <algorithm>

#include <gmock/gmock.h>

namespace {

using namespace vantor;

using QuickTimeAPITest = test::MainFormFixture;

TEST_F(QuickTimeAPITest, LoadsInitialisesAndOffersTheCommandOnlyWhenQuickTimeStarts)
{
    const struct {
        std::string library;
        bool installed;
        int uninitialized; // calls of "UninitializeQT" seen through the log hook
        std::vector<std::string> traces; // among others
    } cases[] = {
        { "complete", true, 1,
            { "TQuickTimeAPI::InitializeQT", "encoder ready: 100% %s %d %n", "QT Initialized, return true",
                "TQuickTimeAPI::IsInstalled - QT was initialized correctly", "stand-in: UninitializeQT" } },
        { "nolog", true, 0, { "QT Initialized, return true" } },
        { "initfails", false, 0,
            { "encoder ready: 100% %s %d %n", "QT has not been initialized, return false",
                "TQuickTimeAPI::IsInstalled - QT was not initialized" } },
        { "noinit", false, 0, { "InitializeQTProc == NULL, return false" } },
        { "missing", false, 0,
            { "VTQTLibrary.dll was not loaded", "InitializeQTProc == NULL, return false" } },
    };
    for (const auto& c : cases) {
        trace::RecordingTraceTransport recorder;
        trace::ScopedTraceTransport scope(&recorder);
        {
            TMainForm::Options options;
            options.programFolder = m_dir / "program";
            options.createEngine = [this] { return engine.AddRef(), PlayerEngine(&engine); };
            options.createQuickTimeDetector = [&c] {
                const auto library = test::BinDir() / ("../tests/libstandin_qt_" + c.library + ".so");
                return std::make_unique<video::TQuickTimeAPI>(library.string());
            };
            TMainForm form(options);
            form.AddMovie(Movie("first.vtr"));
            EXPECT_EQ(form.btnExportQT->isEnabled(), c.installed) << c.library;
        }
        std::vector<std::string> traces;
        for (const auto& entry : recorder.Entries())
            traces.push_back(entry.text);
        EXPECT_THAT(traces, testing::IsSupersetOf(c.traces)) << c.library;
        EXPECT_EQ(std::ranges::count(traces, "stand-in: UninitializeQT"), c.uninitialized) << c.library;
        EXPECT_TRUE(dialogs.messages.empty()) << c.library;
    }
}

} // namespace
