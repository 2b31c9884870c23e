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

    // --- lifecycle ---
}

Desk::~Desk() = default;

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
