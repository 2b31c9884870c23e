#include "samples/CuePoints.h"

#include "app/Desk.h"
#include "deck/TimeFormat.h"

namespace vantrel {

namespace {

bool valid(int i) {
    return i >= 0 && i < CuePoints::kCount;
}

}  // namespace

CuePoints::CuePoints(Desk& desk, QObject* parent) : QObject(parent), desk_(desk) {
    for (Label& label : lblCueTime) label.SetCaption(FormatPosition(0));
}

// Deck 1 is asked first in each command: it is the playing deck whenever its flag is set.
void CuePoints::cmdCueRecord(int i) {
    if (!valid(i)) return;
    if (desk_.state.Deck1Playing)
        CuePositions[i] = desk_.SoundTouch.Position();
    else if (desk_.state.Deck2Playing)
        CuePositions[i] = desk_.SoundTouch2.Position();
    else
        return;
    lblCueTime[i].SetCaption(FormatPosition(CuePositions[i]));
}

void CuePoints::cmdCuePlay(int i) {
    if (!valid(i) || CuePositions[i] <= 0) return;
    if (desk_.state.Deck1Playing)
        desk_.SoundTouch.SetPosition(CuePositions[i]);
    else if (desk_.state.Deck2Playing)
        desk_.SoundTouch2.SetPosition(CuePositions[i]);
}

void CuePoints::cmdCueReset(int i) {
    if (!valid(i)) return;
    CuePositions[i] = 0;
    lblCueTime[i].SetCaption(FormatPosition(0));
}

void CuePoints::ResetCuePoints() {
    for (int i = 0; i < kCount; ++i) cmdCueReset(i);
}

}  // namespace vantrel
