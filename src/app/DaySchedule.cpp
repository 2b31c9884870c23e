#include "app/DaySchedule.h"

#include <utility>

#include "audio/Engine.h"
#include "audio/Player.h"
#include "base/WallClock.h"
#include "deck/Decks.h"
#include "playlist/Playlist.h"

namespace vantrel {

DaySchedule::DaySchedule(Decks& decks, audio::Engine& engine, Scheduler& scheduler,
                         const WallClock& clock, QObject* parent)
    : QObject(parent), decks_(decks), engine_(engine), clock_(&clock) {
    checkTimer_ = scheduler.createTimer(kCheckInterval, [this] { check(); });
    stopTimer_ = scheduler.createTimer(0, [this] { finishStop(); });
}

DaySchedule::~DaySchedule() = default;

void DaySchedule::setTimes(std::optional<QTime> startAt, std::optional<QTime> stopAt) {
    // Minutes only: a time of day given to the second still means its minute.
    const auto minute = [](std::optional<QTime> t) -> std::optional<QTime> {
        if (!t || !t->isValid()) return std::nullopt;
        return QTime(t->hour(), t->minute());
    };
    startAt_ = minute(startAt);
    stopAt_ = minute(stopAt);
    if (startAt_ && stopAt_ && *startAt_ == *stopAt_) stopAt_.reset();
    checkTimer_->SetEnabled(startAt_ || stopAt_);
    lastSeen_ = clock_->now();
    // Set inside the hours, the start is now; set outside them, nothing stops.
    if (startAt_ && inHours()) startMusic();
}

bool DaySchedule::inHours() const {
    if (!startAt_ && !stopAt_) return false;
    const QTime now = clock_->now().time();
    const QTime from = startAt_.value_or(QTime(0, 0));
    if (!stopAt_) return now >= from;
    const QTime to = *stopAt_;
    return from < to ? (from <= now && now < to) : (now >= from || now < to);
}

bool DaySchedule::passed(const QDateTime& before, const QDateTime& now, QTime at) {
    // What the wall clock shows, not elapsed time: when the clock skips an hour, a time inside
    // it is passed as the clock jumps; when it repeats one, a time after the repeated hour comes
    // when the clock shows it again, not an hour early.
    if (before.date() == now.date()) return before.time() < at && at <= now.time();
    if (before.date().addDays(1) == now.date()) return before.time() < at || at <= now.time();
    return false;
}

void DaySchedule::check() {
    const QDateTime now = clock_->now();
    const QDateTime before = std::exchange(lastSeen_, now);
    if (stopAt_ && passed(before, now, *stopAt_)) beginStop();
    if (startAt_ && passed(before, now, *startAt_)) startMusic();
}

void DaySchedule::startMusic() {
    if (stopping_ == Stopping::FadingOut) {
        // The hours begin again before the music has gone: it comes back up and plays on.
        stopTimer_->SetEnabled(false);
        stopping_ = Stopping::No;
        AutoMixer& mixer = decks_.mixer();
        engine_.fadeMusicTo(1.0f, mixer.mixInterval() * 1000);
        for (int i = 0; i < 2; ++i) {
            Deck& deck = decks_.deck(i);
            if (deck.playing() || mixer.fading(deck)) deck.positionTimer().SetEnabled(true);
        }
        return;
    }
    if (stopping_ == Stopping::Restoring) finishStop();
    engine_.fadeMusicTo(1.0f, 0);
    if (decks_.liveDeck() || decks_.deck(0).playlist().isEmpty()) return;
    // As a user starts an evening: the next entry comes in from the list on the deck behind
    // the front one, rising over the mixing interval.
    decks_.mixer().mixNow(decks_.frontDeck());
    emit started();
}

void DaySchedule::beginStop() {
    if (!decks_.liveDeck() || stopping_ != Stopping::No) return;
    // No new fade may take an entry off the list while the music goes down; a fade under way
    // goes on under it.
    for (int i = 0; i < 2; ++i) decks_.deck(i).positionTimer().SetEnabled(false);
    const int ms = decks_.mixer().mixInterval() * 1000;
    engine_.fadeMusicTo(0.0f, ms);
    stopping_ = Stopping::FadingOut;
    stopTimer_->SetInterval(ms + kStopMargin);
    stopTimer_->SetEnabled(true);
}

void DaySchedule::finishStop() {
    if (stopping_ == Stopping::FadingOut) {
        AutoMixer& mixer = decks_.mixer();
        for (int i = 0; i < 2; ++i) {
            Deck& deck = decks_.deck(i);
            if (mixer.fading(deck)) mixer.fadeTimer(deck).SetEnabled(false);
            deck.transport.stop();
            // The live deck ends at its next tick, as after its Stop button.
            if (deck.playing()) deck.positionTimer().SetEnabled(true);
        }
        // The level comes back once the players are silent, for the next Play.
        stopping_ = Stopping::Restoring;
        stopTimer_->SetInterval(kStopMargin);
        stopTimer_->SetEnabled(true);
        emit stopped();
        return;
    }
    stopTimer_->SetEnabled(false);
    stopping_ = Stopping::No;
    engine_.fadeMusicTo(1.0f, 0);
}

}  // namespace vantrel
