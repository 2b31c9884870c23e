#include <QTemporaryDir>
#include <QtTest>

#include "audio/Engine.h"
#include "audio/Player.h"
#include "support/AudioFiles.h"

using namespace vantrel;
using namespace vantrel::test;

// Tempo, pitch, rate and volume as they sound: lengths, frequencies, fades, determinism.
class TestStretch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void settingsChangeSound_data();
    void settingsChangeSound();
    void pitchChangeIsHeardSoon_data();
    void pitchChangeIsHeardSoon();
    void volumeStepsDoNotClick_data();
    void volumeStepsDoNotClick();
    void levelFollowsVolume();
    void offlineRunsRepeatExactly();
    void positionTracksStretchedPlay();

private:
    QTemporaryDir dir_;
    QString tone30_;
};

void TestStretch::initTestCase() {
    tone30_ = dir_.filePath("tone30.wav");
    QVERIFY(makeTone(tone30_, {.seconds = 30.0, .frequency = 440}));
}

void TestStretch::settingsChangeSound_data() {
    QTest::addColumn<QString>("call");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("seconds");  // expected length of the output
    QTest::addColumn<double>("frequency");
    QTest::newRow("tempo 1.25") << "tempo" << 1.25 << 24.0 << 440.0;
    QTest::newRow("tempo 0.8") << "tempo" << 0.8 << 37.5 << 440.0;
    QTest::newRow("rate 1.25") << "rate" << 1.25 << 24.0 << 550.0;
    QTest::newRow("pitch 1.5") << "pitch" << 1.5 << 30.0 << 660.0;
    QTest::newRow("+12 semitones") << "semitones" << 12.0 << 30.0 << 880.0;
    QTest::newRow("-12 semitones") << "semitones" << -12.0 << 30.0 << 220.0;
    // The same through the render tool, into its 16-bit stereo file.
    QTest::newRow("vantrel-render --tempo 1.25") << "--tempo" << 1.25 << 24.0 << 440.0;
    QTest::newRow("vantrel-render --semitones 12") << "--semitones" << 12.0 << 30.0 << 880.0;
}

void TestStretch::settingsChangeSound() {
    QFETCH(QString, call);
    QFETCH(double, value);
    QFETCH(double, seconds);
    QFETCH(double, frequency);
    audio::Engine engine({.output = audio::OutputKind::Offline});
    audio::Player player(engine);
    Audio out;
    if (call.startsWith(u'-')) {
        const QString wav = dir_.filePath("rendered.wav");
        QVERIFY(runTool(qEnvironmentVariable("VANTREL_BUILD_DIR") + "/vantrel-render",
                        {call, QString::number(value), "--out", wav, tone30_}));
        out = readAudioFile(wav);
        QCOMPARE(out.rate, 44100);
        QCOMPARE(out.channels, 2);
        QCOMPARE(QFileInfo(wav).size(), 44 + qint64(out.frames()) * 4);
    } else {
        const float v = float(value);
        if (call == "tempo") player.SetTempo(v);
        if (call == "rate") player.SetRate(v);
        if (call == "pitch") player.SetPitch(v);
        if (call == "semitones") player.SetPitchSemitones(v);
        player.SetFileName(tone30_.toStdString());
        QCOMPARE(player.Open(), 0);
        QCOMPARE(player.Length(), 30000);
        player.Play();
        out = playOffline(engine, player, 60000);
        QCOMPARE(player.Status(), audio::Player::kEnded);
        // The source position reaches the end of the file, whatever the speed.
        QVERIFY(qAbs(player.Position() - 30000) <= 1);
    }
    const int last = [&] {
        for (int i = out.frames() - 1; i >= 0; --i)
            if (std::abs(out.samples[size_t(i) * 2]) > 0.05f) return i;
        return -1;
    }();
    const double heard = double(last + 1) / out.rate;
    QVERIFY2(qAbs(heard - seconds) < 0.03, qPrintable(QString::number(heard)));
    const double f = estimateFrequency(out, out.rate, out.rate * 10);
    QVERIFY2(qAbs(f - frequency) < frequency * 0.005, qPrintable(QString::number(f)));
    keepOnFailure("stretch", out);
}

void TestStretch::pitchChangeIsHeardSoon_data() {
    QTest::addColumn<float>("tempo");
    QTest::newRow("from untouched settings") << 1.0f;
    QTest::newRow("while stretching") << 1.1f;
}

void TestStretch::pitchChangeIsHeardSoon() {
    QFETCH(float, tempo);
    audio::Engine engine({.output = audio::OutputKind::Offline});
    audio::Player player(engine);
    player.SetTempo(tempo);
    player.SetFileName(tone30_.toStdString());
    QCOMPARE(player.Open(), 0);
    player.Play();
    renderOffline(engine, 500);
    player.SetPitchSemitones(12);
    const Audio out = renderOffline(engine, 300);
    // Everything from 100 ms after the change on is an octave up.
    const double f = estimateFrequency(out, out.rate / 10, out.rate / 5);
    QVERIFY2(qAbs(f - 880) < 880 * 0.01, qPrintable(QString::number(f)));
    keepOnFailure("pitch-change", out);
}

void TestStretch::volumeStepsDoNotClick_data() {
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("everyMs");
    QTest::newRow("fade in by 0.01 every 10 ms") << 0.01 << 10;
    QTest::newRow("fade in by 0.01 every 140 ms") << 0.01 << 140;
    QTest::newRow("jump to full") << 1.0 << 10;
}

