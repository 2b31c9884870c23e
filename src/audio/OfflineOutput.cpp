#include "audio/OfflineOutput.h"

#include <algorithm>

#include "audio/EngineImpl.h"
#include "audio/PlayerCore.h"

namespace vantrel::audio {

OfflineOutput::OfflineOutput(Engine::Impl& engine)
    : engine_(engine), block_(size_t(kChunkFrames) * 2) {}

void OfflineOutput::render(int frames) {
    for (int done = 0; done < frames;) {
        const int n = std::min(kChunkFrames, frames - done);
        // The players decode right here before each piece: no worker races the render, so two
        // runs give the same sound.
        for (auto& slot : engine_.players)
            if (PlayerCore* p = slot.load(std::memory_order_acquire)) p->fillFor(n);
        engine_.render(block_.data(), n);
        if (sink_) sink_(block_.data(), n);
        done += n;
    }
}

}  // namespace vantrel::audio
