#pragma once
// The automatic mixing of the two decks: the cue and fade triggers of the playing deck, the
// cross-fade into the other deck, Mix now, and the mixing interval (one setting, shown and set on
// both panels).
#include <QObject>
#include <QString>
#include <QStringList>
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
    // The design's timing. Cue and fade are counted back from a song's end, plus half the
    // mixing interval, so the fade is centred on the point kFadeLead before the end.
    static constexpr int kCueLead = 15000;         // ms
    static constexpr int kFadeLead = 8000;         // ms
    static constexpr int kFadeFirstInterval = 80;  // ms to a fade's first step
    static constexpr int kFadeSteps = 100;         // a fade's steps, one per mixing interval / 100
    static constexpr double kFadeInStep = 0.01;    // the incoming volume's rise per step
    // The outgoing deck holds until the incoming one passes this, then falls by its own step.
    static constexpr double kFadeOutFrom = 0.4;
    static constexpr double kFadeOutStep = 1.0 / 60.0;
    static constexpr int kMinMixInterval = 2;
    static constexpr int kMaxMixInterval = 14;
    static constexpr int kDefaultMixInterval = 8;
    // Entries not found one after another that make the mix hold rather than pass them over.
    static constexpr int kNotFoundBeforeHold = 3;
    // A song whose loudness is learnt only once it plays settles to its levelling by this much
    // per position tick (5 dB a second): heard as a gentle ride of the fader, never a jump.
    static constexpr float kLevellingSettleDb = 0.15f;
    // How often a held mix tries its next entry again.
    static constexpr int kHoldRetryInterval = 3000;

    AutoMixer(Deck& deck1, Deck& deck2, Scheduler& scheduler, audio::SongAnalyzer& analyzer,
              QObject* parent = nullptr);
    ~AutoMixer() override;

    Deck& other(const Deck& deck) { return deck.index() == 0 ? deck2_ : deck1_; }

    // Where the mix into one deck stands. Each deck is in one phase, set only here.
    enum class Phase {
        Idle,      // neither live nor holding the next entry (or the list ran out)
        Cued,      // holds the playlist's next entry, ready to be faded in
        FadingIn,  // being faded in; its own triggers wait for the fade to complete
        Live,      // the deck that sounds; its position tick runs the triggers
        Holding,   // the next entries are not found; the mix waits and tries again
    };
    Phase phase(const Deck& deck) const { return phases_[std::size_t(deck.index())]; }

    // Asks now for the profiles of every song of the playlist (an offline render knows its
    // whole list), so they are made while the music before them renders. Nothing while no
    // refinement is on.
    void profileAhead();

    // How a fade was made, told at its first step: each deck's source position and speed, and
    // the rule that placed it ("design", or a refinement's).
    struct FadeShape {
        int inPositionMs = 0;
        double inSpeed = 1.0;
        int outPositionMs = 0;
        double outSpeed = 1.0;
        QString rule;
    };

    // Fades the playlist's first entry into `into` (cued there before).
    void startFadeIn(Deck& into);
    // Mix now on `from`'s panel: the next entry fades in on the other deck.
    void mixNow(Deck& from);
    // A fade step into `into`, also run by its fade timer.
    void fadeTick(Deck& into);
    bool fading(const Deck& into) const { return phase(into) == Phase::FadingIn; }
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
    // Off by default, for the run. A song that fades out or ends in a quiet coda is crossed into
    // the next one so that the next is up to level where the outro starts; a cold ending keeps
    // the usual placement.
    bool fadeAtOutro() const { return fadeAtOutro_; }
    void setFadeAtOutro(bool on);
    // Off by default, for the run. Songs whose beats are found steady and whose tempos are close
    // are crossed with the incoming one at the outgoing one's tempo, its beats on the outgoing
    // song's, and it glides back to its own tempo after the fade. Otherwise the usual fade.
    bool matchBeats() const { return matchBeats_; }
    void setMatchBeats(bool on);

    // A song shorter than two fades (by its sound, trimming) has the fades around it shrunk to
    // half its sound less this, so it plays whole and its fade out ends where its sound does.
    static constexpr int kShortSongMargin = 150;       // ms
    static constexpr int kShortestTrimmedSong = 1000;  // ms of sound

    // DeckEvents
    void startedPlaying(Deck& deck) override;
    void playingTick(Deck& deck) override;
    void ranOut(Deck& deck) override;
    bool fadingIn(const Deck& deck) const override { return fading(deck); }

    // The playlist's next entries are not there (their folder is gone: a stick left out, a share
    // that dropped). Rather than take them all off, the mix holds: the playing song ends, the
    // decks stop, the entries stay, and the next one is tried every few seconds until it opens.
    bool holding() const { return holdTimer_->Enabled(); }
    // Why the mix holds ("Music files not found: FOLDER"); empty while it does not.
    Label holdNotice;

