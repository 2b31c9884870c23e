#include "app/Desk.h"

#include "app/ProgramFolder.h"

namespace vantrel {

Desk::Desk(audio::Engine& engine, Scheduler& scheduler, Dialogs& dialogs, QString folder,
           QObject* parent)
    : QObject(parent),
      engine_(engine),
      dialogs_(dialogs),
      programFolder_(std::move(folder)),
      deck1Player_(engine),
      deck2Player_(engine),
      mediaControl_(engine),
      sampleMediaControl_(engine),
      songAnalyzer_(engine),
      decks_({deck1Player_, deck2Player_, songAnalyzer_}, playlist_, scheduler),
      cuePoints_([this]() -> audio::Player* {
          Deck* live = decks_.liveDeck();
          return live ? &live->player() : nullptr;
      }),
      samples_([this] { return decks_.liveDeck() != nullptr; }, sampleMediaControl_, sampleList_),
      defaultPlaylist_(DefaultPlaylistPath(programFolder_)) {
    // Cue points belong to one song: a fade that starts the next one clears them.
    connect(&decks_.mixer(), &AutoMixer::fadeStarted, &cuePoints_, &CuePoints::clearAll);
    // Pointed at the group folders here so that every desk, the tests' included, has them.
    samples_.setSampleFolders(programFolder_);
    samples_.addFolder = [this](const QString& patterns, QString& lastFolder, Playlist& target) {
        playlistCommands_.addFolderTo(target, lastFolder, patterns);
    };

    const auto add = [this](const char* name, std::function<void()> handler) {
        handlers_.insert(QLatin1String(name), std::move(handler));
    };
    ListCommands& playlistFile = playlistCommands_.listFile();
    add("cmdNewPlaylist", [&playlistFile] { playlistFile.newList(); });
    add("cmdOpenPlaylist", [&playlistFile] { playlistFile.openList(); });
    add("cmdSavePlaylist", [&playlistFile] { playlistFile.saveList(); });
    add("cmdAddFileList", [this] { playlistCommands_.addFiles(); });
    add("cmdAddFolderList", [this] { playlistCommands_.addFolder(); });
    add("cmdLstRemove", [this] { playlist_.removeSelected(); });
    add("cmdNewSampleList", [this] { sampleListFile_.newList(); });
    add("cmdOpenSampleList", [this] { sampleListFile_.openList(); });
    add("cmdSaveSampleList", [this] { sampleListFile_.saveList(); });
    add("cmdSampleVolUp", [this] { samples_.sampleVolumeUp(); });
    add("cmdSampleVolDown", [this] { samples_.sampleVolumeDown(); });
    // The deck buttons: deck 1's under their names, deck 2's twins with a "2".
    const auto perDeck = [this](const char* name, std::function<void(int deck)> handler) {
        handlers_.insert(QLatin1String(name), [handler] { handler(0); });
        handlers_.insert(QLatin1String(name) + QLatin1Char('2'), [handler] { handler(1); });
    };
    const auto transport = [this, perDeck](const char* name, void (Transport::*command)()) {
        perDeck(name, [this, command](int i) { (deck(i).transport.*command)(); });
    };
    transport("cmdPlay", &Transport::play);
    transport("cmdPause", &Transport::pause);
    transport("cmdStop", &Transport::stop);
    transport("cmdRewind", &Transport::rewind);
    transport("cmdFForward", &Transport::fastForward);
    perDeck("cmdMix", [this](int i) { mixer().mixNow(deck(i)); });
    // Tempo, pitch and rate of each deck.
    const auto sound = [this, perDeck](const char* name, void (SoundControls::*command)()) {
        perDeck(name, [this, command](int i) { (soundControls(i).*command)(); });
    };
    sound("cmdTempoDown", &SoundControls::tempoDown);
    sound("cmdTempoUp", &SoundControls::tempoUp);
    sound("cmdTempoReset", &SoundControls::tempoReset);
    sound("cmdSemitoneDown", &SoundControls::semitoneDown);
    sound("cmdSemitoneUp", &SoundControls::semitoneUp);
    sound("cmdPitchResetSemi", &SoundControls::semitoneReset);
    sound("cmdGradualDown", &SoundControls::gradualDown);
    sound("cmdGradualUp", &SoundControls::gradualUp);
    sound("cmdPitchResetGrad", &SoundControls::gradualReset);
    sound("cmdTempoPitchDown", &SoundControls::rateDown);
    sound("cmdTempoPitchUp", &SoundControls::rateUp);
    sound("cmdRateReset", &SoundControls::rateReset);
    // The mix refinements at the end of the Effects menu: each click turns one on or off.
    add("cmdTrimSilence", [this] { mixer().setTrimSilence(!mixer().trimSilence()); });
    add("cmdLevelLoudness", [this] { mixer().setLevelLoudness(!mixer().levelLoudness()); });
    add("cmdFadeAtOutro", [this] { mixer().setFadeAtOutro(!mixer().fadeAtOutro()); });
}

Desk::~Desk() = default;

void Desk::addHandler(const QString& name, std::function<void()> handler) {
    handlers_.insert(name, std::move(handler));
}

void Desk::runMenuItem(const QString& key) {
    MenuDispatch(key, menuRouting(), handlers_);
}

MenuRouting Desk::menuRouting() const {
    return {decks_.deck(0).playing(), decks_.deck(1).playing(), decks_.deck2InFront()};
}

}  // namespace vantrel
