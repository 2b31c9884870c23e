#include <QTemporaryDir>
#include <QtTest>

#include "audio/Engine.h"
#include "audio/MediaControl.h"
#include "audio/Player.h"
#include "support/AudioFiles.h"

using namespace vantrel;
using namespace vantrel::test;

namespace {

// Renders offline in 10 ms steps until the player stops playing (or `limitMs` passes) and
// returns everything the engine produced.
Audio playToEnd(audio::Engine& engine, audio::Player& player, int limitMs) {
    Audio out;
    out.rate = engine.sampleRate();
    out.channels = 2;
    engine.setCaptureSink([&](const float* d, int n) {
        out.samples.insert(out.samples.end(), d, d + size_t(n) * 2);
    });
    const int step = engine.sampleRate() / 100;
    for (int t = 0; t < limitMs && player.Status() == audio::Player::kPlaying; t += 10)
        engine.renderOffline(step);
    engine.setCaptureSink({});
    return out;
}

void keepOnFailure(const char* name, const Audio& a) {
    if (!QTest::currentTestFailed()) return;
    const QString path = QDir::current().filePath(
        QStringLiteral("%1-%2.wav").arg(name, QString::fromLatin1(QTest::currentDataTag())));
    writeWav(path, a.samples.data(), a.frames(), a.channels, a.rate);
    qWarning() << "actual output written to" << path;
}

}  // namespace

// The engine offline: decoding, lengths, positions, samples.
class TestEngine : public QObject {
    Q_OBJECT
private slots:
    void lengthIsExact_data();
    void lengthIsExact();
    void positionFollowsSeekAndPause();
    void sampleChannels();
    void badFilesDoNotOpen_data();
    void badFilesDoNotOpen();
};

void TestEngine::lengthIsExact_data() {
    QTest::addColumn<QString>("ext");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("slackMs");  // what the codec itself adds or cuts
    const struct {
        const char* ext;
        int slack;
    } formats[] = {{"wav", 0}, {"aif", 0}, {"aiff", 0}, {"flac", 0},
                   {"ogg", 1}, {"m4a", 1}, {"mp3", 80}, {"wma", 120}};
    for (const auto& f : formats)
        for (int rate : {22050, 44100, 48000})
            for (int ch : {1, 2})
                QTest::addRow("%s-%d-%s", f.ext, rate, ch == 1 ? "mono" : "stereo")
                    << QString::fromLatin1(f.ext) << rate << ch << f.slack;
}

void TestEngine::lengthIsExact() {
    QFETCH(QString, ext);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, slackMs);
    QTemporaryDir dir;
    const QString path = dir.filePath("tone." + ext);
    QVERIFY(makeTone(path, {.seconds = 1.5, .frequency = 440, .rate = rate, .channels = channels}));

    audio::Engine engine({.output = audio::OutputKind::Offline});
    audio::Player player(engine);
    player.SetFileName(path.toStdString());
    QCOMPARE(player.Open(), 0);
    const int length = player.Length();
    QVERIFY2(qAbs(length - 1500) <= slackMs + 1, qPrintable(QString::number(length)));
    player.Play();
    const Audio out = playToEnd(engine, player, 5000);
    keepOnFailure("length", out);
    QCOMPARE(player.Status(), audio::Player::kEnded);
    // Exact: the player stops at the very millisecond it announced.
    QVERIFY2(qAbs(player.Position() - length) <= 1,
             qPrintable(QStringLiteral("%1 vs %2").arg(player.Position()).arg(length)));
    QVERIFY(qAbs(estimateFrequency(out, out.frames() / 4, out.frames() / 2) - 440.0) < 2.0);
}

void TestEngine::positionFollowsSeekAndPause() {
    QTemporaryDir dir;
    const QString path = dir.filePath("tone.wav");
    QVERIFY(makeTone(path, {.seconds = 3.0}));
    audio::Engine engine({.output = audio::OutputKind::Offline});
    audio::Player player(engine);
    player.SetFileName(path.toStdString());
    QCOMPARE(player.Open(), 0);
    QCOMPARE(player.Position(), 0);
    player.SetPosition(1500);
    QCOMPARE(player.Position(), 1500);
    player.Play();
    QCOMPARE(player.Status(), audio::Player::kPlaying);
    engine.renderOffline(4410);  // 100 ms
    QCOMPARE(player.Position(), 1600);
    player.Pause();
    QCOMPARE(player.Status(), audio::Player::kStopped);
    engine.renderOffline(4410);
    QCOMPARE(player.Position(), 1600);
    player.Play();
    engine.renderOffline(4410);
    QCOMPARE(player.Position(), 1700);
    player.SetPosition(100);
    QCOMPARE(player.Position(), 100);
    engine.renderOffline(441);
    QCOMPARE(player.Position(), 110);
}

void TestEngine::sampleChannels() {
    QTemporaryDir dir;
    const QString path = dir.filePath("blip.wav");
    QVERIFY(makeTone(path, {.seconds = 0.2, .frequency = 880}));
    audio::Engine engine({.output = audio::OutputKind::Offline});
    audio::MediaControl dmc(engine), dmcSample(engine);
    QCOMPARE(dmcSample.Initialize(nullptr, 44100, false, false), 0);
    auto findFree = [&](audio::MediaControl& m) {
        for (int c = 1; c <= audio::MediaControl::kChannels; ++c) {
            m.SetChannel(c);
            if (!m.Playing()) return c;
        }
        return 0;
    };
    for (int i = 0; i < 32; ++i) {
        const int c = findFree(i % 2 ? dmc : dmcSample);
        QCOMPARE(c, i + 1);
        audio::MediaControl& m = i % 2 ? dmc : dmcSample;
        m.SetChannel(c);
        QCOMPARE(m.LoadSample(path.toStdString()), 0);
        m.PlaySample(false);
        m.SetVolume(50);
        QVERIFY(m.Playing());
    }
    QCOMPARE(findFree(dmcSample), 0);
    dmcSample.SetChannel(0);
    QVERIFY(!dmcSample.Playing());
    QVERIFY(dmcSample.LoadSample(path.toStdString()) != 0);
    engine.renderOffline(4410);
    QCOMPARE(findFree(dmcSample), 0);
    engine.renderOffline(4410 * 2);
    QCOMPARE(findFree(dmcSample), 1);
}

void TestEngine::badFilesDoNotOpen_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << QByteArray() << "nothing-here.mp3";
    QTest::newRow("empty") << QByteArray("") << "empty.wav";
    QTest::newRow("text") << QByteArray("this is not a song\n").repeated(200) << "notes.mp3";
    QTest::newRow("header only") << QByteArray("RIFF\x24\x00\x00\x00WAVEfmt ", 16) << "cut.wav";
}

void TestEngine::badFilesDoNotOpen() {
    QFETCH(QByteArray, content);
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (name != "nothing-here.mp3") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    audio::Engine engine({.output = audio::OutputKind::Offline});
    audio::Player player(engine);
    player.SetFileName(path.toStdString());
    QVERIFY(player.Open() != 0);
    player.Play();
    engine.renderOffline(4410);
    QCOMPARE(player.Status(), audio::Player::kStopped);
    QCOMPARE(player.Length(), 0);
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
