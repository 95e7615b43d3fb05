#include "core/platform/VirtualScheduler.h"

#include <algorithm>
#include <limits>

namespace qor {

struct VirtualScheduler::TimerRec {
    bool enabled = false;
    Millis interval = 0;
    Millis due = 0;
    std::uint64_t seq = 0;
    std::function<void()> onTick;
};

struct VirtualScheduler::Event {
    Millis due = 0;
    std::uint64_t seq = 0;
    std::function<void()> fn;
};

class VirtualTimer : public Timer {
public:
    VirtualTimer(VirtualScheduler& s, Millis interval, std::function<void()> onTick) : s_(s) {
        rec_ = new VirtualScheduler::TimerRec;
        rec_->interval = interval;
        rec_->onTick = std::move(onTick);
        s_.timers_.push_back(rec_);
    }
    ~VirtualTimer() override {
        auto& t = s_.timers_;
        t.erase(std::remove(t.begin(), t.end(), rec_), t.end());
        delete rec_;
    }
    void setEnabled(bool on) override {
        if (on == rec_->enabled) return;
        rec_->enabled = on;
        if (on) arm();
    }
    bool enabled() const override { return rec_->enabled; }
    void setInterval(Millis ms) override {
        if (ms == rec_->interval) return;
        rec_->interval = ms;
        if (rec_->enabled) arm();
    }
    Millis interval() const override { return rec_->interval; }
    void setOnTick(std::function<void()> onTick) override { rec_->onTick = std::move(onTick); }

private:
    void arm() {
        rec_->due = s_.now_ + std::max<Millis>(rec_->interval, 1);
        rec_->seq = ++s_.seq_;
    }
    VirtualScheduler& s_;
    VirtualScheduler::TimerRec* rec_;
};

VirtualScheduler::VirtualScheduler() = default;
VirtualScheduler::~VirtualScheduler() = default;

std::unique_ptr<Timer> VirtualScheduler::createTimer(Millis interval, std::function<void()> onTick) {
    return std::make_unique<VirtualTimer>(*this, interval, std::move(onTick));
}

void VirtualScheduler::callAfter(Millis delay, std::function<void()> fn) {
    auto e = std::make_unique<Event>();
    e->due = now_ + std::max<Millis>(delay, 0);
    e->seq = ++seq_;
    e->fn = std::move(fn);
    events_.push_back(std::move(e));
}

// Runs the earliest item due at or before `until`; false when there is none.
bool VirtualScheduler::runNext(Millis until) {
    TimerRec* bestTimer = nullptr;
    std::size_t bestEvent = events_.size();
    Millis bestDue = std::numeric_limits<Millis>::max();
    std::uint64_t bestSeq = std::numeric_limits<std::uint64_t>::max();
    for (auto* t : timers_) {
        if (t->enabled && (t->due < bestDue || (t->due == bestDue && t->seq < bestSeq))) {
            bestTimer = t, bestDue = t->due, bestSeq = t->seq;
        }
    }
    for (std::size_t i = 0; i < events_.size(); ++i) {
        const auto& e = *events_[i];
        if (e.due < bestDue || (e.due == bestDue && e.seq < bestSeq)) {
            bestTimer = nullptr, bestEvent = i, bestDue = e.due, bestSeq = e.seq;
        }
    }
    if (bestDue > until) return false;
    now_ = std::max(now_, bestDue);
    if (bestTimer) {
        // Re-arm before the tick so that a handler's off-then-on restarts cleanly.
        bestTimer->due += std::max<Millis>(bestTimer->interval, 1);
        bestTimer->seq = ++seq_;
        auto tick = bestTimer->onTick;  // the handler may replace or destroy the timer
        if (tick) tick();
    } else {
        auto fn = std::move(events_[bestEvent]->fn);
        events_.erase(events_.begin() + static_cast<std::ptrdiff_t>(bestEvent));
        if (fn) fn();
    }
    return true;
}

void VirtualScheduler::advance(Millis ms) {
    const Millis target = now_ + std::max<Millis>(ms, 0);
    while (runNext(target)) {
    }
    now_ = target;
}

bool VirtualScheduler::runUntil(const std::function<bool()>& pred, Millis limit) {
    const Millis target = now_ + limit;
    if (pred()) return true;
    while (runNext(target)) {
        if (pred()) return true;
    }
    now_ = target;
    return pred();
}

}  // namespace qor
