#pragma once
#include <cstdint>
#include <functional>
#include <memory>

namespace qor {

using Millis = std::int64_t;

// A periodic timer driven by the host's event loop (QTimer in the program, a virtual
// clock in tests). The core never reads a clock itself.
//
// Semantics the protocol depends on:
//  - setEnabled(true) on a running timer does not restart its period;
//    setEnabled(false) then setEnabled(true) does.
//  - setInterval() with a different value restarts a running timer; the same value does nothing.
//  - One-shot behaviour is the tick handler disabling its own timer.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setEnabled(bool on) = 0;
    virtual bool enabled() const = 0;
    virtual void setInterval(Millis ms) = 0;
    virtual Millis interval() const = 0;
    virtual void setOnTick(std::function<void()> onTick) = 0;
};

class Scheduler {
public:
    virtual ~Scheduler() = default;
    // The timer starts disabled.
    virtual std::unique_ptr<Timer> createTimer(Millis interval, std::function<void()> onTick) = 0;
};

}  // namespace qor
