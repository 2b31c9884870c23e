#pragma once
// The deck state that several parts of the desk read: which deck plays, which panel is in front,
// what each deck holds.
#include <QString>

namespace vantrel {

struct DeckState {
    bool Deck1Playing = false;
    bool Deck2Playing = false;
    bool Deck2InFront = false;
    QString AudioPath1;
    QString AudioPath2;
    int AudioLength1 = 0;
    int AudioLength2 = 0;
    QString MixTitle1;
    QString MixTitle2;
    bool PauseLatch = false;
    bool ShowRemaining = false;
};

}  // namespace vantrel
