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

}  // namespace vantrel
