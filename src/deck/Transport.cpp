#include "deck/Transport.h"

#include "audio/Player.h"
#include "deck/Deck.h"

namespace vantrel {

void Transport::play() {
    audio::Player& player = deck_.player();
    player.SetVolume(1);
    player.Play();
    deck_.resumed();
    deck_.startTracking();
}

void Transport::pause() {
    audio::Player& player = deck_.player();
    bool& latch = deck_.shared().pauseLatch;
    const int status = player.Status();
    if (status == audio::Player::kStopped && latch) {
        player.Play();
        latch = false;
        deck_.resumed();
    }
    if (status == audio::Player::kPlaying && !latch) {
        player.Pause();
        latch = true;
        deck_.setPaused(true);
    }
}

void Transport::stop() {
    audio::Player& player = deck_.player();
    player.Pause();
    player.SetPosition(1);
    deck_.setPaused(false);  // a stopped deck ends at its next tick, unlike a paused one
    deck_.display.setProgressValue(1);
}

void Transport::rewind() {
    audio::Player& player = deck_.player();
    if (player.Position() - 5000 >= 0) player.SetPosition(player.Position() - 5000);
}

void Transport::fastForward() {
    // The player's own length, also for mp3 files measured by the media control.
    audio::Player& player = deck_.player();
    if (player.Position() + 5000 <= player.Length()) player.SetPosition(player.Position() + 5000);
}

void Transport::toggleTimeDisplay() {
    deck_.shared().showRemaining = !deck_.shared().showRemaining;
}

}  // namespace vantrel
