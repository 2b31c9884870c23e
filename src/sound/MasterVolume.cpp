#include "sound/MasterVolume.h"

#include <cmath>

namespace vantrel {

namespace {

// In double precision, to the nearest integer, ties to the even one.
int RoundLevel(double v) {
    return static_cast<int>(std::nearbyint(v));
}

QString VolumeToolTip(int level) {
    return QString::number(level / 6553.0, 'f', 3);
}

}  // namespace

MasterVolume::MasterVolume(MixerLayer& mixer, Dialogs& dialogs, QObject* parent)
    : QObject(parent), mixer_(mixer), dialogs_(dialogs) {
    volumeSlider.onChanged = [this] { VolumeChanged(volumeSlider, volumeSlider2); };
    volumeSlider2.onChanged = [this] { VolumeChanged(volumeSlider2, volumeSlider); };
    balanceSlider.onChanged = [this] { BalanceChanged(balanceSlider, balanceSlider2); };
    balanceSlider2.onChanged = [this] { BalanceChanged(balanceSlider2, balanceSlider); };
}

MasterVolume::Levels MasterVolume::LevelsFor(int volume, int balance) {
    const double right = balance >= 0 ? 1.0 : (balance + 100) / 100.0;
    const double left = balance <= 0 ? 1.0 : (100 - balance) / 100.0;
    return {RoundLevel(volume * left), RoundLevel(volume * right)};
}

// The labels show the pan position, not the channel levels.
QString MasterVolume::LeftLabelText(int balance) {
    return QString::number(50 - balance / 2) + QLatin1Char('%');
}

QString MasterVolume::RightLabelText(int balance) {
    return QString::number(balance / 2 + 50) + QLatin1Char('%');
}

void MasterVolume::openSystemMixer() {
    if (openTried_) return;
    openTried_ = true;
    mixerOpened = mixer_.Open();
    if (!mixerOpened) {
        dialogs_.message(kApplicationTitle, kNoMixerMessage, Dialogs::Icon::NoIcon);
        return;
    }
    volumeControlFound = mixer_.FindSpeakerVolumeControl();
    if (volumeControlFound) masterVolume = mixer_.ReadMixerLevel();
    if (masterVolume == -1) return;  // unreadable: the sliders stay, nothing is sent
    // The first slider's handler sends the level back; the whole-number tooltips set here
    // stand until a volume slider next moves.
    const QString tip = QString::number(masterVolume / 6553.0, 'f', 0);
    volumeSlider.SetValue(masterVolume);
    volumeSlider.SetToolTipText(tip);
    volumeSlider2.SetValue(masterVolume);
    volumeSlider2.SetToolTipText(tip);
}

void MasterVolume::VolumeChanged(Slider& changed, Slider& other) {
    masterVolume = changed.Value();
    changed.SetToolTipText(VolumeToolTip(masterVolume));
    other.SetValue(masterVolume);
    BalanceChanged(balanceSlider, balanceSlider2);
}

void MasterVolume::BalanceChanged(Slider& changed, Slider& other) {
    const int b = changed.Value();
    // Before any valid volume (the start-up read failed) there is nothing sound to send: the
    // speakers keep whatever level they have until a volume slider gives one.
    const bool volumeKnown = masterVolume >= 0;
    if (volumeKnown) {
        const Levels levels = LevelsFor(masterVolume, b);
        leftLevel = levels.left;
        rightLevel = levels.right;
    }
    balanceLeftLabel.SetCaption(LeftLabelText(b));
    balanceLeftLabel2.SetCaption(LeftLabelText(b));
    balanceRightLabel.SetCaption(RightLabelText(b));
    balanceRightLabel2.SetCaption(RightLabelText(b));
    other.SetValue(b);
    if (volumeKnown) mixer_.SetMixerStereoLevel(leftLevel, rightLevel);
}

}  // namespace vantrel
