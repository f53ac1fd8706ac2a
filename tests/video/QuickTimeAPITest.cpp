// TQuickTimeAPI over stand-in QuickTime libraries (tests/video/quicktimelibs):
// what it calls, what it traces, and whether the window offers the command.

#include "video/QuickTimeAPI.h"
#include "TestEnvironment.h"
#include "app/MainFormFixture.h"
#include "support/TraceTransport.h"

#include <QPushButton>

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace vantor;
using vantor::video::TQuickTimeAPI;

std::string StandIn(const std::string& name)
{
    return (test::BinDir().parent_path() / "tests" / ("libstandin_qt_" + name + ".so")).string();
}

// Whether `expected` appears in `traces` in this order, others between.
bool TracedInOrder(const std::vector<trace::RecordingTraceTransport::Entry>& traces,
    const std::vector<std::string>& expected)
{
    auto next = expected.begin();
    for (const auto& entry : traces)
        next += next != expected.end() && entry.text == *next ? 1 : 0;
    return next == expected.end();
}

class QuickTimeAPITest : public test::MainFormFixture { };

TEST_F(QuickTimeAPITest, LoadsInitialisesAndOffersTheCommandOnlyWhenQuickTimeStarts)
{
    const struct {
        std::string library;
        bool installed;
        std::string calls; // made by the window's detector, construction to destruction
        std::vector<std::string> traces;
    } cases[] = {
        { "complete", true, "SetupLogText;InitializeQT;UninitializeQT;",
            { "TQuickTimeAPI::InitializeQT", "encoder ready: 100% %s %d %n", "QT Initialized, return true",
                "TQuickTimeAPI::IsInstalled - QT was initialized correctly" } },
        { "nolog", true, "InitializeQT;UninitializeQT;", { "QT Initialized, return true" } },
        { "initfails", false, "SetupLogText;InitializeQT;",
            { "encoder ready: 100% %s %d %n", "QT has not been initialized, return false",
                "TQuickTimeAPI::IsInstalled - QT was not initialized" } },
        { "noinit", false, "SetupLogText;", { "InitializeQTProc == NULL, return false" } },
        { "missing", false, "",
            { "TQuickTimeAPI::TQuickTimeAPI", "VTQTLibrary.dll was not loaded",
                "InitializeQTProc == NULL, return false", "TQuickTimeAPI::TQuickTimeAPI Exit" } },
    };
    for (const auto& c : cases) {
        const std::string callsFile = m_dir / ("calls-" + c.library);
        test::ScopedEnv callsEnv("VANTOR_QT_TEST_CALLS", callsFile.c_str());
        trace::RecordingTraceTransport recorder;
        trace::ScopedTraceTransport scope(&recorder);
        {
            TMainForm::Options options;
            options.programFolder = m_dir / "program";
            options.createEngine = [this] { return engine.AddRef(), PlayerEngine(&engine); };
            options.createQuickTimeDetector
                = [&c] { return std::make_unique<TQuickTimeAPI>(StandIn(c.library)); };
            TMainForm form(options);
            form.AddMovie(Movie("first.vtr"));
            EXPECT_EQ(form.btnExportQT->isEnabled(), c.installed) << c.library;
            EXPECT_EQ(form.mnuExportQT->isEnabled(), c.installed) << c.library;
        }
        EXPECT_EQ(test::ReadFile(callsFile), c.calls) << c.library;
        const auto traces = recorder.Entries();
        EXPECT_TRUE(TracedInOrder(traces, c.traces)) << c.library;
        // The library's line reaches the log only through the hook.
        const bool logged = std::any_of(traces.begin(), traces.end(),
            [](const auto& entry) { return entry.text == "encoder ready: 100% %s %d %n"; });
        EXPECT_EQ(logged, c.calls.starts_with("SetupLogText;InitializeQT")) << c.library;
        EXPECT_TRUE(dialogs.messages.empty()) << c.library;
    }
}

} // namespace
