#pragma once
// No device: a thread renders in real time into nothing, so positions, fades and the automatic
// mixing go on as if a device were playing. It also stands in for a device that is late, and
// steps aside as soon as that device calls back.
#include <atomic>
#include <cstdint>
#include <thread>

#include "audio/Engine.h"
#include "audio/Output.h"

namespace vantrel::audio {

class NullOutput final : public Output {
public:
    explicit NullOutput(Engine::Impl& engine) : engine_(engine) {}
    ~NullOutput() override { stop(); }
    NullOutput(const NullOutput&) = delete;
    NullOutput& operator=(const NullOutput&) = delete;

    bool start() override { return startFrom(0); }
    bool stop() override;
    // Starts keeping time from `sinceNs` (monotonic), up to a second back: a stand-in first
    // renders the time the late device already let pass, so the mix stays on time.
    bool startFrom(std::int64_t sinceNs);

private:
    void pace(std::int64_t sinceNs);

    Engine::Impl& engine_;
    std::atomic<bool> pacing_{false};
    std::thread pacer_;
};

}  // namespace vantrel::audio
