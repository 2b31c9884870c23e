#include <QTemporaryDir>
#include <QtTest>

#include "support/AudioFiles.h"

using namespace vantrel::test;

// The measuring helpers every audio test leans on.
class TestSignals : public QObject {
    Q_OBJECT
private slots:
    void toneRoundTrip_data();
    void toneRoundTrip();
};

void TestSignals::toneRoundTrip_data() {
    QTest::addColumn<double>("freq");
    QTest::addColumn<int>("rate");
    QTest::newRow("440@44100") << 440.0 << 44100;
    QTest::newRow("550@22050") << 550.0 << 22050;
    QTest::newRow("880@48000") << 880.0 << 48000;
}

void TestSignals::toneRoundTrip() {
    QFETCH(double, freq);
    QFETCH(int, rate);
    QTemporaryDir dir;
    const QString path = dir.filePath("t.wav");
    QVERIFY(makeTone(path, {.seconds = 1.0, .frequency = freq, .rate = rate, .channels = 1}));
    const Audio a = readAudioFile(path);
    QCOMPARE(a.rate, rate);
    QCOMPARE(a.frames(), rate);
    QVERIFY(qAbs(estimateFrequency(a, 0, a.frames()) - freq) < 1.0);
    QVERIFY(qAbs(peak(a, 0, a.frames()) - 0.5f) < 0.02f);
}

QTEST_GUILESS_MAIN(TestSignals)
#include "tst_testsignals.moc"
