#pragma once
// One deck's tempo, gradual pitch, semitone pitch and rate: four sliders with their value labels,
// the twelve step and reset commands, and the handlers that pass a changed value to the deck's
// player. Used twice, once per deck; each instance drives only the player it was given.
#include <QObject>
#include <QString>
#include <memory>

#include "base/Label.h"
#include "base/Slider.h"

namespace vantrel {

namespace audio {
class Player;
}

// What the controls drive: the four player operations they call. A deck's player in the program;
// a recorder in tests.
class StretchTarget {
public:
    virtual ~StretchTarget() = default;
    virtual void SetTempo(float factor) = 0;
    virtual void SetPitch(float factor) = 0;
    virtual void SetPitchSemitones(float semitones) = 0;
    virtual void SetRate(float factor) = 0;
};

class SoundControls : public QObject {
    Q_OBJECT
public:
    explicit SoundControls(audio::Player& player, QObject* parent = nullptr);
    explicit SoundControls(StretchTarget& target, QObject* parent = nullptr);
    ~SoundControls() override;

    static constexpr int kNeutral = 1000;  // thousandths: unchanged tempo, pitch, rate
    static constexpr int kNeutralSemitone = 0;

    static inline const QString kTempoCaption = QStringLiteral("Tempo");
    static inline const QString kGradualCaption = QStringLiteral("Gradual pitch");
    static inline const QString kSemitoneCaption = QStringLiteral("Semitone pitch");
    static inline const QString kRateCaption = QStringLiteral("Tempo and pitch");
    static inline const QString kDownToolTip = QStringLiteral("Down");
    static inline const QString kUpToolTip = QStringLiteral("Up");
    static inline const QString kResetToolTip = QStringLiteral("Reset");

    Slider tempoSlider{500, 1500, kNeutral};
    Slider gradualPitchSlider{500, 1500, kNeutral};
    Slider semitoneSlider{-12, 12, kNeutralSemitone};
    Slider rateSlider{500, 1500, kNeutral};  // the rate: tempo and pitch together

    Label tempoLabel{QStringLiteral("100%")};
    Label gradualPitchLabel{QStringLiteral("100%")};
    Label semitoneLabel{QStringLiteral("0")};
    Label rateLabel{QStringLiteral("100%")};

    // The button commands; menus and keys call the same ones.
    void tempoDown() { StepDown(tempoSlider, 10); }
    void tempoUp() { StepUp(tempoSlider, 10); }
    void tempoReset() { tempoSlider.SetValue(kNeutral); }
    void gradualDown() { StepDown(gradualPitchSlider, 10); }
    void gradualUp() { StepUp(gradualPitchSlider, 10); }
    void gradualReset() { gradualPitchSlider.SetValue(kNeutral); }
    void semitoneDown() { StepDown(semitoneSlider, 1); }
    void semitoneUp() { StepUp(semitoneSlider, 1); }
    void semitoneReset() { semitoneSlider.SetValue(kNeutralSemitone); }
    void rateDown() { StepDown(rateSlider, 10); }
    void rateUp() { StepUp(rateSlider, 10); }
    void rateReset() { rateSlider.SetValue(kNeutral); }

    // "123%" for 1234: whole percent, truncated.
    static QString PercentText(int thousandths);

private:
    void Wire();
    // A step that would leave the range is ignored rather than clamped to the bound.
    static void StepDown(Slider& s, int k);
    static void StepUp(Slider& s, int k);

    void TempoChanged();
    void RateChanged();
    void GradualChanged();
    void SemitoneChanged();

    std::unique_ptr<StretchTarget> ownTarget_;
    StretchTarget& target_;
    // Set while a pitch handler puts the other pitch slider back to neutral: the nested handler
    // then leaves the moved slider alone, so the move keeps its value.
    bool inPitchHandler_ = false;
};

}  // namespace vantrel
