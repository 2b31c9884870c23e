#pragma once
// What the automatic mixing may know of a song beyond its length: where it becomes audible and
// where it stops being audible, and how loud it is. Found without decoding the whole file: the
// ends are scanned from the head and the tail, and the loudness comes from the file's tags or
// from evenly spaced windows of it.
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "audio/BeatGrid.h"

namespace vantrel::audio {

// What a profile holds beyond its ends and its loudness, each found only when a refinement that
// needs it asks: the outro for fading at it, the beat grids for matching beats.
// The beats come as two parts, since a song that is never faded into (the first of a render)
// needs no grid of its head.
enum ProfilePart : unsigned {
    kOutroPart = 1u,
    kHeadBeatsPart = 2u,
    kTailBeatsPart = 4u,
    kBeatsPart = kHeadBeatsPart | kTailBeatsPart,
};

struct SongProfile {
    bool opened = false;  // false: the file does not open or decode
    bool silent = false;  // nothing anywhere rises above the floor
    int audibleStartMs = 0;
    int audibleEndMs = 0;
    std::optional<double> loudness;  // integrated, LUFS
    unsigned parts = 0;              // the ProfileParts looked for
    // Where the outro starts: from there to the audible end, short-term loudness stays well
    // below the song's own (a fade-out, a quiet coda). The audible end when it ends cold (at
    // full level to the end), its loudness is not known or it was not looked for.
    int outroStartMs = 0;
    bool endsCold() const { return audibleEndMs - outroStartMs < kColdEndingMs; }
    static constexpr int kColdEndingMs = 1000;
    // Only when asked for: the beats where the song is faded in (from its audible start) and
    // where it is faded out (up to its audible end). nullopt: not asked for, or no grid found.
    std::optional<BeatGrid> headBeats;
    std::optional<BeatGrid> tailBeats;

    // The gain that brings the song to the common loudness, in dB; 0 when it is not known.
    double levellingDb() const;
};

// Sound below this is silence for the ends of a song (-50 dBFS).
inline constexpr float kAudibleFloor = 0.0031623f;
inline constexpr double kTargetLoudness = -18.0;  // LUFS
inline constexpr double kMaxLevelling = 12.0;     // dB either way

class Decoder;

// Scans the head and the tail for the first and last points above the floor (fills in silent
// and the audible ends). A quiet dip within the song changes nothing, since only the outermost
// audible points count.
void scanEnds(Decoder& decoder, SongProfile& profile);
// Fills in the loudness: from ReplayGain or R128 tags, else measured on about a sixteenth
// of the song in evenly spaced windows.
void measureLoudness(Decoder& decoder, SongProfile& profile);
// Finds where the outro starts, on the tail before the audible end (needs the ends and the
// loudness).
void findOutro(Decoder& decoder, SongProfile& profile);
// Fills in the beat grids of the song's first and last stretch (kBeatStretchSeconds each) that
// `ends` asks for (kHeadBeatsPart, kTailBeatsPart or both), on a decoder at any rate. Needs the
// audible ends.
void findBeats(Decoder& decoder, SongProfile& profile, unsigned ends = kBeatsPart);
inline constexpr double kBeatStretchSeconds = 16.0;
// The ends and the loudness on one opening of the file, and the outro and the beats on it when
// asked for. `started`, when given, is told the profile before its beats are looked for: all
// that a song needs to start playing, and its outro, come that much sooner.
SongProfile profileSong(const std::string& path, int outputRate, unsigned parts = 0,
                        const std::function<void(const SongProfile&)>& started = {});
// Looks for the parts asked for that a profile made earlier was not asked for.
void addProfileParts(const std::string& path, int outputRate, unsigned parts, SongProfile& profile);

// Integrated loudness (EBU R128) of interleaved stereo frames fed in pieces.
class LoudnessMeter {
public:
    explicit LoudnessMeter(int rate);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    void add(const float* interleaved, std::size_t frames);
    // LUFS; nullopt when nothing above the gate was heard.
    std::optional<double> integrated() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vantrel::audio
