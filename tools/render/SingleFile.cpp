#include "SingleFile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "WavWriter.h"
#include "audio/Engine.h"
#include "audio/Player.h"
#include "audio/SongProfile.h"

namespace vantrel::render {

namespace {

constexpr const char* kUsage =
    "usage: vantrel-render [--tempo F] [--pitch F] [--rate F] [--semitones N] [--trim-silence] "
    "[--level-loudness] [--fade-at-outro] [--match-beats] --out OUT.wav FILE\n";

std::optional<float> number(const std::string& s) {
    char* end = nullptr;
    const float v = std::strtof(s.c_str(), &end);
    if (s.empty() || *end != '\0' || !std::isfinite(v)) return std::nullopt;
    return v;
}

struct Settings {
    std::optional<float> tempo, pitch, rate, semitones;
    bool trimSilence = false, levelLoudness = false, fadeAtOutro = false;
    std::string out, file;
};

bool parse(const std::vector<std::string>& args, Settings& s) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::optional<float>& into) {
            if (i + 1 >= args.size()) return false;
            into = number(args[++i]);
            return into.has_value();
        };
        if (a == "--tempo") {
            if (!value(s.tempo) || *s.tempo <= 0) return false;
        } else if (a == "--pitch") {
            if (!value(s.pitch) || *s.pitch <= 0) return false;
        } else if (a == "--rate") {
            if (!value(s.rate) || *s.rate <= 0) return false;
        } else if (a == "--semitones") {
            if (!value(s.semitones)) return false;
        } else if (a == "--trim-silence") {
            s.trimSilence = true;
        } else if (a == "--level-loudness") {
            s.levelLoudness = true;
        } else if (a == "--fade-at-outro") {
            s.fadeAtOutro = true;
        } else if (a == "--match-beats") {
            // One song has no fade to match: taken, so that the two forms share their flags.
        } else if (a == "--out") {
            if (i + 1 >= args.size()) return false;
            s.out = args[++i];
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return false;
        } else if (s.file.empty()) {
            s.file = a;
        } else {
            return false;
        }
    }
    return !s.out.empty() && !s.file.empty();
}

}  // namespace

int runSingleFile(const std::vector<std::string>& args) {
    Settings s;
    if (!parse(args, s)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    audio::Engine engine({.output = audio::OutputKind::Offline, .sampleRate = 44100});
    audio::Player player(engine);
    // The same calls, in the same order, as the tempo and pitch sliders make.
    if (s.rate) player.SetRate(*s.rate);
    if (s.tempo) player.SetTempo(*s.tempo);
    if (s.pitch) player.SetPitch(*s.pitch);
    if (s.semitones) player.SetPitchSemitones(*s.semitones);
    player.SetFileName(s.file);
    if (const int e = player.Open(); e != 0) {
        std::fprintf(stderr, "vantrel-render: cannot play %s (error %d)\n", s.file.c_str(), e);
        return 1;
    }
    // Like a song of a mix: only its audible part, and levelled.
    audio::SongProfile profile;
    if (s.trimSilence || s.levelLoudness || s.fadeAtOutro)
        profile =
            audio::profileSong(s.file, engine.sampleRate(), s.fadeAtOutro ? audio::kOutroPart : 0u);
    if (s.trimSilence && (!profile.opened || profile.silent)) {
        std::fprintf(stderr, "vantrel-render: %s holds only silence\n", s.file.c_str());
        return 1;
    }
    if (s.levelLoudness) player.SetLevelling(float(profile.levellingDb()));
    // Fading at the outro, the song is heard at full level up to where its outro starts.
    const int endMs = s.fadeAtOutro   ? profile.outroStartMs
                      : s.trimSilence ? profile.audibleEndMs
                                      : player.Length();
    WavWriter wav(s.out, engine.sampleRate(), 2);
    if (!wav.ok()) {
        std::fprintf(stderr, "vantrel-render: cannot write %s\n", s.out.c_str());
        return 1;
    }
    // Each step is held back until the next one, so that the silence rendered after the end
    // within the last step can be cut off.
    std::vector<float> held;
    engine.setCaptureSink([&](const float* d, int n) {
        if (!held.empty()) wav.write(held.data(), int(held.size() / 2));
        held.assign(d, d + size_t(n) * 2);
    });
    player.SetPosition(s.trimSilence ? profile.audibleStartMs : 0);
    player.Play();
    // Step like a 10 ms device buffer until the player has played to its (audible) end.
    const int step = engine.sampleRate() / 100;
    while (player.Status() == audio::Player::kPlaying && player.Position() < endMs)
        engine.renderOffline(step);
    engine.setCaptureSink({});
    size_t keep = held.size();
    while (keep >= 2 && held[keep - 1] == 0.0f && held[keep - 2] == 0.0f) keep -= 2;
    if (keep) wav.write(held.data(), int(keep / 2));
    if (!wav.close()) {
        std::fprintf(stderr, "vantrel-render: writing %s failed\n", s.out.c_str());
        return 1;
    }
    return 0;
}

}  // namespace vantrel::render
