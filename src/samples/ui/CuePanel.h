#pragma once
// The "Cue list" tab page: the eight cue points in two columns of four, each with its play,
// record and reset buttons and its time. Buttons call the core commands; labels mirror the core.
#include <QWidget>

namespace vantrel {

class CuePoints;

class CuePanel : public QWidget {
    Q_OBJECT
public:
    static inline const QString kPlayToolTip = QStringLiteral("Play from cue point");
    static inline const QString kRecordToolTip = QStringLiteral("Record cue point");
    static inline const QString kResetToolTip = QStringLiteral("Reset cue point");

    // Child widgets are named cmdCuePlay0..7, cmdCueRecord0..7, cmdCueReset0..7, lblCueTime0..7.
    explicit CuePanel(CuePoints& cues, QWidget* parent = nullptr);
};

}  // namespace vantrel
