#pragma once
// The time text of the decks and cue points: minutes:seconds:hundredths, each field at least two
// digits (125 minutes stay "125").
#include <QString>

namespace vantrel {

QString FormatPosition(int positionMs);
// Formats durationMs - positionMs.
QString FormatRemainingTime(int positionMs, int durationMs);

}  // namespace vantrel
