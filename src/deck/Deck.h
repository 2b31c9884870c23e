#pragma once
// One deck: its player, what it holds, its display, and the position tick that follows its song.
// Loading and the transport are its two jobs; the automatic mixer, which pairs the two decks,
// hears from it through DeckEvents.
#include <QObject>
#include <QString>
#include <memory>

#include "base/Scheduler.h"
#include "deck/DeckDisplay.h"
#include "deck/DeckLoader.h"
#include "deck/DeckState.h"
#include "deck/Transport.h"

namespace vantrel {

namespace audio {
class Player;
}  // namespace audio
class Deck;
class Playlist;

// What a deck tells the automatic mixer, and asks of it.
class DeckEvents {
public:
    virtual ~DeckEvents() = default;
    // The deck started a song itself (Play, a double click): the other deck gives way.
    virtual void startedPlaying(Deck& deck) = 0;
    // A tick of a sounding deck, and the tick that finds its song over: the mix triggers.
    virtual void playingTick(Deck& deck) = 0;
    // A live song ended before it was faded out.
    virtual void ranOut(Deck& deck) = 0;
    virtual bool fadingIn(const Deck& deck) const = 0;
};

// Everything a deck works with.
struct DeckContext {
    audio::Player& player;
    Playlist& playlist;
    Scheduler& scheduler;
    SharedDeckState& shared;
};

class Deck : public QObject {
    Q_OBJECT
public:
    static constexpr int kPositionInterval = 30;

    Deck(int index, const DeckContext& context);
    ~Deck() override;

    int index() const { return index_; }  // 0 = deck 1, 1 = deck 2
    audio::Player& player() { return context_.player; }
    const audio::Player& player() const { return context_.player; }
    Playlist& playlist() { return context_.playlist; }
    SharedDeckState& shared() { return context_.shared; }
    const SharedDeckState& shared() const { return context_.shared; }
    void setEvents(DeckEvents* events) { events_ = events; }

    // What the deck holds. The deck alone writes it; its loader, its transport and the mixer
    // tell it what happened through the calls below.
    const DeckSong& song() const { return song_; }
    // The live deck (the one the menus and cue points address), or not.
    void setLive(bool live) { song_.playing = live; }
    // The title its ticker shows while it is mixed in.
    void setMixTitle(const QString& title) { song_.mixTitle = title; }
    // Started or resumed: neither paused nor run out.
    void resumed() {
        song_.paused = false;
        song_.ranOut = false;
    }
    void setPaused(bool paused) { song_.paused = paused; }
    // Loading: the path it now holds, then its length once known (0 and not measured while a
    // slow file is still opening).
    void setPath(const QString& path) { song_.path = path; }
    void setLength(int ms, bool measured) {
        song_.length = ms;
        song_.measured = measured;
    }
    bool playing() const { return song_.playing; }
    bool paused() const { return song_.paused; }

    // The player's Open, remembering whether the deck now holds a playable file.
    int open();
    // The file opened, or is still opening (a slow file): a failed cue is passed over.
    bool holdsPlayable() const;
    void fillTicker(const QString& message, const QString& separator);
    // Makes this the live deck and starts following it; the other deck gives way.
    void startTracking();

    Timer& positionTimer() { return *positionTimer_; }
    const Timer& positionTimer() const { return *positionTimer_; }
    // The position tick, also run by the timer.
    void positionTick();

    DeckDisplay display;
    DeckLoader loader;
    Transport transport;

signals:
    // A cue, for logs (the renderer's --log).
    void cued(const QString& path);
    // A song loaded by a click or a double click opened.
    void opened(const QString& path);

private:
    const int index_;
    DeckContext context_;
    DeckEvents* events_ = nullptr;
    DeckSong song_;
    std::unique_ptr<Timer> positionTimer_;
};

}  // namespace vantrel
