#include "deck/AutoMixer.h"

#include <algorithm>

#include "audio/BeatMatch.h"
#include "audio/Player.h"
#include "audio/SongAnalyzer.h"
#include "base/FilePath.h"
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
        connect(deck, &Deck::cued, this, [this, deck] {
            if (phase(*deck) == Phase::Idle) setPhase(*deck, Phase::Cued);
            askAhead(*deck);
        });
        // A song clicked on is profiled while the user gets to Play, so it starts levelled.
        connect(deck, &Deck::opened, this, [this](const QString& path) {
            if (refining()) requestProfile(path);
        });
    }
    holdTimer_ = scheduler.createTimer(kHoldRetryInterval, [this] { retryHeld(); });
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

void AutoMixer::setFadeAtOutro(bool on) {
    fadeAtOutro_ = on;
    for (Deck* deck : {&deck1_, &deck2_}) askAhead(*deck);
}

void AutoMixer::setMatchBeats(bool on) {
    matchBeats_ = on;
    for (Deck* deck : {&deck1_, &deck2_}) askAhead(*deck);
}

void AutoMixer::requestProfile(const QString& path, bool first, unsigned beats) {
    // Only what the refinements that are on need: the outro scan and the beats cost time.
    analyzer_.request(PathToStdString(path), first,
                      (fadeAtOutro_ ? audio::kOutroPart : 0u) | (matchBeats_ ? beats : 0u));
}

void AutoMixer::profileAhead() {
    if (!refining()) return;
    const Playlist& list = deck1_.playlist();
    // The list's first song starts the mix: no fade comes into it, so its head needs no grid
    // (should it be faded into later after all, the grid is found then).
    for (int i = 0; i < list.count(); ++i)
        requestProfile(list.path(i), false, i == 0 ? audio::kTailBeatsPart : audio::kBeatsPart);
}

void AutoMixer::askAhead(Deck& deck) {
    if (!refining()) return;
    // Matching beats, each song's grids come with its profile: its head for the fade into it,
    // its tail for the fade out of it. A song cued while the other deck has held none yet
    // starts the mix: nothing fades into it.
    const bool startsTheMix = other(deck).song().path.isEmpty();
    requestProfile(deck.song().path, false,
                   startsTheMix ? audio::kTailBeatsPart : audio::kBeatsPart);
    Playlist& list = deck.playlist();
    if (list.count() > 1) requestProfile(list.path(1));
}

std::optional<audio::SongProfile> AutoMixer::profile(const Deck& deck, unsigned parts) const {
    if (!refining() || deck.song().path.isEmpty()) return std::nullopt;
    return analyzer_.find(PathToStdString(deck.song().path), parts);
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
    // Off: the song plays as it is. Not measured yet (a song started by Play, seldom a faded-in
    // one): it starts as it is, its profile comes first, and it settles once that is ready.
    Levelling& l = levelling_[std::size_t(deck.index())];
    auto p = levelLoudness_ ? profile(deck) : std::nullopt;
    if (levelLoudness_ && !p) {
        requestProfile(deck.song().path, true);
        p = profile(deck);  // offline the profile is waited for, so a render is levelled at once
    }
    l.db = p ? float(p->levellingDb()) : 0.0f;
    l.settling = levelLoudness_ && !p;
    deck.player().SetLevelling(l.db);
}

void AutoMixer::settleLevelling(Deck& deck) {
    Levelling& l = levelling_[std::size_t(deck.index())];
    if (!l.settling) return;
    if (!levelLoudness_) {
        l.settling = false;
        return;
    }
    const auto p = profile(deck);
    if (!p) return;
    const float target = float(p->levellingDb());
    l.db = std::clamp(target, l.db - kLevellingSettleDb, l.db + kLevellingSettleDb);
    deck.player().SetLevelling(l.db);
    if (l.db == target) l.settling = false;
}

