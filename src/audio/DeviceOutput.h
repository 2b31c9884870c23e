#pragma once
// The sound device: one PortAudio stream on ALSA, whose callback runs the engine's render.
#include <cstdint>
#include <memory>

#include "audio/DeviceProbe.h"
#include "audio/Engine.h"
#include "audio/EngineImpl.h"
#include "audio/Output.h"

typedef void PaStream;

namespace vantrel::audio {

class DeviceOutput final : public Output {
public:
    explicit DeviceOutput(Engine::Impl& engine);
    ~DeviceOutput() override;
    DeviceOutput(const DeviceOutput&) = delete;
    DeviceOutput& operator=(const DeviceOutput&) = delete;

    // Opens and starts the stream anew; false (and closed) when there is no device to use.
    bool start() override;
    // Closes the stream and lets go of the sound system. Waits as long as the server hangs.
    bool stop() override;

    // How the stream is doing, as far as it tells. Lost: it has ended on an error (the server
    // went away, the device was unplugged, its sink was taken away) or was never opened; only a
    // new stream will sound. Late: it is open and running but has not called back lately (a
    // machine too busy to run it, a server that hangs or a suspended sink, or a new stream the
    // server holds while its sink drains what it rendered ahead); it may well go on by itself.
    enum class Health { Sounding, Late, Lost };
    Health health() const;
    // When the stream last called back (or was opened, when it never has), monotonic.
    std::int64_t lastHeardNs() const;
    std::int64_t quietNs() const { return monotonicNs() - lastHeardNs(); }
    // A start that is still probing gives up at once (quitting).
    void cancelStart() { probe_.cancel(); }

private:
    class SoundSystem;
    struct StreamCloser {
        void operator()(PaStream* stream) const;
    };

    bool open();

    Engine::Impl& engine_;
    DeviceProbe probe_;
    std::unique_ptr<SoundSystem> soundSystem_;
    std::unique_ptr<PaStream, StreamCloser> stream_;
    std::int64_t openedNs_ = 0;
};

}  // namespace vantrel::audio
