#include "app/Desk.h"

#include <QDir>
#include <QRandomGenerator>
#include <QUrl>
#include <memory>

#include "app/ProgramFolder.h"
#include "audio/CdTrack.h"

namespace vantrel {

Desk::Desk(audio::Engine& engine, Scheduler& scheduler, Dialogs& dialogs, QString folder,
           QObject* parent)
    : QObject(parent),
      engine_(engine),
      scheduler_(scheduler),
      dialogs_(dialogs),
      programFolder_(std::move(folder)),
      deck1Player_(engine),
      deck2Player_(engine),
      sampleMediaControl_(engine),
      songAnalyzer_(engine),
      decks_({deck1Player_, deck2Player_, songAnalyzer_}, playlist_, scheduler),
      onAir_(engine, decks_, scheduler),
      cuePoints_([this]() -> audio::Player* {
          Deck* live = decks_.liveDeck();
          return live ? &live->player() : nullptr;
      }),
      samples_([this] { return decks_.liveDeck() != nullptr; }, sampleMediaControl_, sampleList_),
      rotation_(playlist_, scheduler, QRandomGenerator::global()->generate()),
      jingles_(decks_.mixer(), samples_, sampleList_, engine_, scheduler,
               QRandomGenerator::global()->generate()),
      schedule_(decks_, engine_, scheduler, systemClock_),
      defaultPlaylist_(DefaultPlaylistPath(programFolder_)) {
    // Cue points belong to one song: a fade that starts the next one clears them.
    connect(&decks_.mixer(), &AutoMixer::fadeStarted, &cuePoints_, &CuePoints::clearAll);
    // Pointed at the group folders here so that every desk, the tests' included, has them.
    samples_.setSampleFolders(programFolder_);
    samples_.addFolder = [this](const QString& patterns, QString& lastFolder, Playlist& target) {
        playlistCommands_.addFolderTo(target, lastFolder, patterns);
    };

    rotation_.topIsCued = [this] { return topIsCued(); };

    using C = MenuCommand;
    const auto add = [this](MenuCommand command, std::function<void()> handler) {
        menuHandlers_.set(command, std::move(handler));
    };
    ListCommands& playlistFile = playlistCommands_.listFile();
    add(C::NewPlaylist, [&playlistFile] { playlistFile.newList(); });
    add(C::OpenPlaylist, [&playlistFile] { playlistFile.openList(); });
    add(C::SavePlaylist, [&playlistFile] { playlistFile.saveList(); });
    add(C::AddFiles, [this] { playlistCommands_.addFiles(); });
    add(C::AddFolder, [this] { playlistCommands_.addFolder(); });
    add(C::AddCdTracks, [this] { addAudioCdTracks(); });
    add(C::NewSampleList, [this] { sampleListFile_.newList(); });
    add(C::OpenSampleList, [this] { sampleListFile_.openList(); });
    add(C::SaveSampleList, [this] { sampleListFile_.saveList(); });
    add(C::SampleVolumeUp, [this] { samples_.sampleVolumeUp(); });
    add(C::SampleVolumeDown, [this] { samples_.sampleVolumeDown(); });
    // The deck commands act on the deck the menu routes them to.
    const auto transport = [this](MenuCommand command, void (Transport::*action)()) {
        menuHandlers_.set(command, [this, action](int i) { (deck(i).transport.*action)(); });
    };
    transport(C::Play, &Transport::play);
    transport(C::Pause, &Transport::pause);
    transport(C::Stop, &Transport::stop);
    transport(C::Rewind, &Transport::rewind);
    transport(C::FastForward, &Transport::fastForward);
    menuHandlers_.set(C::MixNow, [this](int i) { mixer().mixNow(deck(i)); });
    // Tempo, pitch and rate of each deck.
    const auto sound = [this](MenuCommand command, void (SoundControls::*action)()) {
        menuHandlers_.set(command, [this, action](int i) { (soundControls(i).*action)(); });
    };
    sound(C::TempoDown, &SoundControls::tempoDown);
    sound(C::TempoUp, &SoundControls::tempoUp);
    sound(C::TempoReset, &SoundControls::tempoReset);
    sound(C::SemitoneDown, &SoundControls::semitoneDown);
    sound(C::SemitoneUp, &SoundControls::semitoneUp);
    sound(C::SemitoneReset, &SoundControls::semitoneReset);
    sound(C::GradualDown, &SoundControls::gradualDown);
    sound(C::GradualUp, &SoundControls::gradualUp);
    sound(C::GradualReset, &SoundControls::gradualReset);
    sound(C::RateDown, &SoundControls::rateDown);
    sound(C::RateUp, &SoundControls::rateUp);
    sound(C::RateReset, &SoundControls::rateReset);
    // The mix refinements at the end of the Effects menu: each click turns one on or off.
    add(C::TrimSilence, [this] { mixer().setTrimSilence(!mixer().trimSilence()); });
    add(C::LevelLoudness, [this] { mixer().setLevelLoudness(!mixer().levelLoudness()); });
    add(C::FadeAtOutro, [this] { mixer().setFadeAtOutro(!mixer().fadeAtOutro()); });
    add(C::MatchBeats, [this] { mixer().setMatchBeats(!mixer().matchBeats()); });
    add(C::Repeat, [this] { rotation_.setRepeat(!rotation_.repeat()); });
    add(C::Shuffle, [this] { rotation_.shuffle(); });
    add(C::ShuffleEachRound,
        [this] { rotation_.setShuffleEachRound(!rotation_.shuffleEachRound()); });
}

Desk::~Desk() = default;

void Desk::applyProgramme(bool repeat, bool shuffle, const JingleSettings& jingles,
                          std::optional<QTime> startAt, std::optional<QTime> stopAt) {
    rotation_.setRepeat(repeat);
    if (shuffle) rotation_.shuffle();
    jingles_.apply(jingles);
    schedule_.setTimes(startAt, stopAt);
}

bool Desk::topIsCued() const {
    if (playlist_.isEmpty()) return false;
    for (int i = 0; i < 2; ++i) {
        const Deck& d = decks_.deck(i);
        if (!d.playing() && d.song().opened && d.song().path == playlist_.path(0)) return true;
    }
    return false;
}

void Desk::setMenuHandler(MenuCommand command, std::function<void()> handler) {
    menuHandlers_.set(command, std::move(handler));
}

void Desk::runMenuCommand(MenuCommand command) {
    if (const MenuItem* item = MenuItemFor(command)) menuHandlers_.dispatch(*item, menuRouting());
}

void Desk::addAudioCdTracks() {
    // Reading the table of contents waits for the drive to spin up: off the window's thread.
    playlistCommands_.dropAdder().addCollected([] {
        DroppedItems found;
        const audio::CdTracks disc = audio::listAudioCdTracks();
        for (const std::string& path : disc.paths) found.files << QString::fromStdString(path);
        if (found.files.isEmpty()) {
            const QString chosen = qEnvironmentVariable(audio::kCdDriveVariable);
            found.notice = chosen.isEmpty()
                               ? QStringLiteral("There is no audio CD in a drive.")
                               : QStringLiteral("%1 holds no audio CD tracks.").arg(chosen);
        }
        return found;
    });
}

void Desk::addCommandLineItems(const QStringList& items, const QString& workingFolder) {
    QStringList paths;
    for (const QString& item : items) {
        if (item.isEmpty()) continue;
        const QUrl url(item);
        QString path = url.isLocalFile() ? url.toLocalFile() : item;
        paths << QDir::cleanPath(QDir(workingFolder).absoluteFilePath(path));
    }
    if (paths.isEmpty()) return;
    // After any walk under way: a second hand-over waits for the first.
    playlistCommands_.dropAdder().append(paths);
}

void Desk::playOnStart() {
    DropAdder& adder = playlistCommands_.dropAdder();
    const auto ready = [this, &adder] { return playlist_.count() > 0 || !adder.busy(); };
    if (ready()) {
        deck(0).transport.play();
        return;
    }
    // A folder on the command line is walked off the window's thread; Play waits for its songs.
    auto waiting = std::make_shared<QMetaObject::Connection>();
    *waiting = connect(&adder, &DropAdder::added, this, [this, ready, waiting] {
        if (!ready()) return;
        disconnect(*waiting);
        deck(0).transport.play();
    });
}

MenuRouting Desk::menuRouting() const {
    return {decks_.deck(0).playing(), decks_.deck(1).playing(), decks_.deck2InFront()};
}

}  // namespace vantrel
