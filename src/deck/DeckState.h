#pragma once
// Deck state: what one deck holds, and the few values both decks share.
#include <QString>

namespace vantrel {

// What one deck holds and how its song stands. Its deck is the one writer (Deck::song() is
// read-only for everyone else); the loader, the transport and the mixer tell the deck.
struct DeckSong {
    bool playing = false;  // the live deck: the one the menus and cue points address
    QString path;
    int length = 0;  // ms, as measured when it was loaded (or once its file had opened)
    bool measured = false;
    QString mixTitle;
    bool paused = false;    // paused by its own pause button and not resumed since
    bool opened = false;    // the last open succeeded
    bool notFound = false;  // the last open found no file at its path
    bool ranOut = false;    // the song it was playing has ended (or a failed open took it)
};

// Shared by both decks: one pause latch for the two pause buttons, and one setting for the two
// time labels.
struct SharedDeckState {
    bool pauseLatch = false;
    bool showRemaining = false;
};

}  // namespace vantrel
