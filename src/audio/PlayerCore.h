#pragma once
// One deck player's engine side: the state shared between the UI thread, the player's decode
// worker and the real-time render.
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/Block.h"
#include "audio/Decoder.h"
#include "audio/Engine.h"
#include "audio/RingBuffer.h"
#include "audio/Stretcher.h"

namespace vantrel::audio {

constexpr std::size_t kRingBlocks = 16;  // ~70 ms ahead: slider moves are heard soon
constexpr int kHistory = 256;            // render steps remembered to find the audible frame
constexpr int kLevelSteps = 16;

class PlayerCore {
public:
    PlayerCore(Engine::Impl& engine, int sampleRate, bool threaded);
    ~PlayerCore();
    PlayerCore(const PlayerCore&) = delete;
    PlayerCore& operator=(const PlayerCore&) = delete;

    // --- UI thread → everyone ---
    std::atomic<std::uint32_t> gen{1};  // blocks of older generations are stale
    std::atomic<bool> playing{false};
    std::atomic<float> volume{1.0f};
    std::atomic<float> levelling{1.0f};  // the song's loudness gain, a factor before the volume
    std::atomic<float> tempo{1.0f}, rate{1.0f}, pitch{1.0f};
    // The tempo match, a factor on top of the tempo: where it goes and how fast (change per
    // output frame; 0 = at once), packed in one word so the producer never sees half a command.
    std::atomic<std::uint64_t> matchCommand{packMatch(1.0f, 0.0f)};
    static std::uint64_t packMatch(float target, float perFrame);

    // --- producer → UI thread ---
    std::atomic<float> matchNow{1.0f};

    // --- render → UI thread ---
    std::atomic<std::uint64_t> audible{0};  // packed position of the frame now heard
    std::atomic<std::uint32_t> endedGen{0};
    std::atomic<float> level{0.0f};
    std::atomic<float> audibleSlope{0.0f};  // source frames per output frame, now

    // UI thread → producer: a seek, or a new file (or none) in place of the decoder.
    void post(std::uint32_t gen, std::int64_t seekFrame);
    void postReplace(std::uint32_t gen, std::unique_ptr<Decoder> decoder);

    // Producer: one step of decoding/stretching into the ring. False when nothing to do.
    bool produceOnce();
    // Offline: produce until `frames` current frames (or the end) are queued.
    void fillFor(int frames);

    // Render side: whether the next `frames` frames are queued (or the song ends first, or it
    // does not play), so rendering them now leaves no hole.
    bool readyFor(int frames);
    // Render side: adds `frames` frames of this player (after volume) into `mix`.
    void renderInto(float* mix, int frames, std::int64_t outFrameEnd, std::int64_t latency);

private:
    // Under the mutex; never touched by the render.
    struct Request {
        bool pending = false;
        std::uint32_t gen = 0;
        bool replace = false;
        std::unique_ptr<Decoder> decoder;
        std::int64_t seekFrame = 0;
    };

    void workerLoop();
    void applyRequest();
    void fillStaging();
    bool pushBlock();
    void dropStale();
    bool queuedFor(int frames);  // consumer side

    Engine::Impl& engine_;
    const int sampleRate_;
    const bool threaded_;

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
    float match_ = 1;  // the tempo match as decoded now

    RingBuffer<Block, kRingBlocks> ring_;

    // Render-owned.
    int blockOffset_ = 0;
    float gain_ = 1.0f;
    float levellingNow_ = 1.0f;
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

}  // namespace vantrel::audio
