#pragma once
// The master volume and balance: one setting shown on both deck panels as two linked slider
// pairs, sent to the system mixer as a left and a right level. The decks' own player volume
// belongs to the cross-fade and is never touched here.
#include <QObject>
#include <QString>

#include "base/Dialogs.h"
#include "base/Label.h"
#include "base/Slider.h"
#include "sound/SystemMixer.h"

namespace vantrel {

class MasterVolume : public QObject {
    Q_OBJECT
public:
    MasterVolume(MixerLayer& mixer, Dialogs& dialogs, QObject* parent = nullptr);

    static inline const QString kVolumeCaption = QStringLiteral("Master volume");
    static inline const QString kBalanceCaption = QStringLiteral("Balance");
    static inline const QString kNoMixerMessage = QStringLiteral(
        "Couldn't open the mixer please check if a audio mixer is installed then retry.");

    // Deck 1's pair and deck 2's twins.
    Slider volumeSlider{0, MixerLayer::kFullScale, 0};
    Slider volumeSlider2{0, MixerLayer::kFullScale, 0};
    Slider balanceSlider{-100, 100, 0};  // negative: towards the left
    Slider balanceSlider2{-100, 100, 0};
    Label balanceLeftLabel{QStringLiteral("50%")};
    Label balanceRightLabel{QStringLiteral("50%")};
    Label balanceLeftLabel2{QStringLiteral("50%")};
    Label balanceRightLabel2{QStringLiteral("50%")};

    int masterVolume = 0;  // last volume set or read; -1 when the start-up read failed
    int leftLevel = 0;     // last levels sent
    int rightLevel = 0;
    bool mixerOpened = false;
    bool volumeControlFound = false;

    // Start-up: opens the mixer and puts both volume sliders at its level. Runs once.
    void openSystemMixer();

    struct Levels {
        int left;
        int right;
    };
    // The side the balance leans to keeps the full volume; the other is turned down.
    static Levels LevelsFor(int volume, int balance);
    static QString LeftLabelText(int balance);
    static QString RightLabelText(int balance);

private:
    void VolumeChanged(Slider& changed, Slider& other);
    void BalanceChanged(Slider& changed, Slider& other);

    MixerLayer& mixer_;
    Dialogs& dialogs_;
    bool openTried_ = false;
};

}  // namespace vantrel
