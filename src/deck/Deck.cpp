#include "deck/Deck.h"

#include "audio/Player.h"
#include "base/TimeFormat.h"

namespace vantrel {

Deck::Deck(int index, const DeckContext& context)
    : loader(*this), transport(*this), index_(index), context_(context) {
    positionTimer_ = context_.scheduler.createTimer(kPositionInterval, [this] { positionTick(); });
}

Deck::~Deck() = default;

int Deck::open() {
    const int result = player().Open();
    song_.opened = result == 0;
    song_.notFound = result == audio::Player::kFileNotFound;
    song_.ranOut = false;
    song_.measured = false;
    return result;
}

bool Deck::holdsPlayable() const {
    return song_.opened && !player().OpenFailed();
}

void Deck::fillTicker(const QString& message, const QString& separator) {
    display.fillTicker(message, separator, 3);
}

void Deck::startTracking() {
    song_.playing = true;
    positionTimer_->SetEnabled(true);
    if (events_) events_->startedPlaying(*this);
}

void Deck::positionTick() {
    audio::Player& p = player();
    // A file still opening holds the deck still, like a pause; its length comes once it opened.
    if (p.Opening()) return;
    if (song_.opened && !song_.measured && !p.OpenFailed()) {
        song_.length = loader.measure(song_.path);
        song_.measured = true;
        if (song_.length > 0) display.setProgressMax(song_.length);
    }
    display.setProgressValue(p.Position());
    const int status = p.Status();
    if (status == audio::Player::kPlaying) {
        display.setLevels(static_cast<float>(p.Level()));
        if (events_) events_->playingTick(*this);
    } else if (song_.paused && status == audio::Player::kStopped) {
        // Paused by its own pause button: the player reports "stopped" exactly as after a stop,
        // so the deck remembers the pause itself. A paused deck keeps its position, its display
        // and its tracking, and cues or fades nothing while it holds still; resuming carries on
        // from here. A song that played to its end reports "ended" and ends the deck even when
        // it was paused on the way.
        display.setLevels(0.0f);
    } else {
        display.setLevels(0.0f);
        display.setProgressValue(0);
        song_.paused = false;
        // Rewound, not restarted: a seek after the end leaves the player stopped.
        p.SetPosition(0);
        // A song shorter than its own fade-in ends before the fade is complete. Its tracking
        // stays on until the fade completes, so that the tick after the completion ends the deck
        // and hands on to the song cued meanwhile instead of leaving both decks silent.
        const bool fadingIn = events_ && events_->fadingIn(*this);
        if (!fadingIn) positionTimer_->SetEnabled(false);
        const bool wasLive = song_.playing;
        song_.playing = false;
        // The rewind above turned "ended" into "stopped"; a song that ran out inside its own
        // fade-in is only live from the completion on, so the end is remembered until then.
        if (status == audio::Player::kEnded) song_.ranOut = true;
        if (events_) events_->playingTick(*this);
        // A stop by the user ("stopped", not "ended") stays a stop.
        if (wasLive && song_.ranOut && events_) events_->ranOut(*this);
    }
    const int position = p.Position();
    display.timeLabel.SetCaption(shared().showRemaining
                                     ? FormatRemainingTime(position, song_.length)
                                     : FormatPosition(position));
}

}  // namespace vantrel
