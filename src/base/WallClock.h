#pragma once
// The local date and time, through a seam: the program reads the system's clock; tests and the
// offline renderer read a wall clock that follows the virtual clock from a chosen start, in a
// chosen time zone, so a day with its midnight and its clock changes runs in seconds.
#include <QDateTime>
#include <QTimeZone>

namespace vantrel {

class Scheduler;

class WallClock {
public:
    virtual ~WallClock() = default;
    // Now, in the zone whose local time the schedule follows.
    virtual QDateTime now() const = 0;
};

class SystemWallClock final : public WallClock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// `start` (with its time zone) at the scheduler's time 0.
class VirtualWallClock final : public WallClock {
public:
    VirtualWallClock(const Scheduler& scheduler, QDateTime start);
    QDateTime now() const override;

private:
    const Scheduler& scheduler_;
    QDateTime start_;
};

}  // namespace vantrel
