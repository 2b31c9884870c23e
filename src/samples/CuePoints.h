#pragma once
// Eight cue points: positions in the playing deck's song that the user records and jumps back
// to. They hold positions only, live in memory and are cleared whenever a fade starts a song.
#include <QObject>
#include <array>
#include <functional>

#include "base/Label.h"

namespace vantrel {

namespace audio {
class Player;
}

class CuePoints : public QObject {
    Q_OBJECT
public:
    static constexpr int kCount = 8;

    // livePlayer: the playing deck's player, deck 1 first; nullptr while neither plays.
    explicit CuePoints(std::function<audio::Player*()> livePlayer, QObject* parent = nullptr);

    // i is 0..7 (cue point 0 is captioned "Cue 1"); anything else is ignored.
    void record(int i);
    void jumpTo(int i);
    void clear(int i);
    void clearAll();

    std::array<int, kCount> positions{};  // ms; 0 = empty
    std::array<Label, kCount> timeLabels;

private:
    std::function<audio::Player*()> livePlayer_;
};

}  // namespace vantrel
