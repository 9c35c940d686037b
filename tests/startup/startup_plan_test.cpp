// The start-up sequence: which run mode a load result and an argument string lead to.

#include "startup/run_mode.h"
#include "startup/startup_plan.h"

#include <gtest/gtest.h>

using namespace wallcycle;
using Next = StartupPlan::Next;

namespace {

LoadedSettings loaded(Settings settings) {
    return {std::move(settings), LoadProblem::None, {}, {}};
}
LoadedSettings problem(LoadProblem kind) {
    return {Settings{}, kind, "the reason", {}};
}

TEST(RunMode, ComparedWholeAndCaseSensitively) {
    // clang-format off
    // The two switches, and one of each way of missing them: case, a blank, more text.
    for (auto [argument, mode] : {std::pair{"/e", RunMode::ApplyOnce}, {"/s", RunMode::Rotate}, {"", RunMode::Configure},
             {"/E", RunMode::Configure}, {"/e ", RunMode::Configure}, {"/e /s", RunMode::Configure}}) // clang-format on
        EXPECT_EQ(run_mode_for(argument), mode) << '"' << argument << '"';
}

TEST(StartupPlan, RunModesAndTheirFailures) {
    const NumberFormat dot{".", "-"};
    struct Case {
        const char* name;
        LoadedSettings load;
        const char* argument;
        Next next;
        int rotation_ms;
        Settings shown;
        bool says_something;
    } cases[] = {
        // One case a line: the table it is.
        // clang-format off
        {"configure, no file", problem(LoadProblem::Missing), "", Next::ShowWindow, 0, {"0", {}}, false},
        {"/e, no file: window instead", problem(LoadProblem::Missing), "/e", Next::ShowWindow, 0, {"0", {}}, true},
        {"/s, no file: window instead", problem(LoadProblem::Missing), "/s", Next::ShowWindow, 0, {"0", {}}, true},
        {"/e, empty file", problem(LoadProblem::Empty), "/e", Next::ShowWindow, 0, {"0", {}}, true},
        {"/s, unreadable file", problem(LoadProblem::Unreadable), "/s", Next::ShowWindow, 0, {"0", {}}, true},
        {"/e", loaded({"10", {"/a.bmp"}}), "/e", Next::ApplyOnceAndExit, 0, {"10", {"/a.bmp"}}, false},
        {"/e, empty list (the pick says so)", loaded({"10", {}}), "/e", Next::ApplyOnceAndExit, 0, {"10", {}}, false},
        {"/s", loaded({"2.5", {"/a.bmp"}}), "/s", Next::ShowWindow, 2500, {"2.5", {"/a.bmp"}}, false},
        {"/s, interval 0: idle", loaded({"0", {"/a.bmp"}}), "/s", Next::ShowWindow, 0, {"0", {"/a.bmp"}}, false},
        {"/s, interval rounding to 0: idle, said", loaded({"1e-9", {"/a.bmp"}}), "/s", Next::ShowWindow, 0, {"1e-9", {"/a.bmp"}}, true},
        {"/s, empty interval: exit", loaded({"", {"/a.bmp"}}), "/s", Next::ExitWithoutWindow, 0, {"", {"/a.bmp"}}, true},
        {"/s, not a number", loaded({"abc", {}}), "/s", Next::ShowWindow, 0, {"abc", {}}, true},
        {"/s, negative", loaded({"-5", {}}), "/s", Next::ShowWindow, 0, {"-5", {}}, true},
        {"/s, beyond the timer", loaded({"1e20", {}}), "/s", Next::ShowWindow, 0, {"1e20", {}}, true},
        {"configure, empty interval becomes 0", loaded({"", {"/a.bmp"}}), "", Next::ShowWindow, 0, {"0", {"/a.bmp"}}, false},
        {"configure keeps a non-number", loaded({"abc", {}}), "", Next::ShowWindow, 0, {"abc", {}}, false},
        // clang-format on
    };
    for (const auto& c : cases) {
        StartupPlan plan = Form_Load(c.load, c.argument, dot);
        EXPECT_EQ(plan.next, c.next) << c.name;
        EXPECT_EQ(plan.rotation_ms, c.rotation_ms) << c.name;
        EXPECT_EQ(plan.settings, c.shown) << c.name;
        EXPECT_EQ(!plan.message.empty(), c.says_something) << c.name << ": " << plan.message;
    }
}

} // namespace
