#pragma once
// Where a song's beats fall: a steady grid (a period and one beat on it) fitted to the beats a
// beat tracker finds in one stretch of the song, with how well the tracked beats agree with it.
// Found only where the mix needs it: the first stretch of a song, where it is faded in, and its
// last, where it is faded out.
#include <cstdint>
#include <optional>

namespace vantrel::audio {

class Decoder;

struct BeatGrid {
    double beatMs = 0;      // period, in ms of the song as recorded
    double anchorMs = 0;    // a beat of the grid, song position in ms
    double confidence = 0;  // 0..1: share of the tracked beats that sit on the grid
    double fromMs = 0;      // the stretch the grid was found on
    double toMs = 0;
    int beats = 0;  // beats tracked in it

    double bpm() const { return beatMs > 0 ? 60000.0 / beatMs : 0; }
    // The first beat of the grid at or after `ms` (the grid runs on beyond the stretch).
    double beatAtOrAfter(double ms) const;
};

// Below this a grid is not trusted for matching.
inline constexpr double kConfidentBeats = 0.7;
// The rate the tracker hears, about: the beat carries in the lows and low mids, and an eighth of
// the usual rate is an eighth of the cost of everything after decoding. The decoder's frames are
// averaged in whole groups down to it, so the song is decoded once, at the rate it is played at.
inline constexpr double kBeatRate = 5512.5;

// Tracks the beats of [fromMs, toMs) of a decoder (at any rate), moves each onto the
// onset it stands for and fits a grid to them; nullopt when too few are found for a grid.
std::optional<BeatGrid> findBeatGrid(Decoder& decoder, double fromMs, double toMs);

// The fit alone, on beat positions (ms, ascending): the period and phase most of them agree on,
// then a least-squares line through those by beat number; the confidence is the share of beats
// within a sixth of a period of it. nullopt for fewer than eight beats.
std::optional<BeatGrid> fitBeatGrid(const double* beatsMs, int count);

}  // namespace vantrel::audio
