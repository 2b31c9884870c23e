#pragma once
// One deck: its player, transport, position tracking, and the cross-fade into it. The desk owns
// two of them; deck 1 cues and fades into deck 2 and the other way round.
#include <QObject>
#include <QString>
#include <memory>

#include "app/Label.h"
#include "app/Scheduler.h"
#include "deck/DeckDisplay.h"
#include "sound/Slider.h"

namespace vantrel {

namespace audio {
class Player;
}
class Desk;

class Deck : public QObject {
    Q_OBJECT
public:
    static constexpr int kPositionInterval = 30;
    static constexpr int kMixFirstInterval = 80;
    static constexpr int kMinMixInterval = 2;
    static constexpr int kMaxMixInterval = 14;
    static constexpr int kDefaultMixInterval = 8;

    Deck(Desk& desk, int index);
    ~Deck() override;

    int index() const { return index_; }  // 0 = deck 1, 1 = deck 2
    Deck& other();
    audio::Player& player();
    const audio::Player& player() const;

    // This deck's share of the desk's deck state.
    bool& playing();
    bool playing() const;
    QString& audioPath();
    int& audioLength();
    QString& mixTitle();

    // Loading and transport.
    void PrepareAudio();
    void SetSoundTouchAudio();
    void cmdPlay();
    void cmdPause();
    void cmdStop();
    void cmdRewind();
    void cmdFForward();
    void lblTimeClick();

    // Automatic mixing: MixAndPlay and tmrMix fade into this deck; cmdMix fades into the other.
    void MixAndPlay();
    void cmdMix();
    void cmdMixIntervalUp();
    void cmdMixIntervalDown();
    void cmdMixIntervalReset();
    bool fading() const { return tmrMix->Enabled(); }
    // Paused by its own pause button and not resumed since.
    bool paused() const { return paused_; }

    void TickerFill(const QString& message, const QString& separator, int speed);
    // The player's Open, remembering whether the deck now holds a playable file.
    int Open();

    DeckDisplay display;
    Slider sldMixInterval{kMinMixInterval, kMaxMixInterval, kDefaultMixInterval};
    Label lblMixingInterval{QStringLiteral("8 seconds")};
    std::unique_ptr<Timer> tmrPosition;
    std::unique_ptr<Timer> tmrMix;

    // The position tick and the mix tick, also run by the timers.
    void positionTick();
    void mixTick();

signals:
    // A cue, a fade start or a fade completion, for logs (the renderer's --log).
    void cued(const QString& path);
    void fadeStarted(const QString& title);
    void fadeCompleted(const QString& title);

private:
    void measure();
    void startTracking();
    void runTriggers();
    int mixInterval() const { return sldMixInterval.Value(); }

    Desk& desk_;
    const int index_;
    bool paused_ = false;
    bool opened_ = false;  // the last Open succeeded
    bool ranOut_ = false;  // the song it was playing has ended (or a failed Open took it)
};

}  // namespace vantrel
