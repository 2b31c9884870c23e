#pragma once
// Plans a beat-matched fade: where the incoming song starts and at what tempo match it plays so
// that its beats fall on the outgoing song's for the whole fade. Pure: grids and positions in,
// a plan out.
#include <optional>

#include "audio/BeatGrid.h"

namespace vantrel::audio {

// Tempos this close (as a share) are matched, and so are tempos this close to half or double.
inline constexpr double kMatchableTempo = 0.08;
// How fast a match glides back to 1 after the fade: a percent of tempo in two seconds is not
// heard as a change.
inline constexpr double kMatchGlidePerSecond = 0.005;

struct FadeSide {
    const BeatGrid* grid = nullptr;  // none: not matched
    // Outgoing: its song position when the incoming song starts to sound (its Position() at
    // the fade's first tick, plus the engine's startDelayMs() at its speed). Incoming: where it
    // would start without matching.
    double positionMs = 0;
    // Song ms per ms heard as the deck plays now without any match of its own being planned:
    // its tempo times its rate (times the outgoing deck's own match, if it has one).
    double speed = 1;
};

struct BeatMatch {
    int startMs = 0;        // where the incoming song starts instead
    double tempoMatch = 1;  // the incoming deck's match for the whole fade
    double beatRatio = 1;   // incoming beats per outgoing beat: 1, 2 or 0.5
};

// nullopt: leave the fade as it is (a grid missing or unsure, tempos too far apart).
std::optional<BeatMatch> planBeatMatch(const FadeSide& outgoing, const FadeSide& incoming);

// How long the glide of a match back to 1 takes, in ms.
int matchGlideMs(double tempoMatch);

}  // namespace vantrel::audio
