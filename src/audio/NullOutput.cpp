#include "audio/NullOutput.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "audio/EngineImpl.h"
#include "audio/RealTime.h"

namespace vantrel::audio {

namespace {
// Behind by more than this (the whole process was stopped, or a device long gone), the time
// lost is let go rather than rendered in one burst.
constexpr std::int64_t kCatchUpLimitNs = 1'000'000'000;
// Catching up, a step waits this long at most for the decks to fill.
constexpr int kCatchUpPatienceMs = 50;
}  // namespace

bool NullOutput::startFrom(std::int64_t sinceNs) {
    if (pacing_.exchange(true)) return true;
    if (pacer_.joinable()) pacer_.join();
    // Nothing stands between the mixer and "the speaker"; a stand-in keeps the late device's
    // latency, which its sound will have again when it comes back.
    if (sinceNs == 0) engine_.latencyFrames.store(0);
    pacer_ = std::thread([this, sinceNs] { pace(sinceNs); });
    return true;
}

bool NullOutput::stop() {
    pacing_.store(false);
    if (pacer_.joinable()) pacer_.join();
    return true;
}

void NullOutput::pace(std::int64_t sinceNs) {
    runAheadOfOthers();  // the render's clock, as a device's callback would be
    const int frames = engine_.options.bufferFrames;
    std::vector<float> buffer(size_t(frames) * 2);
    const std::int64_t period = std::int64_t(frames) * 1'000'000'000 / engine_.rate;
    const std::int64_t deviceAwake = 3 * period;
    std::int64_t next = monotonicNs();
    if (sinceNs > 0) next = std::max(sinceNs, next - kCatchUpLimitNs);
    while (pacing_.load(std::memory_order_acquire)) {
        // Standing in for a device that was late: once it calls back again it keeps the time,
        // and two clocks must not both move the mix on.
        if (monotonicNs() - engine_.lastCallbackNs.load(std::memory_order_relaxed) > deviceAwake) {
            // Time a late device let pass is rendered in a burst, as fast as the decks fill and
            // no faster: the stream and the recording take this mix, and must get no holes.
            for (int waited = 0; monotonicNs() - next > period && waited < kCatchUpPatienceMs &&
                                 !engine_.decksReadyFor(frames);
                 ++waited)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            engine_.render(buffer.data(), frames);
        }
        next += period;
        const std::int64_t now = monotonicNs();
        if (now - next > kCatchUpLimitNs) next = now;  // woke up very late
        if (next > now) {
            const timespec until{time_t(next / 1'000'000'000), long(next % 1'000'000'000)};
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
        }
    }
}

}  // namespace vantrel::audio
