#include "WavWriter.h"

#include <sndfile.h>

namespace vantrel::render {

void WavWriter::Closer::operator()(void* f) const {
    sf_close(static_cast<SNDFILE*>(f));
}

WavWriter::WavWriter(const std::string& path, int rate, int channels) : channels_(channels) {
    buffer_.reserve(kBufferSamples + 8192);
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return;
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    file_.reset(f);
}

WavWriter::~WavWriter() = default;

bool WavWriter::write(const float* interleaved, int frames) {
    if (!file_) return false;
    // libsndfile writes straight through; gathering first saves a system call per block.
    buffer_.insert(buffer_.end(), interleaved, interleaved + size_t(frames) * size_t(channels_));
    if (buffer_.size() >= kBufferSamples) flush();
    return !failed_;
}

void WavWriter::flush() {
    if (!file_ || buffer_.empty()) return;
    const sf_count_t frames = sf_count_t(buffer_.size() / size_t(channels_));
    if (sf_writef_float(static_cast<SNDFILE*>(file_.get()), buffer_.data(), frames) != frames)
        failed_ = true;
    buffer_.clear();
}

bool WavWriter::close() {
    if (!file_) return false;
    flush();
    file_.reset();
    return !failed_;
}

}  // namespace vantrel::render
