#include "playlist/PlaylistRotation.h"

#include <numeric>

#include "playlist/Playlist.h"

namespace vantrel {

PlaylistRotation::PlaylistRotation(Playlist& list, Scheduler& scheduler, std::uint32_t seed,
                                   QObject* parent)
    : QObject(parent), list_(list), random_(seed) {
    reshuffleTimer_ = scheduler.createTimer(0, [this] {
        reshuffleTimer_->SetEnabled(false);
        shuffle();
        startRound();
    });
    connect(&list_, &Playlist::firstTaken, this, &PlaylistRotation::onTaken);
}

PlaylistRotation::~PlaylistRotation() = default;

void PlaylistRotation::setRepeat(bool on) {
    repeat_ = on;
    startRound();
}

void PlaylistRotation::setShuffleEachRound(bool on) {
    shuffleEachRound_ = on;
    startRound();
}

void PlaylistRotation::startRound() {
    roundLeft_ = list_.count();
}

void PlaylistRotation::onTaken(const QString& title, const QString& path) {
    if (!repeat_) return;
    // Put back at once, so the list never looks shorter than it is (not to a save, not to the
    // window). A full list has just given one up, so there is room.
    list_.append(title, path);
    if (shuffleEachRound_ && --roundLeft_ <= 0) reshuffleTimer_->SetEnabled(true);
}

void PlaylistRotation::shuffle() {
    const int n = list_.count();
    const int keep = topIsCued && topIsCued() ? 1 : 0;
    if (n - keep < 2) return;
    QList<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    // Fisher-Yates by hand: the standard shuffle's draws differ between library versions, and a
    // render must come out the same everywhere.
    for (int i = n - 1; i > keep; --i) {
        const int j = keep + int(random_() % std::uint32_t(i - keep + 1));
        std::swap(order[i], order[j]);
    }
    list_.rearrange(order);
    emit shuffled();
}

}  // namespace vantrel
