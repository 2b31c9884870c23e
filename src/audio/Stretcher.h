#pragma once
// Tempo, pitch and rate processing of one player (SoundTouch), fed and drained by its worker.
#include <memory>

namespace soundtouch {
class SoundTouch;
}

namespace vantrel::audio {

class Stretcher {
public:
    explicit Stretcher(int sampleRate);
    ~Stretcher();
    Stretcher(const Stretcher&) = delete;
    Stretcher& operator=(const Stretcher&) = delete;

    // Applies only what changed, so a slider that did not move costs nothing.
    void setParameters(float tempo, float rate, float pitch);
    void put(const float* interleaved, int frames);
    int receive(float* interleaved, int maxFrames);
    // Pushes the samples still held inside through (padding with silence).
    void flush();
    void clear();

private:
    std::unique_ptr<soundtouch::SoundTouch> st_;
    float tempo_ = 1, rate_ = 1, pitch_ = 1;
    bool antiAlias_ = false;
};

}  // namespace vantrel::audio