signals:
    void fadeStarted(int deckIndex, const QString& title);
    void fadeCompleted(int deckIndex, const QString& title);
    void fadeShaped(int deckIndex, const vantrel::AutoMixer::FadeShape& shape);

private:
    bool refining() const { return trimSilence_ || levelLoudness_ || fadeAtOutro_ || matchBeats_; }
    // Asks for a song's profile, with what the refinements that are on need of it.
    void requestProfile(const QString& path, bool first = false,
                        unsigned beats = audio::kBeatsPart);
    // Where the song coming into `into` starts and at what tempo match, so that its beats fall
    // on the outgoing song's; true when it was matched.
    bool startOnBeats(Deck& into);
    // A deck matched for a fade glides back to its own tempo once the fade is over.
    void endMatch(Deck& deck);
    // Where the live deck cues the next entry and starts the fade into it, in its song's
    // position, and the rule that put the fade there.
    struct Placement {
        int cueAt;
        int fadeAt;
        const char* rule;
    };
    Placement placement(const Deck& deck) const;
    // The step interval of the fades around a song too short for the design's fades; 0 when it
    // is long enough or not known.
    int shortSongInterval(const Deck& deck) const;
    // A song that ended inside its own fade-in hands on to the next entry at once.
    void handOnEarly(Deck& into);
    // The profile of the song a deck holds, once ready and while a refinement is on.
    // With the beats only when `parts` asks for them.
    std::optional<audio::SongProfile> profile(const Deck& deck,
                                              unsigned parts = audio::kOutroPart) const;
    // What the triggers count from: the length, or the audible end when trimming.
    int mixLength(const Deck& deck) const;
    bool passOver(const Deck& deck) const;
    void applyLevelling(Deck& deck);
    void settleLevelling(Deck& deck);
    // Cues the first entry from the head that opens into `into`, passing over the ones before
    // it; false (and the mix holds) when the entries at the head are not found.
    bool cueFirstPlayable(Deck& into);
    void setPhase(const Deck& deck, Phase phase) { phases_[std::size_t(deck.index())] = phase; }
    void reportShape(Deck& into);
    void hold(Deck& into, const QStringList& notFound);
    void retryHeld();
    void endHold();
    void askAhead(Deck& deck);

    audio::SongAnalyzer& analyzer_;
    bool trimSilence_ = false;
    bool levelLoudness_ = false;
    bool fadeAtOutro_ = false;
    bool matchBeats_ = false;
    Deck& deck1_;
    Deck& deck2_;
    std::array<std::unique_ptr<Timer>, 2> fadeTimers_;
    std::array<Phase, 2> phases_{Phase::Idle, Phase::Idle};
    std::array<bool, 2> shapeTold_{};   // the fade into a deck has told its shape
    std::array<QString, 2> fadeRules_;  // the rule that made the fade into each deck
    // Per deck: the step interval of the fade into it (0: the mixing interval's, read at each
    // step), and of the fade out of the song it holds when that song is short.
    std::array<int, 2> fadeInterval_{};
    std::array<int, 2> ownShortInterval_{};
    std::array<double, 2> matched_{1, 1};  // the tempo match of the fade into each deck
    const char* nextRule_ = "design";      // the rule of the fade being started
    std::unique_ptr<Timer> holdTimer_;
    int heldInto_ = 1;  // the deck the held entry is to be faded into
    // Per deck: the levelling given to its player, and whether it still has to reach the song's
    // own (its profile was not ready when it started).
    struct Levelling {
        float db = 0.0f;
        bool settling = false;
    };
    std::array<Levelling, 2> levelling_{};
};

}  // namespace vantrel
