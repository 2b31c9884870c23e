#include "sound/SystemMixer.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vantrel {

namespace {

struct MixerCloser {
    void operator()(snd_mixer_t* m) const { snd_mixer_close(m); }
};
using MixerHandle = std::unique_ptr<snd_mixer_t, MixerCloser>;

bool HasVolume(snd_mixer_elem_t* e) {
    return snd_mixer_selem_is_active(e) && snd_mixer_selem_has_playback_volume(e);
}

}  // namespace

struct SystemMixer::Impl {
    MixerHandle mixer;
    snd_mixer_elem_t* element = nullptr;  // owned by `mixer`
    long min = 0;
    long max = 0;
    // One value for all channels: a mono element, or channels the driver moves together.
    bool single = false;
};

SystemMixer::SystemMixer(std::string card)
    : card_(std::move(card)), impl_(std::make_unique<Impl>()) {}

SystemMixer::~SystemMixer() = default;

std::string SystemMixer::DefaultCard() {
    const char* env = std::getenv("VANTREL_MIXER_CARD");
    return env && *env ? std::string(env) : std::string("default");
}

std::string SystemMixer::elementName() const {
    return impl_->element ? snd_mixer_selem_get_name(impl_->element) : std::string();
}

long SystemMixer::ToElement(int level, long min, long max) {
    level = std::clamp(level, 0, kFullScale);
    return min + std::lround(double(level) * double(max - min) / kFullScale);
}

int SystemMixer::FromElement(long value, long min, long max) {
    if (max <= min) return -1;
    value = std::clamp(value, min, max);
    return int(std::lround(double(value - min) * kFullScale / double(max - min)));
}

bool SystemMixer::Open() {
    if (impl_->mixer) return true;
    snd_mixer_t* raw = nullptr;
    if (snd_mixer_open(&raw, 0) < 0) return false;
    MixerHandle mixer(raw);
    if (snd_mixer_attach(raw, card_.c_str()) < 0) return false;
    if (snd_mixer_selem_register(raw, nullptr, nullptr) < 0) return false;
    if (snd_mixer_load(raw) < 0) return false;
    impl_->mixer = std::move(mixer);
    return true;
}

bool SystemMixer::FindSpeakerVolumeControl() {
    if (!impl_->mixer) return false;
    snd_mixer_elem_t* found = nullptr;
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(impl_->mixer.get()); e;
         e = snd_mixer_elem_next(e)) {
        if (!HasVolume(e)) continue;
        if (std::string(snd_mixer_selem_get_name(e)) == "Master" &&
            snd_mixer_selem_get_index(e) == 0) {
            found = e;
            break;
        }
        if (!found) found = e;
    }
    if (!found) return false;
    long min = 0, max = 0;
    if (snd_mixer_selem_get_playback_volume_range(found, &min, &max) < 0 || max <= min)
        return false;
    impl_->element = found;
    impl_->min = min;
    impl_->max = max;
    impl_->single = snd_mixer_selem_is_playback_mono(found) ||
                    snd_mixer_selem_has_playback_volume_joined(found) ||
                    !snd_mixer_selem_has_playback_channel(found, SND_MIXER_SCHN_FRONT_RIGHT);
    return true;
}

// One level is read: the louder channel, which is the volume itself whatever the balance.
int SystemMixer::ReadMixerLevel() {
    Impl& d = *impl_;
    if (!d.element) return -1;
    // Take in changes other programs made since the mixer was opened.
    snd_mixer_handle_events(d.mixer.get());
    long left = 0;
    if (snd_mixer_selem_get_playback_volume(d.element, SND_MIXER_SCHN_FRONT_LEFT, &left) < 0)
        return -1;
    long level = left;
    if (!d.single) {
        long right = 0;
        if (snd_mixer_selem_get_playback_volume(d.element, SND_MIXER_SCHN_FRONT_RIGHT, &right) < 0)
            return -1;
        level = std::max(left, right);
    }
    return FromElement(level, d.min, d.max);
}

bool SystemMixer::SetMixerStereoLevel(int left, int right) {
    Impl& d = *impl_;
    if (!d.element) return false;
    if (d.single) {
        return snd_mixer_selem_set_playback_volume_all(
                   d.element, ToElement(std::max(left, right), d.min, d.max)) >= 0;
    }
    const bool okLeft = snd_mixer_selem_set_playback_volume(d.element, SND_MIXER_SCHN_FRONT_LEFT,
                                                            ToElement(left, d.min, d.max)) >= 0;
    const bool okRight = snd_mixer_selem_set_playback_volume(d.element, SND_MIXER_SCHN_FRONT_RIGHT,
                                                             ToElement(right, d.min, d.max)) >= 0;
    return okLeft && okRight;
}

}  // namespace vantrel
