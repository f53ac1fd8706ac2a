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
    { "OpenMovie /m/a.vtr", [](PlayerEngine& e) { return e.OpenMovie("/m/a.vtr"); } },
    { "CloseMovie", [](PlayerEngine& e) { return e.CloseMovie(); } },
    { "ExportFlash /o/a.swf", [](PlayerEngine& e) { return e.ExportFlash("/o/a.swf", "/s/Flash.xml"); } },
    { "ExportAVI /o/a.avi", [](PlayerEngine& e) { return e.ExportAVI("/o/a.avi", "/s/AVI.xml"); } },
    { "Cancel", [](PlayerEngine& e) { return e.Cancel(); } },
    { "ConvertMovie /m/a.vtr", [](PlayerEngine& e) { return e.ConvertMovie("/m/a.vtr", "/o/a.vtr"); } },
    { "ExportWMV /o/a.wmv", [](PlayerEngine& e) { return e.ExportWMV("/o/a.wmv", "/s/WMV.xml"); } },
    { "ExportQuickTime /o/a.mov",
        [](PlayerEngine& e) { return e.ExportQuickTime("/o/a.mov", "/s/QT.xml"); } },
    { "Initialize", [](PlayerEngine& e) { return e.Initialize(nullptr); } },
};

TEST(PlayerEngineTest, WithoutAnObjectEveryCallAnswersMinusOne)
{
    PlayerEngine none;
    EXPECT_FALSE(none);
    for (const Call& call : kCalls)
        EXPECT_EQ(call.make(none), -1) << call.expected;
    // Nothing is registered in this test's registry: creation gives no object.
    PlayerEngine created = PlayerEngine::Create();
    EXPECT_FALSE(created);
    EXPECT_EQ(created.Cancel(), -1);
}

TEST(PlayerEngineTest, CallsReachTheObjectWithTheirResultsAndOneRelease)
{
    ScriptedEngine engine;
    engine.references = 1; // the reference the factory hands over
    {
        PlayerEngine handle(&engine);
        for (const Call& call : kCalls) {
            engine.results[std::string(call.expected).substr(0, std::string(call.expected).find(' '))]
                = { 103 };
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

} // namespace
