#pragma once
// The automatic mixing of the two decks: the cue and fade triggers of the playing deck, the
// cross-fade into the other deck, Mix now, and the mixing interval (one setting, shown and set on
// both panels).
#include <QObject>
#include <QString>
#include <array>
#include <memory>
#include <optional>

#include "audio/SongProfile.h"
#include "base/Label.h"
#include "base/Scheduler.h"
#include "base/Slider.h"
#include "deck/Deck.h"

namespace vantrel {

namespace audio {
class SongAnalyzer;
}  // namespace audio

class AutoMixer : public QObject, public DeckEvents {
    Q_OBJECT
public:
    static constexpr int kFadeFirstInterval = 80;
    static constexpr int kMinMixInterval = 2;
    static constexpr int kMaxMixInterval = 14;
    static constexpr int kDefaultMixInterval = 8;

    AutoMixer(Deck& deck1, Deck& deck2, Scheduler& scheduler, audio::SongAnalyzer& analyzer,
              QObject* parent = nullptr);
    ~AutoMixer() override;

    Deck& other(const Deck& deck) { return deck.index() == 0 ? deck2_ : deck1_; }

    // Fades the playlist's first entry into `into` (cued there before).
    void startFadeIn(Deck& into);
    // Mix now on `from`'s panel: the next entry fades in on the other deck.
    void mixNow(Deck& from);
    // A fade step into `into`, also run by its fade timer.
    void fadeTick(Deck& into);
    bool fading(const Deck& into) const { return fadeTimer(into).Enabled(); }
    Timer& fadeTimer(const Deck& into) { return *fadeTimers_[std::size_t(into.index())]; }
    const Timer& fadeTimer(const Deck& into) const {
        return *fadeTimers_[std::size_t(into.index())];
    }

    int mixInterval() const { return mixIntervalSlider.Value(); }
    void intervalUp();
    void intervalDown();
    void intervalReset();
    Slider mixIntervalSlider{kMinMixInterval, kMaxMixInterval, kDefaultMixInterval};
    Label mixIntervalLabel{QStringLiteral("8 seconds")};

    // Both off by default; each lasts for the run. Silence trimming lets a song's audible end
    // stand in for its length in both triggers and starts a faded-in song where it becomes
    // audible; a song that is silence throughout is passed over. Loudness levelling brings
    // each song towards one loudness by a gain before the deck's volume.
    bool trimSilence() const { return trimSilence_; }
    void setTrimSilence(bool on);
    bool levelLoudness() const { return levelLoudness_; }
    void setLevelLoudness(bool on);

    // DeckEvents
    void startedPlaying(Deck& deck) override;
    void playingTick(Deck& deck) override;
    void ranOut(Deck& deck) override;
    bool fadingIn(const Deck& deck) const override { return fading(deck); }

signals:
    void fadeStarted(int deckIndex, const QString& title);
    void fadeCompleted(int deckIndex, const QString& title);

private:
    bool refining() const { return trimSilence_ || levelLoudness_; }
    // The profile of the song a deck holds, once ready and while a refinement is on.
    std::optional<audio::SongProfile> profile(const Deck& deck) const;
    // What the triggers count from: the length, or the audible end when trimming.
    int mixLength(const Deck& deck) const;
    bool passOver(const Deck& deck) const;
    void applyLevelling(Deck& deck);
    void askAhead(Deck& deck);

    audio::SongAnalyzer& analyzer_;
    bool trimSilence_ = false;
    bool levelLoudness_ = false;
    Deck& deck1_;
    Deck& deck2_;
    std::array<std::unique_ptr<Timer>, 2> fadeTimers_;
};

}  // namespace vantrel
