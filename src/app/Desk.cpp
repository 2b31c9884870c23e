#include "app/Desk.h"

#include "app/ProgramFolder.h"

namespace vantrel {

Desk::Desk(audio::Engine& engine_, Scheduler& scheduler_, Dialogs& dialogs_, QString folder,
           QObject* parent)
    : QObject(parent),
      engine(engine_),
      scheduler(scheduler_),
      dialogs(dialogs_),
      programFolder(std::move(folder)),
      SoundTouch(engine_),
      SoundTouch2(engine_),
      DMC(engine_),
      dmcSample(engine_) {
    // --- decks, automatic mixing, cue points ---

    // --- playlist, list files, adding files ---

    // --- sound controls, system mixer ---

    // --- samples ---
    // Pointed at the group folders here so that every desk, the tests' included, has them.
    samples.SetSampleFolders(programFolder);
    // The sample list's folder command is the playlist's, with its own patterns and last folder.
    samples.addFolder = [this](const QString& patterns, QString& lastFolder, Playlist& target) {
        AddFolder(target, dialogs, FolderSearch(), lastFolder, patterns);
    };

    // --- lifecycle ---
    defaultPlaylist = DefaultPlaylistPath(programFolder);
    const auto button = [this](const char* name, std::function<void()> handler) {
        buttons.insert(QLatin1String(name), std::move(handler));
    };
    button("cmdNewPlaylist", [this] { playlistFiles.cmdNew(); });
    button("cmdOpenPlaylist", [this] { playlistFiles.cmdOpen(); });
    button("cmdSavePlaylist", [this] { playlistFiles.cmdSave(); });
    button("cmdAddFileList", [this] { cmdAddFileList(); });
    button("cmdAddFolderList", [this] { cmdAddFolderList(); });
    button("cmdLstRemove", [this] { playlist.cmdLstRemove(); });
    button("cmdNewSampleList", [this] { sampleListFiles.cmdNew(); });
    button("cmdOpenSampleList", [this] { sampleListFiles.cmdOpen(); });
    button("cmdSaveSampleList", [this] { sampleListFiles.cmdSave(); });
    button("cmdSampleVolUp", [this] { samples.cmdSampleVolUp(); });
    button("cmdSampleVolDown", [this] { samples.cmdSampleVolDown(); });
    // The deck buttons: deck 1's under their names, deck 2's twins with a "2".
    const auto deckButton = [this](const char* name, void (Deck::*handler)()) {
        buttons.insert(QLatin1String(name), [this, handler] { (Deck1.*handler)(); });
        buttons.insert(QLatin1String(name) + QLatin1Char('2'),
                       [this, handler] { (Deck2.*handler)(); });
    };
    deckButton("cmdPlay", &Deck::cmdPlay);
    deckButton("cmdPause", &Deck::cmdPause);
    deckButton("cmdStop", &Deck::cmdStop);
    deckButton("cmdRewind", &Deck::cmdRewind);
    deckButton("cmdFForward", &Deck::cmdFForward);
    deckButton("cmdMix", &Deck::cmdMix);
    // Tempo, pitch and rate: deck 1's controls, and the deck-2 twins under the "2" names.
    const auto soundButton = [this](const char* name, void (SoundControls::*handler)()) {
        buttons.insert(QLatin1String(name), [this, handler] { (soundControls.*handler)(); });
        buttons.insert(QLatin1String(name) + QLatin1Char('2'),
                       [this, handler] { (soundControls2.*handler)(); });
    };
    soundButton("cmdTempoDown", &SoundControls::cmdTempoDown);
    soundButton("cmdTempoUp", &SoundControls::cmdTempoUp);
    soundButton("cmdTempoReset", &SoundControls::cmdTempoReset);
    soundButton("cmdSemitoneDown", &SoundControls::cmdSemitoneDown);
    soundButton("cmdSemitoneUp", &SoundControls::cmdSemitoneUp);
    soundButton("cmdPitchResetSemi", &SoundControls::cmdPitchResetSemi);
    soundButton("cmdGradualDown", &SoundControls::cmdGradualDown);
    soundButton("cmdGradualUp", &SoundControls::cmdGradualUp);
    soundButton("cmdPitchResetGrad", &SoundControls::cmdPitchResetGrad);
    soundButton("cmdTempoPitchDown", &SoundControls::cmdTempoPitchDown);
    soundButton("cmdTempoPitchUp", &SoundControls::cmdTempoPitchUp);
    soundButton("cmdRateReset", &SoundControls::cmdRateReset);
}

Desk::~Desk() = default;

// --- decks, automatic mixing, cue points ---

Deck* Desk::routedDeck() {
    if (state.Deck1Playing) return &Deck1;
    if (state.Deck2Playing) return &Deck2;
    return nullptr;
}

void Desk::setDeck2InFront(bool deck2) {
    if (state.Deck2InFront == deck2) return;
    state.Deck2InFront = deck2;
    emit Deck2InFrontChanged(deck2);
}

void Desk::lstAudioClick() {
    if (playlist.count() == 0 || state.Deck1Playing || state.Deck2Playing) return;
    const int i = playlist.selected();
    if (i < 0) return;
    Deck& d = frontDeck();
    audio::Player& p = d.player();
    p.SetFileName(playlist.path(i).toStdString());
    d.audioPath() = playlist.path(i);
    if (d.Open() != 0) return;
    d.TickerFill(playlist.title(i), kTickerSeparator, 3);
    // The click measures like a load but leaves the bar's value alone.
    const QString& path = d.audioPath();
    if (path.endsWith(QStringLiteral("mp3"), Qt::CaseSensitive)) {
        DMC.OpenFile(path.toStdString());
        d.audioLength() = DMC.Duration() * 1000;
        DMC.CloseFile();
    } else {
        d.audioLength() = p.Length();
    }
    if (d.audioLength() < 1) return;
    d.display.setProgressMax(d.audioLength());
}

void Desk::lstAudioDblClick() {
    const int i = playlist.selected();
    if (i < 0) return;
    Deck& d = frontDeck();
    d.audioPath() = playlist.path(i);
    d.SetSoundTouchAudio();
}

// --- playlist, list files, adding files ---

void Desk::cmdAddFileList() {
    AddFiles(playlist, dialogs);
}

void Desk::cmdAddFolderList() {
    AddFolder(playlist, dialogs, FolderSearch(), LastAudioFolder, kAudioPatterns);
}

FileSearch& Desk::FolderSearch() {
    if (!folderSearch_) folderSearch_ = std::make_unique<FileSearch>();
    return *folderSearch_;
}

}  // namespace vantrel
