#pragma once
// Music that starts and stops on the local clock, every day: at the start time the mix starts as
// Play and Mix now do, at the stop time the music fades out over the mixing interval and the decks
// stop with the list kept. Started inside its hours, it plays at once. The times are kept by what
// the local clock shows, across midnight and the days the clock skips or repeats an hour.
#include <QDateTime>
#include <QObject>
#include <QTime>
#include <memory>
#include <optional>

#include "base/Scheduler.h"

namespace vantrel {

namespace audio {
class Engine;
}
class Decks;
class WallClock;

class DaySchedule : public QObject {
    Q_OBJECT
public:
    static constexpr int kCheckInterval = 1000;  // ms; the times are whole minutes
    // The decks are stopped a little after the music has faded out.
    static constexpr int kStopMargin = 100;

    DaySchedule(Decks& decks, audio::Engine& engine, Scheduler& scheduler, const WallClock& clock,
                QObject* parent = nullptr);
    ~DaySchedule() override;

    std::optional<QTime> startAt() const { return startAt_; }
    std::optional<QTime> stopAt() const { return stopAt_; }
    // Either may be unset. Inside the hours (from the start, or the day's beginning, to the stop,
    // or the day's end; across midnight when the stop comes first) the music starts at once.
    void setTimes(std::optional<QTime> startAt, std::optional<QTime> stopAt);
    bool inHours() const;
    // The clock read from now on (tests and renders run a virtual one); set before the times.
    void setClock(const WallClock& clock) { clock_ = &clock; }

signals:
    void started();
    void stopped();

private:
    void check();
    // Whether the wall clock, going from `before` to `now`, showed the time of day `at`.
    static bool passed(const QDateTime& before, const QDateTime& now, QTime at);
    void startMusic();
    void beginStop();
    void finishStop();

    Decks& decks_;
    audio::Engine& engine_;
    const WallClock* clock_;
    std::optional<QTime> startAt_;
    std::optional<QTime> stopAt_;
    QDateTime lastSeen_;
    enum class Stopping { No, FadingOut, Restoring };
    Stopping stopping_ = Stopping::No;
    std::unique_ptr<Timer> checkTimer_;
    std::unique_ptr<Timer> stopTimer_;
};

}  // namespace vantrel
