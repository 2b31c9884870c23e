#include "base/WallClock.h"

#include "base/Scheduler.h"

namespace vantrel {

VirtualWallClock::VirtualWallClock(const Scheduler& scheduler, QDateTime start)
    : scheduler_(scheduler), start_(std::move(start)) {}

QDateTime VirtualWallClock::now() const {
    // Counted as elapsed time from the start, so an hour that a clock change repeats or skips
    // is lived through the way the wall clock shows it.
    return start_.addMSecs(scheduler_.nowMs());
}

}  // namespace vantrel
