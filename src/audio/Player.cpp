#include "audio/Player.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "audio/EngineImpl.h"
#include "audio/FileJob.h"
#include "audio/PlayerCore.h"

namespace vantrel::audio {

namespace {
using OpenJob = FileJob<OpenResult>;
}  // namespace

static_assert(Player::kFileNotFound == kFileNotFound);

struct Player::Impl {
    explicit Impl(Engine& e)
        : engine(e.impl()),
          core(std::make_unique<PlayerCore>(engine, engine.rate,
                                            engine.options.output != OutputKind::Offline)) {
        engine.addPlayer(core.get());
    }
    ~Impl() { engine.removePlayer(core.get()); }

    // Applies a finished (or timed-out) open; the UI thread calls it from every entry point.
    void settle() {
        if (!opening) return;
        const bool done = opening->done();
        // Another player gave up on the same file: so does this one.
        if (!done && !opening->timedOut() && !engine.unansweredFiles.contains(opening->path()))
            return;
        std::shared_ptr<OpenJob> job = std::move(opening);
        opening.reset();
        OpenResult& opened = job->result();
        if (!done || !opened.decoder) {
            if (!done) engine.unansweredFiles.insert(job->path());
            failed = true;
            return;
        }
        swapIn(std::move(opened.decoder));
        if (seekWhenOpened > 0) seekTo(std::min(seekWhenOpened, lengthMs));
        if (playWhenOpened) {
            engine.output->aboutToPlay();
            core->playing.store(true, std::memory_order_release);
        }
    }

    void swapIn(std::unique_ptr<Decoder> decoder) {
        containerSeconds = decoder->containerSeconds();
        tags = decoder->tags();
        core->playing.store(false);
        const std::uint32_t g = core->gen.load() + 1;
        core->gen.store(g, std::memory_order_release);
        target = 0;
        loaded = true;
        lengthMs = decoder->lengthMs();
        core->postReplace(g, std::move(decoder));
    }

    std::int64_t toFrames(int ms) const { return std::int64_t(ms) * engine.rate / 1000; }
    int toMs(std::int64_t frames) const { return int(frames * 1000 / engine.rate); }

    // A seek (or a pause, which is a seek to where it stopped) starts a new generation: the
    // render drops whatever was queued for the old one.
    void seekTo(int ms) {
        const std::uint32_t g = core->gen.load() + 1;
        target = ms;
        core->gen.store(g, std::memory_order_release);
        core->post(g, toFrames(ms));
    }

