#pragma once
// Inside the engine: the mixer state that the players, the sample channels and the outputs
// share, and the output that drives the render.
#include <time.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "audio/Block.h"
#include "audio/Engine.h"
#include "audio/MixTap.h"
#include "audio/Output.h"
#include "audio/SampleChannel.h"

namespace vantrel::audio {

class PlayerCore;
class OfflineOutput;

constexpr int kMaxPlayers = 8;
constexpr int kSampleChannels = 32;

inline std::int64_t monotonicNs() noexcept {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

struct Engine::Impl {
    explicit Impl(EngineOptions o);
    ~Impl();

    void render(float* out, int frames) noexcept;
    // Whether every playing deck has its next `frames` frames queued. Taken as a render, so it
    // never meets one; true while a render runs.
    bool decksReadyFor(int frames) noexcept;
    void renderChunk(float* out, int frames) noexcept;

    void addPlayer(PlayerCore* p);
    void removePlayer(PlayerCore* p);
    // Returns once no render that could still see a pointer retired before the call runs.
    void awaitRender() const;

    // The device output reports each callback: how long it took, whether the device ran dry,
    // and how far ahead of the speaker it renders.
    void noteCallback(double seconds, bool underflow, double latencySeconds) noexcept;
    double startDelayMs() const;

    EngineOptions options;
    const int rate;
    std::atomic<OutputKind> kind;  // what sounds now

    std::array<std::atomic<PlayerCore*>, kMaxPlayers> players{};
    std::array<SampleChannel, kSampleChannels> channels;

    std::atomic<bool> rendering{false};
    mutable std::atomic<std::uint64_t> epoch{0};  // odd while a render runs
    std::atomic<std::int64_t> latencyFrames{0};
    std::int64_t outFrames = 0;  // render-owned
    std::array<float, kChunkFrames * 2> mix{};

    // The gains on the decks' sum (never on the samples), each ramped by the render: the duck
    // while a ducking sample sounds, and a fade of the whole music to a level over a time.
    std::atomic<float> duckGain{1.0f};
    std::atomic<float> musicFadeTarget{1.0f};
    std::atomic<int> musicFadeFrames{0};
    std::atomic<std::uint32_t> musicFadeSequence{0};
    float duckNow = 1.0f;  // render-owned
    float musicFadeNow = 1.0f;
    float musicFadeStep = 0.0f;
    std::uint32_t musicFadeSeen = 0;
    void applyMusicGains(float* mix, int frames) noexcept;

    std::atomic<std::int64_t> underruns{0};
    std::atomic<std::int64_t> starved{0};

    // Callback timing in microseconds (a histogram the render side fills without locks).
    static constexpr int kTimingBuckets = 20000;
    std::unique_ptr<std::atomic<std::uint32_t>[]> timing;
    std::atomic<std::int64_t> callbacks{0};
    std::atomic<std::int64_t> lastCallbackNs{0};

    // Files whose open never answered (a hung mount): given up on for the rest of the run, so
    // the next cue of the same entry does not wait all over again. UI thread only.
    std::set<std::string> unansweredFiles;

    // The mix for the stream and the recording: made on first use, then kept for the engine's
    // life, so the render never reads a freed one.
    std::atomic<MixTap*> tap{nullptr};
    std::unique_ptr<MixTap> tapStore;

    std::unique_ptr<Output> output;
    OfflineOutput* offline = nullptr;  // the output, when it is the offline one
};

}  // namespace vantrel::audio