void AutoMixer::startedPlaying(Deck& deck) {
    setPhase(deck, Phase::Live);
    applyLevelling(deck);
    Deck& next = other(deck);
    if (!fading(next) && phase(next) != Phase::Holding) setPhase(next, Phase::Idle);
    next.setLive(false);
    next.positionTimer().SetEnabled(false);
    next.loader.cueNext();
}

void AutoMixer::playingTick(Deck& deck) {
    settleLevelling(deck);
    if (!deck.playing() && phase(deck) == Phase::Live) setPhase(deck, Phase::Idle);
    // A deck does not cue or fade out while it is still being faded in. Otherwise a song shorter
    // than the thresholds would cue over the outgoing song while it still sounds (cutting it
    // off) and start a second fade that fights the first, and once both had completed no deck
    // would be left playing. The completion cues the other deck, and the first tick after it
    // runs the triggers.
    if (fading(deck)) {
        if (deck.song().ranOut) handOnEarly(deck);
        return;
    }
    Deck& next = other(deck);
    Playlist& list = deck.playlist();
    const Placement at = placement(deck);
    const int position = deck.player().Position();
    if (at.cueAt <= position && !fading(next) && next.song().path != list.path(0))
        next.loader.cueNext();
    // A held mix tries its entries on its own timer, not on every tick.
    if (at.fadeAt <= position && !fading(next) && !holding()) {
        nextRule_ = at.rule;
        startFadeIn(next);
        nextRule_ = "design";
    }
}

AutoMixer::Placement AutoMixer::placement(const Deck& deck) const {
    const int length = mixLength(deck);
    const int half = mixInterval() * 1000 / 2;
    Placement at{length - kCueLead - half, length - kFadeLead - half,
                 length == deck.song().length ? "design" : "trim"};
    if (const int interval = ownShortInterval_[std::size_t(deck.index())]; interval > 0) {
        // Its fade out ends where its sound does, a tick early rather than late.
        const int fadeAt =
            length - kFadeFirstInterval - kFadeSteps * interval - Deck::kPositionInterval;
        return {std::min(at.cueAt, fadeAt), fadeAt, "short"};
    }
    if (!fadeAtOutro_) return at;
    const auto p = profile(deck);
    if (!p || !p->opened || p->silent || p->endsCold()) return at;
    // The next song is at full volume where the outro starts.
    const int outroFade = p->outroStartMs - kFadeFirstInterval - mixInterval() * 1000;
    if (outroFade >= at.fadeAt) return at;
    return {at.cueAt - (at.fadeAt - outroFade), outroFade, "outro"};
}

int AutoMixer::shortSongInterval(const Deck& deck) const {
    if (!trimSilence_) return 0;
    const auto p = profile(deck);
    if (!p || !p->opened || p->silent) return 0;
    const int sound = p->audibleEndMs - p->audibleStartMs;
    const int designFade = kFadeFirstInterval + mixInterval() * 1000;
    if (sound < kShortestTrimmedSong || sound >= 2 * designFade) return 0;
    return std::max(1, (sound / 2 - kShortSongMargin - kFadeFirstInterval) / kFadeSteps);
}

