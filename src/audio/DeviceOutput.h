#pragma once
// The sound device: one PortAudio stream on ALSA, whose callback runs the engine's render.
#include <cstdint>
#include <memory>

#include "audio/DeviceProbe.h"
#include "audio/Engine.h"
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

    // The device still calls back. Sound servers may hold a new stream for a second or two
    // while their sink drains what it rendered ahead, so a new stream is given longer.
    bool stillCallingBack() const;
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
