#include <gtest/gtest.h>

#include <vector>

#include "core/platform/VirtualScheduler.h"

namespace qor {
namespace {

TEST(VirtualScheduler, EnablingARunningTimerKeepsItsPeriodButOffThenOnRestartsIt) {
    VirtualScheduler s;
    std::vector<Millis> ticks;
    auto t = s.createTimer(540, [&] { ticks.push_back(s.now()); });
    t->setEnabled(true);
    s.advance(300);
    t->setEnabled(true);  // no restart
    s.advance(300);
    EXPECT_EQ(ticks, (std::vector<Millis>{540}));
    t->setEnabled(false);
    t->setEnabled(true);  // restart at 600
    s.advance(600);
    EXPECT_EQ(ticks, (std::vector<Millis>{540, 1140}));
}

TEST(VirtualScheduler, OneShotByDisablingInTheHandlerAndEventsInTimeOrder) {
    VirtualScheduler s;
    std::vector<int> order;
    std::unique_ptr<Timer> t;
    t = s.createTimer(80, [&] {
        t->setEnabled(false);
        order.push_back(1);
    });
    t->setEnabled(true);
    t->setEnabled(true);  // enabling twice before it fires: one tick
    s.callAfter(50, [&] { order.push_back(0); });
    s.callAfter(80, [&] { order.push_back(2); });  // armed after the timer: runs after it
    s.advance(1000);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(s.now(), 1000);
}

TEST(VirtualScheduler, IntervalChangeRestartsOnlyWhenDifferent) {
    VirtualScheduler s;
    int n = 0;
    auto t = s.createTimer(50, [&] { ++n; });
    t->setEnabled(true);
    s.advance(40);
    t->setInterval(50);
    s.advance(10);
    EXPECT_EQ(n, 1);
    t->setInterval(100);
    s.advance(99);
    EXPECT_EQ(n, 1);
    s.advance(1);
    EXPECT_EQ(n, 2);
}

}  // namespace
}  // namespace qor
