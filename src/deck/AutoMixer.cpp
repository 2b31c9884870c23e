#include "deck/AutoMixer.h"

#include "audio/Player.h"
#include "audio/SongAnalyzer.h"
#include "playlist/Playlist.h"

namespace vantrel {

AutoMixer::AutoMixer(Deck& deck1, Deck& deck2, Scheduler& scheduler, audio::SongAnalyzer& analyzer,
                     QObject* parent)
    : QObject(parent), analyzer_(analyzer), deck1_(deck1), deck2_(deck2) {
    for (Deck* deck : {&deck1_, &deck2_}) {
        fadeTimers_[std::size_t(deck->index())] =
            scheduler.createTimer(kFadeFirstInterval, [this, deck] { fadeTick(*deck); });
        deck->setEvents(this);
        // A cued song is profiled, and the one after it, long before either is faded in.
        connect(deck, &Deck::cued, this, [this, deck] { askAhead(*deck); });
    }
    mixIntervalSlider.onChanged = [this] {
        mixIntervalLabel.SetCaption(QString::number(mixInterval()) + QStringLiteral(" seconds"));
    };
}

AutoMixer::~AutoMixer() {
    for (Deck* deck : {&deck1_, &deck2_}) deck->setEvents(nullptr);
}

void AutoMixer::setTrimSilence(bool on) {
    trimSilence_ = on;
    for (Deck* deck : {&deck1_, &deck2_}) askAhead(*deck);
}

void AutoMixer::setLevelLoudness(bool on) {
    levelLoudness_ = on;
    for (Deck* deck : {&deck1_, &deck2_}) askAhead(*deck);
}

void AutoMixer::askAhead(Deck& deck) {
    if (!refining()) return;
    analyzer_.request(deck.song().path.toStdString());
    Playlist& list = deck.playlist();
    if (list.count() > 1) analyzer_.request(list.path(1).toStdString());
}

std::optional<audio::SongProfile> AutoMixer::profile(const Deck& deck) const {
    if (!refining() || deck.song().path.isEmpty()) return std::nullopt;
    return analyzer_.find(deck.song().path.toStdString());
}

int AutoMixer::mixLength(const Deck& deck) const {
    const int length = deck.song().length;
    if (!trimSilence_) return length;
    const auto p = profile(deck);
    // An mp3 measured in whole seconds keeps its shorter length when it ends in sound.
    return p && p->opened && !p->silent ? std::min(length, p->audibleEndMs) : length;
}

bool AutoMixer::passOver(const Deck& deck) const {
    if (!deck.holdsPlayable()) return true;
    if (!trimSilence_) return false;
    const auto p = profile(deck);
    return p && (!p->opened || p->silent);
}

void AutoMixer::applyLevelling(Deck& deck) {
    // Off, or not measured yet: the song plays as it is.
    const auto p = levelLoudness_ ? profile(deck) : std::nullopt;
    deck.player().SetLevelling(p ? float(p->levellingDb()) : 0.0f);
}

void AutoMixer::startedPlaying(Deck& deck) {
    applyLevelling(deck);
    Deck& next = other(deck);
    next.song().playing = false;
    next.positionTimer().SetEnabled(false);
    next.loader.cueNext();
}

void AutoMixer::playingTick(Deck& deck) {
    // A deck does not cue or fade out while it is still being faded in. Otherwise a song shorter
    // than the thresholds would cue over the outgoing song while it still sounds (cutting it
    // off) and start a second fade that fights the first, and once both had completed no deck
    // would be left playing. The completion cues the other deck, and the first tick after it
    // runs the triggers.
    if (fading(deck)) return;
    Deck& next = other(deck);
    Playlist& list = deck.playlist();
    const int length = mixLength(deck);
    const int half = mixInterval() * 1000 / 2;
    const int position = deck.player().Position();
    if (length - 15000 - half <= position && !fading(next) && next.song().path != list.path(0))
        next.loader.cueNext();
    if (length - 8000 - half <= position && !fading(next)) startFadeIn(next);
}

void AutoMixer::ranOut(Deck& deck) {
    // A live song that ran out before its fade point (a decode error, a file shorter than it
    // was measured, a double click on a file that would not open) would leave the evening
    // silent: the next entry is mixed in at once. Play on a deck that holds no song starts
    // nothing else.
    if (!fading(other(deck)) && deck.playlist().count() > 0) mixNow(deck);
}

void AutoMixer::startFadeIn(Deck& into) {
    Playlist& list = into.playlist();
    DeckSong& song = into.song();
    // A cued entry whose file would not open (or, trimming, that holds only silence) is passed
    // over for the next one: fading in a deck that holds nothing would fade the music out into
    // silence, and with a longer song's length still on the deck no trigger would ever follow.
    while (passOver(into) && list.count() > 0 && song.path == list.path(0)) {
        list.removeAt(0);
        into.loader.cueNext();
    }
    if (list.count() == 0) return;
    Deck& out = other(into);
    song.mixTitle = list.title(0);
    into.fillTicker(song.mixTitle, kMixingSeparator);
    list.removeAt(0);
    if (out.playing()) into.player().SetVolume(0);
    applyLevelling(into);
    if (trimSilence_)
        if (const auto p = profile(into); p && p->audibleStartMs > 0)
            into.player().SetPosition(p->audibleStartMs);
    into.player().Play();
    song.paused = false;
    song.ranOut = false;
    into.display.caption.SetCaption(kMixingCaption);
    // A fade the other way (Mix now pressed again on the front panel) gives way to this one: two
    // fades into each other's deck would each complete by cueing the deck that the other one is
    // still bringing in, and leave both silent.
    if (fading(out)) {
        fadeTimer(out).SetEnabled(false);
        out.display.caption.SetCaption(kPanelCaption);
    }
    into.positionTimer().SetEnabled(true);
    // A fade starts with the first interval; its ticks then take the mixing interval.
    fadeTimer(into).SetInterval(kFadeFirstInterval);
    fadeTimer(into).SetEnabled(true);
    emit fadeStarted(into.index(), song.mixTitle);
}

void AutoMixer::fadeTick(Deck& into) {
    Deck& out = other(into);
    audio::Player& in = into.player();
    fadeTimer(into).SetInterval(mixInterval() * 1000 / 100);
    // Volumes are the player's single-precision values; each step is computed in double and
    // stored back as a single, so the fade takes the same number of ticks on every run.
    if (static_cast<double>(in.Volume()) > 0.4)
        out.player().SetVolume(static_cast<float>(out.player().Volume() - 1.0 / 60.0));
    in.SetVolume(static_cast<float>(in.Volume() + 0.01));
    if (in.Volume() < 1.0f) return;
    into.fillTicker(into.song().mixTitle, kTickerSeparator);
    into.display.caption.SetCaption(kPanelCaption);
    out.song().playing = false;
    into.song().playing = true;
    out.player().SetVolume(0);
    out.positionTimer().SetEnabled(false);
    out.display.setLevels(0.0f);
    out.display.timeLabel.SetCaption(kZeroTime);
    fadeTimer(into).SetEnabled(false);
    emit fadeCompleted(into.index(), into.song().mixTitle);
    out.loader.cueNext();
}

void AutoMixer::mixNow(Deck& from) {
    Deck& next = other(from);
    if (next.song().path != from.playlist().path(0)) next.loader.cueNext();
    startFadeIn(next);
}

void AutoMixer::intervalUp() {
    if (mixInterval() + 1 <= mixIntervalSlider.Max()) mixIntervalSlider.SetValue(mixInterval() + 1);
}

void AutoMixer::intervalDown() {
    if (mixInterval() - 1 >= mixIntervalSlider.Min()) mixIntervalSlider.SetValue(mixInterval() - 1);
}

void AutoMixer::intervalReset() {
    mixIntervalSlider.SetValue(kDefaultMixInterval);
}

}  // namespace vantrel
