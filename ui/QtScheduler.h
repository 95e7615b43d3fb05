#pragma once
#include "core/platform/Scheduler.h"

namespace qor::ui {

// Timers of the core backed by QTimer on the GUI thread.
class QtScheduler : public Scheduler {
  public:
    std::unique_ptr<Timer> createTimer(Millis interval, std::function<void()> onTick) override;
};

}  // namespace qor::ui
