#include "audio/OutputSupervisor.h"

#include <chrono>
#include <future>
#include <utility>

#include "audio/EngineImpl.h"

namespace vantrel::audio {

namespace {
constexpr auto kWatchTick = std::chrono::milliseconds(50);
// A device that cannot be opened is tried again this often, each time with the sound system
// started afresh, so a server or a device that came back is found.
constexpr auto kRetrySpacing = std::chrono::seconds(2);
// A stream late for this long is taken for stuck rather than slow, and opened anew.
constexpr std::int64_t kStuckNs = 10'000'000'000;
// Play on a stream late for this long opens it anew rather than waiting on.
constexpr std::int64_t kPlayRetryNs = 2'000'000'000;
constexpr auto kTeardownLimit = std::chrono::seconds(2);
}  // namespace

OutputSupervisor::OutputSupervisor(Engine::Impl& engine)
    : engine_(engine), device_(engine), null_(engine) {}

OutputSupervisor::~OutputSupervisor() {
    if (!stopped_) stop();
}

bool OutputSupervisor::start() {
    if (device_.start()) {
        mode_ = Mode::OnDevice;  // nothing plays yet: a stream slow to start is stood in for
    } else {
        mode_ = Mode::NoDevice;
        engine_.kind.store(OutputKind::Null);
        null_.start();
    }
    watcher_ = std::thread([this] { watch(); });
    return true;
}

void OutputSupervisor::reopen(std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    const bool opened = device_.start();
    lock.lock();
    mode_ = opened ? Mode::StandingIn : Mode::NoDevice;
}

void OutputSupervisor::watch() {
    std::unique_lock lock(mutex_);
    auto lastAttempt = std::chrono::steady_clock::now();
    while (!quit_) {
        wake_.wait_for(lock, kWatchTick);
        if (quit_) break;
        const auto now = std::chrono::steady_clock::now();
        const bool retryNow = std::exchange(retryWanted_, false);
        if (mode_ == Mode::NoDevice) {
            if (retryNow || now - lastAttempt >= kRetrySpacing) {
                lastAttempt = now;
                reopen(lock);
            }
            continue;
        }
        switch (device_.health()) {
            case DeviceOutput::Health::Sounding:
                if (mode_ == Mode::StandingIn) {
                    engine_.kind.store(OutputKind::Device);
                    null_.stop();
                    mode_ = Mode::OnDevice;
                }
                break;
            case DeviceOutput::Health::Late:
                if (mode_ == Mode::OnDevice) {
                    // Slow is not dead: keep the time and wait for it.
                    null_.startFrom(device_.lastHeardNs());
                    engine_.kind.store(OutputKind::Null);
                    mode_ = Mode::StandingIn;
                } else if (device_.quietNs() > (retryNow ? kPlayRetryNs : kStuckNs)) {
                    lastAttempt = now;
                    reopen(lock);  // may wait as long as a hung server hangs; time goes on
                }
                break;
            case DeviceOutput::Health::Lost:
                // The stream is over: a new one, at once, may well sound (a server restarted
                // under it, a sink moved); otherwise every two seconds from now on.
                null_.startFrom(device_.lastHeardNs());
                engine_.kind.store(OutputKind::Null);
                if (retryNow || now - lastAttempt >= kRetrySpacing) {
                    lastAttempt = now;
                    reopen(lock);
                } else {
                    lock.unlock();
                    device_.stop();
                    lock.lock();
                    mode_ = Mode::NoDevice;
                }
                break;
        }
    }
}

void OutputSupervisor::aboutToPlay() {
    if (engine_.kind.load() != OutputKind::Null) return;
    {
        std::lock_guard lock(mutex_);
        retryWanted_ = true;
    }
    wake_.notify_all();
}

bool OutputSupervisor::stop() {
    stopped_ = true;
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    device_.cancelStart();
    // A sound server that hangs (stopped, not dead) holds PortAudio's teardown for as long as it
    // hangs. The program must still be able to exit, so the teardown gets a limited time and is
    // otherwise left running on its own with everything it touches.
    std::promise<void> finished;
    std::future<void> done = finished.get_future();
    std::thread teardown([this, state = teardown_, finished = std::move(finished)]() mutable {
        if (watcher_.joinable()) watcher_.join();
        null_.stop();
        device_.stop();
        finished.set_value();
        std::function<void()> then;
        {
            std::lock_guard lock(state->mutex);
            state->done = true;
            then = std::move(state->then);
        }
        if (then) then();  // may free this supervisor: nothing of it is touched after
    });
    if (done.wait_for(kTeardownLimit) == std::future_status::ready) {
        teardown.join();
        return true;
    }
    teardown.detach();
    return false;
}

void OutputSupervisor::whenStopped(std::function<void()> then) {
    const std::shared_ptr<Teardown> state = teardown_;  // `then` may free this supervisor
    {
        std::lock_guard lock(state->mutex);
        if (!state->done) {
            state->then = std::move(then);
            return;
        }
    }
    then();
}

}  // namespace vantrel::audio
