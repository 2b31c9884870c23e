#include "audio/OutputSupervisor.h"

#include <chrono>
#include <future>

#include "audio/EngineImpl.h"

namespace vantrel::audio {

namespace {
constexpr auto kWatchTick = std::chrono::milliseconds(100);
constexpr auto kReopenSpacing = std::chrono::seconds(1);
constexpr auto kTeardownLimit = std::chrono::seconds(2);
}  // namespace

OutputSupervisor::OutputSupervisor(Engine::Impl& engine)
    : engine_(engine), device_(engine), null_(engine) {}

OutputSupervisor::~OutputSupervisor() {
    if (!stopped_) stop();
}

bool OutputSupervisor::start() {
    if (!device_.start()) {
        engine_.kind.store(OutputKind::Null);
        null_.start();
    }
    watcher_ = std::thread([this] { watch(); });
    return true;
}

void OutputSupervisor::watch() {
    std::unique_lock lock(mutex_);
    auto lastAttempt = std::chrono::steady_clock::now();
    while (!quit_) {
        wake_.wait_for(lock, kWatchTick);
        if (quit_) break;
        const OutputKind kind = engine_.kind.load();
        if (kind == OutputKind::Device && !device_.stillCallingBack()) {
            // The device died: keep time going on the Null output, then let go of it (which
            // may take as long as a hung server hangs).
            null_.start();
            engine_.kind.store(OutputKind::Null);
            lock.unlock();
            device_.stop();
            lock.lock();
        } else if (kind == OutputKind::Null && reopenWanted_ &&
                   std::chrono::steady_clock::now() - lastAttempt >= kReopenSpacing) {
            reopenWanted_ = false;
            lastAttempt = std::chrono::steady_clock::now();
            lock.unlock();
            const bool opened = device_.start();
            lock.lock();
            if (opened) {
                engine_.kind.store(OutputKind::Device);
                null_.stop();
            }
        }
    }
}

void OutputSupervisor::aboutToPlay() {
    if (engine_.kind.load() != OutputKind::Null) return;
    {
        std::lock_guard lock(mutex_);
        reopenWanted_ = true;
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
