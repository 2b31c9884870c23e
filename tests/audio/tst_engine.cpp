#include <QTemporaryDir>
#include <QtTest>

#include "audio/Engine.h"
#include "audio/MediaControl.h"
#include "audio/Player.h"
#include "support/AudioFiles.h"

using namespace vantrel;
using namespace vantrel::test;

// The engine offline: decoding, lengths, positions, samples.
class TestEngine : public QObject {
    Q_OBJECT
private slots:
    void lengthIsExact_data();
    void lengthIsExact();
    void positionFollowsSeekAndPause();
    void seekLandsOnTheFrame_data();
    void seekLandsOnTheFrame();
    void durationInWholeSeconds_data();
    void durationInWholeSeconds();
    void sampleChannels();
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
    const Audio out = playOffline(engine, player, 5000);
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
    // Past either end: the position is clamped, and at the end the song is over at once.
    player.SetPosition(-5);
    QCOMPARE(player.Position(), 0);
    player.SetPosition(99999);
    QCOMPARE(player.Position(), 3000);
    engine.renderOffline(441);
    QCOMPARE(player.Status(), audio::Player::kEnded);
    // A seek after the end rewinds the song without starting it again.
    player.SetPosition(0);
    engine.renderOffline(441);
    QCOMPARE(player.Status(), audio::Player::kStopped);
    QCOMPARE(player.Position(), 0);
    // Stop as the decks do it: Pause, then one millisecond.
    player.Play();
    engine.renderOffline(441);
    QCOMPARE(player.Status(), audio::Player::kPlaying);
    player.Pause();
    player.SetPosition(1);
    QCOMPARE(player.Status(), audio::Player::kStopped);
    QCOMPARE(player.Position(), 1);
}

void TestEngine::seekLandsOnTheFrame_data() {
    QTest::addColumn<QString>("ext");
    for (const char* e : {"wav", "aiff", "flac", "ogg", "mp3", "m4a", "wma"})
        QTest::newRow(e) << QString::fromLatin1(e);
}

void TestEngine::seekLandsOnTheFrame() {
    QFETCH(QString, ext);
    // Silence with a short burst at 2.5 s. Where the burst sounds when played from the start
    // is the codec's own timing; a seek must keep to it within 10 ms.
    Audio src;
    src.rate = 44100;
    src.channels = 2;
    src.samples.assign(size_t(44100) * 2 * 4, 0.0f);
    for (int i = 0; i < 441; ++i)
        src.samples[size_t(110250 + i) * 2] = src.samples[size_t(110250 + i) * 2 + 1] =
            0.8f * float(std::sin(i * 2 * M_PI * 1000 / 44100.0));
    QTemporaryDir dir;
    const QString path = dir.filePath("burst." + ext);
    QVERIFY(writeAs(path, src));

    audio::Engine engine({.output = audio::OutputKind::Offline});
    audio::Player player(engine);
    player.SetFileName(path.toStdString());
    QCOMPARE(player.Open(), 0);
    player.Play();
    const Audio whole = playOffline(engine, player, 6000);
    const int natural = firstAbove(whole, 0.3f);
    QVERIFY(natural > 0);
    for (int seekMs : {1500, 2200, 2450}) {
        player.SetPosition(seekMs);
        QCOMPARE(player.Position(), seekMs);
        player.Play();
        const Audio after = renderOffline(engine, 1500);
        const int at = firstAbove(after, 0.3f);
        const double errorMs = (at + seekMs * 44.1 - natural) / 44.1;
        QVERIFY2(at >= 0 && qAbs(errorMs) <= 10.0,
                 qPrintable(QStringLiteral("seek %1: off by %2 ms").arg(seekMs).arg(errorMs)));
        keepOnFailure("seek", after);
    }
}

void TestEngine::durationInWholeSeconds_data() {
    QTest::addColumn<QString>("ext");
    QTest::addColumn<int>("rate");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("expected");
    for (int rate : {22050, 44100, 48000}) {
        QTest::addRow("mp3 2.5 s @%d", rate) << "mp3" << rate << 2.5 << 2;
        QTest::addRow("mp3 3.7 s @%d", rate) << "mp3" << rate << 3.7 << 3;
    }
    QTest::newRow("wav 1.9 s") << "wav" << 44100 << 1.9 << 1;
    QTest::newRow("ogg 4.2 s") << "ogg" << 44100 << 4.2 << 4;
}

void TestEngine::durationInWholeSeconds() {
    QFETCH(QString, ext);
    QFETCH(int, rate);
    QFETCH(double, seconds);
    QFETCH(int, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath("d." + ext);
    QVERIFY(makeTone(path, {.seconds = seconds, .rate = rate}));
    audio::Engine engine({.output = audio::OutputKind::Offline});
    audio::MediaControl dmc(engine);
    QCOMPARE(dmc.OpenFile(path.toStdString()), 0);
    QCOMPARE(dmc.Duration(), expected);
    dmc.CloseFile();
    QCOMPARE(dmc.Duration(), 0);
    QVERIFY(dmc.OpenFile(dir.filePath("missing.mp3").toStdString()) != 0);
    QCOMPARE(dmc.Duration(), 0);
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

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
