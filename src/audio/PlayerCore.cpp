#include "audio/PlayerCore.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>

#include "audio/EngineImpl.h"
#include "audio/ReadAhead.h"
#include "audio/RealTime.h"

namespace vantrel::audio {

namespace {
constexpr int kInputFrames = 1024;
// Small steps between the decoder and the ring keep a slider move close to the ear.
constexpr int kStagingFrames = 1024;
constexpr auto kIdleWait = std::chrono::milliseconds(4);

bool isIdentity(float tempo, float rate, float pitch) {
    return tempo == 1.0f && rate == 1.0f && pitch == 1.0f;
}
}  // namespace

std::uint64_t PlayerCore::packMatch(float target, float perFrame) {
    return std::uint64_t(std::bit_cast<std::uint32_t>(target)) << 32 |
           std::bit_cast<std::uint32_t>(perFrame);
}

PlayerCore::PlayerCore(Engine::Impl& engine, int sampleRate, bool threaded)
    : engine_(engine),
      sampleRate_(sampleRate),
      threaded_(threaded),
      stretcher_(sampleRate),
      input_(size_t(kInputFrames) * 2),
      staging_(size_t(kStagingFrames) * 2) {
    head_ = packPosition(0, 0);
    if (threaded) worker_ = std::thread([this] { workerLoop(); });
}

PlayerCore::~PlayerCore() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void PlayerCore::post(std::uint32_t g, std::int64_t seekFrame) {
    {
        std::lock_guard lock(mutex_);
        request_.pending = true;
        request_.gen = g;
        request_.seekFrame = seekFrame;
    }
    wake_.notify_all();
}

void PlayerCore::postReplace(std::uint32_t g, std::unique_ptr<Decoder> decoder) {
    std::unique_ptr<Decoder> old;
    {
        std::lock_guard lock(mutex_);
        old = std::move(request_.decoder);
        request_.pending = true;
        request_.gen = g;
        request_.replace = true;
        request_.decoder = std::move(decoder);
        request_.seekFrame = 0;
    }
    wake_.notify_all();
}

void PlayerCore::workerLoop() {
    // The render empties this deck's short queue every few milliseconds while it plays; on a
    // machine busy on every core, the worker that fills it must come first too.
    runAheadOfOthers();
    std::unique_lock lock(mutex_);
    while (!quit_) {
        lock.unlock();
        bool busy = false;
        while (produceOnce()) busy = true;
        lock.lock();
        if (quit_) break;
        if (request_.pending) continue;
        if (!decoder_ || sentEnd_)
            // Nothing loaded, or all of it queued: only a request brings more work.
            wake_.wait(lock, [this] { return quit_ || request_.pending; });
        else
            // The ring is full; the render frees a block every few milliseconds while playing.
            wake_.wait_for(lock,
                           playing.load() ? (busy ? kIdleWait / 2 : kIdleWait) : kIdleWait * 5);
    }
}

void PlayerCore::applyRequest() {
    Request r;
    {
        std::lock_guard lock(mutex_);
        if (!request_.pending) return;
        r = std::move(request_);
        request_ = Request{};
    }
    if (r.replace) {
        // Live, the file is decoded seconds ahead of the stretch, so a stall in reading it is
        // not heard; offline, the render waits for each step anyway.
        if (threaded_ && r.decoder)
            decoder_ = std::make_unique<ReadAhead>(std::move(r.decoder));
        else
            decoder_ = std::move(r.decoder);
    }
    producerGen_ = r.gen;
    stretcher_.clear();
    stretching_ = false;
    decoderDone_ = flushed_ = sentEnd_ = false;
    staged_ = stagedAt_ = 0;
    if (!decoder_) return;
    if (r.seekFrame != decoder_->position() && !decoder_->seek(r.seekFrame)) decoderDone_ = true;
    sourceAt_ = fedEnd_ = double(decoder_->position());
}

bool PlayerCore::produceOnce() {
    applyRequest();
    if (!decoder_ || sentEnd_) return false;
    if (!ring_.writeSlot()) return false;
    if (stagedAt_ < staged_) return pushBlock();
    fillStaging();
    if (stagedAt_ < staged_) return pushBlock();
    if (decoderDone_ && (!stretching_ || flushed_)) {
        Block* b = ring_.writeSlot();
        b->frames = 0;
        b->gen = producerGen_;
        b->start = sourceAt_;
        b->speed = 1;
        b->end = true;
        ring_.push();
        sentEnd_ = true;
        return true;
    }
    return true;
}

bool PlayerCore::pushBlock() {
    Block* b = ring_.writeSlot();
    const int n = std::min(kBlockFrames, staged_ - stagedAt_);
    std::memcpy(b->data.data(), staging_.data() + size_t(stagedAt_) * 2,
                size_t(n) * 2 * sizeof(float));
    b->frames = n;
    b->gen = producerGen_;
    b->start = stagedStart_ + stagedAt_ * stagedSpeed_;
    b->speed = stagedSpeed_;
    b->end = false;
    ring_.push();
    stagedAt_ += n;
    return true;
}

void PlayerCore::fillStaging() {
    staged_ = stagedAt_ = 0;
    const std::uint64_t command = matchCommand.load(std::memory_order_relaxed);
    const float matchTarget = std::bit_cast<float>(std::uint32_t(command >> 32));
    const float matchStep = std::bit_cast<float>(std::uint32_t(command));
    if (matchStep <= 0) match_ = matchTarget;
    matchNow.store(match_, std::memory_order_relaxed);
    const float t = tempo.load(std::memory_order_relaxed) * match_;
    const float r = rate.load(std::memory_order_relaxed);
    const float p = pitch.load(std::memory_order_relaxed);
    if (!stretching_ && isIdentity(t, r, p) && match_ == matchTarget) {
        // Untouched settings play the decoded frames as they are: exact and cheap.
        if (decoderDone_) return;
        const double start = double(decoder_->position());
        int got = 0;
        const Decoder::Read res = decoder_->read(staging_.data(), kStagingFrames, got);
        if (res != Decoder::Read::Ok) decoderDone_ = true;
        staged_ = got;
        stagedStart_ = start;
        stagedSpeed_ = 1;
        sourceAt_ = start + got;
        return;
    }
    if (!stretching_) {
        // Engaged for the rest of this stretch of playing; a seek or a new file resets it.
        stretcher_.clear();
        stretching_ = true;
        sourceAt_ = fedEnd_ = double(decoder_->position());
    }
    stretcher_.setParameters(t, r, p);
    const double speed = double(t) * double(r);
    for (;;) {
        int n = stretcher_.receive(staging_.data(), kStagingFrames);
        if (n > 0) {
            if (flushed_) {
                // The flush pads with silence; keep only what the source accounts for.
                const double left = std::max(0.0, (fedEnd_ - sourceAt_) / speed);
                n = std::min(n, int(std::ceil(left - 1e-9)));
                if (n <= 0) {
                    stretcher_.clear();
                    return;
                }
            }
            staged_ = n;
            stagedStart_ = sourceAt_;
            stagedSpeed_ = speed;
            sourceAt_ = std::min(sourceAt_ + n * speed, fedEnd_);
            // A glide moves on with the frames played, so the next piece is a little nearer.
            if (matchStep > 0 && match_ != matchTarget) {
                const float step = matchStep * float(n);
                match_ = std::abs(matchTarget - match_) <= step
                             ? matchTarget
                             : match_ + (matchTarget > match_ ? step : -step);
            }
            return;
        }
        if (decoderDone_) {
            if (flushed_) return;
            stretcher_.flush();
            flushed_ = true;
            continue;
        }
        int got = 0;
        const Decoder::Read res = decoder_->read(input_.data(), kInputFrames, got);
        if (res != Decoder::Read::Ok) decoderDone_ = true;
        stretcher_.put(input_.data(), got);
        fedEnd_ += got;
    }
}

bool PlayerCore::queuedFor(int frames) {
    const std::uint32_t g = gen.load(std::memory_order_acquire);
    int queued = 0;
    for (std::size_t i = 0; queued < frames; ++i) {
        Block* b = ring_.peek(i);
        if (!b) return false;
        if (b->gen != g) continue;
        if (b->end) return true;
        queued += b->frames - (i == 0 ? blockOffset_ : 0);
    }
    return true;
}

bool PlayerCore::readyFor(int frames) {
    if (!playing.load(std::memory_order_acquire) ||
        endedGen.load(std::memory_order_relaxed) == gen.load(std::memory_order_relaxed))
        return true;
    dropStale();
    return queuedFor(frames);
}

void PlayerCore::fillFor(int frames) {
    dropStale();
    while (!queuedFor(frames))
        if (!produceOnce()) return;
}

void PlayerCore::dropStale() {
    const std::uint32_t g = gen.load(std::memory_order_acquire);
    while (Block* b = ring_.front()) {
        if (b->gen == g) break;
        ring_.pop();
        blockOffset_ = 0;
    }
}

void PlayerCore::renderInto(float* mix, int frames, std::int64_t outFrameEnd,
                            std::int64_t latency) {
    const std::uint32_t g = gen.load(std::memory_order_acquire);
    dropStale();
    float* out = scratch_.data();
    int filled = 0;
    const bool on = playing.load(std::memory_order_acquire);
    if (Block* b = ring_.front())
        head_ = packPosition(g, std::llround(b->start + blockOffset_ * b->speed));
    if (on && endedGen.load(std::memory_order_relaxed) != g) {
        while (filled < frames) {
            Block* b = ring_.front();
            if (!b) {
                // The worker fell behind (or a seek is still decoding): silence, not garbage.
                engine_.starved.fetch_add(1, std::memory_order_relaxed);
                break;
            }
            if (b->end) {
                endedGen.store(g, std::memory_order_release);
                break;
            }
            const int n = std::min(b->frames - blockOffset_, frames - filled);
            std::memcpy(out + size_t(filled) * 2, b->data.data() + size_t(blockOffset_) * 2,
                        size_t(n) * 2 * sizeof(float));
            filled += n;
            blockOffset_ += n;
            if (blockOffset_ >= b->frames) {
                const double next = b->start + b->frames * b->speed;
                ring_.pop();
                blockOffset_ = 0;
                Block* nb = ring_.front();
                head_ = packPosition(g, std::llround(nb && nb->gen == g ? nb->start : next));
            } else {
                head_ = packPosition(g, std::llround(b->start + blockOffset_ * b->speed));
            }
        }
    }
    std::fill(out + size_t(filled) * 2, out + size_t(frames) * 2, 0.0f);

    // Volume ramps over this buffer, so fade steps never click.
    const float target = std::clamp(volume.load(std::memory_order_relaxed), 0.0f, 1.0f);
    const float lift = levelling.load(std::memory_order_relaxed);
    // Sound that starts now starts at the volume given; only changes while sounding ramp.
    if (!sounding_) {
        gain_ = target;
        levellingNow_ = lift;
    }
    // The levelling comes before the volume, so that fades and the meters work on the levelled
    // song; left at 1 it is not applied at all, and the output stays what it was without it.
    if (lift != 1.0f || levellingNow_ != 1.0f) {
        const float liftStep = (lift - levellingNow_) / float(frames);
        for (int i = 0; i < frames; ++i) {
            const float l0 = levellingNow_ + liftStep * float(i + 1);
            out[2 * i] *= l0;
            out[2 * i + 1] *= l0;
        }
        levellingNow_ = lift;
    }
    sounding_ = filled > 0;
    const float step = (target - gain_) / float(frames);
    float pk = 0;
    for (int i = 0; i < frames; ++i) {
        const float g0 = gain_ + step * float(i + 1);
        const float l = out[2 * i] * g0, r = out[2 * i + 1] * g0;
        mix[2 * i] += l;
        mix[2 * i + 1] += r;
        pk = std::max(pk, std::max(std::abs(l), std::abs(r)));
    }
    gain_ = target;

    levelPeak_[size_t(levelNext_)] = pk;
    levelFrames_[size_t(levelNext_)] = frames;
    levelNext_ = (levelNext_ + 1) % kLevelSteps;
    const int window = sampleRate_ * 30 / 1000;
    float lv = 0;
    for (int i = 1, covered = 0; i <= kLevelSteps && covered < window; ++i) {
        const size_t k = size_t((levelNext_ - i + kLevelSteps) % kLevelSteps);
        lv = std::max(lv, levelPeak_[k]);
        covered += levelFrames_[k];
    }
    level.store(lv, std::memory_order_relaxed);

    // What is heard now left the mixer `latency` frames ago.
    historyAt_[size_t(historyNext_)] = outFrameEnd;
    historyPos_[size_t(historyNext_)] = head_;
    historyNext_ = (historyNext_ + 1) % kHistory;
    std::uint64_t heard = head_;
    float slope = 0;
    if (latency > 0) {
        const std::int64_t want = outFrameEnd - latency;
        size_t later = size_t((historyNext_ - 1 + kHistory) % kHistory);
        for (int i = 1; i <= kHistory; ++i) {
            const size_t k = size_t((historyNext_ - i + kHistory) % kHistory);
            heard = historyPos_[k];
            if (historyAt_[k] <= want) {
                // Between two steps of the same generation, in proportion.
                const std::uint64_t next = historyPos_[later];
                const std::int64_t span = historyAt_[later] - historyAt_[k];
                if (k != later && packedGen(next) == packedGen(heard) && span > 0) {
                    slope = float(packedFrame(next) - packedFrame(heard)) / float(span);
                    heard = packPosition(
                        packedGen(heard),
                        packedFrame(heard) + std::llround(double(want - historyAt_[k]) * slope));
                }
                break;
            }
            later = k;
        }
    }
    audibleSlope.store(slope, std::memory_order_relaxed);
    audible.store(heard, std::memory_order_release);
}

}  // namespace vantrel::audio
