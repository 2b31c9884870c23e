#include "base/Scheduler.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

namespace vantrel {

namespace {

class QtTimer final : public Timer {
public:
    QtTimer(int intervalMs, std::function<void()> tick) {
        interval_ = intervalMs;
        onTick = std::move(tick);
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(intervalMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (onTick) onTick();
        });
    }
    void SetInterval(int ms) override {
        interval_ = ms;
        timer_.setInterval(ms);
        if (enabled_) timer_.start();
    }
    void SetEnabled(bool on) override {
        if (on == enabled_) return;
        enabled_ = on;
        if (on)
            timer_.start();
        else
            timer_.stop();
    }

private:
    QTimer timer_;
};

}  // namespace

struct RealScheduler::Clock {
    QElapsedTimer elapsed;
};

RealScheduler::RealScheduler() : clock_(std::make_unique<Clock>()) {
    clock_->elapsed.start();
}
RealScheduler::~RealScheduler() = default;

std::unique_ptr<Timer> RealScheduler::createTimer(int intervalMs, std::function<void()> onTick) {
    return std::make_unique<QtTimer>(intervalMs, std::move(onTick));
}

qint64 RealScheduler::nowMs() const {
    return clock_->elapsed.elapsed();
}

class VirtualScheduler::VTimer final : public Timer {
public:
    VTimer(VirtualScheduler& owner, int intervalMs, std::function<void()> tick) : owner_(&owner) {
        interval_ = intervalMs;
        onTick = std::move(tick);
    }
    ~VTimer() override {
        if (owner_) owner_->forget(this);
    }
    void SetInterval(int ms) override {
        interval_ = ms;
        if (enabled_ && owner_) owner_->arm(this);
    }
    void SetEnabled(bool on) override {
        if (on == enabled_) return;
        enabled_ = on;
        if (!owner_) return;
        if (on)
            owner_->arm(this);
        else
            owner_->disarm(this);
    }

    VirtualScheduler* owner_;  // null once the scheduler is gone
    qint64 due = 0;
    std::uint64_t sequence = 0;
    bool armed = false;
};

VirtualScheduler::VirtualScheduler() = default;
VirtualScheduler::~VirtualScheduler() {
    for (VTimer* t : all_) t->owner_ = nullptr;
}

std::unique_ptr<Timer> VirtualScheduler::createTimer(int intervalMs, std::function<void()> onTick) {
    auto t = std::make_unique<VTimer>(*this, intervalMs, std::move(onTick));
    all_.push_back(t.get());
    return t;
}

void VirtualScheduler::arm(VTimer* t) {
    // A zero interval would fire forever at one instant; such a timer waits at least 1 ms.
    t->due = now_ + std::max(1, t->Interval());
    t->sequence = armSequence_++;
    if (!t->armed) {
        t->armed = true;
        timers_.push_back(t);
    }
}

void VirtualScheduler::forget(VTimer* t) {
    disarm(t);
    all_.erase(std::remove(all_.begin(), all_.end(), t), all_.end());
}

void VirtualScheduler::disarm(VTimer* t) {
    if (!t->armed) return;
    t->armed = false;
    timers_.erase(std::remove(timers_.begin(), timers_.end(), t), timers_.end());
}

VirtualScheduler::VTimer* VirtualScheduler::nextDue(qint64 limit) const {
    VTimer* best = nullptr;
    for (VTimer* t : timers_) {
        if (t->due > limit) continue;
        if (!best || t->due < best->due || (t->due == best->due && t->sequence < best->sequence))
            best = t;
    }
    return best;
}

void VirtualScheduler::moveClockTo(qint64 t) {
    if (t <= now_) return;
    const qint64 from = now_;
    now_ = t;
    if (onAdvance) onAdvance(from, t);
}

void VirtualScheduler::advance(qint64 ms) {
    runUntil([] { return false; }, ms);
}

bool VirtualScheduler::runUntil(const std::function<bool()>& done, qint64 limitMs) {
    const qint64 end = now_ + limitMs;
    while (VTimer* t = nextDue(end)) {
        moveClockTo(t->due);
        // Re-armed before the tick, so a tick that disables or re-times its timer wins.
        t->due += std::max(1, t->Interval());
        t->sequence = armSequence_++;
        if (t->onTick) t->onTick();
        if (done()) return true;
    }
    moveClockTo(end);
    return done();
}

}  // namespace vantrel
