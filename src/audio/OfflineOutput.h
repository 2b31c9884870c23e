#pragma once
// Offline: nothing plays by itself; each render(frames) mixes exactly that much now and hands it
// to the capture sink (the render tool's file, a test's measurement, the virtual clock).
#include <functional>
#include <vector>

#include "audio/Engine.h"
#include "audio/Output.h"

namespace vantrel::audio {

class OfflineOutput final : public Output {
public:
    using Sink = std::function<void(const float* interleaved, int frames)>;

    explicit OfflineOutput(Engine::Impl& engine);

    bool start() override { return true; }
    bool stop() override { return true; }

    void render(int frames);
    void setSink(Sink sink) { sink_ = std::move(sink); }

private:
    Engine::Impl& engine_;
    Sink sink_;
    std::vector<float> block_;
};

}  // namespace vantrel::audio
