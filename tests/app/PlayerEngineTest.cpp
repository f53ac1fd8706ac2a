#include "app/PlayerEngine.h"

#include "ScriptedEngine.h"

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
    { "OpenMovie /m/a.vtr", [](auto& e) { return e.OpenMovie("/m/a.vtr"); } },
    { "CloseMovie", [](auto& e) { return e.CloseMovie(); } },
    { "ExportFlash /o/a.swf /s/Flash.xml",
        [](auto& e) { return e.ExportFlash("/o/a.swf", "/s/Flash.xml"); } },
    { "ExportAVI /o/a.avi /s/AVI.xml", [](auto& e) { return e.ExportAVI("/o/a.avi", "/s/AVI.xml"); } },
    { "Cancel", [](auto& e) { return e.Cancel(); } },
    { "ConvertMovie /m/a.vtr /o/a.vtr", [](auto& e) { return e.ConvertMovie("/m/a.vtr", "/o/a.vtr"); } },
    { "ExportWMV /o/a.wmv /s/WMV.xml", [](auto& e) { return e.ExportWMV("/o/a.wmv", "/s/WMV.xml"); } },
    { "ExportQuickTime /o/a.mov /s/QT.xml",
        [](auto& e) { return e.ExportQuickTime("/o/a.mov", "/s/QT.xml"); } },
    { "Initialize", [](auto& e) { return e.Initialize(nullptr); } },
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

} // namespace
