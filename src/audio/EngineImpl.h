#pragma once
// Inside the engine: the per-player state shared between the UI thread, the player's decode
// worker and the real-time render, and the 32 sample channels.
#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/Decoder.h"
#include "audio/Engine.h"
#include "audio/RingBuffer.h"
#include "audio/Stretcher.h"

namespace vantrel::audio {

constexpr int kBlockFrames = 192;
constexpr std::size_t kRingBlocks = 16;  // ~70 ms ahead: slider moves are heard soon
constexpr int kChunkFrames = 512;        // render works in pieces of at most this size
constexpr int kMaxPlayers = 8;
constexpr int kSampleChannels = 32;
constexpr int kHistory = 256;  // render steps remembered to find the audible frame
constexpr int kLevelSteps = 16;

// Positions travel as one word: generation in the high half, source frame in the low half.
inline std::uint64_t packPosition(std::uint32_t gen, std::int64_t frame) {
    const std::uint32_t f = std::uint32_t(std::clamp<std::int64_t>(frame, 0, UINT32_MAX));
    return (std::uint64_t(gen) << 32) | f;
}
inline std::uint32_t packedGen(std::uint64_t p) {
    return std::uint32_t(p >> 32);
}
inline std::int64_t packedFrame(std::uint64_t p) {
    return std::int64_t(p & 0xffffffffu);
}

struct Block {
    std::array<float, kBlockFrames * 2> data;
    int frames = 0;
    std::uint32_t gen = 0;
    double start = 0;  // source frame (engine rate) of data[0]
    double speed = 1;  // source frames per output frame
    bool end = false;  // nothing follows in this generation
};

// One deck player's engine side.
struct PlayerCore {
    PlayerCore(Engine::Impl& engine, int sampleRate, bool threaded);
    ~PlayerCore();

    // --- UI thread → everyone ---
    std::atomic<std::uint32_t> gen{1};  // blocks of older generations are stale
    std::atomic<bool> playing{false};
    std::atomic<float> volume{1.0f};
    std::atomic<float> tempo{1.0f}, rate{1.0f}, pitch{1.0f};

    // --- render → UI thread ---
    std::atomic<std::uint64_t> audible{0};  // packed position of the frame now heard
    std::atomic<std::uint32_t> endedGen{0};
    std::atomic<float> level{0.0f};
    std::atomic<float> audibleSlope{0.0f};  // source frames per output frame, now

    // --- UI thread → producer, under the mutex (never touched by the render) ---
    struct Request {
        bool pending = false;
        std::uint32_t gen = 0;
        bool replace = false;  // a new file (or none) replaces the decoder
        std::unique_ptr<Decoder> decoder;
        std::int64_t seekFrame = 0;
    };
    void post(std::uint32_t gen, std::int64_t seekFrame);
    void postReplace(std::uint32_t gen, std::unique_ptr<Decoder> decoder);

    // Producer: one step of decoding/stretching into the ring. False when nothing to do.
    bool produceOnce();
    // Offline: produce until `frames` current frames (or the end) are queued.
    void fillFor(int frames);

    // Render side.
    void dropStale();
    // Writes `frames` frames of this player (after volume) into `mix` (added). Returns peak.
    void renderInto(float* mix, int frames, std::int64_t outFrameEnd, std::int64_t latency);

private:
    void workerLoop();
    void applyRequest();
    void fillStaging();
    bool pushBlock();

    Engine::Impl& engine_;
    const int sampleRate_;

    std::mutex mutex_;
    std::condition_variable wake_;
    Request request_;
    bool quit_ = false;

    // Producer-owned.
    std::unique_ptr<Decoder> decoder_;
    Stretcher stretcher_;
    std::uint32_t producerGen_ = 0;
    bool stretching_ = false;
    bool decoderDone_ = false;
    bool flushed_ = false;
    bool sentEnd_ = false;
    double fedEnd_ = 0;    // source frame after the last frame fed to the stretcher
    double sourceAt_ = 0;  // source frame of the next staged output frame
    std::vector<float> input_;
    std::vector<float> staging_;
    int staged_ = 0, stagedAt_ = 0;
    double stagedStart_ = 0, stagedSpeed_ = 1;

    RingBuffer<Block, kRingBlocks> ring_;

    // Render-owned.
    int blockOffset_ = 0;
    float gain_ = 1.0f;
    bool sounding_ = false;
    std::uint64_t head_ = 0;  // packed position of the next frame to play
    std::array<std::int64_t, kHistory> historyAt_{};
    std::array<std::uint64_t, kHistory> historyPos_{};
    int historyNext_ = 0;
    std::array<float, kLevelSteps> levelPeak_{};
    std::array<int, kLevelSteps> levelFrames_{};
    int levelNext_ = 0;
    std::array<float, kChunkFrames * 2> scratch_{};

    std::thread worker_;
};

struct SampleData {
    std::vector<float> frames;  // interleaved stereo at the engine rate
    std::int64_t count() const { return std::int64_t(frames.size() / 2); }
};

struct SampleChannel {
    // (start sequence << 1) | playing; the render clears the bit when the sample is done.
    std::atomic<std::uint32_t> state{0};
    std::atomic<const SampleData*> data{nullptr};
    std::atomic<float> volume{1.0f};
    std::unique_ptr<SampleData> owned;  // UI thread
    // Render-owned.
    std::uint32_t seenSequence = 0;
    std::int64_t cursor = 0;
    float gain = 1.0f;
};

struct CallbackClock;

struct Engine::Impl {
    explicit Impl(EngineOptions o);
    ~Impl();

    void render(float* out, int frames) noexcept;
    void renderChunk(float* out, int frames) noexcept;

    void addPlayer(PlayerCore* p);
    void removePlayer(PlayerCore* p);
    // Returns once no render that could still see a pointer retired before the call runs.
    void awaitRender() const;

    // Output management (EngineOutput.cpp).
    void startOutput();
    bool stopOutput();    // false: a hung device still holds its teardown, which runs on alone
    void ensureOutput();  // reopens the device after a failure, on the next Play
    void noteCallback(double seconds, bool underflow, double latencySeconds) noexcept;

    EngineOptions options;
    const int rate;
    std::atomic<OutputKind> kind;
    std::function<void(const float*, int)> sink;

    std::array<std::atomic<PlayerCore*>, kMaxPlayers> players{};
    std::array<SampleChannel, kSampleChannels> channels;

    std::atomic<bool> rendering{false};
    std::atomic<std::uint64_t> epoch{0};  // odd while a render runs
    std::atomic<std::int64_t> latencyFrames{0};
    std::int64_t outFrames = 0;  // render-owned
    std::array<float, kChunkFrames * 2> mix{};
    std::vector<float> offlineBlock;

    std::atomic<std::int64_t> underruns{0};
    std::atomic<std::int64_t> starved{0};

    // Callback timing in microseconds (a histogram the render side fills without locks).
    static constexpr int kTimingBuckets = 20000;
    std::unique_ptr<std::atomic<std::uint32_t>[]> timing;
    std::atomic<std::int64_t> callbacks{0};
    std::atomic<std::int64_t> lastCallbackNs{0};

    struct Output;
    std::unique_ptr<Output> output;
};

}  // namespace vantrel::audio