void TestStretch::volumeStepsDoNotClick() {
    QFETCH(double, step);
    QFETCH(int, everyMs);
    // A steady level makes any unramped gain step show up as a jump between two samples.
    Audio dc;
    dc.rate = 44100;
    dc.channels = 2;
    dc.samples.assign(size_t(44100) * 2 * 16, 0.5f);
    const QString path = dir_.filePath("dc.wav");
    QVERIFY(writeAs(path, dc));
    audio::Engine engine({.output = audio::OutputKind::Offline});
    audio::Player player(engine);
    player.SetFileName(path.toStdString());
    QCOMPARE(player.Open(), 0);
    player.SetVolume(0);
    player.Play();
    Audio out;
    out.rate = 44100;
    out.channels = 2;
    engine.setCaptureSink([&](const float* d, int n) {
        out.samples.insert(out.samples.end(), d, d + size_t(n) * 2);
    });
    for (int i = 0; i < 100 && player.Volume() < 1.0f; ++i) {
        player.SetVolume(std::min(1.0f, player.Volume() + float(step)));
        engine.renderOffline(44100 * everyMs / 1000);
    }
    engine.setCaptureSink({});
    QCOMPARE(player.Volume(), 1.0f);
    // A step ramped over one buffer moves the level by 0.5 * step spread over hundreds of
    // samples; unramped it would jump by all of it at once.
    const float bound = float(0.5 * step / 200.0);
    const float worst = largestStep(out, 1, out.frames());
    QVERIFY2(worst <= bound, qPrintable(QStringLiteral("%1 > %2").arg(worst).arg(bound)));
    QVERIFY(qAbs(out.samples.back() - 0.5f) < 1e-4f);
    keepOnFailure("volume", out);
}

void TestStretch::levelFollowsVolume() {
    audio::Engine engine({.output = audio::OutputKind::Offline});
    audio::Player player(engine);
    player.SetFileName(tone30_.toStdString());
    QCOMPARE(player.Open(), 0);
    QCOMPARE(player.Level(), 0.0);
    player.Play();
    renderOffline(engine, 100);
    QVERIFY(qAbs(player.Level() - 0.5) < 0.01);  // the tone peaks at -6 dB
    player.SetVolume(0.5f);
    renderOffline(engine, 60);
    QVERIFY(qAbs(player.Level() - 0.25) < 0.01);
    player.Pause();
    renderOffline(engine, 40);
    QCOMPARE(player.Level(), 0.0);
}

void TestStretch::offlineRunsRepeatExactly() {
    auto run = [&] {
        audio::Engine engine({.output = audio::OutputKind::Offline});
        audio::Player a(engine), b(engine);
        a.SetFileName(tone30_.toStdString());
        b.SetFileName(tone30_.toStdString());
        a.Open();
        b.Open();
        a.SetTempo(1.1f);
        b.SetPitchSemitones(3);
        a.Play();
        Audio out = renderOffline(engine, 700);
        b.SetPosition(12000);
        b.Play();
        b.SetVolume(0.3f);
        const Audio more = renderOffline(engine, 1300);
        out.samples.insert(out.samples.end(), more.samples.begin(), more.samples.end());
        return out.samples;
    };
    const std::vector<float> first = run();
    const std::vector<float> second = run();
    QCOMPARE(first.size(), size_t(44100 * 2 * 2));
    QVERIFY(first == second);
}

void TestStretch::positionTracksStretchedPlay() {
    // A click at 10 s: at tempo 1.25 it is heard 8 s into the output, and the player then
    // reports 10 s.
    Audio clickAt10;
    clickAt10.rate = 44100;
    clickAt10.channels = 2;
    clickAt10.samples.assign(size_t(44100) * 2 * 20, 0.0f);
    for (int i = 0; i < 441; ++i)
        clickAt10.samples[size_t(441000 + i) * 2] = clickAt10.samples[size_t(441000 + i) * 2 + 1] =
            0.8f * float(std::sin(i * 2 * M_PI * 1000 / 44100.0));
    const QString path = dir_.filePath("click.wav");
    QVERIFY(writeAs(path, clickAt10));
    audio::Engine engine({.output = audio::OutputKind::Offline});
    audio::Player player(engine);
    player.SetTempo(1.25f);
    player.SetFileName(path.toStdString());
    QCOMPARE(player.Open(), 0);
    player.Play();
    int heardAt = -1, positionThen = -1;
    engine.setCaptureSink([&](const float* d, int n) {
        for (int i = 0; i < n && heardAt < 0; ++i)
            if (std::abs(d[2 * i]) > 0.3f) heardAt = i;
    });
    int elapsed = 0;
    while (heardAt < 0 && elapsed < 12000) {
        engine.renderOffline(441);
        elapsed += 10;
        if (heardAt >= 0) positionThen = player.Position();
    }
    engine.setCaptureSink({});
    QVERIFY2(qAbs(elapsed - 8000) <= 30, qPrintable(QString::number(elapsed)));
    QVERIFY2(qAbs(positionThen - 10000) <= 30, qPrintable(QString::number(positionThen)));
}

QTEST_GUILESS_MAIN(TestStretch)
#include "tst_stretch.moc"
