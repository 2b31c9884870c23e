#include "WavWriter.h"

#include <sndfile.h>

namespace vantrel::render {

void WavWriter::Closer::operator()(void* f) const {
    sf_close(static_cast<SNDFILE*>(f));
}

WavWriter::WavWriter(const std::string& path, int rate, int channels) {
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
    if (sf_writef_float(static_cast<SNDFILE*>(file_.get()), interleaved, frames) != frames)
        failed_ = true;
    return !failed_;
}

bool WavWriter::close() {
    if (!file_) return false;
    file_.reset();
    return !failed_;
}

}  // namespace vantrel::render
