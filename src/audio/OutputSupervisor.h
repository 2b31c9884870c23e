#pragma once
// The program's output: the sound device while it works, the Null output while it does not.
// A watcher thread follows the device: while it is late (a busy machine, a hung server, a
// suspended sink) the Null output keeps the mix on time and the device is waited for; when its
// stream ends on an error it is opened anew at once, and then every two seconds until it opens
// again (a server restarted, a sink back). Play retries at once.
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
    // Under the mutex; the sound system is started and stopped with it let go.
    void reopen(std::unique_lock<std::mutex>& lock);

    // What the watcher does about the device, which it alone opens and closes.
    enum class Mode {
        OnDevice,    // the device calls back and keeps the time
        StandingIn,  // the device is open but late: the Null output keeps the time meanwhile
        NoDevice,    // no stream: the Null output keeps the time, the device is tried again
    };

    Engine::Impl& engine_;
    DeviceOutput device_;
    NullOutput null_;

    std::thread watcher_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    bool retryWanted_ = false;
    Mode mode_ = Mode::OnDevice;
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