void AutoMixer::handOnEarly(Deck& into) {
    // The song that was coming in has ended: the next entry comes in on the same deck, against
    // the song still fading out, rather than the fade running on into nothing. The last entry
    // of the list fades as designed.
    if (into.playlist().count() == 0) return;
    into.loader.cueNext();
    nextRule_ = "short";
    startFadeIn(into);
    nextRule_ = "design";
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
    const DeckSong& song = into.song();
    if (!cueFirstPlayable(into) || list.count() == 0) return;
    Deck& out = other(into);
    into.setMixTitle(list.title(0));
    into.fillTicker(song.mixTitle, kMixingSeparator);
    list.takeFirst();
    if (out.playing()) into.player().SetVolume(0);
    applyLevelling(into);
    if (trimSilence_)
        if (const auto p = profile(into); p && p->audibleStartMs > 0)
            into.player().SetPosition(p->audibleStartMs);
    // Around a short song the fades shrink to fit: the fade into it, and the one out of it.
    const std::size_t i = std::size_t(into.index());
    const int outInterval = ownShortInterval_[std::size_t(out.index())];
    ownShortInterval_[i] = shortSongInterval(into);
    fadeInterval_[i] = outInterval > 0 && out.playing() ? outInterval : 0;
    if (ownShortInterval_[i] > 0)
        fadeInterval_[i] = fadeInterval_[i] > 0 ? std::min(fadeInterval_[i], ownShortInterval_[i])
                                                : ownShortInterval_[i];
    // A fade shrunk to fit is too short for beats to be heard meeting.
    const bool onBeats = fadeInterval_[i] == 0 && startOnBeats(into);
    into.player().Play();
    into.resumed();
    into.display.caption.SetCaption(kMixingCaption);
    // A fade cut short before its first step still tells how it was made.
    for (Deck* d : {&into, &out})
        if (fading(*d)) reportShape(*d);
    // A fade the other way (Mix now pressed again on the front panel) gives way to this one: two
    // fades into each other's deck would each complete by cueing the deck that the other one is
    // still bringing in, and leave both silent.
    if (fading(out)) {
        fadeTimer(out).SetEnabled(false);
        setPhase(out, Phase::Live);
        out.display.caption.SetCaption(kPanelCaption);
        endMatch(out);
    }
    into.positionTimer().SetEnabled(true);
    fadeRules_[i] = QString::fromLatin1(fadeInterval_[i] > 0 ? "short"
                                        : onBeats            ? "beats"
                                                             : nextRule_);
    // A fade starts with the first interval; its ticks then take the mixing interval.
    fadeTimer(into).SetInterval(kFadeFirstInterval);
    fadeTimer(into).SetEnabled(true);
    setPhase(into, Phase::FadingIn);
    shapeTold_[std::size_t(into.index())] = false;
    emit fadeStarted(into.index(), song.mixTitle);
}

bool AutoMixer::startOnBeats(Deck& into) {
    matched_[std::size_t(into.index())] = 1;
    Deck& out = other(into);
    if (!matchBeats_ || !out.playing() || out.player().Status() != audio::Player::kPlaying)
        return false;
    const auto outSong = profile(out, audio::kTailBeatsPart);
    const auto inSong = profile(into, audio::kHeadBeatsPart);
    if (!outSong || !inSong || !outSong->tailBeats || !inSong->headBeats) return false;
    audio::Player& o = out.player();
    audio::Player& in = into.player();
    // The outgoing song moves on while the incoming one's first frame is on its way.
    const double outSpeed = o.Speed();
    const auto plan = audio::planBeatMatch(
        {&*outSong->tailBeats, o.Position() + in.StartDelayMs() * outSpeed, outSpeed},
        {&*inSong->headBeats, double(in.Position()), in.Speed()});
    if (!plan) return false;
    in.SetPosition(plan->startMs);
    in.SetTempoMatch(float(plan->tempoMatch));
    matched_[std::size_t(into.index())] = plan->tempoMatch;
    return true;
}

void AutoMixer::endMatch(Deck& deck) {
    double& match = matched_[std::size_t(deck.index())];
    if (match != 1) deck.player().GlideTempoMatch(1.0f, audio::matchGlideMs(match));
    match = 1;
}

bool AutoMixer::cueFirstPlayable(Deck& into) {
    Playlist& list = into.playlist();
    const DeckSong& song = into.song();
    // A cued entry whose file would not open (or, trimming, that holds only silence) is passed
    // over for the next one: fading in a deck that holds nothing would fade the music out into
    // silence, and with a longer song's length still on the deck no trigger would ever follow.
    // Entries whose files are not there stay on the list until one after them opens, since a
    // run of them means their folder is gone, and taking them off would empty the list.
    QStringList notFound;
    // A repeating list puts each entry taken back at its end: one round of them is the most
    // worth trying, and when none of them plays the music ends with the list whole.
    int left = list.count();
    for (; left > 0 && list.count() > notFound.size() && song.path == list.path(notFound.size()) &&
           passOver(into);
         --left) {
        if (song.notFound) {
            notFound << song.path;
            if (notFound.size() >= kNotFoundBeforeHold || notFound.size() == list.count()) {
                hold(into, notFound);
                return false;
            }
        } else {
            // There but unplayable: a single bad file, so the ones before it were single too.
            for (int i = 0; i <= notFound.size(); ++i) list.takeFirst();
            notFound.clear();
        }
        into.loader.load(int(notFound.size()), LoadKind::Cue);
    }
    for (int i = 0; i < notFound.size(); ++i) list.takeFirst();
    endHold();
    return left > 0 || !passOver(into);
}

