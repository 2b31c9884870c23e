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

    // --- lifecycle ---
    defaultPlaylist = DefaultPlaylistPath(programFolder);
    buttons.insert(QStringLiteral("cmdNewPlaylist"), [this] { playlist.cmdNewPlaylist(); });
    buttons.insert(QStringLiteral("cmdLstRemove"), [this] { playlist.cmdLstRemove(); });
}

Desk::~Desk() = default;

}  // namespace vantrel
