#include "samples/CuePoints.h"

#include "audio/Player.h"
#include "base/TimeFormat.h"

namespace vantrel {

namespace {

bool valid(int i) {
    return i >= 0 && i < CuePoints::kCount;
}

}  // namespace

CuePoints::CuePoints(std::function<audio::Player*()> livePlayer, QObject* parent)
    : QObject(parent), livePlayer_(std::move(livePlayer)) {
    for (Label& label : timeLabels) label.SetCaption(FormatPosition(0));
}

void CuePoints::record(int i) {
    if (!valid(i)) return;
    audio::Player* player = livePlayer_();
    if (!player) return;
    positions[i] = player->Position();
    timeLabels[i].SetCaption(FormatPosition(positions[i]));
}

void CuePoints::jumpTo(int i) {
    if (!valid(i) || positions[i] <= 0) return;
    if (audio::Player* player = livePlayer_()) player->SetPosition(positions[i]);
}

void CuePoints::clear(int i) {
    if (!valid(i)) return;
    positions[i] = 0;
    timeLabels[i].SetCaption(FormatPosition(0));
}

void CuePoints::clearAll() {
    for (int i = 0; i < kCount; ++i) clear(i);
}

}  // namespace vantrel
