#include "support/AudioFiles.h"

#include "audio/Engine.h"
#include "audio/Player.h"

#include <sndfile.h>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <functional>

namespace vantrel::test {

bool runTool(const QString& program, const QStringList& args, QString* output) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000)) return false;
    p.waitForFinished(120000);
    if (output) *output = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool makeTone(const QString& path, const ToneSpec& s) {
    const QString ext = QFileInfo(path).suffix().toLower();
    const QString synth =
        s.frequency > 0 ? QStringLiteral("sine %1").arg(s.frequency) : QStringLiteral("sine 0");
    const QString secs = QString::number(s.seconds, 'f', 6);
    if (ext == QLatin1String("wma") || ext == QLatin1String("m4a")) {
        // sox cannot write these; ffmpeg's own generator can.
        const QString src =
            s.frequency > 0 ? QStringLiteral("sine=frequency=%1:sample_rate=%2:duration=%3")
                                  .arg(s.frequency)
                                  .arg(s.rate)
                                  .arg(secs)
                            : QStringLiteral("anullsrc=r=%1:cl=mono:d=%2").arg(s.rate).arg(secs);
        QStringList args{"-nostdin", "-v",
                         "error",    "-y",
                         "-f",       "lavfi",
                         "-i",       src,
                         "-ac",      QString::number(s.channels),
                         "-af",      QStringLiteral("volume=%1dB").arg(s.gainDb)};
        if (ext == QLatin1String("wma"))
            args << "-c:a"
                 << "wmav2";
        if (ext == QLatin1String("m4a"))
            args << "-c:a"
                 << "aac"
                 << "-movflags"
                 << "+faststart";  // index first, as players and stores write them
        args << path;
        return runTool(QStringLiteral("ffmpeg"), args);
    }
    QStringList args{"-q", "-n", "-r", QString::number(s.rate), "-c", QString::number(s.channels)};
    if (ext == QLatin1String("wav") || ext == QLatin1String("aif") || ext == QLatin1String("aiff"))
        args << "-b"
             << "16";
    args << path << "synth" << secs << synth.split(' ');
    if (s.frequency <= 0)
        args << "vol"
             << "0";
    else
        args << "gain" << QString::number(s.gainDb);
    return runTool(QStringLiteral("sox"), args);
}

Audio readAudioFile(const QString& path) {
    Audio a;
    SF_INFO info{};
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f) return a;
    a.rate = info.samplerate;
    a.channels = info.channels;
    a.samples.resize(static_cast<size_t>(info.frames) * info.channels);
    const sf_count_t got = sf_readf_float(f, a.samples.data(), info.frames);
    a.samples.resize(static_cast<size_t>(std::max<sf_count_t>(got, 0)) * info.channels);
    sf_close(f);
    return a;
}

bool writeWav(const QString& path, const float* data, int frames, int channels, int rate) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f) return false;
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const sf_count_t wrote = sf_writef_float(f, data, frames);
    sf_close(f);
    return wrote == frames;
}

bool writeAs(const QString& path, const Audio& a) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("wav"))
        return writeWav(path, a.samples.data(), a.frames(), a.channels, a.rate);
    const QString wav = path + QStringLiteral(".src.wav");
    if (!writeWav(wav, a.samples.data(), a.frames(), a.channels, a.rate)) return false;
    QStringList args{"-nostdin", "-v", "error", "-y", "-i", wav};
    if (ext == QLatin1String("wma"))
        args << "-c:a"
             << "wmav2";
    if (ext == QLatin1String("m4a"))
        args << "-c:a"
             << "aac";
    if (ext == QLatin1String("mp3"))
        args << "-c:a"
             << "libmp3lame";
    args << path;
    const bool ok = runTool(QStringLiteral("ffmpeg"), args);
    QFile::remove(wav);
    return ok;
}

int firstAbove(const Audio& a, float threshold, int start) {
    for (int i = std::max(start, 0); i < a.frames(); ++i)
        if (std::abs(a.samples[size_t(i) * a.channels]) >= threshold) return i;
    return -1;
}

float largestStep(const Audio& a, int start, int frames) {
    float m = 0;
    start = std::clamp(start, 1, std::max(a.frames(), 1));
    const int end = std::clamp(start + frames, start, a.frames());
    for (int i = start; i < end; ++i)
        for (int c = 0; c < a.channels; ++c)
            m = std::max(m, std::abs(a.samples[size_t(i) * a.channels + c] -
                                     a.samples[size_t(i - 1) * a.channels + c]));
    return m;
}

double estimateFrequency(const Audio& a, int start, int frames) {
    if (a.channels == 0) return 0;
    start = std::clamp(start, 0, a.frames());
    const int end = std::clamp(start + frames, start, a.frames());
    int crossings = 0;
    int first = -1, last = -1;
    for (int i = start + 1; i < end; ++i) {
        const float p = a.samples[size_t(i - 1) * a.channels];
        const float q = a.samples[size_t(i) * a.channels];
        if (p < 0 && q >= 0) {
            if (first < 0) first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return double(crossings - 1) * a.rate / double(last - first);
}

float peak(const Audio& a, int start, int frames) {
    float m = 0;
    start = std::clamp(start, 0, a.frames());
    const int end = std::clamp(start + frames, start, a.frames());
    for (int i = start; i < end; ++i) m = std::max(m, std::abs(a.samples[size_t(i) * a.channels]));
    return m;
}

namespace {
Audio capture(audio::Engine& engine, const std::function<void()>& run) {
    Audio out;
    out.rate = engine.sampleRate();
    out.channels = 2;
    engine.setCaptureSink([&](const float* d, int n) {
        out.samples.insert(out.samples.end(), d, d + size_t(n) * 2);
    });
    run();
    engine.setCaptureSink({});
    return out;
}
}  // namespace

Audio playOffline(audio::Engine& engine, audio::Player& player, int limitMs) {
    return capture(engine, [&] {
        const int step = engine.sampleRate() / 100;
        for (int t = 0; t < limitMs && player.Status() == audio::Player::kPlaying; t += 10)
            engine.renderOffline(step);
    });
}

Audio renderOffline(audio::Engine& engine, int ms) {
    return capture(engine,
                   [&] { engine.renderOffline(int(qint64(ms) * engine.sampleRate() / 1000)); });
}

void keepOnFailure(const QString& name, const Audio& a) {
    if (!QTest::currentTestFailed()) return;
    QString tag = QString::fromLatin1(QTest::currentDataTag());
    tag.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    const QString path = QDir::current().absoluteFilePath(
        tag.isEmpty() ? name + QStringLiteral(".wav") : QStringLiteral("%1-%2.wav").arg(name, tag));
    writeWav(path, a.samples.data(), a.frames(), a.channels, a.rate);
    qWarning("actual output written to %s", qPrintable(path));
}

}  // namespace vantrel::test
