// A short automatic mix on the real output and the real timers, recorded from the test sound
// server's monitor: no gap in the music. Needs scripts/with-test-audio.
#include <QProcess>
#include <QtTest>
#include <cmath>

#include "support/AudioFiles.h"
#include "support/DeskFixture.h"

using namespace vantrel;

class TestLiveMix : public QObject {
    Q_OBJECT
private slots:
    void threeSongsWithoutGaps();
};

void TestLiveMix::threeSongsWithoutGaps() {
    const QString sink = qEnvironmentVariable("VANTREL_TEST_SINK");
    if (sink.isEmpty()) QSKIP("needs the test sound server (scripts/with-test-audio)");
    QTemporaryDir dir;
    audio::Engine engine;  // the device output
    if (engine.onNullOutput()) QFAIL("no sound device reached the test server");
    RealScheduler scheduler;
    test::ScriptedDialogs dialogs;
    Desk desk(engine, scheduler, dialogs, dir.path());
    for (int i = 0; i < 3; ++i) {
        const QString path = dir.filePath(QStringLiteral("song%1.wav").arg(i));
        test::ToneShape tone;
        tone.seconds = 12.0;
        tone.frequency = 330 + 110 * i;
        QVERIFY(test::makeTone(path, tone));
        desk.playlist().append(QStringLiteral("Song %1").arg(i), path);
    }
    desk.mixer().mixIntervalSlider.SetValue(2);
    const QString recording = dir.filePath("recording.wav");
    QProcess parec;
    parec.start("parec", {"-d", sink + ".monitor", "--rate=44100", "--channels=2", "--format=s16le",
                          "--file-format=wav", recording});
    QVERIFY(parec.waitForStarted());
    QTest::qWait(300);
    int fades = 0, dones = 0;
    connect(&desk.mixer(), &AutoMixer::fadeStarted, [&] { ++fades; });
    connect(&desk.mixer(), &AutoMixer::fadeCompleted, [&] { ++dones; });
    desk.deck(0).transport.play();
    desk.mixer().mixNow(desk.deck(0));
    // 12 s songs at M = 2 follow each other every 3 s: about 18 s in all.
    QVERIFY(QTest::qWaitFor([&] { return desk.decks().idle(); }, 40000));
    QTest::qWait(300);
    parec.terminate();
    QVERIFY(parec.waitForFinished(5000));

    const test::Audio a = test::readAudioFile(recording);
    QVERIFY2(a.frames() > a.rate * 10, "the recording is too short");
    QCOMPARE(a.channels, 2);
    // Silence before the first and after the last loud frame is not a gap.
    const float threshold = std::pow(10.0f, -50.0f / 20.0f);
    int longest = 0, run = -1;
    for (size_t i = 0; i + 1 < a.samples.size(); i += 2) {
        if (std::abs(a.samples[i]) >= threshold || std::abs(a.samples[i + 1]) >= threshold)
            longest = std::max(longest, run), run = 0;
        else if (run >= 0)
            ++run;
    }
    qInfo("longest gap %.1f ms, %lld underruns, %lld starved steps", longest * 1000.0 / a.rate,
          static_cast<long long>(engine.underruns()),
          static_cast<long long>(engine.starvedSteps()));
    QCOMPARE(engine.underruns(), 0);
    QCOMPARE(fades, 3);
    QCOMPARE(dones, 3);
    QVERIFY2(longest <= a.rate * 50 / 1000, qPrintable(QString::number(longest)));
}

QTEST_GUILESS_MAIN(TestLiveMix)
#include "tst_livemix.moc"
