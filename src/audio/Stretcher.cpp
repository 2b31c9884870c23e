#include "audio/Stretcher.h"

#include <soundtouch/SoundTouch.h>

#include <vector>

namespace vantrel::audio {

Stretcher::Stretcher(int sampleRate) : st_(std::make_unique<soundtouch::SoundTouch>()) {
    st_->setSampleRate(unsigned(sampleRate));
    st_->setChannels(2);
    st_->setTempo(1.0);
    st_->setRate(1.0);
    st_->setPitch(1.0);
    st_->setSetting(SETTING_USE_AA_FILTER, 0);
    // Run a second of silence through once so the internal buffers reach their working size
    // before the first tempo change, not during it.
    std::vector<float> silence(size_t(sampleRate) * 2, 0.0f);
    st_->putSamples(silence.data(), unsigned(sampleRate));
    st_->clear();
}

Stretcher::~Stretcher() = default;

void Stretcher::setParameters(float tempo, float rate, float pitch) {
    if (tempo == tempo_ && rate == rate_ && pitch == pitch_) return;
    if (tempo != tempo_) st_->setTempo(double(tempo_ = tempo));
    if (rate != rate_) st_->setRate(double(rate_ = rate));
    if (pitch != pitch_) st_->setPitch(double(pitch_ = pitch));
    // The anti-alias filter only matters when samples are resampled (rate or pitch moved);
    // for a tempo change alone it would cost a third of the time and only dull the highs.
    const bool resampling = double(rate_) * double(pitch_) != 1.0;
    if (resampling != antiAlias_) {
        antiAlias_ = resampling;
        st_->setSetting(SETTING_USE_AA_FILTER, resampling ? 1 : 0);
    }
}

void Stretcher::put(const float* interleaved, int frames) {
    if (frames > 0) st_->putSamples(interleaved, unsigned(frames));
}

int Stretcher::receive(float* interleaved, int maxFrames) {
    return int(st_->receiveSamples(interleaved, unsigned(maxFrames)));
}

void Stretcher::flush() {
    st_->flush();
}

void Stretcher::clear() {
    st_->clear();
}

}  // namespace vantrel::audio
