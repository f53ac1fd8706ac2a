#include "app/PlayerEngine.h"

#include "ScriptedEngine.h"

#include "TestEnvironment.h"
#include "app/EngineRegistration.h"
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace vantor;
using vantor::test::ScriptedEngine;

struct Call {
    const char* expected; // the call the engine records
    std::function<int(PlayerEngine&)> make;
};

const Call kCalls[] = {
    { "OpenMovie /m/a.vtr", [](PlayerEngine& e) { return e.OpenMovie("/m/a.vtr"); } },
    { "CloseMovie", [](PlayerEngine& e) { return e.CloseMovie(); } },
    { "ExportFlash /o/a.swf /s/Flash.xml",
        [](PlayerEngine& e) { return e.ExportFlash("/o/a.swf", "/s/Flash.xml"); } },
    { "ExportAVI /o/a.avi /s/AVI.xml",
        [](PlayerEngine& e) { return e.ExportAVI("/o/a.avi", "/s/AVI.xml"); } },
    { "Cancel", [](PlayerEngine& e) { return e.Cancel(); } },
    { "ConvertMovie /m/a.vtr /o/a.vtr",
        [](PlayerEngine& e) { return e.ConvertMovie("/m/a.vtr", "/o/a.vtr"); } },
    { "ExportWMV /o/a.wmv /s/WMV.xml",
        [](PlayerEngine& e) { return e.ExportWMV("/o/a.wmv", "/s/WMV.xml"); } },
    { "ExportQuickTime /o/a.mov /s/QT.xml",
        [](PlayerEngine& e) { return e.ExportQuickTime("/o/a.mov", "/s/QT.xml"); } },
    { "Initialize", [](PlayerEngine& e) { return e.Initialize(nullptr); } },
};

TEST(PlayerEngineTest, CallsReachTheObjectWithTheirResultsAndOneRelease)
{
    // Nothing is registered in this test's registry: creation gives no
    // object, and without one every call answers -1.
    PlayerEngine none = PlayerEngine::Create();
    EXPECT_FALSE(none);
    ScriptedEngine engine;
    engine.references = 1; // the reference the factory hands over
    {
        PlayerEngine handle(&engine);
        for (const Call& call : kCalls) {
            engine.results[std::string(call.expected).substr(0, std::string(call.expected).find(' '))]
                = { 103 };
            EXPECT_EQ(call.make(none), -1) << call.expected;
            EXPECT_EQ(call.make(handle), 103) << call.expected;
            EXPECT_EQ(engine.calls.back(), call.expected);
        }
        EXPECT_EQ(engine.initializeMode, 1);
        EXPECT_EQ(engine.initializeFlags, 1);

        PlayerEngine moved = std::move(handle);
        EXPECT_FALSE(handle);
        EXPECT_EQ(moved.Get(), &engine);
        EXPECT_EQ(engine.references, 1);
    }
    EXPECT_EQ(engine.references, 0);
}

namespace fs = std::filesystem;

// Registration into the real registry with the real tool is run end to end
// by the window's conversion test; here the waiting and a missing library.
TEST(EngineRegistrationTest, RunsTheToolInSlicesOnlyWhenTheLibraryIsThere)
{
    vantor::test::TempDir dir;
    const fs::path program = dir.Path() / "program folder";
    // A stand-in tool that takes a third of a second: at least two slices
    // of 100 ms time out while it runs.
    vantor::test::WriteFile(
        program / "regsvr32", "#!/bin/sh\nsleep 0.35\necho \"$@\" > \"$(dirname \"$0\")/args\"\n");
    fs::permissions(program / "regsvr32", fs::perms::owner_all);
    int slices = 0;
    EXPECT_FALSE(RegisterEngine(program.string(), [&] { ++slices; }));
    EXPECT_EQ(slices, 0);
    EXPECT_FALSE(fs::exists(program / "args"));

    vantor::test::WriteFile(program / kEngineLibraryFile, "library");
    EXPECT_TRUE(RegisterEngine(program.string(), [&] { ++slices; }));
    EXPECT_GE(slices, 2);
    EXPECT_LE(slices, 10);
    EXPECT_EQ(
        vantor::test::ReadFile(program / "args"), "/s " + (program / kEngineLibraryFile).string() + "\n");
}

} // namespace
