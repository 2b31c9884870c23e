#include "audio/Engine.h"

#include <algorithm>

// Placeholder until the real engine lands: silent, offline only.
namespace vantrel::audio {

struct Engine::Impl {
    EngineOptions options;
    std::function<void(const float*, int)> sink;
};

Engine::Engine(EngineOptions options) : impl_(std::make_unique<Impl>()) {
    impl_->options = options;
}
Engine::~Engine() = default;

void Engine::render(float* out, int frames) noexcept {
    std::fill(out, out + 2 * frames, 0.0f);
}
int Engine::sampleRate() const {
    return impl_->options.sampleRate;
}
OutputKind Engine::outputKind() const {
    return impl_->options.output;
}
std::int64_t Engine::underruns() const {
    return 0;
}

void Engine::renderOffline(int frames) {
    std::vector<float> block(static_cast<size_t>(frames) * 2);
    render(block.data(), frames);
    if (impl_->sink) impl_->sink(block.data(), frames);
}

void Engine::setCaptureSink(std::function<void(const float*, int)> sink) {
    impl_->sink = std::move(sink);
}

}  // namespace vantrel::audio
