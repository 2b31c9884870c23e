#pragma once
// One deck's player: plays one file at a time through tempo, pitch and rate processing.
#include <memory>
#include <string>

#include "audio/SongTags.h"

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
    // 0 = opened (or, on a live output, still opening); anything else: not playable, and the
    // song held before plays on. Opening runs off the calling thread, so a slow or hung file
    // never holds up the window: a file that has not opened within a few milliseconds stops the
    // song held before and the player reports Opening() until it is ready, with Length() 0 and
    // Play, Pause and SetPosition kept for then. One that fails or times out then ends the
    // player (Status() kEnded, OpenFailed()), as a decode error in mid-song would. A finished
    // open takes effect at the next call on the player (the deck's position tick makes one).
    // kFileNotFound: the path names no file.
    int Open();
    static constexpr int kFileNotFound = 1;
    bool Opening() const;
    bool OpenFailed() const;
    // The container's own duration in whole seconds (truncated), read by the open: what a
    // quick look at the file's header tells, as the media control measures.
    int ContainerSeconds() const;
    // The open song's artist, title and album, read by the open; none while it opens.
    SongTags Tags() const;
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
    // How fast the song goes against its recording: tempo times rate, times the tempo match
    // (1 = as recorded).
    double Speed() const;
    void SetPitch(float factor);
    void SetPitchSemitones(float semitones);
    // The tempo match: a factor of its own on top of the tempo (pitch unchanged), for fades
    // whose beats must meet; the tempo and its setting stay as they are. A new song starts at 1.
    // Set while not playing, it is exact from the position given (the queued audio is redone);
    // while playing, it is heard within the usual 100 ms.
    void SetTempoMatch(float factor);
    // Moves the match to `factor` gradually, evenly over `ms` of playing.
    void GlideTempoMatch(float factor, int ms);
    float TempoMatch() const;  // as it is being decoded now
    // How long after Play its first frame is heard, on average (ms); 0 offline.
    double StartDelayMs() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::audio
