#pragma once
// Every timer of the program is made by a Scheduler, so the same core code runs on real time
// (the program) or on a virtual clock (tests and the offline renderer).
#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QTimer;

namespace vantrel {

class Timer {
public:
    virtual ~Timer() = default;
    int Interval() const { return interval_; }
    bool Enabled() const { return enabled_; }
    // Changing the interval of a running timer restarts its countdown.
    virtual void SetInterval(int ms) = 0;
    // Enabling an enabled timer changes nothing; disabling drops the pending tick.
    virtual void SetEnabled(bool on) = 0;
    std::function<void()> onTick;

protected:
    int interval_ = 0;
    bool enabled_ = false;
};

class Scheduler {
public:
    virtual ~Scheduler() = default;
    virtual std::unique_ptr<Timer> createTimer(int intervalMs,
                                               std::function<void()> onTick = {}) = 0;
    virtual qint64 nowMs() const = 0;
};

// QTimer with Qt::PreciseTimer on the thread that creates it.
class RealScheduler final : public Scheduler {
public:
    RealScheduler();
    ~RealScheduler() override;
    std::unique_ptr<Timer> createTimer(int intervalMs, std::function<void()> onTick = {}) override;
    qint64 nowMs() const override;

private:
    struct Clock;
    std::unique_ptr<Clock> clock_;
};

// A virtual clock: advance() fires due timers in time order (ties in the order they were armed)
// and tells onAdvance how much time passed before each firing, so that an offline audio output
// can render exactly that much sound first.
class VirtualScheduler final : public Scheduler {
public:
    VirtualScheduler();
    ~VirtualScheduler() override;
    std::unique_ptr<Timer> createTimer(int intervalMs, std::function<void()> onTick = {}) override;
    qint64 nowMs() const override { return now_; }

    void advance(qint64 ms);
    // Advances until done() holds after a firing or limitMs have passed; true when done() held.
    bool runUntil(const std::function<bool()>& done, qint64 limitMs);

    std::function<void(qint64 fromMs, qint64 toMs)> onAdvance;

    class VTimer;

private:
    friend class VTimer;
    void arm(VTimer* t);
    void disarm(VTimer* t);
    void forget(VTimer* t);
    void moveClockTo(qint64 t);
    VTimer* nextDue(qint64 limit) const;

    qint64 now_ = 0;
    std::uint64_t armSequence_ = 0;
    std::vector<VTimer*> timers_;  // armed
    std::vector<VTimer*> all_;
};

}  // namespace vantrel
