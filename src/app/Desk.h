#pragma once
// The desk owns everything the program does: both decks and their players, the playlist, the
// sample channels, the sound controls and the seams (scheduler, dialogs) they work through.
// The view binds to it; it knows nothing of the view.
#include <QObject>
#include <QString>
#include <memory>

#include "app/Dialogs.h"
#include "app/MenuTable.h"
#include "app/Scheduler.h"
#include "audio/Engine.h"
#include "audio/MediaControl.h"
#include "audio/Player.h"
#include "deck/Deck.h"
#include "deck/DeckState.h"
#include "playlist/AddFiles.h"
#include "playlist/FileSearch.h"
#include "playlist/ListFile.h"
#include "playlist/Playlist.h"
#include "samples/CuePoints.h"
#include "samples/Samples.h"
#include "sound/MasterVolume.h"
#include "sound/SoundControls.h"
#include "sound/SystemMixer.h"

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
    Deck& deck(int i) { return i == 0 ? Deck1 : Deck2; }
    Deck& deck1() { return Deck1; }
    Deck& deck2() { return Deck2; }
    Deck& frontDeck() { return state.Deck2InFront ? Deck2 : Deck1; }
    // The deck that the menu's transport commands address: the playing deck, deck 1 first;
    // nullptr while neither plays. Play itself goes to the front deck.
    Deck* routedDeck();
    void setDeck2InFront(bool deck2);
    // A click on a playlist entry loads it into the front deck while no deck plays; a double
    // click plays it at once in the front deck.
    void lstAudioClick();
    void lstAudioDblClick();

    Deck Deck1{*this, 0};
    Deck Deck2{*this, 1};
    CuePoints cuePoints{*this};

signals:
    void Deck2InFrontChanged(bool deck2InFront);

public:
    // --- playlist, list files, adding files ---
    Playlist playlist;    // lstAudio / lstPath
    Playlist sampleList;  // lstSample / lstSamplePath
    // cmdNewPlaylist/cmdOpenPlaylist/cmdSavePlaylist and the sample-list twins.
    ListCommands playlistFiles{playlist, dialogs, ListCommands::playlistTexts()};
    ListCommands sampleListFiles{sampleList, dialogs, ListCommands::sampleListTexts()};
    QString LastAudioFolder;
    void cmdAddFileList();
    void cmdAddFolderList();
    // Created on first use and shared by the playlist and sample folder commands.
    FileSearch& FolderSearch();
    std::unique_ptr<FileSearch> folderSearch_;

    // --- sound controls, system mixer ---
    SoundControls soundControls{SoundTouch};    // deck 1: sldTempo, cmdTempoDown, ...
    SoundControls soundControls2{SoundTouch2};  // deck 2: sldTempo2, cmdTempoDown2, ...
    SystemMixer systemMixer;                    // card from VANTREL_MIXER_CARD, else "default"
    MasterVolume masterVolume{systemMixer, dialogs};
    // Start-up: the mixer opens once and stays open for the life of the desk.
    void OpenSystemMixer() { masterVolume.OpenSystemMixer(); }

    // --- samples ---
    Samples samples{state, dmcSample, sampleList};  // groups, sample volume, firing

    // --- lifecycle ---
    // The default playlist: beside the program, or in the user's data folder when the program
    // folder cannot be written. Read at start-up, written at shutdown.
    QString defaultPlaylist;
    // Every button handler the menu reaches, by the button's name.
    MenuHandlers buttons;
    bool unloading = false;
    void runMenuItem(const QString& key) { MenuDispatch(key, state, buttons); }
};

}  // namespace vantrel
