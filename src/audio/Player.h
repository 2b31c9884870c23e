#pragma once
// One deck's player: plays one file at a time through tempo, pitch and rate processing.
#include <memory>
#include <string>

namespace vantrel::audio {

class Engine;

class Player {
public:
    // Status values; only kPlaying is relied on by the decks.
    static constexpr int kStopped = 0;  // nothing loaded, stopped or paused
    static constexpr int kEnded = 1;    // played to its end, or a decode error ended it
    static constexpr int kPlaying = 2;

    explicit Player(Engine& engine);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    void SetFileName(const std::string& utf8Path);
    const std::string& FileName() const;
    int Open();            // 0 = opened; anything else: not playable
    int Length() const;    // ms, exact
    int Position() const;  // ms, the audible position
    void SetPosition(int ms);
    void Play();
    void Pause();
    int Status() const;
    float Volume() const;  // 0..1, the value last written
    void SetVolume(float volume);
    // The song's loudness levelling, in dB (±12), applied before the volume; 0 = none.
    void SetLevelling(float decibels);
    double Level() const;  // peak of the output after the volume, last ~30 ms, 0..1
    void SetRate(float factor);
    void SetTempo(float factor);
    void SetPitch(float factor);
    void SetPitchSemitones(float semitones);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::audio
