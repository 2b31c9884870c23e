#include "app/Desk.h"

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

    // --- lifecycle ---
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
    if (p.Open() != 0) return;
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
