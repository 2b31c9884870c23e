#pragma once
// The composition root: it makes the players, the decks, the playlist pair, the sample channels,
// the sound controls and the seams (scheduler, dialogs) they work through, and wires them
// together. The work itself lives in the parts; the view binds to the parts it shows.
#include <QObject>
#include <QString>
#include <functional>

#include "app/DaySchedule.h"
#include "app/Jingles.h"
#include "app/MenuTable.h"
#include "app/OnAir.h"
#include "audio/Engine.h"
#include "audio/MediaControl.h"
#include "audio/Player.h"
#include "audio/SongAnalyzer.h"
#include "base/Dialogs.h"
#include "base/Scheduler.h"
#include "base/WallClock.h"
#include "deck/Decks.h"
#include "playlist/ListFile.h"
#include "playlist/ListKeeper.h"
#include "playlist/Playlist.h"
#include "playlist/PlaylistCommands.h"
#include "playlist/PlaylistRotation.h"
#include "samples/CuePoints.h"
#include "samples/Samples.h"
#include "sound/MasterVolume.h"
#include "sound/SoundControls.h"
#include "sound/SystemMixer.h"

namespace vantrel {

// What the view does at start-up and shutdown.
struct ViewSteps {
    std::function<void()> buildMenu;
    // Called with "VUleft", "VUleft2", "VUright", "VUright2", in that order.
    std::function<void(const QString& meter, const QString& imageFile)> setMeterImage;
    // Closes every window but the main one, last opened first.
    std::function<void()> unloadOtherWindows;
};
inline constexpr const char* kMeterOrder[] = {"VUleft", "VUleft2", "VUright", "VUright2"};

class Desk : public QObject {
    Q_OBJECT
public:
    Desk(audio::Engine& engine, Scheduler& scheduler, Dialogs& dialogs, QString programFolder,
         QObject* parent = nullptr);
    ~Desk() override;

    audio::Engine& engine() { return engine_; }
    Dialogs& dialogs() { return dialogs_; }
    const QString& programFolder() const { return programFolder_; }  // no trailing separator

    Decks& decks() { return decks_; }
    Deck& deck(int i) { return decks_.deck(i); }
    AutoMixer& mixer() { return decks_.mixer(); }
    CuePoints& cuePoints() { return cuePoints_; }
    Playlist& playlist() { return playlist_; }
    PlaylistCommands& playlistCommands() { return playlistCommands_; }
    Playlist& sampleList() { return sampleList_; }
    ListCommands& sampleListFile() { return sampleListFile_; }
    Samples& samples() { return samples_; }
    SoundControls& soundControls(int deck) { return deck == 0 ? soundControls1_ : soundControls2_; }
    MasterVolume& masterVolume() { return masterVolume_; }
    OnAir& onAir() { return onAir_; }
    SystemMixer& systemMixer() { return systemMixer_; }
    // A day's programme: repeat and shuffle, jingles, the start and stop times.
    PlaylistRotation& rotation() { return rotation_; }
    JingleRotation& jingles() { return jingles_; }
    DaySchedule& schedule() { return schedule_; }
    // The programme given at start (the flags): everything off that is not asked for.
    void applyProgramme(bool repeat, bool shuffle, const JingleSettings& jingles,
                        std::optional<QTime> startAt, std::optional<QTime> stopAt);
    // The top entry waits on a deck that is not playing (cued, or loaded by a click).
    bool topIsCued() const;

    // The default playlist: beside the program, or in the user's data folder when the program
    // folder cannot be written. Read at start-up (a missing one is made empty), kept in step
    // with the playlist from then on and written at shutdown.
    const QString& defaultPlaylist() const { return defaultPlaylist_; }
    // Null until start-up has read the default playlist.
    ListKeeper* defaultPlaylistKeeper() { return keeper_.get(); }

    // The handler of each menu command; the view adds the ones that need it.
    void setMenuHandler(MenuCommand command, std::function<void()> handler);
    bool handlesMenuCommand(MenuCommand command) const { return menuHandlers_.has(command); }
    // As a click on the command's menu item: routed to the deck it acts on.
    void runMenuCommand(MenuCommand command);
    MenuRouting menuRouting() const;

    // Files, folders and playlists named on the command line, added to the end of the playlist
    // as a drop adds them (folders walked, lists read, off the window's thread). Relative paths
    // and file:// URLs are taken from `workingFolder`. Items given while an earlier drop is
    // still being walked follow it.
    void addCommandLineItems(const QStringList& items, const QString& workingFolder);
    // --play: Play on deck 1 as soon as there is something to play: at once when the playlist
    // holds entries or nothing is being added, else once the command line's items are in.
    void playOnStart();
    // "Add audio CD tracks": every audio track of the disc, in track order, as Add file adds.
    void addAudioCdTracks();

    // Start-up: default playlist, remembered folders cleared, menu, sample folders, mixer, sample
    // media control, meter images. Sets no deck state and starts no timer. Every step runs in
    // ignore-and-continue mode: a step that fails is abandoned and the sequence goes on, and no
    // message is shown but the ones the steps show themselves.
    void onLoad(const ViewSteps& view);
    // Shutdown: sample media control shut down, default playlist written, other windows closed.
    // Runs once; a second call (a signal arriving during a close) does nothing.
    void onUnload(const ViewSteps& view);
    bool unloading() const { return unloading_; }

private:
    void loadDefaultPlaylist();

    audio::Engine& engine_;
    Scheduler& scheduler_;
    Dialogs& dialogs_;
    const QString programFolder_;

    audio::Player deck1Player_;
    audio::Player deck2Player_;
    audio::MediaControl sampleMediaControl_;  // the 32 sample channels
    audio::SongAnalyzer songAnalyzer_;

    Playlist playlist_;
    Playlist sampleList_;
    PlaylistCommands playlistCommands_{playlist_, dialogs_};
    ListCommands sampleListFile_{sampleList_, dialogs_, ListCommands::sampleListTexts()};
    Decks decks_;
    OnAir onAir_;
    CuePoints cuePoints_;
    SoundControls soundControls1_{deck1Player_};
    SoundControls soundControls2_{deck2Player_};
    SystemMixer systemMixer_;  // card from VANTREL_MIXER_CARD, else "default"
    MasterVolume masterVolume_{systemMixer_, dialogs_};
    Samples samples_;
    PlaylistRotation rotation_;
    JingleRotation jingles_;
    SystemWallClock systemClock_;
    DaySchedule schedule_;

    QString defaultPlaylist_;
    std::unique_ptr<ListKeeper> keeper_;
    MenuHandlers menuHandlers_;
    bool unloading_ = false;
};

}  // namespace vantrel
