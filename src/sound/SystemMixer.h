#pragma once
// The sound card's speaker volume, on a 0..65535 scale with a left and a right level. MixerLayer
// is the seam the master volume works through; SystemMixer serves it from the ALSA simple mixer.
#include <memory>
#include <string>

namespace vantrel {

class MixerLayer {
public:
    static constexpr int kFullScale = 65535;

    virtual ~MixerLayer() = default;
    // Opens the mixer; false when there is none. Stays open for the life of the object.
    virtual bool Open() = 0;
    // Finds the volume control to act on; false when the mixer has none.
    virtual bool FindSpeakerVolumeControl() = 0;
    // The control's level on 0..65535, or -1 when it cannot be read.
    virtual int ReadMixerLevel() = 0;
    // Levels on 0..65535; true when the mixer took them.
    virtual bool SetMixerStereoLevel(int left, int right) = 0;
};

// Card "default" unless VANTREL_MIXER_CARD names another (tests point it at a missing one).
// The control is the element "Master", else the first element with a playback volume; its own
// range is mapped onto 0..65535 both ways.
class SystemMixer final : public MixerLayer {
public:
    explicit SystemMixer(std::string card = DefaultCard());
    ~SystemMixer() override;
    SystemMixer(const SystemMixer&) = delete;
    SystemMixer& operator=(const SystemMixer&) = delete;

    static std::string DefaultCard();
    const std::string& card() const { return card_; }
    // The element found, empty before FindSpeakerVolumeControl succeeds.
    std::string elementName() const;

    bool Open() override;
    bool FindSpeakerVolumeControl() override;
    int ReadMixerLevel() override;
    bool SetMixerStereoLevel(int left, int right) override;

    // The scale conversions, exposed for their edge cases: round to nearest, clamped.
    static long ToElement(int level, long min, long max);
    static int FromElement(long value, long min, long max);

    struct Impl;

private:
    std::string card_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel
