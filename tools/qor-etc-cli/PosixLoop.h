#pragma once
// A real-time Scheduler on a poll() event loop: timers on the monotonic clock and readable
// file descriptors, all handled on the calling thread, one event at a time.
#include <poll.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "core/platform/Scheduler.h"

namespace qor::cli {

class PosixLoop : public Scheduler {
public:
    using Clock = std::chrono::steady_clock;

    PosixLoop() : start_(Clock::now()) {}
    ~PosixLoop() override {
        for (auto* t : timers_) t->loop = nullptr;
    }

    std::unique_ptr<Timer> createTimer(Millis interval, std::function<void()> onTick) override {
        auto t = std::make_unique<LoopTimer>(this, interval, std::move(onTick));
        timers_.push_back(t.get());
        return t;
    }

    // Calls onReadable whenever fd has data (or an error/hang-up) until unwatched.
    void watch(int fd, std::function<void()> onReadable) {
        unwatch(fd);
        watches_.push_back({fd, std::move(onReadable)});
    }
    void unwatch(int fd) {
        std::erase_if(watches_, [fd](const Watch& w) { return w.fd == fd; });
    }

    // Milliseconds since the loop was made, fractional.
    double nowMs() const {
        return std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
    }

    // Runs events until done() holds or limitMs of real time passed; true if done() held.
    bool runUntil(const std::function<bool()>& done, double limitMs) {
        const double end = nowMs() + limitMs;
        while (!done()) {
            const double now = nowMs();
            if (now >= end) return false;
            double wait = end - now;
            for (auto* t : timers_)
                if (t->on) wait = std::min(wait, t->due - now);
            std::vector<pollfd> fds;
            for (const auto& w : watches_) fds.push_back({w.fd, POLLIN, 0});
            // To the nanosecond (rounded up so a timer is never woken for early): a whole
            // millisecond of rounding on each 50 ms tick would add up over a transfer.
            const auto ns = wait <= 0 ? 0 : static_cast<long long>(std::ceil(wait * 1e6));
            const timespec timeout{static_cast<time_t>(ns / 1000000000),
                                   static_cast<long>(ns % 1000000000)};
            const int n = ::ppoll(fds.data(), fds.size(), &timeout, nullptr);
            if (n > 0) {
                for (const auto& p : fds) {
                    if (!(p.revents & (POLLIN | POLLERR | POLLHUP))) continue;
                    // The handler may unwatch; look it up again.
                    for (const auto& w : watches_) {
                        if (w.fd != p.fd) continue;
                        auto handler = w.onReadable;
                        handler();
                        break;
                    }
                }
            }
            fireDue();
        }
        return true;
    }

private:
    struct LoopTimer : Timer {
        LoopTimer(PosixLoop* l, Millis iv, std::function<void()> f)
            : loop(l), interval_(iv), tick(std::move(f)) {}
        ~LoopTimer() override {
            if (loop) std::erase(loop->timers_, this);
        }
        void setEnabled(bool enable) override {
            if (enable && !on && loop) due = loop->nowMs() + static_cast<double>(interval_);
            on = enable;
        }
        bool enabled() const override { return on; }
        void setInterval(Millis ms) override {
            if (ms == interval_) return;
            interval_ = ms;
            if (on && loop) due = loop->nowMs() + static_cast<double>(ms);
        }
        Millis interval() const override { return interval_; }
        void setOnTick(std::function<void()> f) override { tick = std::move(f); }

        PosixLoop* loop;
        Millis interval_;
        std::function<void()> tick;
        bool on = false;
        double due = 0;
    };
    struct Watch {
        int fd;
        std::function<void()> onReadable;
    };

    void fireDue() {
        const double now = nowMs();
        // Earliest due first; a handler may change or destroy any timer, so re-scan each time.
        for (;;) {
            LoopTimer* next = nullptr;
            for (auto* t : timers_)
                if (t->on && t->due <= now && (!next || t->due < next->due)) next = t;
            if (!next) return;
            // A periodic timer keeps its rhythm unless it fell a whole period behind.
            next->due += static_cast<double>(next->interval_);
            if (next->due <= now) next->due = now + static_cast<double>(next->interval_);
            auto tick = next->tick;
            if (tick) tick();
        }
    }

    Clock::time_point start_;
    std::vector<LoopTimer*> timers_;
    std::vector<Watch> watches_;
};

}  // namespace qor::cli
