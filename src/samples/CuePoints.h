#pragma once
// Eight cue points: positions in the playing deck's song that the user records and jumps back
// to. They hold positions only, live in memory and are cleared whenever a fade starts a song.
#include <QObject>
#include <array>

#include "app/Label.h"

namespace vantrel {

class Desk;

class CuePoints : public QObject {
    Q_OBJECT
public:
    static constexpr int kCount = 8;

    explicit CuePoints(Desk& desk, QObject* parent = nullptr);

    // i is 0..7 (cue point 0 is captioned "Cue 1"); anything else is ignored.
    void cmdCueRecord(int i);
    void cmdCuePlay(int i);
    void cmdCueReset(int i);
    void ResetCuePoints();

    std::array<int, kCount> CuePositions{};  // ms; 0 = empty
    std::array<Label, kCount> lblCueTime;

private:
    Desk& desk_;
};

}  // namespace vantrel
