// Audio engine benchmarks. Run without arguments (or with --benchmark_* flags) for the kernels;
// bench/audio.sh also runs it as a plain program for whole-process comparisons:
//   bench_audio --decode FILE          decode FILE to the engine format, nothing else
//   bench_audio --live SECONDS         two players and four samples on the sound device
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "audio/Decoder.h"
#include "audio/Engine.h"
#include "audio/MediaControl.h"
#include "audio/Player.h"

using namespace vantrel::audio;
namespace fs = std::filesystem;

namespace {

fs::path dataDir() {
    const char* env = std::getenv("VANTREL_BENCH_DATA");
    fs::path d = env && *env ? fs::path(env) : fs::temp_directory_path() / "vantrel-bench-data";
    fs::create_directories(d);
    return d;
}

// Made once and kept: a 4-minute stereo mp3 and a 30 s wav tone.
std::string input(const char* name) {
    const fs::path p = dataDir() / name;
    if (fs::exists(p)) return p.string();
    std::string cmd;
    if (std::strcmp(name, "song.mp3") == 0)
        cmd =
            "ffmpeg -nostdin -v error -y -f lavfi -i 'sine=frequency=330:duration=240' "
            "-f lavfi -i 'sine=frequency=220:duration=240' -filter_complex amerge -ac 2 "
            "-c:a libmp3lame -b:a 192k '" +
            p.string() + "'";
    else if (std::strcmp(name, "tone.wav") == 0)
        cmd = "sox -q -n -r 44100 -c 2 -b 16 '" + p.string() + "' synth 60 sine 440 gain -12";
    else if (std::strcmp(name, "blip.wav") == 0)
        cmd = "sox -q -n -r 44100 -c 2 -b 16 '" + p.string() + "' synth 1 sine 880 fade 0 1 0.5";
    if (cmd.empty() || std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "bench_audio: cannot make %s\n", name);
        std::exit(1);
    }
    return p.string();
}

void BM_PlayerOpenMp3(benchmark::State& state) {
    const std::string path = input("song.mp3");
    Engine engine({.output = OutputKind::Offline});
    Player player(engine);
    player.SetFileName(path);
    for (auto _ : state) {
        if (player.Open() != 0) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(player.Length());
    }
}
BENCHMARK(BM_PlayerOpenMp3)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly();

void BM_MediaControlMeasureMp3(benchmark::State& state) {
    const std::string path = input("song.mp3");
    Engine engine({.output = OutputKind::Offline});
    MediaControl dmc(engine);
    for (auto _ : state) {
        dmc.OpenFile(path);
        benchmark::DoNotOptimize(dmc.Duration());
        dmc.CloseFile();
    }
}
BENCHMARK(BM_MediaControlMeasureMp3)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly();

// One second of a player at tempo 1.1 rendered offline; items = frames.
void BM_OfflineTempo(benchmark::State& state) {
    Engine engine({.output = OutputKind::Offline});
    Player player(engine);
    player.SetFileName(input("tone.wav"));
    player.Open();
    player.SetTempo(1.1f);
    player.Play();
    for (auto _ : state) {
        if (player.Status() != Player::kPlaying) {
            player.SetPosition(0);
            player.Play();
        }
        engine.renderOffline(44100);
    }
    state.SetItemsProcessed(state.iterations() * 44100);
}
BENCHMARK(BM_OfflineTempo)->Unit(benchmark::kMillisecond);

// The render itself (what the device callback does) with two players and four samples.
void BM_RenderMix(benchmark::State& state) {
    Engine engine({.output = OutputKind::Offline});
    Player a(engine), b(engine);
    MediaControl dmc(engine);
    for (Player* p : {&a, &b}) {
        p->SetFileName(input("tone.wav"));
        p->Open();
        p->Play();
    }
    for (int c = 1; c <= 4; ++c) {
        dmc.SetChannel(c);
        dmc.LoadSample(input("blip.wav"));
    }
    std::vector<float> out(441 * 2);
    for (auto _ : state) {
        state.PauseTiming();
        engine.renderOffline(0);
        for (int c = 1; c <= 4; ++c) {
            dmc.SetChannel(c);
            if (!dmc.Playing()) dmc.PlaySample(false);
        }
        for (Player* p : {&a, &b})
            if (p->Status() != Player::kPlaying) {
                p->SetPosition(0);
                p->Play();
            }
        state.ResumeTiming();
        engine.renderOffline(441);
    }
}
BENCHMARK(BM_RenderMix)->Unit(benchmark::kMicrosecond);

int decodeOnly(const char* path) {
    OpenResult r = openDecoder(path, 44100);
    if (!r.decoder) return 1;
    std::vector<float> buf(4096 * 2);
    int got = 0;
    std::int64_t total = 0;
    while (r.decoder->read(buf.data(), 4096, got) == Decoder::Read::Ok) total += got;
    return total > 0 ? 0 : 1;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

int live(int seconds) {
    Engine engine;
    for (int i = 0; i < 40 && engine.callbackTiming().count < 50; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    if (engine.outputKind() != OutputKind::Device) {
        std::fprintf(stderr, "bench_audio: no sound device\n");
        return 1;
    }
    Player a(engine), b(engine);
    MediaControl dmc(engine);
    a.SetFileName(input("tone.wav"));
    b.SetFileName(input("tone.wav"));
    if (a.Open() || b.Open()) return 1;
    b.SetTempo(1.1f);
    b.SetPitchSemitones(2);
    for (int c = 1; c <= 4; ++c) {
        dmc.SetChannel(c);
        dmc.LoadSample(input("blip.wav"));
    }
    engine.resetCallbackTiming();
    const std::int64_t underrunsBefore = engine.underruns();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // both rings are full
    const double cpu0 = cpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    a.Play();
    b.Play();
    const std::int64_t starvedBefore = engine.starvedSteps();
    for (int tick = 0; tick < seconds * 1000 / 30; ++tick) {
        // The UI's 30 ms tick: read positions and levels, keep four samples sounding.
        benchmark::DoNotOptimize(a.Position() + b.Position() + a.Level() + b.Level());
        for (int c = 1; c <= 4; ++c) {
            dmc.SetChannel(c);
            if (!dmc.Playing()) {
                dmc.PlaySample(false);
                dmc.SetVolume(60);
            }
        }
        std::this_thread::sleep_until(t0 + std::chrono::milliseconds(30 * (tick + 1)));
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    const Engine::CallbackTiming t = engine.callbackTiming();
    std::printf("live: %d s, 2 players + 4 samples, buffer %d frames (%.1f ms)\n", seconds,
                engine.bufferFrames(), t.periodUs / 1000);
    std::printf("live: CPU %.2f%% of one core (getrusage, whole process)\n", 100 * cpu / wall);
    std::printf(
        "live: callback p50 %.0f us, p99.9 %.0f us, max %.0f us = %.1f%% of the period"
        " at p99.9 (%lld callbacks)\n",
        t.p50Us, t.p999Us, t.maxUs, 100 * t.p999Us / t.periodUs, static_cast<long long>(t.count));
    std::printf("live: underruns %lld, render steps a player waited for its decoder %lld\n",
                static_cast<long long>(engine.underruns() - underrunsBefore),
                static_cast<long long>(engine.starvedSteps() - starvedBefore));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--decode") == 0) return decodeOnly(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--live") == 0) return live(std::atoi(argv[2]));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
