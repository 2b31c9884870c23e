// The outputs: PortAudio on the sound device, the Null output (a thread that renders in real
// time into nothing, so positions keep moving without a device) and the supervisor that
// switches between them when the device goes away or comes back.
#include <fcntl.h>
#include <portaudio.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <optional>
#include <thread>

#include "audio/EngineImpl.h"

namespace vantrel::audio {

namespace {

std::int64_t monotonicNs() noexcept {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// A device that stops calling back for this long has gone away. Sound servers may hold a
// new stream for a second or two while their sink drains what it rendered ahead.
constexpr std::int64_t kSilentDeviceNs = 1'000'000'000;
constexpr std::int64_t kStartGraceNs = 4'000'000'000;
constexpr auto kSupervisorTick = std::chrono::milliseconds(100);
constexpr auto kReopenSpacing = std::chrono::seconds(1);
constexpr auto kTeardownLimit = std::chrono::seconds(2);

struct StreamCloser {
    void operator()(PaStream* s) const {
        Pa_AbortStream(s);
        Pa_CloseStream(s);
    }
};
using StreamPtr = std::unique_ptr<PaStream, StreamCloser>;

// PortAudio's ALSA host aborts the whole process (a failed assertion while listing devices)
// when the ALSA configuration cannot be read, as for a user who may not read the sound
// server's folder. Whether it survives is tried in a child process; if it does not, the
// program runs on the Null output instead of dying.
bool portAudioSurvivesInit() {
    // Known once the probe has run to an end; a probe that hangs (a sound server that does not
    // answer) decides nothing, so the next reopen asks again once the server may be back.
    static std::mutex probing;
    static std::optional<bool> known;
    std::lock_guard lock(probing);
    if (known) return *known;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) return true;  // cannot tell: take the chance
    if (child == 0) {
        const int devnull = ::open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
        }
        const bool ok = Pa_Initialize() == paNoError;
        if (ok) Pa_Terminate();
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    for (int waited = 0; waited < 5000; waited += 10) {
        const pid_t r = ::waitpid(child, &status, WNOHANG);
        if (r == child) {
            known = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            return *known;
        }
        if (r < 0) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(child, SIGKILL);  // hung in the probe: no device for now
    ::waitpid(child, &status, 0);
    return false;
}

// Pa_Initialize / Pa_Terminate as one owner. Probing the hosts makes ALSA and JACK print
// pages of complaints about devices that do not exist; they go to /dev/null instead.
class PaSystem {
public:
    PaSystem() {
        if (!portAudioSurvivesInit()) return;
        std::fflush(stderr);
        const int saved = ::dup(2);
        const int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved >= 0 && devnull >= 0) ::dup2(devnull, 2);
        ok_ = Pa_Initialize() == paNoError;
        if (saved >= 0 && devnull >= 0) ::dup2(saved, 2);
        if (devnull >= 0) ::close(devnull);
        if (saved >= 0) ::close(saved);
    }
    ~PaSystem() {
        if (ok_) Pa_Terminate();
    }
    PaSystem(const PaSystem&) = delete;
    PaSystem& operator=(const PaSystem&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

int paCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo* ti,
               PaStreamCallbackFlags flags, void* user) {
    auto* e = static_cast<Engine::Impl*>(user);
    const std::int64_t t0 = monotonicNs();
    double ahead = 0;
    if (ti && ti->outputBufferDacTime > 0 && ti->currentTime > 0)
        ahead = ti->outputBufferDacTime - ti->currentTime;
    e->render(static_cast<float*>(output), int(frames));
    const std::int64_t t1 = monotonicNs();
    e->noteCallback(double(t1 - t0) * 1e-9, (flags & paOutputUnderflow) != 0,
                    ahead + double(frames) / e->rate);
    return paContinue;
}

}  // namespace

struct Engine::Impl::Output {
    explicit Output(Impl& e) : engine(e) {}

    Impl& engine;
    std::unique_ptr<PaSystem> pa;
    StreamPtr stream;
    double reportedLatency = 0;
    std::int64_t openedNs = 0;

    std::thread pacer;
    std::atomic<bool> pacing{false};

    std::thread supervisor;
    std::mutex mutex;
    std::condition_variable wake;
    bool quit = false;
    bool reopenWanted = false;

    bool openDevice() {
        stream.reset();
        pa.reset();
        pa = std::make_unique<PaSystem>();
        if (!pa->ok()) return false;
        PaDeviceIndex dev = paNoDevice;
        for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
            const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
            if (info && info->maxOutputChannels >= 2 && engine.options.device == info->name) {
                dev = i;
                break;
            }
        }
        if (dev == paNoDevice) dev = Pa_GetDefaultOutputDevice();
        if (dev == paNoDevice) return false;
        PaStreamParameters out{};
        out.device = dev;
        out.channelCount = 2;
        out.sampleFormat = paFloat32;
        // Two buffers in flight: at most 20 ms between the mixer and the device.
        out.suggestedLatency = 2.0 * engine.options.bufferFrames / engine.rate;
        PaStream* raw = nullptr;
        if (Pa_OpenStream(&raw, nullptr, &out, engine.rate, unsigned(engine.options.bufferFrames),
                          paClipOff | paDitherOff, paCallback, &engine) != paNoError ||
            !raw)
            return false;
        StreamPtr s(raw);
        const PaStreamInfo* info = Pa_GetStreamInfo(raw);
        reportedLatency = info ? info->outputLatency : 0;
        engine.latencyFrames.store(std::int64_t(reportedLatency * engine.rate) +
                                   engine.options.bufferFrames);
        openedNs = monotonicNs();
        engine.lastCallbackNs.store(openedNs);
        if (Pa_StartStream(raw) != paNoError) return false;
        stream = std::move(s);
        return true;
    }

