#pragma once
// The two small dialogs of a day's programme, reached from the Playlist menu: the jingle rotation
// and the start and stop times. Each edits its settings for the run; Cancel leaves them as they
// were.
#include <QTime>
#include <optional>

#include "app/Jingles.h"

class QWidget;

namespace vantrel {

bool editJingles(QWidget* parent, JingleSettings& settings);
bool editSchedule(QWidget* parent, std::optional<QTime>& startAt, std::optional<QTime>& stopAt);

}  // namespace vantrel
