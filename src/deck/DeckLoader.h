#pragma once
// Puts a playlist entry on a deck: one load sequence for a click, a double click and the
// automatic mixer's cue, and one rule for measuring a song's length.
#include <QString>

namespace vantrel {

class Deck;

enum class LoadKind {
    Preview,  // a click while no deck plays: shown and measured, the bar's value left alone
    Play,     // a double click: loaded to be played at once
    Cue,      // the next entry, made ready to be faded in
};

class DeckLoader {
public:
    explicit DeckLoader(Deck& deck);

    // Loads playlist entry `entry`; true when its file opened.
    bool load(int entry, LoadKind kind);
    // Cues the playlist's first entry; false when the list is empty or the file would not open.
    bool cueNext();
    // Only a lower-case "mp3" ending is measured from its container, in whole seconds; every
    // other file (an upper-case "MP3" too) to the millisecond. Both come from the player's open,
    // so measuring never reads a file on the window's thread.
    int measure(const QString& path);

private:
    Deck& deck_;
};

}  // namespace vantrel
