// Helper programs as desktops are driven through them: real programs (the shell), their exit,
// their last word on stderr, and a bound on how long they may take; where the session bus
// listens.

#include "platform/child_process_linux.h"
#include "platform/server_answers_linux.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>

using namespace wallcycle;

namespace {

TEST(RunProgram, OutcomesAreReportedAndWaitsAreBounded) {
    struct Case {
        const char* name;
        std::vector<std::string> argv;
        int timeout_ms;
        bool ok;
        const char* says;
    } cases[] = {
        // clang-format off
        {"success", {"sh", "-c", "echo chatter; exit 0"}, 10000, true, ""},
        {"exit status and last line", {"sh", "-c", "echo first >&2; echo 'cannot reach the desktop' >&2; exit 3"}, 10000, false, "exit status 3): cannot reach the desktop"},
        {"killed", {"sh", "-c", "kill -9 $$"}, 10000, false, "signal 9"},
        {"not installed", {"no-such-program-here"}, 10000, false, "not installed"},
        // Like pcmanfm becoming the desktop itself: ignores SIGTERM and never ends.
        {"never ends", {"sh", "-c", "trap '' TERM; while :; do sleep 1; done"}, 700, false, "did not finish"},
        // Its child keeps stderr open after it has ended: the end of the program is what counts.
        {"child holds stderr", {"sh", "-c", "sleep 30 & exit 0"}, 10000, true, ""},
        // clang-format on
    };
    for (const auto& c : cases) {
        auto started = std::chrono::steady_clock::now();
        Status done = run_program(c.argv, c.timeout_ms);
        auto took = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(done.ok(), c.ok) << c.name << ": " << done.reason();
        EXPECT_NE(done.reason().find(c.says), std::string::npos) << c.name << ": " << done.reason();
        EXPECT_LT(took, std::chrono::milliseconds(c.timeout_ms) + std::chrono::seconds(2)) << c.name;
    }
}

// The addresses as sessions write them; what cannot be asked ahead is left to the library.
// A lasting helper that ignores SIGTERM (a swaybg of our own that hangs) is still ended, and the
// wait for it is bounded.
TEST(EndProcess, OneThatIgnoresTermIsKilledWithinItsBound) {
    Result<int> started =
        start_lasting({"sh", "-c", "trap '' TERM; while :; do sleep 0.1; done"}, "WALLCYCLE_TEST_END=1", 100);
    ASSERT_TRUE(started.ok()) << started.reason();
    auto began = std::chrono::steady_clock::now();
    end_process(started.value());
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(3500));
    EXPECT_NE(kill(started.value(), 0), 0) << "still there";
}

TEST(ServerSockets, FromBusAddresses) {
    using Socket = std::optional<LocalSocket>;
    EXPECT_EQ(bus_socket("unix:path=/run/user/1000/bus"), (Socket{{"/run/user/1000/bus", false}}));
    EXPECT_EQ(bus_socket("unix:abstract=/tmp/dbus-x,guid=12"), (Socket{{"/tmp/dbus-x", true}}));
    EXPECT_EQ(bus_socket("unix:guid=1,path=/b;tcp:host=h"), (Socket{{"/b", false}}));
    EXPECT_EQ(bus_socket("tcp:host=localhost,port=1"), Socket{});
    EXPECT_EQ(bus_socket("unix:tmpdir=/tmp"), Socket{});
}

} // namespace
