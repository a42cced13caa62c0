#include "platform/Event.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include <poll.h>

namespace {

TEST(EventTest, ManualResetStaysSignalledUntilReset) {
    TEvent event(true, false);
    EXPECT_EQ(event.WaitFor(0), wrTimeout);
    event.SetEvent();
    event.SetEvent();
    EXPECT_EQ(event.WaitFor(0), wrSignaled);
    EXPECT_EQ(event.WaitFor(10), wrSignaled);
    event.ResetEvent();
    EXPECT_EQ(event.WaitFor(10), wrTimeout);
    EXPECT_EQ(TEvent(true, true).WaitFor(0), wrSignaled);
}

TEST(EventTest, AutoResetReleasesOneWaitPerSignal) {
    TEvent event(false, true);
    EXPECT_EQ(event.WaitFor(0), wrSignaled);
    EXPECT_EQ(event.WaitFor(0), wrTimeout);
    event.SetEvent();
    event.SetEvent(); // two signals with nobody waiting are one
    EXPECT_EQ(event.WaitFor(0), wrSignaled);
    EXPECT_EQ(event.WaitFor(0), wrTimeout);
}

TEST(EventTest, AutoResetHandsEachSignalToExactlyOneOfManyWaiters) {
    TEvent event(false, false);
    TEvent stop(true, false);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&] {
            int index;
            std::vector<TEvent*> both{&event, &stop};
            while (TEvent::WaitForAny(both, TEvent::kInfinite, index) == wrSignaled && index == 0)
                ++released;
        });
    }
    for (int sent = 1; sent <= 3; ++sent) {
        event.SetEvent();
        for (int spin = 0; spin < 5000 && released.load() < sent; ++spin)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(released.load(), sent);
    }
    stop.SetEvent();
    for (auto& t : waiters) t.join();
    EXPECT_EQ(released.load(), 3);
}

TEST(EventTest, WakesAWaiterOnAnotherThread) {
    TEvent event(true, false);
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        event.SetEvent();
    });
    EXPECT_EQ(event.WaitFor(TEvent::kInfinite), wrSignaled);
    setter.join();
}

TEST(EventTest, SameNameIsTheSameEventWhileOneLives) {
    auto first = std::make_unique<TEvent>(true, false, "evt-test-shared");
    TEvent second(false, true, "evt-test-shared"); // joins the first: manual, not signalled
    EXPECT_TRUE(second.ManualReset());
    EXPECT_EQ(second.WaitFor(0), wrTimeout);
    first->SetEvent();
    EXPECT_EQ(second.WaitFor(0), wrSignaled);
    EXPECT_EQ(TEvent(true, false, "evt-test-other").WaitFor(0), wrTimeout);

    first.reset();
    EXPECT_EQ(second.WaitFor(0), wrSignaled); // still alive through the second
}

TEST(EventTest, NameIsFreeAgainAfterTheLastHolder) {
    { TEvent gone(true, true, "evt-test-reused"); }
    TEvent fresh(false, false, "evt-test-reused");
    EXPECT_FALSE(fresh.ManualReset());
    EXPECT_EQ(fresh.WaitFor(0), wrTimeout);
}

TEST(EventTest, WaitForAnyReportsAndConsumesOnlyTheFirstSignalled) {
    TEvent a(false, false), b(false, true), c(false, true);
    int index = -1;
    EXPECT_EQ(TEvent::WaitForAny({&a, &b, &c}, 0, index), wrSignaled);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(b.WaitFor(0), wrTimeout);
    EXPECT_EQ(c.WaitFor(0), wrSignaled);
    EXPECT_EQ(TEvent::WaitForAny({&a, &b, &c}, 10, index), wrTimeout);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(TEvent::WaitForAny({}, 0, index), wrError);
}

TEST(EventTest, HandleIsReadableExactlyWhileSignalled) {
    TEvent event(true, false);
    pollfd p{event.Handle(), POLLIN, 0};
    ASSERT_GE(p.fd, 0);
    EXPECT_EQ(::poll(&p, 1, 0), 0);
    event.SetEvent();
    EXPECT_EQ(::poll(&p, 1, 0), 1);
    event.ResetEvent();
    EXPECT_EQ(::poll(&p, 1, 0), 0);
}

// The descriptors of destroyed events are used again: whatever state the
// old event was left in, the new one's handle shows only its own.
TEST(EventTest, ARecycledHandleShowsOnlyTheNewEventsState) {
    auto readable = [](const TEvent& event) {
        pollfd p{event.Handle(), POLLIN, 0};
        return ::poll(&p, 1, 0) == 1;
    };
    std::set<int> before;
    {
        std::vector<std::unique_ptr<TEvent>> old;
        for (int i = 0; i < 6; ++i) {
            old.push_back(std::make_unique<TEvent>(i % 2 == 0, i % 3 == 0));
            before.insert(old.back()->Handle());
            if (i % 2) old.back()->SetEvent();
        }
    }
    std::set<int> after;
    for (bool initial : {true, false, true, false, false, true}) {
        TEvent event(true, initial);
        after.insert(event.Handle());
        EXPECT_EQ(readable(event), initial);
        event.SetEvent();
        EXPECT_TRUE(readable(event));
        event.ResetEvent();
        EXPECT_FALSE(readable(event));
    }
    EXPECT_TRUE(std::includes(before.begin(), before.end(), after.begin(), after.end()))
        << "new events take the old descriptors";
}

} // namespace
