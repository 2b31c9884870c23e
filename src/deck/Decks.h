#pragma once
// Both decks and the automatic mixer between them: which deck is in front, which one the menus
// address, and the playlist clicks that load a deck.
#include <QObject>

#include "deck/AutoMixer.h"
#include "deck/Deck.h"
#include "deck/DeckState.h"

namespace vantrel {

class Decks : public QObject {
    Q_OBJECT
public:
    // Each deck's context without the shared state, which the pair holds.
    struct Players {
        audio::Player& deck1Player;
        audio::Player& deck2Player;
        audio::SongAnalyzer& analyzer;  // the songs' audible ends and loudness
    };
    Decks(const Players& players, Playlist& playlist, Scheduler& scheduler,
          QObject* parent = nullptr);
    ~Decks() override;

    Deck& deck(int i) { return i == 0 ? deck1_ : deck2_; }
    const Deck& deck(int i) const { return i == 0 ? deck1_ : deck2_; }
    Deck& deck1() { return deck1_; }
    Deck& deck2() { return deck2_; }
    AutoMixer& mixer() { return mixer_; }
    const SharedDeckState& shared() const { return shared_; }

    bool deck2InFront() const { return deck2InFront_; }
    Deck& frontDeck() { return deck2InFront_ ? deck2_ : deck1_; }
    void setFrontDeck(int index);
    // The deck that the menu's transport commands and the cue points address: the playing deck,
    // deck 1 first; nullptr while neither plays.
    Deck* liveDeck();
    // Neither deck sounds and no deck timer runs.
    bool idle() const;

    // A click on a playlist entry loads it into the front deck while no deck plays or is being
    // faded in; a double
    // click plays it at once in the front deck.
    void onEntryClicked();
    void onEntryDoubleClicked();

signals:
    void frontDeckChanged(bool deck2InFront);

private:
    Playlist& playlist_;
    SharedDeckState shared_;
    Deck deck1_;
    Deck deck2_;
    AutoMixer mixer_;
    bool deck2InFront_ = false;
};

}  // namespace vantrel
