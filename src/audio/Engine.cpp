#include "audio/Engine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "audio/EngineImpl.h"
#include "audio/NullOutput.h"
#include "audio/OfflineOutput.h"
#include "audio/OutputSupervisor.h"
#include "audio/PlayerCore.h"

namespace vantrel::audio {

namespace {

constexpr float kDuckDownSeconds = 0.25f;
constexpr float kDuckUpSeconds = 0.75f;

constexpr float kBendFrom = 0.96605f;  // -0.3 dBFS
constexpr float kCeiling = 0.99f;      // never reached: a 16-bit output stays below full scale

float boundedSample(float x) noexcept {
    const float size = std::abs(x);
    if (!(size > kBendFrom)) return std::isnan(x) ? 0.0f : x;
    const float room = kCeiling - kBendFrom;
    return std::copysign(kBendFrom + room * std::tanh((size - kBendFrom) / room), x);
}

}  // namespace

Engine::Impl::Impl(EngineOptions o)
    : options(std::move(o)),
      rate(options.sampleRate > 0 ? options.sampleRate : 44100),
      kind(options.output),
      timing(std::make_unique<std::atomic<std::uint32_t>[]>(kTimingBuckets)) {
    options.bufferFrames = std::clamp(options.bufferFrames, 32, rate / 50);  // at most 20 ms
    switch (options.output) {
        case OutputKind::Offline: {
            auto offlineOutput = std::make_unique<OfflineOutput>(*this);
            offline = offlineOutput.get();
            output = std::move(offlineOutput);
            break;
        }
        case OutputKind::Null:
            output = std::make_unique<NullOutput>(*this);
            break;
        case OutputKind::Device:
            output = std::make_unique<OutputSupervisor>(*this);
            break;
    }
}

Engine::Impl::~Impl() = default;

void Engine::Impl::addPlayer(PlayerCore* p) {
    for (auto& slot : players) {
        PlayerCore* none = nullptr;
        if (slot.compare_exchange_strong(none, p)) return;
    }
}

void Engine::Impl::removePlayer(PlayerCore* p) {
    for (auto& slot : players) {
        PlayerCore* mine = p;
        slot.compare_exchange_strong(mine, nullptr);
    }
    awaitRender();
}

void Engine::Impl::awaitRender() const {
    // The caller has just unpublished something with release stores. A plain load of the epoch
    // may be done before those stores are visible (x86 lets a load pass earlier stores), so an
    // even epoch read here could meet a render that already read the old pointer. A
    // read-modify-write cannot be read early: it takes the latest epoch, and a render that
    // starts after it steps the epoch from the value written here, acquiring it, so that render
    // sees the stores made before this call.
    const std::uint64_t e = epoch.fetch_add(0, std::memory_order_seq_cst);
    if ((e & 1) == 0) return;
    while (epoch.load(std::memory_order_seq_cst) == e)
        std::this_thread::sleep_for(std::chrono::microseconds(50));
}

namespace {
// A turn at the players as the render has it: two outputs never take one at once (a stalled
// device waking up after the Null output took over), and the epoch is odd throughout, so
// awaitRender() waits for it before anything it may read is freed.
class RenderTurn {
public:
    explicit RenderTurn(Engine::Impl& engine)
        : engine_(engine), taken_(!engine.rendering.exchange(true, std::memory_order_acquire)) {
        if (taken_) engine_.epoch.fetch_add(1, std::memory_order_seq_cst);
    }
    ~RenderTurn() {
        if (!taken_) return;
        engine_.epoch.fetch_add(1, std::memory_order_seq_cst);
        engine_.rendering.store(false, std::memory_order_release);
    }
    RenderTurn(const RenderTurn&) = delete;
    RenderTurn& operator=(const RenderTurn&) = delete;
    bool taken() const { return taken_; }

private:
    Engine::Impl& engine_;
    const bool taken_;
};
}  // namespace

void Engine::Impl::render(float* out, int frames) noexcept {
    const RenderTurn turn(*this);
    if (!turn.taken()) {
        // The loser plays silence instead of waiting.
        std::fill(out, out + size_t(frames) * 2, 0.0f);
        return;
    }
    for (int done = 0; done < frames;) {
        const int n = std::min(kChunkFrames, frames - done);
        renderChunk(out + size_t(done) * 2, n);
        done += n;
    }
    if (MixTap* t = tap.load(std::memory_order_acquire)) t->write(out, frames);
}

bool Engine::Impl::decksReadyFor(int frames) noexcept {
    const RenderTurn turn(*this);
    if (!turn.taken()) return true;
    bool ready = true;
    for (auto& slot : players)
        if (PlayerCore* p = slot.load(std::memory_order_acquire))
            ready = p->readyFor(frames) && ready;
    return ready;
}

void Engine::Impl::noteCallback(double seconds, bool underflow, double latencySeconds) noexcept {
    const auto us = std::int64_t(seconds * 1e6);
    timing[size_t(std::clamp<std::int64_t>(us, 0, kTimingBuckets - 1))].fetch_add(
        1, std::memory_order_relaxed);
    callbacks.fetch_add(1, std::memory_order_relaxed);
    lastCallbackNs.store(monotonicNs(), std::memory_order_relaxed);
    if (underflow) underruns.fetch_add(1, std::memory_order_relaxed);
    if (latencySeconds > 0 && latencySeconds < 2.0)
        latencyFrames.store(std::int64_t(latencySeconds * rate), std::memory_order_relaxed);
}

void Engine::Impl::renderChunk(float* out, int frames) noexcept {
    float* m = mix.data();
    std::fill(m, m + size_t(frames) * 2, 0.0f);
    outFrames += frames;
    const std::int64_t latency = latencyFrames.load(std::memory_order_relaxed);
    for (auto& slot : players)
        if (PlayerCore* p = slot.load(std::memory_order_acquire))
            p->renderInto(m, frames, outFrames, latency);

    applyMusicGains(m, frames);

    for (SampleChannel& c : channels) {
        const std::uint32_t s = c.state.load(std::memory_order_acquire);
        if ((s & 1) == 0) continue;
        const SampleData* d = c.data.load(std::memory_order_acquire);
        const float target = std::clamp(c.volume.load(std::memory_order_relaxed), 0.0f, 1.0f);
        if ((s >> 1) != c.seenSequence) {
            c.seenSequence = s >> 1;
            c.cursor = 0;
            c.gain = target;  // the volume given with the firing applies from its first frame
        }
        if (!d) {
            std::uint32_t expected = s;
            c.state.compare_exchange_strong(expected, s & ~1u);
            continue;
        }
        const int n = int(std::min<std::int64_t>(frames, d->count() - c.cursor));
        const float* src = d->frames.data() + c.cursor * 2;
        const float step = (target - c.gain) / float(frames);
        for (int i = 0; i < n; ++i) {
            const float g = c.gain + step * float(i + 1);
            m[2 * i] += src[2 * i] * g;
            m[2 * i + 1] += src[2 * i + 1] * g;
        }
        c.gain = target;
        c.cursor += n;
        if (c.cursor >= d->count()) {
            // Done: the channel is free again unless it was fired anew meanwhile.
            std::uint32_t expected = s;
            c.state.compare_exchange_strong(expected, s & ~1u);
        }
    }
    // Everything was summed in float; only the output is bounded, and softly: up to -0.3 dBFS
    // the sum passes untouched, and above it a curve bends each peak below full scale, so two
    // loud songs in a fade neither wrap nor square off.
    for (int i = 0; i < frames * 2; ++i) out[i] = boundedSample(m[i]);
}

void Engine::Impl::applyMusicGains(float* m, int frames) noexcept {
    bool ducking = false;
    for (const SampleChannel& c : channels)
        if ((c.state.load(std::memory_order_acquire) & 1) &&
            c.ducksMusic.load(std::memory_order_relaxed) && c.data.load(std::memory_order_acquire))
            ducking = true;
    const float duckTarget =
        ducking ? std::clamp(duckGain.load(std::memory_order_relaxed), 0.0f, 1.0f) : 1.0f;
    const std::uint32_t sequence = musicFadeSequence.load(std::memory_order_acquire);
    if (sequence != musicFadeSeen) {
        musicFadeSeen = sequence;
        const float target =
            std::clamp(musicFadeTarget.load(std::memory_order_relaxed), 0.0f, 1.0f);
        const int over = std::max(1, musicFadeFrames.load(std::memory_order_relaxed));
        musicFadeStep = (target - musicFadeNow) / float(over);
    }
    const float fadeTarget = musicFadeTarget.load(std::memory_order_relaxed);
    // Nothing to do at rest: the music passes as it is, bit for bit.
    if (duckNow == 1.0f && duckTarget == 1.0f && musicFadeNow == 1.0f && musicFadeStep == 0.0f)
        return;
    const float down = 1.0f / (kDuckDownSeconds * float(rate));
    const float up = 1.0f / (kDuckUpSeconds * float(rate));
    for (int i = 0; i < frames; ++i) {
        if (duckNow > duckTarget)
            duckNow = std::max(duckTarget, duckNow - down);
        else if (duckNow < duckTarget)
            duckNow = std::min(duckTarget, duckNow + up);
        if (musicFadeStep != 0.0f) {
            musicFadeNow += musicFadeStep;
            if ((musicFadeStep > 0 && musicFadeNow >= fadeTarget) ||
                (musicFadeStep < 0 && musicFadeNow <= fadeTarget)) {
                musicFadeNow = std::clamp(fadeTarget, 0.0f, 1.0f);
                musicFadeStep = 0.0f;
            }
        }
        const float g = duckNow * musicFadeNow;
        m[2 * i] *= g;
        m[2 * i + 1] *= g;
    }
}

Engine::Engine(EngineOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {
    impl_->output->start();
}

Engine::~Engine() {
    const bool stopped = impl_->output->stop();
    // A run that ran the device dry says so once at exit (soak runs ask for the count always).
    const auto dry = underruns();
    if (dry > 0 || std::getenv("VANTREL_AUDIO_STATS"))
        std::fprintf(stderr, "vantrel: sound output underruns: %lld\n",
                     static_cast<long long>(dry));
    // The teardown left running still uses the engine's state: it frees it when it is done.
    if (!stopped) {
        Impl* left = impl_.release();
        left->output->whenStopped([left] { delete left; });
    }
}

void Engine::render(float* out, int frames) noexcept {
    impl_->render(out, frames);
}

int Engine::sampleRate() const {
    return impl_->rate;
}

std::int64_t Engine::starvedSteps() const {
    return impl_->starved.load(std::memory_order_relaxed);
}

int Engine::bufferFrames() const {
    return impl_->options.bufferFrames;
}

double Engine::startDelayMs() const {
    return impl_->startDelayMs();
}

double Engine::Impl::startDelayMs() const {
    if (kind.load(std::memory_order_acquire) == OutputKind::Offline) return 0;
    // The next callback comes half a buffer later on average, then the device's own latency.
    return (double(latencyFrames.load(std::memory_order_relaxed)) + options.bufferFrames / 2.0) *
           1000.0 / rate;
}

OutputKind Engine::outputKind() const {
    return impl_->kind.load(std::memory_order_acquire);
}

void Engine::retryOutput() {
    impl_->output->aboutToPlay();
}

std::int64_t Engine::underruns() const {
    return impl_->underruns.load(std::memory_order_relaxed);
}

Engine::CallbackTiming Engine::callbackTiming() const {
    CallbackTiming t;
    t.periodUs = impl_->options.bufferFrames * 1e6 / impl_->rate;
    std::int64_t total = 0;
    for (int i = 0; i < Impl::kTimingBuckets; ++i)
        total += impl_->timing[size_t(i)].load(std::memory_order_relaxed);
    t.count = total;
    if (total == 0) return t;
    std::int64_t seen = 0;
    const std::int64_t p999 = std::max<std::int64_t>(1, (total * 999 + 999) / 1000);
    const std::int64_t p50 = std::max<std::int64_t>(1, (total + 1) / 2);
    for (int i = 0; i < Impl::kTimingBuckets; ++i) {
        const std::uint32_t c = impl_->timing[size_t(i)].load(std::memory_order_relaxed);
        if (c == 0) continue;
        if (seen < p50 && seen + c >= p50) t.p50Us = i;
        if (seen < p999 && seen + c >= p999) t.p999Us = i;
        seen += c;
        t.maxUs = i;
    }
    return t;
}

void Engine::resetCallbackTiming() {
    for (int i = 0; i < Impl::kTimingBuckets; ++i)
        impl_->timing[size_t(i)].store(0, std::memory_order_relaxed);
}

void Engine::setDuckDb(float db) {
    db = std::clamp(std::isfinite(db) ? db : 0.0f, -60.0f, 0.0f);
    impl_->duckGain.store(std::pow(10.0f, db / 20.0f), std::memory_order_relaxed);
}

float Engine::duckDb() const {
    return 20.0f * std::log10(std::max(impl_->duckGain.load(std::memory_order_relaxed), 1e-6f));
}

void Engine::fadeMusicTo(float gain, int ms) {
    impl_->musicFadeTarget.store(std::clamp(std::isfinite(gain) ? gain : 1.0f, 0.0f, 1.0f),
                                 std::memory_order_relaxed);
    impl_->musicFadeFrames.store(
        int(std::max<std::int64_t>(1, std::int64_t(ms) * impl_->rate / 1000)),
        std::memory_order_relaxed);
    impl_->musicFadeSequence.fetch_add(1, std::memory_order_release);
}

float Engine::musicLevel() const {
    return impl_->musicFadeTarget.load(std::memory_order_relaxed);
}

void Engine::renderOffline(int frames) {
    // Only an offline engine renders on demand; the others render on their own clock.
    if (impl_->offline) impl_->offline->render(frames);
}

MixTap& Engine::mixTap() {
    if (!impl_->tapStore) {
        // A few seconds: the reader is a thread of ours that only copies, so a ring this long
        // fills only when the machine starves it.
        impl_->tapStore = std::make_unique<MixTap>(impl_->rate, 8);
        impl_->tap.store(impl_->tapStore.get(), std::memory_order_release);
    }
    return *impl_->tapStore;
}

void Engine::setCaptureSink(std::function<void(const float*, int)> sink) {
    if (impl_->offline) impl_->offline->setSink(std::move(sink));
}

}  // namespace vantrel::audio
