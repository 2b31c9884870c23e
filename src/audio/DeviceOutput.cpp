#include "audio/DeviceOutput.h"

#include <fcntl.h>
#include <pa_linux_alsa.h>
#include <portaudio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "audio/EngineImpl.h"
#include "audio/RealTime.h"

namespace vantrel::audio {

namespace {

// A running stream that has not called back for this long is late: the engine's time must go
// on without it. It says nothing of whether the stream will come back.
constexpr std::int64_t kLateNs = 200'000'000;
// Buffers in flight between the mixer and the device. A stream that runs dry costs far more
// than any wait: the sound server replaces it and may hold the new one for a second or two. With
// its callback thread running first-in, first-out the render comes on time on a machine busy on
// every core, and 60 ms keeps a slider heard within 100 ms. Where the system does not allow
// that, the render shares the cores with everything else and gets 150 ms.
constexpr int kBuffersInFlightRealTime = 6;
constexpr int kBuffersInFlightShared = 15;

// Whether a thread of this process may run first-in, first-out, tried on a thread of its own.
bool mayRunRealTime() {
    bool allowed = false;
    std::thread([&allowed] { allowed = runAheadOfOthers(); }).join();
    return allowed;
}

int deviceCallback(const void*, void* output, unsigned long frames,
                   const PaStreamCallbackTimeInfo* times, PaStreamCallbackFlags flags, void* user) {
    auto* engine = static_cast<Engine::Impl*>(user);
    const std::int64_t started = monotonicNs();
    double ahead = 0;
    if (times && times->outputBufferDacTime > 0 && times->currentTime > 0)
        ahead = times->outputBufferDacTime - times->currentTime;
    engine->render(static_cast<float*>(output), int(frames));
    engine->noteCallback(double(monotonicNs() - started) * 1e-9, (flags & paOutputUnderflow) != 0,
                         ahead + double(frames) / engine->rate);
    return paContinue;
}

}  // namespace

// Pa_Initialize / Pa_Terminate as one owner. Probing the hosts makes ALSA and JACK print
// pages of complaints about devices that do not exist; they go to /dev/null instead.
class DeviceOutput::SoundSystem {
public:
    explicit SoundSystem(DeviceProbe& probe) {
        if (!probe.soundSystemStarts()) return;
        std::fflush(stderr);
        const int saved = ::dup(2);
        const int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved >= 0 && devnull >= 0) ::dup2(devnull, 2);
        started_ = Pa_Initialize() == paNoError;
        if (saved >= 0 && devnull >= 0) ::dup2(saved, 2);
        if (devnull >= 0) ::close(devnull);
        if (saved >= 0) ::close(saved);
    }
    ~SoundSystem() {
        if (started_) Pa_Terminate();
    }
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;
    bool started() const { return started_; }

private:
    bool started_ = false;
};

void DeviceOutput::StreamCloser::operator()(PaStream* stream) const {
    Pa_AbortStream(stream);
    Pa_CloseStream(stream);
}

DeviceOutput::DeviceOutput(Engine::Impl& engine) : engine_(engine) {}

DeviceOutput::~DeviceOutput() {
    stop();
}

bool DeviceOutput::start() {
    stop();
    if (open()) return true;
    stop();
    return false;
}

bool DeviceOutput::open() {
    soundSystem_ = std::make_unique<SoundSystem>(probe_);
    if (!soundSystem_->started()) return false;
    PaDeviceIndex device = paNoDevice;
    for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info && info->maxOutputChannels >= 2 && engine_.options.device == info->name) {
            device = i;
            break;
        }
    }
    if (device == paNoDevice) device = Pa_GetDefaultOutputDevice();
    if (device == paNoDevice) return false;
    PaStreamParameters out{};
    out.device = device;
    out.channelCount = 2;
    out.sampleFormat = paFloat32;
    const bool realTime = mayRunRealTime();
    out.suggestedLatency = double(realTime ? kBuffersInFlightRealTime : kBuffersInFlightShared) *
                           engine_.options.bufferFrames / engine_.rate;
    PaStream* raw = nullptr;
    if (Pa_OpenStream(&raw, nullptr, &out, engine_.rate, unsigned(engine_.options.bufferFrames),
                      paClipOff | paDitherOff, deviceCallback, &engine_) != paNoError ||
        !raw)
        return false;
    stream_.reset(raw);
    const PaStreamInfo* info = Pa_GetStreamInfo(raw);
    const double reported = info ? info->outputLatency : 0;
    engine_.latencyFrames.store(std::int64_t(reported * engine_.rate) +
                                engine_.options.bufferFrames);
    openedNs_ = monotonicNs();
    // The render ahead of the busy loops of other programs, where it may be.
    const PaHostApiInfo* host = Pa_GetHostApiInfo(Pa_GetDeviceInfo(device)->hostApi);
    if (realTime && host && host->type == paALSA) PaAlsa_EnableRealtimeScheduling(raw, 1);
    return Pa_StartStream(raw) == paNoError;
}

bool DeviceOutput::stop() {
    stream_.reset();
    soundSystem_.reset();
    return true;
}

std::int64_t DeviceOutput::lastHeardNs() const {
    return std::max(openedNs_, engine_.lastCallbackNs.load());
}

DeviceOutput::Health DeviceOutput::health() const {
    // The stream's own word first: its callback thread ends, and the stream goes inactive, only
    // on an error it could not recover from. An underrun it recovers from keeps it active.
    if (!stream_ || Pa_IsStreamActive(stream_.get()) != 1) return Health::Lost;
    return quietNs() > kLateNs ? Health::Late : Health::Sounding;
}

}  // namespace vantrel::audio
