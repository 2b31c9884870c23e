#include "audio/MediaControl.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "audio/Decoder.h"
#include "audio/EngineImpl.h"
#include "audio/FileJob.h"

namespace vantrel::audio {

namespace {
// A sample that takes longer to decode than a click may wait loads in the background while its
// channel counts as busy. Its sound is null when the file did not decode.
using SampleJob = FileJob<std::unique_ptr<SampleData>>;
}  // namespace

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
        c.owned = std::move(job->result());
        c.data.store(c.owned.get(), std::memory_order_release);
        if (c.owned && playWhenLoaded[size_t(index)]) start(c);
        return true;
    }

    // Under the link's mutex: a load that never finished frees its channel.
    bool busyLoading(int index) {
        auto& job = loading[size_t(index)];
        if (job && job->timedOut()) job.reset();
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
        d.engine.channels[size_t(index)].ducksMusic.store(false, std::memory_order_relaxed);
    }
    // Whoever first finds the load finished installs it: this call, or the loader thread once
    // this call has stopped waiting.
    SampleJob::start(
        job, d.engine.options.output == OutputKind::Offline,
        [rate = d.engine.rate](const std::string& path) {
            auto data = std::make_unique<SampleData>();
            return decodeWhole(path, rate, data->frames) ? std::move(data) : nullptr;
        },
        [job, link = d.link, index] {
            const std::lock_guard lock(link->mutex);
            if (link->impl) link->impl->install(index, job);
        });
    const std::lock_guard lock(d.link->mutex);
    if (!job->done()) return 0;  // loading: the channel is busy until then
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

namespace vantrel::audio {

void MediaControl::SetDucksMusic(bool on) {
    if (SampleChannel* c = impl_->current()) c->ducksMusic.store(on, std::memory_order_relaxed);
}

}  // namespace vantrel::audio
