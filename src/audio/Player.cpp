#include "audio/Player.h"

// Placeholder until the real engine lands.
namespace vantrel::audio {

struct Player::Impl {
    std::string fileName;
    float volume = 1.0f;
};

Player::Player(Engine&) : impl_(std::make_unique<Impl>()) {}
Player::~Player() = default;
void Player::SetFileName(const std::string& p) {
    impl_->fileName = p;
}
const std::string& Player::FileName() const {
    return impl_->fileName;
}
int Player::Open() {
    return -1;
}
int Player::Length() const {
    return 0;
}
int Player::Position() const {
    return 0;
}
void Player::SetPosition(int) {}
void Player::Play() {}
void Player::Pause() {}
int Player::Status() const {
    return kStopped;
}
float Player::Volume() const {
    return impl_->volume;
}
void Player::SetVolume(float v) {
    impl_->volume = v;
}
double Player::Level() const {
    return 0.0;
}
void Player::SetRate(float) {}
void Player::SetTempo(float) {}
void Player::SetPitch(float) {}
void Player::SetPitchSemitones(float) {}

}  // namespace vantrel::audio
