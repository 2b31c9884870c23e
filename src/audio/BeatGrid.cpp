#include "audio/BeatGrid.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "audio/Decoder.h"

namespace vantrel::audio {

namespace {

// The tracker follows the energy of the signal: on a drum loop the spectral measures follow the
// hats as readily as the kick, and lose the beat for seconds at a time.
constexpr int kWindow = 128;  // 23 ms at the tracker's rate
constexpr int kHop = 64;      // 11.6 ms
constexpr int kMinBeats = 8;
// The tracker places a beat up to a few steps off the attack it stands for, and drifts while it
// settles; the onset detector, in steps half as long, finds the attack itself.
constexpr int kOnsetWindow = 64;  // 11.6 ms
constexpr int kOnsetHop = 32;     // 5.8 ms
// Runs of the tracker, each started a fraction of a step later (two: each run costs about a
// tenth of a full decode of a five-minute song); beats of two runs within this are the same.
constexpr int kRuns = 2;
constexpr double kSameBeatMs = 6;

struct TempoDeleter {
    void operator()(aubio_tempo_t* t) const { del_aubio_tempo(t); }
};
struct OnsetDeleter {
    void operator()(aubio_onset_t* t) const { del_aubio_onset(t); }
};
struct VectorDeleter {
    void operator()(fvec_t* v) const { del_fvec(v); }
};

struct Line {
    double anchor = 0, period = 0;
};

// Least squares of position against beat number.
Line fitLine(const std::vector<double>& at, const std::vector<double>& number) {
    const double n = double(at.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < at.size(); ++i) {
        sx += number[i];
        sy += at[i];
        sxx += number[i] * number[i];
        sxy += number[i] * at[i];
    }
    const double d = n * sxx - sx * sx;
    if (d <= 0) return {};
    const double period = (n * sxy - sx * sy) / d;
    return {(sy - period * sx) / n, period};
}

// Moves each beat onto the nearest onset within a sixth of the typical gap between beats; a
// beat with none is dropped, as the tracker goes on placing beats through music without any.
void snapToOnsets(std::vector<double>& beats, const std::vector<double>& onsets) {
    if (beats.size() < 2 || onsets.empty()) {
        beats.clear();
        return;
    }
    std::vector<double> gaps;
    for (std::size_t i = 1; i < beats.size(); ++i) gaps.push_back(beats[i] - beats[i - 1]);
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 4, gaps.end());
    const double reach = gaps[gaps.size() / 4] / 6;
    std::vector<double> snapped;
    for (const double b : beats) {
        const auto after = std::lower_bound(onsets.begin(), onsets.end(), b);
        double nearest = -1, distance = reach;
        if (after != onsets.end() && *after - b < distance) nearest = *after, distance = *after - b;
        if (after != onsets.begin() && b - *(after - 1) < distance) nearest = *(after - 1);
        if (nearest >= 0 && (snapped.empty() || nearest > snapped.back()))
            snapped.push_back(nearest);
    }
    beats = std::move(snapped);
}

}  // namespace

double BeatGrid::beatAtOrAfter(double ms) const {
    if (beatMs <= 0) return ms;
    return anchorMs + std::ceil((ms - anchorMs) / beatMs - 1e-9) * beatMs;
}

std::optional<BeatGrid> fitBeatGrid(const double* beats, int count) {
    if (count < kMinBeats) return std::nullopt;
    // The tracker sometimes skips beats, so the shorter gaps tell the period best.
    std::vector<double> gaps;
    for (int i = 1; i < count; ++i) gaps.push_back(beats[i] - beats[i - 1]);
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 4, gaps.end());
    const double rough = gaps[gaps.size() / 4];
    if (rough <= 0) return std::nullopt;

    // The grid near it that the most beats sit on: beats the tracker placed on the off-beats
    // for a while, or skipped, do not pull it away as they would pull a line fitted to all.
    Line line;
    int most = 0;
    double closest = HUGE_VAL;
    const auto tryPeriod = [&](double p) {
        for (int i = 0; i < count; ++i) {
            int on = 0;
            double off = 0;
            for (int j = 0; j < count; ++j) {
                const double x = beats[j] - beats[i];
                const double d = std::abs(x - p * std::round(x / p));
                if (d < p / 16) ++on, off += d;
            }
            if (on > most || (on == most && off < closest)) {
                most = on;
                closest = off;
                line = {beats[i], p};
            }
        }
    };
    // In coarse steps first, then finely around the best of them.
    for (double p = rough * 0.96; p <= rough * 1.04; p += rough * 0.001) tryPeriod(p);
    const double coarse = line.period;
    for (double p = coarse * 0.999; p <= coarse * 1.001; p += coarse * 0.0001) tryPeriod(p);
    // Then a least-squares line through the beats on that grid, by beat number.
    std::vector<double> keptAt, keptNumber;
    for (int pass = 0; pass < 2; ++pass) {
        keptAt.clear();
        keptNumber.clear();
        for (int i = 0; i < count; ++i) {
            const double k = std::round((beats[i] - line.anchor) / line.period);
            if (std::abs(beats[i] - (line.anchor + k * line.period)) < line.period / 6) {
                keptAt.push_back(beats[i]);
                keptNumber.push_back(k);
            }
        }
        if (int(keptAt.size()) < kMinBeats) return std::nullopt;
        line = fitLine(keptAt, keptNumber);
        if (line.period <= 0) return std::nullopt;
    }
    BeatGrid grid;
    grid.beatMs = line.period;
    grid.anchorMs = line.anchor + line.period * std::round((beats[0] - line.anchor) / line.period);
    grid.beats = count;
    grid.confidence = double(keptAt.size()) / double(count);
    grid.fromMs = beats[0];
    grid.toMs = beats[count - 1];
    return grid;
}

