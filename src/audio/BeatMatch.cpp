#include "audio/BeatMatch.h"

#include <cmath>

namespace vantrel::audio {

std::optional<BeatMatch> planBeatMatch(const FadeSide& out, const FadeSide& in) {
    if (!out.grid || !in.grid || out.speed <= 0 || in.speed <= 0) return std::nullopt;
    const BeatGrid& og = *out.grid;
    const BeatGrid& ig = *in.grid;
    if (og.confidence < kConfidentBeats || ig.confidence < kConfidentBeats || og.beatMs <= 0 ||
        ig.beatMs <= 0)
        return std::nullopt;
    // Beat periods as heard, in ms.
    const double outBeat = og.beatMs / out.speed;
    const double inBeat = ig.beatMs / in.speed;
    BeatMatch plan;
    double best = HUGE_VAL;
    for (const double ratio : {1.0, 2.0, 0.5}) {
        // The incoming song's beat heard `ratio` times per outgoing beat.
        const double match = inBeat * ratio / outBeat;
        if (std::abs(match - 1) < best) {
            best = std::abs(match - 1);
            plan.tempoMatch = match;
            plan.beatRatio = ratio;
        }
    }
    if (best > kMatchableTempo) return std::nullopt;

    // Heard from the first tick, the outgoing beats fall at first + n * outBeat; the incoming
    // song plays `perHeard` song ms per ms heard, so its beat `beat` sounds at
    // (beat - start) / perHeard. Make that an outgoing beat, with the start at or just before
    // where it would have been, so nothing but at most one beat of lead-in is added.
    const double perHeard = in.speed * plan.tempoMatch;
    const double first = (og.beatAtOrAfter(out.positionMs) - out.positionMs) / out.speed;
    const double beat = ig.beatAtOrAfter(in.positionMs);
    const double cycle = perHeard * outBeat;  // song ms of the incoming per outgoing beat
    double start = beat - perHeard * first;
    start -= std::ceil((start - in.positionMs) / cycle - 1e-9) * cycle;
    // A song cannot start before its beginning: then it starts up to one beat later.
    if (start < 0) start += cycle * std::ceil(-start / cycle);
    plan.startMs = int(std::lround(start));
    return plan;
}

int matchGlideMs(double tempoMatch) {
    return int(std::lround(std::abs(tempoMatch - 1) / kMatchGlidePerSecond * 1000));
}

}  // namespace vantrel::audio
