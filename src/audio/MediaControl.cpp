#include "audio/MediaControl.h"

// Placeholder until the real engine lands.
namespace vantrel::audio {

struct MediaControl::Impl {
    int channel = 1;
};

MediaControl::MediaControl(Engine&) : impl_(std::make_unique<Impl>()) {}
MediaControl::~MediaControl() = default;
int MediaControl::Initialize(void*, int, bool, bool) {
    return 0;
}
void MediaControl::Shutdown() {}
int MediaControl::OpenFile(const std::string&) {
    return -1;
}
int MediaControl::Duration() const {
    return 0;
}
void MediaControl::CloseFile() {}
void MediaControl::SetChannel(int c) {
    impl_->channel = c;
}
int MediaControl::Channel() const {
    return impl_->channel;
}
bool MediaControl::Playing() const {
    return false;
}
int MediaControl::LoadSample(const std::string&) {
    return -1;
}
void MediaControl::PlaySample(bool) {}
void MediaControl::SetVolume(int) {}

}  // namespace vantrel::audio