void AutoMixer::reportShape(Deck& into) {
    bool& told = shapeTold_[std::size_t(into.index())];
    if (told) return;
    told = true;
    const Deck& out = other(into);
    FadeShape shape;
    shape.inPositionMs = into.player().Position();
    shape.inSpeed = into.player().Speed();
    shape.outPositionMs = out.player().Position();
    shape.outSpeed = out.player().Speed();
    shape.rule = fadeRules_[std::size_t(into.index())];
    emit fadeShaped(into.index(), shape);
}

void AutoMixer::hold(Deck& into, const QStringList& notFound) {
    heldInto_ = into.index();
    setPhase(into, Phase::Holding);
    // The folder the missing entries share, else the first one's path.
    const QString first = notFound.value(0);
    const QString folder = first.left(first.lastIndexOf(QLatin1Char('/')));
    bool shared = !folder.isEmpty();
    for (const QString& path : notFound)
        shared = shared && path.startsWith(folder + QLatin1Char('/'));
    holdNotice.SetCaption(QStringLiteral("Music files not found: ") + (shared ? folder : first));
    holdTimer_->SetEnabled(true);
}

void AutoMixer::retryHeld() {
    Playlist& list = deck1_.playlist();
    if (list.count() == 0) return endHold();
    Deck* live = deck1_.playing() ? &deck1_ : deck2_.playing() ? &deck2_ : nullptr;
    Deck& into = live ? other(*live) : heldInto_ == 0 ? deck1_ : deck2_;
    if (fading(into)) return endHold();
    // The open goes through the player's loader thread; a file that is there again opens as
    // quickly as any.
    into.loader.cueNext();
    if (into.song().notFound) return;
    // A song still playing fades into it at its own fade point (at once when that has passed).
    if (live) return endHold();
    // Nothing sounds: the entry starts at full level, as after Play.
    into.player().SetVolume(1);
    startFadeIn(into);
}

void AutoMixer::endHold() {
    for (Deck* deck : {&deck1_, &deck2_})
        if (phase(*deck) == Phase::Holding) setPhase(*deck, Phase::Cued);
    holdTimer_->SetEnabled(false);
    holdNotice.SetCaption({});
}

void AutoMixer::fadeTick(Deck& into) {
    Deck& out = other(into);
    audio::Player& in = into.player();
    reportShape(into);
    const int interval = fadeInterval_[std::size_t(into.index())];
    fadeTimer(into).SetInterval(interval > 0 ? interval : mixInterval() * 1000 / kFadeSteps);
    // Volumes are the player's single-precision values; each step is computed in double and
    // stored back as a single, so the fade takes the same number of ticks on every run.
    if (static_cast<double>(in.Volume()) > kFadeOutFrom)
        out.player().SetVolume(static_cast<float>(out.player().Volume() - kFadeOutStep));
    in.SetVolume(static_cast<float>(in.Volume() + kFadeInStep));
    if (in.Volume() < 1.0f) return;
    into.fillTicker(into.song().mixTitle, kTickerSeparator);
    into.display.caption.SetCaption(kPanelCaption);
    out.setLive(false);
    into.setLive(true);
    out.player().SetVolume(0);
    out.positionTimer().SetEnabled(false);
    out.display.setLevels(0.0f);
    out.display.timeLabel.SetCaption(kZeroTime);
    fadeTimer(into).SetEnabled(false);
    setPhase(into, Phase::Live);
    setPhase(out, Phase::Idle);
    endMatch(into);
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