    Engine::Impl& engine;
    std::unique_ptr<PlayerCore> core;
    std::string fileName;
    std::shared_ptr<OpenJob> opening;  // an open not yet applied
    bool playWhenOpened = false;
    int seekWhenOpened = 0;
    int containerSeconds = 0;
    SongTags tags;
    bool failed = false;  // the last open failed after the song before was stopped
    bool loaded = false;
    int lengthMs = 0;
    int target = 0;  // the position while not playing, or until the new one is heard
    float volume = 1.0f;
};

Player::Player(Engine& engine) : impl_(std::make_unique<Impl>(engine)) {}
Player::~Player() = default;

void Player::SetFileName(const std::string& p) {
    impl_->fileName = p;
}

const std::string& Player::FileName() const {
    return impl_->fileName;
}

int Player::Open() {
    Impl& d = *impl_;
    d.settle();
    if (d.engine.unansweredFiles.contains(d.fileName)) return -1;
    // The file opens into a decoder of its own; only a file that opened replaces the song, so a
    // failed open leaves whatever the player holds (playing or not) as it was. Offline, every
    // open is waited for, so a render is the same on every run.
    auto job = std::make_shared<OpenJob>(d.fileName);
    OpenJob::start(
        job, d.engine.options.output == OutputKind::Offline,
        [rate = d.engine.rate](const std::string& path) { return openDecoder(path, rate); }, [] {});
    if (job->done()) {
        OpenResult& opened = job->result();
        if (!opened.decoder) return opened.error ? opened.error : -1;
        d.opening.reset();  // a slower open given before this one no longer counts
        d.failed = false;
        // Levelling and the match belong to one song: a new one starts without them.
        d.core->levelling.store(1.0f, std::memory_order_relaxed);
        d.core->matchCommand.store(PlayerCore::packMatch(1.0f, 0.0f));
        d.swapIn(std::move(opened.decoder));
        return 0;
    }
    // Still opening: the song before stops now, so nothing of it sounds under a fade-in meant
    // for this one.
    d.core->playing.store(false);
    d.core->levelling.store(1.0f, std::memory_order_relaxed);  // kept if set while it opens
    d.core->matchCommand.store(PlayerCore::packMatch(1.0f, 0.0f));
    d.loaded = false;
    d.failed = false;
    d.opening = std::move(job);
    d.playWhenOpened = false;
    d.seekWhenOpened = 0;
    return 0;
}

bool Player::Opening() const {
    impl_->settle();
    return impl_->opening != nullptr;
}

int Player::ContainerSeconds() const {
    impl_->settle();
    return impl_->loaded ? impl_->containerSeconds : 0;
}

SongTags Player::Tags() const {
    impl_->settle();
    return impl_->loaded ? impl_->tags : SongTags{};
}

bool Player::OpenFailed() const {
    impl_->settle();
    return impl_->failed;
}

int Player::Length() const {
    impl_->settle();
    return impl_->loaded ? impl_->lengthMs : 0;
}

int Player::Position() const {
    impl_->settle();
    const Impl& d = *impl_;
    if (d.opening) return d.seekWhenOpened;
    if (!d.loaded) return 0;
    if (!d.core->playing.load()) return d.target;
    const std::uint64_t heard = d.core->audible.load(std::memory_order_acquire);
    if (packedGen(heard) != d.core->gen.load()) return d.target;
    std::int64_t frame = packedFrame(heard);
    if (d.engine.kind.load() == OutputKind::Device) {
        // The device moved on since its last callback; follow it for up to one buffer.
        const std::int64_t since = monotonicNs() - d.engine.lastCallbackNs.load();
        const double frames = std::clamp(double(since) * 1e-9 * d.engine.rate, 0.0,
                                         double(d.engine.options.bufferFrames));
        frame += std::llround(frames * d.core->audibleSlope.load(std::memory_order_relaxed));
    }
    return std::min(d.toMs(frame), d.lengthMs);
}

void Player::SetPosition(int ms) {
    Impl& d = *impl_;
    d.settle();
    if (d.opening) d.seekWhenOpened = std::max(ms, 0);
    if (!d.loaded) return;
    // A song that has played to its end no longer plays: a seek rewinds it without starting it.
    if (Status() == kEnded) d.core->playing.store(false, std::memory_order_release);
    d.seekTo(std::clamp(ms, 0, d.lengthMs));
}

void Player::Play() {
    Impl& d = *impl_;
    d.settle();
    if (d.opening) d.playWhenOpened = true;
    if (!d.loaded) return;
    // Play is also how a listener asks for sound that went away: the device is tried again
    // even when this deck already plays.
    d.engine.output->aboutToPlay();
    d.core->playing.store(true, std::memory_order_release);
}

void Player::Pause() {
    Impl& d = *impl_;
    d.settle();
    if (d.opening) d.playWhenOpened = false;
    if (!d.loaded || !d.core->playing.load()) return;
    const int at = Position();
    d.core->playing.store(false, std::memory_order_release);
    // Resume exactly where it was heard, not where the decoder had run ahead to.
    d.seekTo(at);
}

int Player::Status() const {
    impl_->settle();
    const Impl& d = *impl_;
    if (d.failed) return kEnded;
    if (!d.loaded) return kStopped;
    if (d.core->endedGen.load(std::memory_order_acquire) == d.core->gen.load()) return kEnded;
    return d.core->playing.load() ? kPlaying : kStopped;
}

float Player::Volume() const {
    return impl_->volume;
}

void Player::SetVolume(float volume) {
    impl_->volume = std::isfinite(volume) ? std::clamp(volume, 0.0f, 1.0f) : 0.0f;
    impl_->core->volume.store(impl_->volume, std::memory_order_relaxed);
}

void Player::SetLevelling(float decibels) {
    const float db = std::isfinite(decibels) ? std::clamp(decibels, -12.0f, 12.0f) : 0.0f;
    impl_->core->levelling.store(db == 0.0f ? 1.0f : std::pow(10.0f, db / 20.0f),
                                 std::memory_order_relaxed);
}

double Player::Level() const {
    return impl_->core->level.load(std::memory_order_relaxed);
}

namespace {
float factor(float f) {
    return std::isfinite(f) ? std::clamp(f, 0.05f, 20.0f) : 1.0f;
}
}  // namespace

void Player::SetRate(float f) {
    impl_->core->rate.store(factor(f));
}

void Player::SetTempo(float f) {
    impl_->core->tempo.store(factor(f));
}

double Player::Speed() const {
    // A match set at once counts from when it is set, before the worker has decoded with it.
    const std::uint64_t command = impl_->core->matchCommand.load();
    const bool atOnce = std::bit_cast<float>(std::uint32_t(command)) <= 0;
    const float match = atOnce ? std::bit_cast<float>(std::uint32_t(command >> 32)) : TempoMatch();
    return double(impl_->core->tempo.load()) * double(impl_->core->rate.load()) * double(match);
}

void Player::SetPitch(float f) {
    impl_->core->pitch.store(factor(f));
}

void Player::SetTempoMatch(float f) {
    Impl& d = *impl_;
    d.settle();
    const std::uint64_t command = PlayerCore::packMatch(factor(f), 0.0f);
    if (d.core->matchCommand.exchange(command) == command) return;
    // What is queued was decoded at the old match: a cued song is cued again where it stands.
    if (d.loaded && !d.core->playing.load() && Status() != kEnded) d.seekTo(d.target);
}

void Player::GlideTempoMatch(float f, int ms) {
    const float to = factor(f);
    const float from = TempoMatch();
    const float frames = float(std::max(ms, 1)) * float(impl_->engine.rate) / 1000.0f;
    // A step of zero would mean at once; a glide with nowhere to go is simply done.
    impl_->core->matchCommand.store(PlayerCore::packMatch(
        to, std::max(std::abs(to - from) / frames, std::numeric_limits<float>::min())));
}

double Player::StartDelayMs() const {
    return impl_->engine.startDelayMs();
}

float Player::TempoMatch() const {
    return impl_->core->matchNow.load(std::memory_order_relaxed);
}

void Player::SetPitchSemitones(float semitones) {
    // Like the gradual pitch, the last of the two that was set is the pitch.
    impl_->core->pitch.store(factor(std::exp2(semitones / 12.0f)));
}

}  // namespace vantrel::audio
