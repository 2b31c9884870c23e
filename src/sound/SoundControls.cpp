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
    sldTempo.onChanged = [this] { TempoChanged(); };
    sldSpeed.onChanged = [this] { RateChanged(); };
    sldPitchGrad.onChanged = [this] { GradualChanged(); };
    sldPitchSemi.onChanged = [this] { SemitoneChanged(); };
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
    const int v = sldTempo.Value();
    target_.SetTempo(Factor(v));
    lblTempo.SetCaption(PercentText(v));
}

void SoundControls::RateChanged() {
    const int v = sldSpeed.Value();
    target_.SetRate(Factor(v));
    lblRate.SetCaption(PercentText(v));
}

// The two pitch sliders set the same pitch of the player in different units; the one moved
// last wins, and moving one puts the other back to neutral so both labels tell the truth.
void SoundControls::GradualChanged() {
    if (!inPitchHandler_) {
        inPitchHandler_ = true;
        sldPitchSemi.SetValue(kNeutralSemitone);
        inPitchHandler_ = false;
    }
    const int v = sldPitchGrad.Value();
    target_.SetPitch(Factor(v));
    lblPitchGrade.SetCaption(PercentText(v));
}

void SoundControls::SemitoneChanged() {
    if (!inPitchHandler_) {
        inPitchHandler_ = true;
        sldPitchGrad.SetValue(kNeutral);
        inPitchHandler_ = false;
    }
    const int s = sldPitchSemi.Value();
    target_.SetPitchSemitones(static_cast<float>(s));
    lblPitchSemi.SetCaption(QString::number(s));
}

}  // namespace vantrel
