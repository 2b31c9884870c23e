#include "sound/SoundControls.h"

#include "audio/Player.h"

namespace vantrel {

namespace {

class PlayerTarget final : public StretchTarget {
public:
    explicit PlayerTarget(audio::Player& p) : player_(p) {}
    void SetTempo(float f) override { player_.SetTempo(f); }
    void SetPitch(float f) override { player_.SetPitch(f); }
    void SetPitchSemitones(float s) override { player_.SetPitchSemitones(s); }
    void SetRate(float f) override { player_.SetRate(f); }

private:
    audio::Player& player_;
};

// The factor is worked out in double and rounded to single only when it is handed on.
float Factor(int thousandths) {
    return static_cast<float>(thousandths / 1000.0);
}

}  // namespace

SoundControls::SoundControls(audio::Player& player, QObject* parent)
    : QObject(parent), ownTarget_(std::make_unique<PlayerTarget>(player)), target_(*ownTarget_) {
    Wire();
}

SoundControls::SoundControls(StretchTarget& target, QObject* parent)
    : QObject(parent), target_(target) {
    Wire();
}

SoundControls::~SoundControls() = default;

void SoundControls::Wire() {
    tempoSlider.onChanged = [this] { TempoChanged(); };
    rateSlider.onChanged = [this] { RateChanged(); };
    gradualPitchSlider.onChanged = [this] { GradualChanged(); };
    semitoneSlider.onChanged = [this] { SemitoneChanged(); };
}

QString SoundControls::PercentText(int thousandths) {
    return QString::number(thousandths / 10) + QLatin1Char('%');
}

void SoundControls::StepDown(Slider& s, int k) {
    if (s.Value() - k >= s.Min()) s.SetValue(s.Value() - k);
}

void SoundControls::StepUp(Slider& s, int k) {
    if (s.Value() + k <= s.Max()) s.SetValue(s.Value() + k);
}

void SoundControls::TempoChanged() {
    const int v = tempoSlider.Value();
    target_.SetTempo(Factor(v));
    tempoLabel.SetCaption(PercentText(v));
}

void SoundControls::RateChanged() {
    const int v = rateSlider.Value();
    target_.SetRate(Factor(v));
    rateLabel.SetCaption(PercentText(v));
}

// The two pitch sliders set the same pitch of the player in different units; the one moved
// last wins, and moving one puts the other back to neutral so both labels tell the truth.
void SoundControls::GradualChanged() {
    if (!inPitchHandler_) {
        inPitchHandler_ = true;
        semitoneSlider.SetValue(kNeutralSemitone);
        inPitchHandler_ = false;
    }
    const int v = gradualPitchSlider.Value();
    target_.SetPitch(Factor(v));
    gradualPitchLabel.SetCaption(PercentText(v));
}

void SoundControls::SemitoneChanged() {
    if (!inPitchHandler_) {
        inPitchHandler_ = true;
        gradualPitchSlider.SetValue(kNeutral);
        inPitchHandler_ = false;
    }
    const int s = semitoneSlider.Value();
    target_.SetPitchSemitones(static_cast<float>(s));
    semitoneLabel.SetCaption(QString::number(s));
}

}  // namespace vantrel
