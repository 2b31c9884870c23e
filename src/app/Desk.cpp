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
    buttons.insert(QStringLiteral("cmdNewSampleList"), [this] { sampleList.cmdNewPlaylist(); });
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

}  // namespace vantrel
