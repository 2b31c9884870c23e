#include "audio/MediaControl.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "audio/Decoder.h"
#include "audio/EngineImpl.h"

namespace vantrel::audio {

namespace {
// As for a deck's open: a local sample decodes well within this; a slower one loads in the
// background while its channel counts as busy.
constexpr auto kQuickLoad = std::chrono::milliseconds(20);
constexpr auto kLoadTimeout = std::chrono::seconds(15);
}  // namespace

// A sample decoding on a loader thread of its own, which holds the job to its end.
struct SampleJob {
    explicit SampleJob(std::string p) : path(std::move(p)) {}
    const std::string path;
    const std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    std::mutex mutex;
    std::condition_variable doneChanged;
    bool done = false;
    std::unique_ptr<SampleData> data;  // null when the file did not decode
};

struct MediaControl::Impl {
    explicit Impl(Engine::Impl& e) : engine(e) {}
    Engine::Impl& engine;
    int channel = 1;
    int duration = 0;

    // What a loader thread reaches the channels through; `impl` is null once the media control
    // is gone. The mutex also guards the loads below and every channel's owned sound.
    struct Link {
        std::mutex mutex;
        Impl* impl = nullptr;
    };
    std::shared_ptr<Link> link = std::make_shared<Link>();
    std::array<std::shared_ptr<SampleJob>, kChannels> loading;
    std::array<bool, kChannels> playWhenLoaded{};

    SampleChannel* current() {
        if (channel < 1 || channel > kChannels) return nullptr;
        return &engine.channels[size_t(channel - 1)];
    }

    // Under the link's mutex: puts a finished load on its channel, once.
    bool install(int index, const std::shared_ptr<SampleJob>& job) {
        if (loading[size_t(index)] != job) return false;
        loading[size_t(index)].reset();
        SampleChannel& c = engine.channels[size_t(index)];
        // Silence the channel and wait until no render still reads the old sound before freeing it.
        c.state.store(c.state.load() & ~1u, std::memory_order_release);
        c.data.store(nullptr, std::memory_order_release);
        engine.awaitRender();
        c.owned = std::move(job->data);
        c.data.store(c.owned.get(), std::memory_order_release);
        if (c.owned && playWhenLoaded[size_t(index)]) start(c);
        return true;
    }

    // Under the link's mutex: a load that never finished frees its channel.
    bool busyLoading(int index) {
        auto& job = loading[size_t(index)];
        if (job && std::chrono::steady_clock::now() - job->started > kLoadTimeout) job.reset();
        return job != nullptr;
    }

    static void start(SampleChannel& c) {
        const std::uint32_t s = c.state.load();
        c.state.store((((s >> 1) + 1) << 1) | 1u, std::memory_order_release);
    }
};

MediaControl::MediaControl(Engine& engine) : impl_(std::make_unique<Impl>(engine.impl())) {
    impl_->link->impl = impl_.get();
}

MediaControl::~MediaControl() {
    const std::lock_guard lock(impl_->link->mutex);
    impl_->link->impl = nullptr;
}

int MediaControl::Initialize(void*, int, bool, bool) {
    return 0;
}

void MediaControl::Shutdown() {
    CloseFile();
}

int MediaControl::OpenFile(const std::string& path) {
    const int s = probeDurationSeconds(path);
    impl_->duration = std::max(s, 0);
    return s < 0 ? -1 : 0;
}

int MediaControl::Duration() const {
    return impl_->duration;
}

void MediaControl::CloseFile() {
    impl_->duration = 0;
}

void MediaControl::SetChannel(int channel) {
    impl_->channel = channel;
}

int MediaControl::Channel() const {
    return impl_->channel;
}

bool MediaControl::Playing() const {
    SampleChannel* c = impl_->current();
    if (!c) return false;
    const std::lock_guard lock(impl_->link->mutex);
    return impl_->busyLoading(impl_->channel - 1) ||
           (c->state.load(std::memory_order_acquire) & 1) != 0;
}

int MediaControl::LoadSample(const std::string& path) {
    Impl& d = *impl_;
    if (!d.current()) return -1;
    const int index = d.channel - 1;
    auto job = std::make_shared<SampleJob>(path);
    {
        const std::lock_guard lock(d.link->mutex);
        d.loading[size_t(index)] = job;
        d.playWhenLoaded[size_t(index)] = false;
    }
    // Whoever first finds the load finished installs it: this call, or the loader thread once
    // this call has stopped waiting.
    const auto load = [job, link = d.link, index, rate = d.engine.rate] {
        auto data = std::make_unique<SampleData>();
        const bool ok = decodeWhole(job->path, rate, data->frames);
        {
            const std::lock_guard lock(job->mutex);
            job->data = ok ? std::move(data) : nullptr;
            job->done = true;
            job->doneChanged.notify_all();
        }
        const std::lock_guard lock(link->mutex);
        if (link->impl) link->impl->install(index, job);
    };
    if (d.engine.options.output == OutputKind::Offline) {
        load();  // every run of a render the same
    } else {
        std::thread(load).detach();
        std::unique_lock lock(job->mutex);
        job->doneChanged.wait_for(lock, kQuickLoad, [&] { return job->done; });
    }
    const std::lock_guard lock(d.link->mutex);
    std::unique_lock jobLock(job->mutex);
    if (!job->done) return 0;  // loading: the channel is busy until then
    jobLock.unlock();
    d.install(index, job);
    return d.engine.channels[size_t(index)].owned ? 0 : -1;
}

void MediaControl::PlaySample(bool) {
    // Samples fire once; the loop flag the callers pass is always False.
    SampleChannel* c = impl_->current();
    if (!c) return;
    const std::lock_guard lock(impl_->link->mutex);
    if (impl_->busyLoading(impl_->channel - 1)) {
        impl_->playWhenLoaded[size_t(impl_->channel - 1)] = true;
        return;
    }
    if (c->owned) Impl::start(*c);
}

void MediaControl::SetVolume(int volume) {
    SampleChannel* c = impl_->current();
    if (!c) return;
    c->volume.store(float(std::clamp(volume, 0, 100)) / 100.0f, std::memory_order_relaxed);
}

}  // namespace vantrel::audio
