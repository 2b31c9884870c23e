#pragma once
// The program's output: the sound device while it works, the Null output while it does not.
// A watcher thread notices a device that went away (the server died or hangs) and switches to
// the Null output, so the program keeps working; the next Play reopens the device.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "audio/DeviceOutput.h"
#include "audio/Engine.h"
#include "audio/NullOutput.h"
#include "audio/Output.h"

namespace vantrel::audio {

class OutputSupervisor final : public Output {
public:
    explicit OutputSupervisor(Engine::Impl& engine);
    ~OutputSupervisor() override;
    OutputSupervisor(const OutputSupervisor&) = delete;
    OutputSupervisor& operator=(const OutputSupervisor&) = delete;

    // Opens the device, or starts on the Null output when there is none; always sounds.
    bool start() override;
    // Gives the teardown two seconds; a hung server may hold it longer, and then it runs on
    // alone (false).
    bool stop() override;
    void whenStopped(std::function<void()> then) override;
    void aboutToPlay() override;

private:
    void watch();

    Engine::Impl& engine_;
    DeviceOutput device_;
    NullOutput null_;

    std::thread watcher_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    bool reopenWanted_ = false;
    bool stopped_ = false;

    // Shared with a teardown left running, which may outlive the wait in stop() and then runs
    // what whenStopped() left for it.
    struct Teardown {
        std::mutex mutex;
        bool done = false;
        std::function<void()> then;
    };
    std::shared_ptr<Teardown> teardown_ = std::make_shared<Teardown>();
};

}  // namespace vantrel::audio
