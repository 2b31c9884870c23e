#pragma once
// No device: a thread renders in real time into nothing, so positions, fades and the automatic
// mixing go on as if a device were playing.
#include <atomic>
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

    bool start() override;
    bool stop() override;

private:
    void pace();

    Engine::Impl& engine_;
    std::atomic<bool> pacing_{false};
    std::thread pacer_;
};

}  // namespace vantrel::audio
