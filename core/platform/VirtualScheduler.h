#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/platform/Scheduler.h"

namespace qor {

// A scheduler on a virtual clock: nothing happens until advance() is called, and then
// everything that falls due happens in time order (ties in the order they were armed).
// Tests and the in-process simulator link use it so a 540 ms time-out takes microseconds.
class VirtualScheduler : public Scheduler {
public:
    VirtualScheduler();
    ~VirtualScheduler() override;

    std::unique_ptr<Timer> createTimer(Millis interval, std::function<void()> onTick) override;

    Millis now() const { return now_; }
    // Runs fn once, delay ms from now (0 = at the current time, after what is already due).
    void callAfter(Millis delay, std::function<void()> fn);
    // Moves the clock forward by ms, running everything that falls due on the way.
    void advance(Millis ms);
    // Runs events until pred() holds or limit ms of virtual time have passed; true if pred held.
    bool runUntil(const std::function<bool()>& pred, Millis limit);
    // Runs everything due at the current time without moving the clock.
    void runDue() { advance(0); }

    struct TimerRec;
    struct Event;

private:
    bool runNext(Millis until);

    Millis now_ = 0;
    std::uint64_t seq_ = 0;
    std::vector<TimerRec*> timers_;
    std::vector<std::unique_ptr<Event>> events_;
    friend class VirtualTimer;
};

}  // namespace qor
