#pragma once
// Test inputs made at test time: tones and silences in any format the player lists, read back
// as float frames for measuring.
#include <QString>
#include <QStringList>
#include <vector>

namespace vantrel::test {

struct ToneSpec {
    double seconds = 1.0;
    double frequency = 440.0;  // 0 = silence
    int rate = 44100;
    int channels = 2;
    double gainDb = -6.0;
};

// Writes a sine tone to `path`; the format follows the extension (wav, mp3, ogg, flac, aif,
// aiff, wma, m4a). Returns false (and fails no test by itself) when the encoder is missing.
bool makeTone(const QString& path, const ToneSpec& spec);

// Runs a program and waits; true when it exits 0. Output is kept for the message.
bool runTool(const QString& program, const QStringList& args, QString* output = nullptr);

struct Audio {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;  // interleaved
    int frames() const { return channels ? int(samples.size() / channels) : 0; }
};

Audio readAudioFile(const QString& path);
bool writeWav(const QString& path, const float* interleaved, int frames, int channels, int rate);

// Dominant frequency of channel 0 over [startFrame, startFrame + frames), by zero crossings.
double estimateFrequency(const Audio& audio, int startFrame, int frames);
// Peak absolute value of channel 0 over a range.
float peak(const Audio& audio, int startFrame, int frames);

}  // namespace vantrel::test
