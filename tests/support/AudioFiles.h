#pragma once
// Test inputs made at test time: tones and silences in any format the player lists, read back
// as float frames for measuring.
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace vantrel::audio {
class Engine;
class MixTap;
class Player;
}  // namespace vantrel::audio

namespace vantrel::test {

struct ToneShape {
    double seconds = 1.0;
    double frequency = 440.0;  // 0 = silence
    int rate = 44100;
    int channels = 2;
    double gainDb = -6.0;
};

// Writes a sine tone to `path`; the format follows the extension (wav, mp3, ogg, flac, aif,
// aiff, wma, m4a). Returns false (and fails no test by itself) when the encoder is missing.
bool makeTone(const QString& path, const ToneShape& tone);

// A disc image of audio tracks, one tone each, as a CUE sheet (`cuePath`) beside its BIN: raw
// 16-bit little-endian stereo at 44.1 kHz, each track whole sectors (1/75 s) long.
bool makeCdImage(const QString& cuePath, const QList<ToneShape>& tracks);

struct Audio;
// Writes `audio` to `path` in the format its extension names (wav directly, the rest encoded
// by ffmpeg from a temporary wav). False when the encoder is missing or fails.
bool writeAs(const QString& path, const Audio& audio);

// Runs a program and waits; true when it exits 0. Output is kept for the message.
bool runTool(const QString& program, const QStringList& args, QString* output = nullptr);
// A file's bytes (empty when it cannot be read), and a file written whole.
QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);

struct Audio {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;  // interleaved
    int frames() const { return channels ? int(samples.size() / channels) : 0; }
};

Audio readAudioFile(const QString& path);
bool writeWav(const QString& path, const float* interleaved, int frames, int channels, int rate);

// First frame from `startFrame` on whose channel-0 magnitude reaches `threshold`; -1 if none.
int firstAbove(const Audio& audio, float threshold, int startFrame = 0);
// Last frame whose channel-0 magnitude reaches `threshold`: where a sound ends; -1 if none.
int lastAbove(const Audio& audio, float threshold);
// Largest sample-to-sample step of any channel over a range.
float largestStep(const Audio& audio, int startFrame, int frames);

// Dominant frequency of channel 0 over [startFrame, startFrame + frames), by zero crossings.
double estimateFrequency(const Audio& audio, int startFrame, int frames);
// Peak absolute value of channel 0 over a range.
float peak(const Audio& audio, int startFrame, int frames);
// The longest run of 10 ms windows under -34 dBFS in [fromFrame, toFrame) after the first sound
// there, and where it starts; all of the range when nothing sounds.
struct Quiet {
    int ms = 0;
    int atFrame = 0;
};
Quiet longestQuiet(const Audio& audio, int fromFrame, int toFrame);
// Amplitude of one frequency in channel 0 over a range (Goertzel).
double toneLevel(const Audio& audio, double frequency, qint64 startFrame, int frames);

// Appends what the engine's mix tap holds now (stereo, the engine's rate) to `into`.
void takeMix(audio::MixTap& tap, Audio& into);
// Drives an offline engine in 10 ms steps while `player` plays (at most `limitMs`) and returns
// everything the engine produced.
Audio playOffline(audio::Engine& engine, audio::Player& player, int limitMs);
// Renders exactly `ms` of offline output and returns it.
Audio renderOffline(audio::Engine& engine, int ms);
// When the running test has failed, writes `audio` beside the test log as
// <name>-<data tag>.wav for listening, and says where.
void keepOnFailure(const QString& name, const Audio& audio);

// Records a PulseAudio source (a sink's ".monitor") with parec while it lives, noting when each
// piece arrived so that a sound can be placed in time.
class MonitorRecording {
public:
    explicit MonitorRecording(const QString& source, int rate = 44100);
    ~MonitorRecording();
    MonitorRecording(const MonitorRecording&) = delete;
    MonitorRecording& operator=(const MonitorRecording&) = delete;

    bool started() const { return fd_ >= 0; }
    // Stops recording and returns what came in.
    Audio stop();
    // Seconds on the steady clock at which `frame` was captured (estimated from arrivals).
    double timeOfFrame(qint64 frame) const;
    static double now();  // steady clock, seconds

private:
    void run();
    int rate_;
    int fd_ = -1;
    int pid_ = -1;
    struct State;
    std::unique_ptr<State> state_;
};

// A private PulseAudio server with one null sink, for tests that must pull the sound server
// away from under the engine without disturbing anything else.
class PrivateSoundServer {
public:
    PrivateSoundServer();
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    bool start();  // true once it answers; again after kill(): same socket and sink
    bool control(const QStringList& pactlArgs) const;  // true when pactl succeeds
    void kill();                                       // SIGKILL, as a crash would
    void freeze();           // SIGSTOP: a server that hangs without going away
    void thaw();             // SIGCONT
    QString server() const;  // for PULSE_SERVER
    QString sink() const { return QStringLiteral("vantrel_private"); }

private:
    QString dir_;
    int pid_ = -1;
};

}  // namespace vantrel::test