    void startPacer() {
        if (pacing.exchange(true)) return;
        if (pacer.joinable()) pacer.join();
        engine.latencyFrames.store(0);
        pacer = std::thread([this] {
            const int frames = engine.options.bufferFrames;
            std::vector<float> buffer(size_t(frames) * 2);
            const auto period =
                std::chrono::nanoseconds(std::int64_t(frames) * 1000000000 / engine.rate);
            auto next = std::chrono::steady_clock::now();
            while (pacing.load(std::memory_order_acquire)) {
                engine.render(buffer.data(), frames);
                next += period;
                const auto now = std::chrono::steady_clock::now();
                if (now - next > std::chrono::milliseconds(200)) next = now;  // woke up late
                std::this_thread::sleep_until(next);
            }
        });
    }

    void stopPacer() {
        pacing.store(false);
        if (pacer.joinable()) pacer.join();
    }

    void supervise() {
        std::unique_lock lock(mutex);
        auto lastAttempt = std::chrono::steady_clock::now();
        while (!quit) {
            wake.wait_for(lock, kSupervisorTick);
            if (quit) break;
            const OutputKind k = engine.kind.load();
            if (k == OutputKind::Device && stream) {
                const std::int64_t now = monotonicNs();
                const bool starting = now - openedNs < kStartGraceNs;
                const bool silent = now - engine.lastCallbackNs.load() >
                                    (starting ? kStartGraceNs : kSilentDeviceNs);
                if (silent || Pa_IsStreamActive(stream.get()) != 1) {
                    // The device died: keep time going on the Null output, then let go of it.
                    startPacer();
                    engine.kind.store(OutputKind::Null);
                    lock.unlock();
                    stream.reset();
                    pa.reset();
                    lock.lock();
                }
            } else if (k == OutputKind::Null && reopenWanted &&
                       std::chrono::steady_clock::now() - lastAttempt >= kReopenSpacing) {
                reopenWanted = false;
                lastAttempt = std::chrono::steady_clock::now();
                lock.unlock();
                const bool ok = openDevice();
                lock.lock();
                if (ok) {
                    engine.kind.store(OutputKind::Device);
                    stopPacer();
                } else {
                    stream.reset();
                    pa.reset();
                }
            }
        }
    }
};

Engine::Impl::Impl(EngineOptions o)
    : options(std::move(o)),
      rate(options.sampleRate > 0 ? options.sampleRate : 44100),
      kind(options.output),
      timing(std::make_unique<std::atomic<std::uint32_t>[]>(kTimingBuckets)) {
    options.bufferFrames = std::clamp(options.bufferFrames, 32, rate / 50);  // at most 20 ms
    offlineBlock.resize(size_t(kChunkFrames) * 2);
}

Engine::Impl::~Impl() = default;

void Engine::Impl::startOutput() {
    output = std::make_unique<Output>(*this);
    switch (options.output) {
        case OutputKind::Offline:
            return;
        case OutputKind::Null:
            output->startPacer();
            return;
        case OutputKind::Device:
            if (!output->openDevice()) {
                output->stream.reset();
                output->pa.reset();
                kind.store(OutputKind::Null);
                output->startPacer();
            }
            output->supervisor = std::thread([this] { output->supervise(); });
            return;
    }
}

bool Engine::Impl::stopOutput() {
    if (!output) return true;
    {
        std::lock_guard lock(output->mutex);
        output->quit = true;
    }
    output->wake.notify_all();
    // A sound server that hangs (stopped, not dead) holds PortAudio's teardown for as long as it
    // hangs. The program must still be able to exit, so the teardown gets a limited time and is
    // otherwise left running on its own with everything it touches.
    std::promise<void> finished;
    std::future<void> done = finished.get_future();
    std::thread teardown([o = output.get(), finished = std::move(finished)]() mutable {
        if (o->supervisor.joinable()) o->supervisor.join();
        o->stopPacer();
        o->stream.reset();
        o->pa.reset();
        finished.set_value();
    });
    if (done.wait_for(kTeardownLimit) == std::future_status::ready) {
        teardown.join();
        return true;
    }
    teardown.detach();
    return false;
}

void Engine::Impl::ensureOutput() {
    if (options.output != OutputKind::Device || kind.load() != OutputKind::Null || !output) return;
    {
        std::lock_guard lock(output->mutex);
        output->reopenWanted = true;
    }
    output->wake.notify_all();
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

}  // namespace vantrel::audio
