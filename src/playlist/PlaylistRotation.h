#pragma once
// An endless list for a shop or a station: Repeat puts every entry the mix takes off the top
// back at the end, so the list never runs out and keeps its length; Shuffle puts the list in a
// random order in place (the cued top entry stays where it is), once on demand and, with Repeat,
// again each time the list has gone round.
#include <QObject>
#include <functional>
#include <memory>
#include <random>

#include "base/Scheduler.h"

namespace vantrel {

class Playlist;

class PlaylistRotation : public QObject {
    Q_OBJECT
public:
    // `seed` fixes the shuffles' order (offline renders come out the same every run).
    PlaylistRotation(Playlist& list, Scheduler& scheduler, std::uint32_t seed,
                     QObject* parent = nullptr);
    ~PlaylistRotation() override;

    void reseed(std::uint32_t seed) { random_.seed(seed); }
    bool repeat() const { return repeat_; }
    void setRepeat(bool on);
    bool shuffleEachRound() const { return shuffleEachRound_; }
    void setShuffleEachRound(bool on);

    // Whether the top entry is already cued on a deck; it then keeps its place.
    std::function<bool()> topIsCued;

    // Shuffles the whole list once, in place.
    void shuffle();

signals:
    void shuffled();

private:
    void onTaken(const QString& title, const QString& path);
    void startRound();

    Playlist& list_;
    std::mt19937 random_;
    bool repeat_ = false;
    bool shuffleEachRound_ = false;
    int roundLeft_ = 0;  // takes until the list has gone round once
    // A reshuffle waits for the mix to finish the step that completed the round.
    std::unique_ptr<Timer> reshuffleTimer_;
};

}  // namespace vantrel
