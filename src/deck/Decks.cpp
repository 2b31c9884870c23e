#include "deck/Decks.h"

#include "audio/Player.h"
#include "playlist/Playlist.h"

namespace vantrel {

Decks::Decks(const Players& players, Playlist& playlist, Scheduler& scheduler, QObject* parent)
    : QObject(parent),
      playlist_(playlist),
      deck1_(0, {players.deck1Player, playlist, scheduler, shared_}),
      deck2_(1, {players.deck2Player, playlist, scheduler, shared_}),
      mixer_(deck1_, deck2_, scheduler, players.analyzer) {
    // The deck a fade brings in comes to the front.
    connect(&mixer_, &AutoMixer::fadeStarted, this, &Decks::setFrontDeck);
}

Decks::~Decks() = default;

void Decks::setFrontDeck(int index) {
    const bool deck2 = index == 1;
    if (deck2InFront_ == deck2) return;
    deck2InFront_ = deck2;
    emit frontDeckChanged(deck2);
}

Deck* Decks::liveDeck() {
    if (deck1_.playing()) return &deck1_;
    if (deck2_.playing()) return &deck2_;
    return nullptr;
}

bool Decks::idle() const {
    for (const Deck* d : {&deck1_, &deck2_}) {
        if (d->player().Status() == audio::Player::kPlaying) return false;
        if (d->positionTimer().Enabled() || mixer_.fading(*d)) return false;
    }
    return true;
}

void Decks::onEntryClicked() {
    // A deck being faded in plays although it is not yet the live one: loading the click into it
    // would stop the song the fade is bringing in, and the fade would end in silence.
    if (playlist_.count() == 0 || deck1_.playing() || deck2_.playing()) return;
    if (mixer_.fading(deck1_) || mixer_.fading(deck2_)) return;
    frontDeck().loader.load(playlist_.selected(), LoadKind::Preview);
}

void Decks::onEntryDoubleClicked() {
    Deck& deck = frontDeck();
    if (!deck.loader.load(playlist_.selected(), LoadKind::Play)) return;
    deck.player().Play();
    deck.startTracking();
}

}  // namespace vantrel
