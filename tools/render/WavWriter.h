#pragma once
// Streams interleaved float frames into a 16-bit PCM WAV file (libsndfile), clipping at full
// scale as a sound card would.
#include <memory>
#include <string>
#include <vector>

namespace vantrel::render {

class WavWriter {
public:
    WavWriter(const std::string& path, int rate, int channels);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool ok() const { return file_ != nullptr; }
    bool write(const float* interleaved, int frames);
    // Finishes the header; false when any write failed.
    bool close();

private:
    struct Closer {
        void operator()(void* f) const;
    };
    void flush();

    static constexpr size_t kBufferSamples = 1 << 18;
    std::unique_ptr<void, Closer> file_;
    int channels_;
    std::vector<float> buffer_;
    bool failed_ = false;
};

}  // namespace vantrel::render
