#include "ui/QtScheduler.h"

#include <QTimer>

namespace qor::ui {
namespace {

class QtTimer : public Timer {
  public:
    QtTimer(Millis interval, std::function<void()> onTick) : onTick_(std::move(onTick)) {
        timer_.setInterval(static_cast<int>(interval));
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (onTick_) onTick_();
        });
    }
    void setEnabled(bool on) override {
        if (on == timer_.isActive()) return;  // a running timer keeps its period
        if (on)
            timer_.start();
        else
            timer_.stop();
    }
    bool enabled() const override { return timer_.isActive(); }
    void setInterval(Millis ms) override {
        if (ms == timer_.interval()) return;
        timer_.setInterval(static_cast<int>(ms));  // restarts a running QTimer
    }
    Millis interval() const override { return timer_.interval(); }
    void setOnTick(std::function<void()> onTick) override { onTick_ = std::move(onTick); }

  private:
    QTimer timer_;
    std::function<void()> onTick_;
};

}  // namespace

std::unique_ptr<Timer> QtScheduler::createTimer(Millis interval, std::function<void()> onTick) {
    return std::make_unique<QtTimer>(interval, std::move(onTick));
}

}  // namespace qor::ui
