#include "audio/ReadAhead.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "audio/RingBuffer.h"

namespace vantrel::audio {

namespace {
// The reader frees room without a word (it never takes the lock while it has sound to read), so
// the decoding thread looks again this often when the queue was full.
constexpr auto kFullWait = std::chrono::milliseconds(10);
// Longer than any one decoding step; a thread still in a read after this (a hung mount) is left
// to finish on its own rather than hold up whoever let go of the file.
constexpr auto kQuitWait = std::chrono::milliseconds(250);
// A file stuck in one read or seek for this long (a mount that stopped answering, a stick pulled
// mid-read that the system has not yet given up on) ends as a decode error would once the
// seconds read ahead have run out, so the mixer moves on instead of leaving the room quiet.
// Counted from the read's start: a hang found during those seconds costs no silence at all.
constexpr auto kStallLimit = std::chrono::seconds(2);
using Clock = std::chrono::steady_clock;
}  // namespace

struct ReadAhead::Shared {
    struct Piece {
        std::array<float, std::size_t(kPieceFrames) * 2> data;
        int frames = 0;
        std::uint32_t epoch = 0;
        Read read = Read::Ok;  // End or Error: the last piece of its epoch
    };

    explicit Shared(std::unique_ptr<Decoder> s) : source(std::move(s)) {}

    void run();

    std::unique_ptr<Decoder> source;  // the decoding thread's, once it runs
    RingBuffer<Piece, kPieces> queue;
    // When the read or seek under way started (Clock ticks), or 0 between them.
    std::atomic<Clock::rep> busySince{0};
    template <typename Step>
    auto timed(Step step) {
        busySince.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
        const auto result = step();
        busySince.store(0, std::memory_order_relaxed);
        return result;
    }
    // Until when the reader waits for the thread before giving the file up.
    Clock::time_point stallDeadline() const {
        const Clock::rep since = busySince.load(std::memory_order_relaxed);
        return (since ? Clock::time_point(Clock::duration(since)) : Clock::now()) + kStallLimit;
    }

    std::mutex lock;
    std::condition_variable wakeDecoder, wakeReader;
    // Under the lock.
    bool quit = false, exited = false;
    std::uint32_t epoch = 0;  // the reader's latest seek
    std::int64_t seekFrame = 0;
    std::uint32_t seekDone = 0;  // the latest seek the thread has made
    bool seekOk = true;
};

void ReadAhead::Shared::run() {
    // Started by a deck worker that may run first-in, first-out: decoding takes its turn with
    // everything else, and the seconds queued cover for it.
    sched_param normal{};
    pthread_setschedparam(pthread_self(), SCHED_OTHER, &normal);
    std::uint32_t mine = 0;
    bool done = false;
    if (source->position() != 0 && !source->seek(0)) done = true;
    for (;;) {
        bool seek = false;
        std::int64_t to = 0;
        {
            std::unique_lock guard(lock);
            const auto ready = [&] {
                return quit || epoch != mine || (!done && queue.writeSlot() != nullptr);
            };
            while (!ready()) {
                if (done)
                    wakeDecoder.wait(guard);  // only a seek or the end of the file's use is news
                else
                    wakeDecoder.wait_for(guard, kFullWait);
            }
            if (quit) break;
            if (epoch != mine) {
                mine = epoch;
                to = seekFrame;
                seek = true;
            }
        }
        if (seek) {
            const bool ok = timed([&] { return source->seek(to); });
            done = !ok;
            {
                std::lock_guard guard(lock);
                seekDone = mine;
                seekOk = ok;
            }
            wakeReader.notify_all();
            continue;
        }
        Piece* p = queue.writeSlot();
        int got = 0;
        p->read = timed([&] { return source->read(p->data.data(), kPieceFrames, got); });
        p->frames = got;
        p->epoch = mine;
        done = p->read != Read::Ok;
        queue.push();
        // Through the lock, so a reader about to wait cannot miss it.
        { std::lock_guard guard(lock); }
        wakeReader.notify_all();
    }
    source.reset();
    {
        std::lock_guard guard(lock);
        exited = true;
    }
    wakeReader.notify_all();
}

ReadAhead::ReadAhead(std::unique_ptr<Decoder> source)
    : shared_(std::make_shared<Shared>(std::move(source))) {
    const Decoder& s = *shared_->source;
    lengthFrames_ = s.lengthFrames();
    lengthMs_ = s.lengthMs();
    containerSeconds_ = s.containerSeconds();
    outputRate_ = s.outputRate();
    taggedLoudness_ = s.taggedLoudness();
    tags_ = s.tags();
}

ReadAhead::~ReadAhead() {
    if (!thread_.joinable()) return;
    bool exited = false;
    {
        std::unique_lock guard(shared_->lock);
        shared_->quit = true;
        shared_->wakeDecoder.notify_all();
        exited = shared_->wakeReader.wait_for(guard, kQuitWait, [this] { return shared_->exited; });
    }
    if (exited)
        thread_.join();
    else
        thread_.detach();  // it holds the shared state and lets go of it when its read returns
}

void ReadAhead::start() {
    if (!thread_.joinable()) thread_ = std::thread([s = shared_] { s->run(); });
}

Decoder::Read ReadAhead::decode(float* out, int frames, int& got) {
    start();
    got = 0;
    if (finished_) return finalRead_;
    Shared& s = *shared_;
    while (got < frames) {
        Shared::Piece* p = s.queue.front();
        if (!p) {
            if (got > 0) return Read::Ok;
            std::unique_lock guard(s.lock);
            if (!s.wakeReader.wait_until(guard, s.stallDeadline(),
                                         [&] { return s.queue.front() != nullptr; }))
                return giveUp();
            continue;
        }
        if (p->epoch != epoch_) {
            s.queue.pop();
            pieceOffset_ = 0;
            continue;
        }
        const int n = std::min(p->frames - pieceOffset_, frames - got);
        std::memcpy(out + std::size_t(got) * 2, p->data.data() + std::size_t(pieceOffset_) * 2,
                    std::size_t(n) * 2 * sizeof(float));
        got += n;
        pieceOffset_ += n;
        if (pieceOffset_ < p->frames) continue;
        const Read read = p->read;
        s.queue.pop();
        pieceOffset_ = 0;
        if (read != Read::Ok) {
            finished_ = true;
            finalRead_ = read;
            return read;
        }
    }
    return Read::Ok;
}

bool ReadAhead::seekTo(std::int64_t frame) {
    start();
    Shared& s = *shared_;
    std::unique_lock guard(s.lock);
    const std::uint32_t e = ++s.epoch;
    s.seekFrame = frame;
    s.wakeDecoder.notify_all();
    epoch_ = e;
    pieceOffset_ = 0;
    if (!s.wakeReader.wait_until(guard, s.stallDeadline(), [&] { return s.seekDone == e; })) {
        giveUp();
        return false;
    }
    finished_ = false;
    if (!s.seekOk) giveUp();
    return s.seekOk;
}

Decoder::Read ReadAhead::giveUp() {
    finished_ = true;
    finalRead_ = Read::Error;
    return finalRead_;
}

}  // namespace vantrel::audio
