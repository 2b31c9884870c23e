#include "deck/Deck.h"

#include "app/Desk.h"
#include "audio/Player.h"
#include "deck/TimeFormat.h"

namespace vantrel {

namespace {

std::string utf8(const QString& s) {
    return s.toStdString();
}

}  // namespace

Deck::Deck(Desk& desk, int index) : desk_(desk), index_(index) {
    tmrPosition = desk_.scheduler.createTimer(kPositionInterval, [this] { positionTick(); });
    tmrMix = desk_.scheduler.createTimer(kMixFirstInterval, [this] { mixTick(); });
    sldMixInterval.onChanged = [this] {
        // The two interval sliders are one setting shown twice; the other's change settles it.
        other().sldMixInterval.SetValue(sldMixInterval.Value());
        const QString caption =
            QString::number(sldMixInterval.Value()) + QStringLiteral(" seconds");
        lblMixingInterval.SetCaption(caption);
        other().lblMixingInterval.SetCaption(caption);
    };
}

Deck::~Deck() = default;

Deck& Deck::other() {
    return desk_.deck(1 - index_);
}

audio::Player& Deck::player() {
    return index_ == 0 ? desk_.SoundTouch : desk_.SoundTouch2;
}
const audio::Player& Deck::player() const {
    return index_ == 0 ? desk_.SoundTouch : desk_.SoundTouch2;
}

bool& Deck::playing() {
    return index_ == 0 ? desk_.state.Deck1Playing : desk_.state.Deck2Playing;
}
bool Deck::playing() const {
    return index_ == 0 ? desk_.state.Deck1Playing : desk_.state.Deck2Playing;
}
QString& Deck::audioPath() {
    return index_ == 0 ? desk_.state.AudioPath1 : desk_.state.AudioPath2;
}
int& Deck::audioLength() {
    return index_ == 0 ? desk_.state.AudioLength1 : desk_.state.AudioLength2;
}
QString& Deck::mixTitle() {
    return index_ == 0 ? desk_.state.MixTitle1 : desk_.state.MixTitle2;
}

void Deck::TickerFill(const QString& message, const QString& separator, int speed) {
    display.TickerFill(message, separator, speed);
}

int Deck::Open() {
    const int result = player().Open();
    opened_ = result == 0;
    ranOut_ = false;
    return result;
}

void Deck::measure() {
    // Only a lower-case "mp3" ending is measured by the media control, in whole seconds; every
    // other file (an upper-case "MP3" too) by the player, to the millisecond.
    const QString& path = audioPath();
    int length = 0;
    if (path.endsWith(QStringLiteral("mp3"), Qt::CaseSensitive)) {
        desk_.DMC.OpenFile(utf8(path));
        length = desk_.DMC.Duration() * 1000;
        desk_.DMC.CloseFile();
    } else {
        length = player().Length();
    }
    audioLength() = length;
    if (length > 0) display.setProgressMax(length);
    display.setProgressValue(player().Position());
}

void Deck::PrepareAudio() {
    Playlist& list = desk_.playlist;
    if (list.count() == 0) return;
    player().SetFileName(utf8(list.path(0)));
    audioPath() = list.path(0);
    TickerFill(list.title(0), kTickerSeparator, 3);
    emit cued(audioPath());
    if (Open() != 0) return;
    paused_ = false;
    measure();
}

void Deck::startTracking() {
    playing() = true;
    other().playing() = false;
    tmrPosition->SetEnabled(true);
    other().tmrPosition->SetEnabled(false);
    other().PrepareAudio();
}

void Deck::SetSoundTouchAudio() {
    player().SetFileName(utf8(audioPath()));
    const bool sounding = player().Status() == audio::Player::kPlaying;
    if (Open() != 0) {
        // The failed open has taken the song the deck was playing: for the position tick that
        // song has run out, and the evening goes on with the next entry.
        ranOut_ = sounding;
        return;
    }
    paused_ = false;
    TickerFill(desk_.playlist.title(desk_.playlist.selected()), kTickerSeparator, 3);
    measure();
    player().Play();
    startTracking();
}

void Deck::cmdPlay() {
    player().SetVolume(1);
    player().Play();
    paused_ = false;
    ranOut_ = false;
    startTracking();
}

void Deck::cmdPause() {
    DeckState& s = desk_.state;
    const int status = player().Status();
    if (status == audio::Player::kStopped && s.PauseLatch) {
        player().Play();
        s.PauseLatch = false;
        paused_ = false;
        ranOut_ = false;
    }
    if (status == audio::Player::kPlaying && !s.PauseLatch) {
        player().Pause();
        s.PauseLatch = true;
        paused_ = true;
    }
}

void Deck::cmdStop() {
    player().Pause();
    player().SetPosition(1);
    paused_ = false;  // a stopped deck ends at its next tick, unlike a paused one
    display.setProgressValue(1);
}

void Deck::cmdRewind() {
    if (player().Position() - 5000 >= 0) player().SetPosition(player().Position() - 5000);
}

void Deck::cmdFForward() {
    // The player's own length, also for mp3 files measured by the media control.
    if (player().Position() + 5000 <= player().Length())
        player().SetPosition(player().Position() + 5000);
}

void Deck::lblTimeClick() {
    // One setting for both labels; they follow at their next tick.
    desk_.state.ShowRemaining = !desk_.state.ShowRemaining;
}

void Deck::positionTick() {
    audio::Player& p = player();
    display.setProgressValue(p.Position());
    const int status = p.Status();
    if (status == audio::Player::kPlaying) {
        display.setVuLeft(static_cast<float>(p.Level()));
        display.setVuRight(static_cast<float>(p.Level()));
        runTriggers();
    } else if (paused_ && status == audio::Player::kStopped) {
        // Paused by its own pause button: the player reports "stopped" exactly as after a stop,
        // so the deck remembers the pause itself. A paused deck keeps its position, its display
        // and its tracking, and cues or fades nothing while it holds still; resuming carries on
        // from here. A song that played to its end reports "ended" and ends the deck even when
        // it was paused on the way.
        display.setVuLeft(0.0f);
        display.setVuRight(0.0f);
    } else {
        display.setVuLeft(0.0f);
        display.setVuRight(0.0f);
        display.setProgressValue(0);
        paused_ = false;
        // Rewound, not restarted: a seek after the end leaves the player stopped.
        p.SetPosition(0);
        // A song shorter than its own fade-in ends before the fade is complete. Its tracking
        // stays on until the fade completes, so that the tick after the completion ends the deck
        // and hands on to the song cued meanwhile instead of leaving both decks silent.
        if (!tmrMix->Enabled()) tmrPosition->SetEnabled(false);
        const bool wasLive = playing();
        playing() = false;
        // The rewind above turned "ended" into "stopped"; a song that ran out inside its own
        // fade-in is only live from the completion on, so the end is remembered until then.
        if (status == audio::Player::kEnded) ranOut_ = true;
        runTriggers();
        // A live song that ran out before its fade point (a decode error, a file shorter than it
        // was measured, a double click on a file that would not open) would leave the evening
        // silent: the next entry is mixed in at once. A stop by the user ("stopped", not
        // "ended") stays a stop, and Play on a deck that holds no song starts nothing else.
        if (wasLive && ranOut_ && !other().tmrMix->Enabled() && desk_.playlist.count() > 0)
            cmdMix();
    }
    const int position = p.Position();
    display.lblTime.SetCaption(desk_.state.ShowRemaining
                                   ? FormatRemainingTime(position, audioLength())
                                   : FormatPosition(position));
}

void Deck::runTriggers() {
    // A deck does not cue or fade out while it is still being faded in. Otherwise a song shorter
    // than the thresholds would cue over the outgoing song while it still sounds (cutting it
    // off) and start a second fade that fights the first, and once both had completed no deck
    // would be left playing. The completion cues the other deck, and the first tick after it
    // runs the triggers.
    if (tmrMix->Enabled()) return;
    Deck& next = other();
    Playlist& list = desk_.playlist;
    const int length = audioLength();
    const int half = mixInterval() * 1000 / 2;
    if (length - 15000 - half <= player().Position() && !next.tmrMix->Enabled() &&
        next.audioPath() != list.path(0))
        next.PrepareAudio();
    if (length - 8000 - half <= player().Position() && !next.tmrMix->Enabled()) next.MixAndPlay();
}

void Deck::MixAndPlay() {
    Playlist& list = desk_.playlist;
    // A cued entry whose file would not open is passed over for the next one: fading in a deck
    // that holds nothing would fade the music out into silence, and with a longer song's length
    // still on the deck no trigger would ever follow.
    while (!opened_ && list.count() > 0 && audioPath() == list.path(0)) {
        list.removeAt(0);
        PrepareAudio();
    }
    if (list.count() == 0) return;
    mixTitle() = list.title(0);
    TickerFill(mixTitle(), kMixingSeparator, 3);
    list.removeAt(0);
    if (other().playing()) player().SetVolume(0);
    player().Play();
    paused_ = false;
    ranOut_ = false;
    desk_.setDeck2InFront(index_ == 1);
    display.fraPlayer.SetCaption(kMixingCaption);
    // A fade the other way (Mix now pressed again on the front panel) gives way to this one: two
    // fades into each other's deck would each complete by cueing the deck that the other one is
    // still bringing in, and leave both silent.
    if (other().tmrMix->Enabled()) {
        other().tmrMix->SetEnabled(false);
        other().display.fraPlayer.SetCaption(kPanelCaption);
    }
    tmrPosition->SetEnabled(true);
    // A fade starts with the design interval; its ticks then take the mixing interval.
    tmrMix->SetInterval(kMixFirstInterval);
    tmrMix->SetEnabled(true);
    desk_.cuePoints.ResetCuePoints();
    emit fadeStarted(mixTitle());
}

void Deck::mixTick() {
    Deck& out = other();
    audio::Player& in = player();
    tmrMix->SetInterval(out.mixInterval() * 1000 / 100);
    // Volumes are the player's single-precision values; each step is computed in double and
    // stored back as a single, so the fade takes the same number of ticks on every run.
    if (static_cast<double>(in.Volume()) > 0.4)
        out.player().SetVolume(static_cast<float>(out.player().Volume() - 1.0 / 60.0));
    in.SetVolume(static_cast<float>(in.Volume() + 0.01));
    if (in.Volume() >= 1.0f) {
        TickerFill(mixTitle(), kTickerSeparator, 3);
        display.fraPlayer.SetCaption(kPanelCaption);
        out.playing() = false;
        playing() = true;
        out.player().SetVolume(0);
        out.tmrPosition->SetEnabled(false);
        out.display.setVuLeft(0.0f);
        out.display.setVuRight(0.0f);
        out.display.lblTime.SetCaption(kZeroTime);
        tmrMix->SetEnabled(false);
        emit fadeCompleted(mixTitle());
        out.PrepareAudio();
    }
}

void Deck::cmdMix() {
    Deck& next = other();
    if (next.audioPath() != desk_.playlist.path(0)) next.PrepareAudio();
    next.MixAndPlay();
}

void Deck::cmdMixIntervalUp() {
    if (sldMixInterval.Value() + 1 <= sldMixInterval.Max())
        sldMixInterval.SetValue(sldMixInterval.Value() + 1);
}

void Deck::cmdMixIntervalDown() {
    if (sldMixInterval.Value() - 1 >= sldMixInterval.Min())
        sldMixInterval.SetValue(sldMixInterval.Value() - 1);
}

void Deck::cmdMixIntervalReset() {
    sldMixInterval.SetValue(kDefaultMixInterval);
}

}  // namespace vantrel
