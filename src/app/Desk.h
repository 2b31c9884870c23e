#pragma once
// The desk owns everything the program does: both decks and their players, the playlist, the
// sample channels, the sound controls and the seams (scheduler, dialogs) they work through.
// The view binds to it; it knows nothing of the view.
#include <QObject>
#include <QString>

#include "app/Dialogs.h"
#include "app/Scheduler.h"
#include "audio/Engine.h"
#include "audio/MediaControl.h"
#include "audio/Player.h"
#include "deck/DeckState.h"
#include "playlist/Playlist.h"
#include "samples/Samples.h"

namespace vantrel {

class Desk : public QObject {
    Q_OBJECT
public:
    Desk(audio::Engine& engine, Scheduler& scheduler, Dialogs& dialogs, QString programFolder,
         QObject* parent = nullptr);
    ~Desk() override;

    audio::Engine& engine;
    Scheduler& scheduler;
    Dialogs& dialogs;
    const QString programFolder;  // no trailing separator

    DeckState state;
    audio::Player SoundTouch;
    audio::Player SoundTouch2;
    audio::MediaControl DMC;
    audio::MediaControl dmcSample;

    // --- decks, automatic mixing, cue points ---

    // --- playlist, list files, adding files ---
    Playlist playlist;    // lstAudio / lstPath
    Playlist sampleList;  // lstSample / lstSamplePath

    // --- sound controls, system mixer ---

    // --- samples ---
    Samples samples{state, dmcSample, sampleList};  // groups, sample volume, firing

    // --- lifecycle ---
};

}  // namespace vantrel
