#include "app/ControlRules.h"

#include <gtest/gtest.h>

namespace {

using namespace vantor;

// Each flag of the expected row, in the order of ControlStates.
ControlStates Row(
    bool clear, bool add, bool remove, bool flashAviConvert, bool wmv, bool qt, bool destination, bool cancel)
{
    ControlStates s;
    s.clear = clear;
    s.add = add;
    s.remove = remove;
    s.exportFlash = s.exportAVI = s.convert = flashAviConvert;
    s.exportWMV = wmv;
    s.exportQT = qt;
    s.destination = destination;
    s.cancel = cancel;
    return s;
}

TEST(ControlRulesTest, EveryRunStateAndListShapeGivesItsRow)
{
    struct Case {
        const char* name;
        RunState state;
        bool movies;
        bool selected;
        bool wmv;
        bool qt;
        ControlStates expected;
    };
    const RunState R = RunState::Running;
    const RunState A = RunState::CancelAllPending;
    const RunState C = RunState::CancelCurrentPending;
    const RunState I = RunState::Idle;
    const Case cases[] = {
        { "idle, empty", I, false, false, true, true,
            Row(false, true, false, false, false, false, true, false) },
        { "idle, movies", I, true, false, false, false,
            Row(true, true, false, true, false, false, true, false) },
        { "idle, selected", I, true, true, false, false,
            Row(true, true, true, true, false, false, true, false) },
        { "idle, WMV runtime", I, true, false, true, false,
            Row(true, true, false, true, true, false, true, false) },
        { "idle, QuickTime", I, true, false, false, true,
            Row(true, true, false, true, false, true, true, false) },
        { "running", R, true, true, true, true, Row(false, false, false, false, false, false, false, true) },
        { "cancel all pending", A, true, true, true, true,
            Row(false, false, false, false, false, false, false, false) },
        { "cancel current pending", C, true, false, true, true,
            Row(false, false, false, false, false, false, false, false) },
    };
    for (const Case& c : cases) {
        ControlInputs inputs { c.state, c.movies, c.selected };
        ControlStates got = DecideControls(
            inputs, [&] { return c.wmv; }, [&] { return c.qt; });
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

TEST(ControlRulesTest, RuntimeChecksAreAskedOnlyWithMoviesWhileIdleAndEveryTime)
{
    int wmvAsked = 0;
    int qtAsked = 0;
    auto wmv = [&] { return ++wmvAsked, true; };
    auto qt = [&] { return ++qtAsked, false; };

    DecideControls({ RunState::Idle, false, false }, wmv, qt);
    DecideControls({ RunState::Running, true, false }, wmv, qt);
    DecideControls({ RunState::CancelAllPending, true, false }, wmv, qt);
    EXPECT_EQ(wmvAsked, 0);
    EXPECT_EQ(qtAsked, 0);

    DecideControls({ RunState::Idle, true, false }, wmv, qt);
    DecideControls({ RunState::Idle, true, true }, wmv, qt);
    EXPECT_EQ(wmvAsked, 2);
    EXPECT_EQ(qtAsked, 2);

    // Checks that are not there yet answer no.
    EXPECT_FALSE(DecideControls({ RunState::Idle, true, false }, nullptr, nullptr).exportWMV);
}

} // namespace