namespace {

// The onsets of the heard samples (ms), where the tracker's beats are moved to.
std::vector<double> findOnsets(const std::vector<float>& heard, double heardRate, double fromMs) {
    std::vector<double> onsets;
    std::unique_ptr<aubio_onset_t, OnsetDeleter> onset(
        new_aubio_onset("energy", kOnsetWindow, kOnsetHop, uint_t(std::lround(heardRate))));
    std::unique_ptr<fvec_t, VectorDeleter> hop(new_fvec(kOnsetHop)), found(new_fvec(1));
    if (!onset || !hop || !found) return onsets;
    for (std::size_t at = 0; at + kOnsetHop <= heard.size(); at += kOnsetHop) {
        std::copy_n(heard.data() + at, kOnsetHop, hop->data);
        aubio_onset_do(onset.get(), hop.get(), found.get());
        if (found->data[0] != 0)
            onsets.push_back(fromMs + aubio_onset_get_last(onset.get()) * 1000.0 / heardRate);
    }
    return onsets;
}

// One run of the tracker over the heard samples from `offset` on: its beats, each moved onto
// the onset it stands for, and the grid fitted to them.
std::optional<BeatGrid> trackGrid(const std::vector<float>& heard, int offset, double heardRate,
                                  double fromMs, const std::vector<double>& onsets) {
    std::unique_ptr<aubio_tempo_t, TempoDeleter> tempo(
        new_aubio_tempo("energy", kWindow, kHop, uint_t(std::lround(heardRate))));
    std::unique_ptr<fvec_t, VectorDeleter> hop(new_fvec(kHop)), found(new_fvec(1));
    if (!tempo || !hop || !found) return std::nullopt;
    std::vector<double> beats;
    for (std::size_t at = std::size_t(offset); at + kHop <= heard.size(); at += kHop) {
        std::copy_n(heard.data() + at, kHop, hop->data);
        aubio_tempo_do(tempo.get(), hop.get(), found.get());
        if (found->data[0] != 0)
            beats.push_back(fromMs + (double(aubio_tempo_get_last(tempo.get())) + offset) * 1000.0 /
                                         heardRate);
    }
    const int tracked = int(beats.size());
    snapToOnsets(beats, onsets);
    auto grid = fitBeatGrid(beats.data(), int(beats.size()));
    if (!grid) return std::nullopt;
    grid->confidence *= double(beats.size()) / tracked;
    grid->beats = tracked;
    return grid;
}

// Two runs found the same beat: tempos within a tenth of a percent (a few ms over half the
// stretch), or one twice the other (a slow beat's off-beats taken for beats), and beats within
// a few ms of each other in the middle of the stretch.
bool sameBeat(const BeatGrid& a, const BeatGrid& b, double middleMs) {
    const BeatGrid& slow = a.beatMs > b.beatMs ? a : b;
    const BeatGrid& fast = a.beatMs > b.beatMs ? b : a;
    const double ratio = slow.beatMs / fast.beatMs;
    const double close = ratio < 1.5 ? ratio - 1 : ratio / 2 - 1;
    return close < 0.001 &&
           std::abs(std::remainder(slow.beatAtOrAfter(middleMs) - fast.beatAtOrAfter(middleMs),
                                   fast.beatMs)) < kSameBeatMs;
}

// The grid fitted to the tracker's beats rests on the few onsets they were moved to, so it is
// drawn once more through the onset nearest each of its beats (within a twelfth of a period),
// for every beat of the stretch: on a song whose beats are known to the millisecond this
// brought the grid's first beats from 11 to 7 ms off, and the offsets heard in matched fades of
// a dance set from 3 and 9 ms to 1 and 4 (median).
void refineOnOnsets(BeatGrid& grid, const std::vector<double>& onsets) {
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<double> at, number;
        for (const double o : onsets) {
            const double k = std::round((o - grid.anchorMs) / grid.beatMs);
            const double off = std::abs(o - (grid.anchorMs + k * grid.beatMs));
            if (off >= grid.beatMs / 12) continue;
            if (!number.empty() && number.back() == k) {
                if (off < std::abs(at.back() - (grid.anchorMs + k * grid.beatMs))) at.back() = o;
                continue;
            }
            at.push_back(o);
            number.push_back(k);
        }
        if (int(at.size()) < kMinBeats) return;
        const Line line = fitLine(at, number);
        if (line.period <= 0) return;
        grid.anchorMs = line.anchor;
        grid.beatMs = line.period;
    }
}

}  // namespace

