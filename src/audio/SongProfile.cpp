#include "audio/SongProfile.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "audio/Decoder.h"

namespace vantrel::audio {

namespace {

constexpr int kScanFrames = 4096;
// The tail is searched backwards in windows that double, so a long silent ending costs only
// what it takes to cross it, and a song that ends in sound costs one short window.
constexpr double kFirstTailSeconds = 6.0;
// About a sixteenth of the song, in many short windows rather than a few long ones: on music
// that agrees with the whole song within half a LU, at a fraction of a full decode. A short
// song gets at least 12 s, as a sixteenth of one minute missed real songs by up to 2 LU.
constexpr double kMeasuredShare = 0.06;
constexpr double kMinMeasuredSeconds = 12.0;
constexpr double kWindowSeconds = 0.5;
constexpr int kMaxWindows = 64;

bool audible(const float* frame) {
    return std::abs(frame[0]) > kAudibleFloor || std::abs(frame[1]) > kAudibleFloor;
}

// First audible frame from the decoder's position on, or -1 when the song ends first.
std::int64_t firstAudible(Decoder& d, std::vector<float>& buf) {
    for (;;) {
        const std::int64_t at = d.position();
        int got = 0;
        const Decoder::Read r = d.read(buf.data(), kScanFrames, got);
        for (int i = 0; i < got; ++i)
            if (audible(&buf[size_t(i) * 2])) return at + i;
        if (r != Decoder::Read::Ok || got <= 0) return -1;
    }
}

// Frame after the last audible one in [from, until), or -1 when none is.
std::int64_t lastAudible(Decoder& d, std::int64_t from, std::int64_t until,
                         std::vector<float>& buf) {
    if (!d.seek(from)) return -1;
    std::int64_t last = -1;
    while (d.position() < until) {
        const std::int64_t at = d.position();
        int got = 0;
        const int want = int(std::min<std::int64_t>(kScanFrames, until - at));
        const Decoder::Read r = d.read(buf.data(), want, got);
        for (int i = got - 1; i >= 0; --i)
            if (audible(&buf[size_t(i) * 2])) {
                last = at + i + 1;
                break;
            }
        if (r != Decoder::Read::Ok || got <= 0) break;
    }
    return last;
}

int toMs(std::int64_t frame, int rate) {
    return int(std::min<std::int64_t>(frame * 1000 / rate, INT32_MAX));
}

}  // namespace

double SongProfile::levellingDb() const {
    if (!loudness) return 0;
    return std::clamp(kTargetLoudness - *loudness, -kMaxLevelling, kMaxLevelling);
}

void scanEnds(Decoder& d, SongProfile& p) {
    const int rate = d.outputRate();
    p.opened = true;
    if (!d.seek(0)) return;
    std::vector<float> buf(size_t(kScanFrames) * 2);
    const std::int64_t start = firstAudible(d, buf);
    if (start < 0) {
        p.silent = true;
        return;
    }
    std::int64_t until = d.lengthFrames(), end = -1;
    for (std::int64_t span = std::llround(kFirstTailSeconds * rate); end < 0 && until > start;
         span *= 2) {
        const std::int64_t from = std::max(start, until - span);
        end = lastAudible(d, from, until, buf);
        until = from;
    }
    p.audibleStartMs = toMs(start, rate);
    p.audibleEndMs = toMs(std::max(end, start + 1), rate);
}

void measureLoudness(Decoder& d, SongProfile& p) {
    const int rate = d.outputRate();
    if (d.taggedLoudness()) {
        p.loudness = d.taggedLoudness();
        return;
    }
    const std::int64_t length = d.lengthFrames();
    const std::int64_t window = std::llround(kWindowSeconds * rate);
    const std::int64_t measured =
        std::max(std::llround(length * kMeasuredShare), std::llround(kMinMeasuredSeconds * rate));
    const int windows = int(std::clamp<std::int64_t>(measured / window, 1, kMaxWindows));
    const std::int64_t each = measured / windows;
    LoudnessMeter meter(rate);
    std::vector<float> buf(size_t(kScanFrames) * 2);
    for (int w = 0; w < windows; ++w) {
        // Centred in equal shares of the song; a short song is measured whole.
        const std::int64_t from =
            length <= measured
                ? 0
                : std::max<std::int64_t>(0, (2 * w + 1) * length / (2 * windows) - each / 2);
        const std::int64_t until = length <= measured ? length : std::min(length, from + each);
        if (!d.seek(from)) break;
        while (d.position() < until) {
            int got = 0;
            const int want = int(std::min<std::int64_t>(kScanFrames, until - d.position()));
            const Decoder::Read res = d.read(buf.data(), want, got);
            meter.add(buf.data(), size_t(got));
            if (res != Decoder::Read::Ok || got <= 0) break;
        }
        if (length <= measured) break;
    }
    p.loudness = meter.integrated();
}

void findBeats(Decoder& d, SongProfile& p, unsigned ends) {
    ends &= kBeatsPart;
    p.parts |= ends;
    if (!p.opened || p.silent || !ends) return;
    const double stretch = kBeatStretchSeconds * 1000;
    const double start = p.audibleStartMs, end = p.audibleEndMs;
    // A song shorter than both stretches has one grid, for both ends.
    if (end - start <= stretch * 1.2) {
        p.headBeats = p.tailBeats = findBeatGrid(d, start, std::min(end, start + stretch));
        p.parts |= kBeatsPart;
        return;
    }
    if (ends & kHeadBeatsPart) p.headBeats = findBeatGrid(d, start, start + stretch);
    if (ends & kTailBeatsPart) p.tailBeats = findBeatGrid(d, std::max(start, end - stretch), end);
}

SongProfile profileSong(const std::string& path, int rate, unsigned parts,
                        const std::function<void(const SongProfile&)>& started) {
    SongProfile p;
    // A file that does not open has nothing more to look for.
    p.parts = parts;
    // The player opens the file again, thoroughly, to play it.
    OpenResult r = openDecoder(path, rate, Probe::Glance);
    if (!r.decoder) return p;
    scanEnds(*r.decoder, p);
    if (!p.silent) measureLoudness(*r.decoder, p);
    p.outroStartMs = p.audibleEndMs;
    if (parts & kOutroPart) findOutro(*r.decoder, p);
    if (!(parts & kBeatsPart)) return p;
    if (started) {
        SongProfile before = p;
        before.parts &= ~kBeatsPart;
        started(before);
    }
    findBeats(*r.decoder, p, parts);
    return p;
}

void addProfileParts(const std::string& path, int rate, unsigned parts, SongProfile& p) {
    const unsigned missing = parts & ~p.parts;
    p.parts |= parts;
    if (!p.opened || p.silent) return;
    if (!(missing & (kOutroPart | kBeatsPart))) return;
    OpenResult r = openDecoder(path, rate, Probe::Glance);
    if (!r.decoder) return;
    if (missing & kOutroPart) findOutro(*r.decoder, p);
    if (missing & kBeatsPart) findBeats(*r.decoder, p, missing);
}

void findOutro(Decoder& d, SongProfile& p) {
    // Short-term loudness (3 s windows) every 100 ms over the tail: the outro starts where the
    // last window at the song's own level ends. A tail that stays that quiet throughout is an
    // outro longer than the scan, which starts where the scan does.
    constexpr double kScanSeconds = 24.0;
    constexpr double kBelowLu = 10.0;
    constexpr double kHopSeconds = 0.1;
    constexpr double kWindowSeconds = 3.0;
    // Whether the tail sits 10 LU below the body is told as well by the sound below 5 kHz, which
    // carries nearly all of music's weighted energy: the meter hears frames averaged in groups,
    // at a quarter of the usual rate and of the cost.
    constexpr double kHeardRate = 11025.0;
    p.outroStartMs = p.audibleEndMs;
    if (!p.loudness) return;
    const int rate = d.outputRate();
    const int group = std::max(1, int(std::lround(rate / kHeardRate)));
    const std::int64_t end = std::int64_t(p.audibleEndMs) * rate / 1000;
    const std::int64_t start = std::int64_t(p.audibleStartMs) * rate / 1000;
    const std::int64_t from =
        std::max<std::int64_t>(start, end - std::llround(kScanSeconds * rate));
    // Whole groups in a hop, so the meter's rate is exact.
    const std::int64_t hop = std::llround(kHopSeconds * rate / group) * group;
    const std::int64_t window = std::llround(kWindowSeconds * rate);
    if (end - from < window || !d.seek(from)) return;
    ebur128_state* meter = ebur128_init(2, unsigned(rate / group), EBUR128_MODE_S);
    if (!meter) return;
    std::vector<float> buf(size_t(hop) * 2);
    // The window's energy is the mean of its 100 ms blocks', each measured once, rather than the
    // whole window summed again at every step (which took most of a refined render).
    std::vector<double> blocks(std::size_t(std::llround(double(window) / double(hop))), 0.0);
    const long blockMs = std::lround(double(hop) * 1000 / rate);
    std::size_t measured = 0;
    std::int64_t lastLoud = -1;
    while (d.position() + hop <= end) {
        int got = 0;
        const Decoder::Read r = d.read(buf.data(), int(hop), got);
        const int heard = got / group;
        for (int i = 0; i < heard; ++i) {
            const float* in = &buf[size_t(i) * 2 * size_t(group)];
            float left = 0, right = 0;
            for (int k = 0; k < group; ++k) left += in[2 * k], right += in[2 * k + 1];
            buf[size_t(i) * 2] = left / float(group);
            buf[size_t(i) * 2 + 1] = right / float(group);
        }
        if (heard > 0) ebur128_add_frames_float(meter, buf.data(), size_t(heard));
        double block = -HUGE_VAL;
        ebur128_loudness_window(meter, blockMs, &block);
        blocks[measured++ % blocks.size()] =
            std::isfinite(block) ? std::pow(10.0, (block + 0.691) / 10) : 0.0;
        double energy = 0;
        for (const double e : blocks) energy += e;
        energy /= double(blocks.size());
        if (measured >= blocks.size() && energy > 0 &&
            -0.691 + 10 * std::log10(energy) >= *p.loudness - kBelowLu)
            lastLoud = d.position();
        if (r != Decoder::Read::Ok || got <= 0) break;
    }
    ebur128_destroy(&meter);
    // Loud to the end: a cold ending. Otherwise the last loud window reached a little into the
    // outro; the outro is taken to start at its middle.
    if (lastLoud >= end - hop) return;
    p.outroStartMs =
        toMs(lastLoud < 0 ? from : std::max<std::int64_t>(from, lastLoud - window / 2), rate);
}

struct LoudnessMeter::State {
    ebur128_state* meter = nullptr;
};

LoudnessMeter::LoudnessMeter(int rate) : state_(std::make_unique<State>()) {
    state_->meter = ebur128_init(2, unsigned(rate), EBUR128_MODE_I);
}

LoudnessMeter::~LoudnessMeter() {
    if (state_->meter) ebur128_destroy(&state_->meter);
}

void LoudnessMeter::add(const float* interleaved, std::size_t frames) {
    if (state_->meter && frames > 0) ebur128_add_frames_float(state_->meter, interleaved, frames);
}

std::optional<double> LoudnessMeter::integrated() const {
    double lufs = 0;
    if (!state_->meter || ebur128_loudness_global(state_->meter, &lufs) != EBUR128_SUCCESS ||
        !std::isfinite(lufs))
        return std::nullopt;
    return lufs;
}

}  // namespace vantrel::audio
