#include <gtest/gtest.h>
#include <signal.h>

#include <vector>

#include "app/SignalWake.h"
#include "support/BoxAnswerer.h"

namespace lintel {
namespace {

using test::App;
using test::PumpUntil;

extern "C" void CountingHandler(int) {}

// Each of the session's ending signals arrives on the loop, in the order sent; the
// handler does nothing else, so the process goes on.
TEST(SignalWake, EverySessionSignalArrivesOnTheLoopInOrder) {
    App();
    TSignalWake wake;
    ASSERT_TRUE(wake.Installed());
    std::vector<int> seen;
    wake.OnSignal = [&](int signo) { seen.push_back(signo); };

    raise(SIGHUP);
    raise(SIGTERM);
    raise(SIGINT);
    EXPECT_TRUE(seen.empty()) << "nothing may run inside the handler";
    ASSERT_TRUE(PumpUntil([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen, (std::vector<int>{SIGHUP, SIGTERM, SIGINT}));
}

// Only one object owns the handlers; when it goes, the handlers before it come back.
TEST(SignalWake, OneOwnerAtATimeAndThePreviousHandlersReturn) {
    App();
    struct sigaction mine {};
    mine.sa_handler = CountingHandler;
    sigemptyset(&mine.sa_mask);
    struct sigaction saved {};
    ASSERT_EQ(sigaction(SIGHUP, &mine, &saved), 0);
    {
        TSignalWake first;
        TSignalWake second;
        EXPECT_TRUE(first.Installed());
        EXPECT_FALSE(second.Installed());
        struct sigaction now {};
        sigaction(SIGHUP, nullptr, &now);
        EXPECT_NE(now.sa_handler, CountingHandler);
    }
    struct sigaction after {};
    sigaction(SIGHUP, nullptr, &after);
    EXPECT_EQ(after.sa_handler, CountingHandler);
    sigaction(SIGHUP, &saved, nullptr);

    // And a new owner may take them again.
    TSignalWake again;
    EXPECT_TRUE(again.Installed());
}

}  // namespace
}  // namespace lintel