std::optional<BeatGrid> findBeatGrid(Decoder& d, double fromMs, double toMs) {
    const int rate = d.outputRate();
    const auto from = std::int64_t(std::max(0.0, fromMs) * rate / 1000);
    const auto until = std::min(d.lengthFrames(), std::int64_t(toMs * rate / 1000));
    if (until - from < std::int64_t(rate) * 4 || !d.seek(from)) return std::nullopt;

    // Decoded once, averaged down to about the tracker's rate.
    const int group = std::max(1, int(std::lround(rate / kBeatRate)));
    const double heardRate = double(rate) / group;
    const int read = kHop * group;
    std::vector<float> stereo(size_t(read) * 2), heard;
    heard.reserve(std::size_t((until - from) / group) + 1);
    while (d.position() + read <= until) {
        int got = 0;
        const Decoder::Read r = d.read(stereo.data(), read, got);
        if (got < read) break;
        for (int i = 0; i < kHop; ++i) {
            const float* frames = &stereo[size_t(i) * 2 * size_t(group)];
            float sum = 0;
            for (int k = 0; k < 2 * group; ++k) sum += frames[k];
            heard.push_back(sum / float(2 * group));
        }
        if (r != Decoder::Read::Ok) break;
    }
    const double reachedMs = double(d.position()) * 1000 / rate;

    // The tracker steps through the song in fixed steps, and on music whose beat is not plain
    // (a busy or a three-against-two rhythm) where those steps fall can turn a sure grid into
    // another: one stretch a millisecond later gave 120 BPM at 0.77 and 127 BPM at 0.57. So it
    // runs twice, half a step apart, and a grid is as sure as the runs that
    // agree on it: a beat only one of them finds is not one to mix on.
    // The onsets, finer than the tracker's steps, are found once for all the runs.
    const std::vector<double> onsets = findOnsets(heard, heardRate, fromMs);
    std::optional<BeatGrid> runs[kRuns];
    for (int k = 0; k < kRuns; ++k)
        runs[k] = trackGrid(heard, k * kHop / kRuns, heardRate, fromMs, onsets);
    const double middleMs = (fromMs + reachedMs) / 2;
    int best = -1, bestAgree = 0;
    for (int k = 0; k < kRuns; ++k) {
        if (!runs[k]) continue;
        int agree = 0;
        for (int j = 0; j < kRuns; ++j) agree += runs[j] && sameBeat(*runs[k], *runs[j], middleMs);
        if (agree > bestAgree ||
            (agree == bestAgree && runs[k]->confidence > runs[best]->confidence))
            best = k, bestAgree = agree;
    }
    if (best < 0) return std::nullopt;
    // The agreeing runs' beats, each brought to the beat nearest the best run's anchor.
    // The period and the beat are the mean of the runs at the same tempo as the best.
    BeatGrid grid = *runs[best];
    double period = 0, anchor = 0, confidence = 0;
    int same = 0;
    for (int k = 0; k < kRuns; ++k) {
        if (!runs[k] || !sameBeat(grid, *runs[k], middleMs)) continue;
        confidence += runs[k]->confidence;
        if (std::abs(runs[k]->beatMs / grid.beatMs - 1) > 0.01) continue;
        period += runs[k]->beatMs;
        anchor += grid.anchorMs + std::remainder(runs[k]->anchorMs - grid.anchorMs, grid.beatMs);
        ++same;
    }
    grid.beatMs = period / same;
    grid.anchorMs = anchor / same;
    grid.confidence = confidence / kRuns;
    refineOnOnsets(grid, onsets);
    grid.fromMs = fromMs;
    grid.toMs = reachedMs;
    return grid;
}

}  // namespace vantrel::audio
