#include "support/TestCommon.h"

#include <stdexcept>

TEST(BoundedWait, LooksAtItsConditionOnlyWhenWokenOrAtItsDeadline) {
    int ticks = 0;
    QTimer busy; // events keep coming in during the waits
    QObject::connect(&busy, &QTimer::timeout, [&] { ++ticks; });
    busy.start(5ms);

    BoundedWait wait;
    int looks = 0;
    EXPECT_FALSE(wait.until([&] { return ++looks, false; }, 150ms));
    EXPECT_GE(ticks, 5) << "events ran during the wait";
    EXPECT_EQ(looks, 2) << "once at the start, once at the deadline: no periodic re-check";

    QObject::connect(&busy, &QTimer::timeout, &wait, &BoundedWait::wake);
    const int target = ticks + 3;
    looks = 0;
    // Expired if the wait under test ran on towards its own deadline instead of ending when woken.
    const QDeadlineTimer overdue(5s);
    EXPECT_TRUE(wait.until([&] { return ++looks, ticks >= target; }, 60s));
    EXPECT_FALSE(overdue.hasExpired()) << "ends at the first wake that finds the condition true";
    EXPECT_GE(looks, 2);
}

TEST(BoundedWait, AWakeReachesEveryNestedWaitOfTheSameObject) {
    BoundedWait wait;
    bool outerDone = false, innerDone = false, innerEnded = false;
    // A timer inside the outer wait runs a step that waits on the same object.
    QTimer::singleShot(10ms, [&] {
        wait.until([&] { return innerDone; }, 60s);
        innerEnded = true;
    });
    QTimer::singleShot(40ms, [&] {
        innerDone = outerDone = true;
        wait.wake();
    });
    const QDeadlineTimer overdue(5s);
    EXPECT_TRUE(wait.until([&] { return outerDone; }, 60s));
    EXPECT_TRUE(innerEnded);
    EXPECT_FALSE(overdue.hasExpired()) << "the outer wait heard the wake too";
}

TEST(BoundedWait, AWaitEndedByAnExceptionLeavesNoLoopBehind) {
    BoundedWait wait;
    QTimer::singleShot(10ms, [] { throw std::runtime_error("handler failed"); });
    EXPECT_THROW(wait.until([] { return false; }, 5s), std::runtime_error);
    EXPECT_FALSE(wait.waiting());
    // A wake now must reach nothing that has gone, and the next wait works as before.
    wait.wake();
    bool done = false;
    QTimer::singleShot(10ms, [&] {
        done = true;
        wait.wake();
    });
    const QDeadlineTimer overdue(5s);
    EXPECT_TRUE(wait.until([&] { return done; }, 60s));
    EXPECT_FALSE(overdue.hasExpired());
}
