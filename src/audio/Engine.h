#pragma once
// One engine per process: one output stream and one mixing function, render(), that the
// real-time callback and the offline output both call.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantrel::audio {

class MixTap;

enum class OutputKind { Device, Null, Offline };

struct EngineOptions {
    OutputKind output = OutputKind::Device;
    int sampleRate = 44100;
    int bufferFrames = 441;  // 10 ms at 44.1 kHz
    std::string device = "default";
};

class Engine {
public:
    explicit Engine(EngineOptions options = {});
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Mixes both deck players and the 32 sample channels into `frames` interleaved stereo
    // frames. Real-time safe: no lock, allocation, log or I/O.
    void render(float* out, int frames) noexcept;

    int sampleRate() const;
    // What is sounding now: Device, or Null after a device failure (a notice for the user).
    OutputKind outputKind() const;
    bool onNullOutput() const { return outputKind() == OutputKind::Null; }
    // A listener asks for sound (Play, even on a deck that plays): a device that is gone or
    // stuck is tried again now rather than at the next background retry.
    void retryOutput();
    std::int64_t underruns() const;
    // Render steps in which a playing player had nothing decoded yet (its worker fell behind).
    std::int64_t starvedSteps() const;
    int bufferFrames() const;
    // How long after Play a player's first frame is heard, on average (ms): how far the song on
    // the other deck moves on meanwhile. 0 offline, where the next frame rendered is heard.
    double startDelayMs() const;

    // How long the device callback takes, for the benchmarks (microseconds).
    struct CallbackTiming {
        std::int64_t count = 0;
        double p50Us = 0, p999Us = 0, maxUs = 0;
        double periodUs = 0;  // one buffer
    };
    CallbackTiming callbackTiming() const;
    void resetCallbackTiming();

    // The music (both decks, not the samples) is lowered to `db` (<= 0) while a sample fired as
    // ducking sounds: down in a quarter second, back up in three quarters.
    void setDuckDb(float db);
    float duckDb() const;
    // Brings the music's level to `gain` (0..1) linearly over `ms`; 1 is the music as it is.
    void fadeMusicTo(float gain, int ms);
    float musicLevel() const;  // the fade's target

    // Offline output: renders exactly `frames` frames now and hands them to the capture sink.
    void renderOffline(int frames);
    // Receives every offline-rendered block (interleaved stereo); none set = discarded.
    void setCaptureSink(std::function<void(const float* interleaved, int frames)> sink);

    // The finished mix for the stream and the recording, with every output (device, silent,
    // offline). Made on the first call; call it from one thread (the window's).
    MixTap& mixTap();

    struct Impl;
    Impl& impl() { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::audio
