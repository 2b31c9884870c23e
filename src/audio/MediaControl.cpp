#include "audio/MediaControl.h"

#include <algorithm>

#include "audio/Decoder.h"
#include "audio/EngineImpl.h"

namespace vantrel::audio {

struct MediaControl::Impl {
    Engine::Impl& engine;
    int channel = 1;
    int duration = 0;

    SampleChannel* current() {
        if (channel < 1 || channel > kChannels) return nullptr;
        return &engine.channels[size_t(channel - 1)];
    }
};

MediaControl::MediaControl(Engine& engine) : impl_(std::make_unique<Impl>(Impl{engine.impl()})) {}
MediaControl::~MediaControl() = default;

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
    return c && (c->state.load(std::memory_order_acquire) & 1) != 0;
}

int MediaControl::LoadSample(const std::string& path) {
    SampleChannel* c = impl_->current();
    if (!c) return -1;
    auto data = std::make_unique<SampleData>();
    const bool ok = decodeWhole(path, impl_->engine.rate, data->frames);
    // Silence the channel and wait until no render still reads the old sound before freeing it.
    c->state.store(c->state.load() & ~1u, std::memory_order_release);
    c->data.store(nullptr, std::memory_order_release);
    impl_->engine.awaitRender();
    c->owned = ok ? std::move(data) : nullptr;
    c->data.store(c->owned.get(), std::memory_order_release);
    return ok ? 0 : -1;
}

void MediaControl::PlaySample(bool) {
    // Samples fire once; the loop flag the callers pass is always False.
    SampleChannel* c = impl_->current();
    if (!c || !c->owned) return;
    const std::uint32_t s = c->state.load();
    c->state.store((((s >> 1) + 1) << 1) | 1u, std::memory_order_release);
}

void MediaControl::SetVolume(int volume) {
    SampleChannel* c = impl_->current();
    if (!c) return;
    c->volume.store(float(std::clamp(volume, 0, 100)) / 100.0f, std::memory_order_relaxed);
}

}  // namespace vantrel::audio
