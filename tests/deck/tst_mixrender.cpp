// Whole evenings mixed offline through the real engine: what comes out must be every song, in
// order, with no silence between them, and fades as long as the mixing interval.
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <cmath>

#include "audio/Player.h"
#include "support/AudioFiles.h"
#include "support/DeskFixture.h"

using namespace vantrel;
using vantrel::test::DeskFixture;

namespace {

constexpr int kRate = 44100;

void startEvening(DeskFixture& f) {
    f.desk->deck1().cmdPlay();
    f.desk->deck1().cmdMix();
}

// Longest run of frames whose channels all stay below `threshold`, between the first and the
// last frame above it (lead-in and tail do not count as gaps).
int longestGap(const std::vector<float>& stereo, float threshold, int* where = nullptr) {
    const int frames = int(stereo.size() / 2);
    auto loud = [&](int i) {
        return std::abs(stereo[size_t(2 * i)]) >= threshold ||
               std::abs(stereo[size_t(2 * i + 1)]) >= threshold;
    };
    int first = 0;
    while (first < frames && !loud(first)) ++first;
    int longest = 0, run = 0;
    for (int i = first; i < frames; ++i) {
        if (loud(i)) {
            if (run > longest && where) *where = i - run;
            longest = std::max(longest, run);
            run = 0;
        } else {
            ++run;
        }
    }
    return longest;
}

double frequencyAt(const std::vector<float>& stereo, double seconds) {
    test::Audio a;
    a.rate = kRate;
    a.channels = 2;
    const size_t start = size_t(seconds * kRate) * 2;
    const size_t n = size_t(kRate) * 2;  // one second
    if (start + n > stereo.size()) return 0;
    a.samples.assign(stereo.begin() + long(start), stereo.begin() + long(start + n));
    return test::estimateFrequency(a, 0, kRate);
}

QString buildDir() {
    return qEnvironmentVariable("VANTREL_BUILD_DIR");
}

}  // namespace

class TestMixRender : public QObject {
    Q_OBJECT
private slots:
    void fourTonesMixWithoutGaps();
    void fadeLastsTheInterval_data();
    void fadeLastsTheInterval();
    void twoHundredSongs();
    void renderToolIsDeterministic();
};

void TestMixRender::fourTonesMixWithoutGaps() {
    DeskFixture f(true);
    const QList<int> freqs{330, 440, 550, 660};
    for (int hz : freqs) {
        const QString path = f.folder.filePath(QStringLiteral("tone%1.wav").arg(hz));
        test::ToneSpec spec;
        spec.seconds = 40.0;
        spec.frequency = hz;
        QVERIFY2(test::makeTone(path, spec), "sox is needed for the tone songs");
        f.add(path);
    }
    startEvening(f);
    QVERIFY(f.runUntil([&] { return f.bothStopped(); }, 200000));
    const double seconds = double(f.captured.size() / 2) / kRate;
    qInfo("four 40 s songs at M = 8: %.3f s", seconds);
    QVERIFY2(std::abs(seconds - 124.0) <= 0.5, qPrintable(QString::number(seconds)));

    // Each song alone between its fade-in and the next fade: 18, 46, 74, 104 s.
    const QList<double> solo{18.0, 46.0, 74.0, 104.0};
    for (int i = 0; i < 4; ++i) {
        const double hz = frequencyAt(f.captured, solo[i]);
        QVERIFY2(std::abs(hz - freqs[i]) < 3.0, qPrintable(QString::number(hz)));
    }
    const float minus50dB = std::pow(10.0f, -50.0f / 20.0f);
    int where = 0;
    const int gap = longestGap(f.captured, minus50dB, &where);
    qInfo("longest gap below -50 dBFS: %.1f ms at %.3f s", 1000.0 * gap / kRate,
          double(where) / kRate);
    QVERIFY2(gap <= kRate * 50 / 1000, qPrintable(QString::number(gap)));
}

void TestMixRender::fadeLastsTheInterval_data() {
    QTest::addColumn<int>("interval");
    QTest::newRow("2 s") << 2;
    QTest::newRow("8 s") << 8;
    QTest::newRow("14 s") << 14;
}

void TestMixRender::fadeLastsTheInterval() {
    QFETCH(int, interval);
    DeskFixture f;
    f.add(f.tone("a.wav", 32.0, 330), "A");
    f.add(f.tone("b.wav", 20.0, 440), "B");
    f.desk->deck2().sldMixInterval.SetValue(interval);
    QList<qint64> starts, ends;
    for (int i = 0; i < 2; ++i) {
        Deck& d = f.desk->deck(i);
        connect(&d, &Deck::fadeStarted, [&] { starts << f.now(); });
        connect(&d, &Deck::fadeCompleted, [&] { ends << f.now(); });
    }
    // Volume of the incoming deck when its first step is taken, to time the fade by its steps.
    startEvening(f);
    QVERIFY(f.runUntil([&] { return f.bothStopped(); }, 120000));
    QCOMPARE(starts.size(), 2);
    QCOMPARE(ends.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const double fade = double(ends[i] - (starts[i] + 80)) / 1000.0;
        qInfo("M = %d: fade %d lasts %.3f s", interval, i + 1, fade);
        QVERIFY2(std::abs(fade - interval) <= 0.02 * interval, qPrintable(QString::number(fade)));
    }
}

void TestMixRender::twoHundredSongs() {
    DeskFixture f;
    QRandomGenerator rng(20261206);
    constexpr int kSongs = 200;
    for (int i = 0; i < kSongs; ++i) {
        // 2 to 30 s: many below the thresholds (19 s at M = 8), some shorter than a fade.
        const double seconds = 2.0 + rng.bounded(2800) / 100.0;
        f.add(f.tone(QStringLiteral("s%1.wav").arg(i), seconds, 200 + 5 * i, 8000),
              QStringLiteral("Song %1").arg(i));
    }
    QStringList started;
    int silentStarts = 0;
    for (int i = 0; i < 2; ++i) {
        Deck& d = f.desk->deck(i);
        connect(&d, &Deck::fadeStarted, [&, i](const QString& title) {
            started << title;
            if (f.desk->deck(i).player().Status() != audio::Player::kPlaying) ++silentStarts;
        });
    }
    QElapsedTimer wall;
    wall.start();
    startEvening(f);
    QVERIFY(f.runUntil([&] { return f.bothStopped(); }, 4LL * 3600 * 1000));
    qInfo("200 songs: %.1f s of audio in %.2f s wall", f.now() / 1000.0, wall.elapsed() / 1000.0);
    QCOMPARE(started.size(), kSongs);
    for (int i = 0; i < kSongs; ++i) QCOMPARE(started[i], QStringLiteral("Song %1").arg(i));
    QCOMPARE(silentStarts, 0);
    QCOMPARE(f.desk->playlist.count(), 0);
    QVERIFY(!f.desk->state.Deck1Playing);
    QVERIFY(!f.desk->state.Deck2Playing);
}

void TestMixRender::renderToolIsDeterministic() {
    const QString tool = buildDir() + QStringLiteral("/vantrel-render");
    if (!QFileInfo::exists(tool)) QSKIP("vantrel-render not built");
    DeskFixture f;  // for its folder and tones
    QFile list(f.folder.filePath("evening.kvl"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    for (int i = 0; i < 3; ++i)
        list.write(QStringLiteral("Song %1\r\n%2\r\n")
                       .arg(i)
                       .arg(f.tone(QStringLiteral("r%1.wav").arg(i), 16.0, 300 + 100 * i))
                       .toUtf8());
    list.close();
    QByteArray logs[2];
    QByteArray wavs[2];
    for (int run = 0; run < 2; ++run) {
        const QString out = f.folder.filePath(QStringLiteral("out%1.wav").arg(run));
        QProcess p;
        p.start(tool, {"--interval", "4", "--log", "--out", out, list.fileName()});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        logs[run] = p.readAllStandardOutput();
        QFile w(out);
        QVERIFY(w.open(QIODevice::ReadOnly));
        wavs[run] = w.readAll();
    }
    QCOMPARE(logs[0], logs[1]);
    QCOMPARE(wavs[0], wavs[1]);
    const QString log = QString::fromUtf8(logs[0]);
    QCOMPARE(log.count(QStringLiteral(" fade ")), 3);
    QCOMPARE(log.count(QStringLiteral(" done ")), 3);
    QVERIFY(log.contains(QStringLiteral("Song 2")));
    test::Audio a = test::readAudioFile(f.folder.filePath("out0.wav"));
    QCOMPARE(a.rate, kRate);
    QCOMPARE(a.channels, 2);
    // 16 s songs at M = 4: each next one starts 10 s before the end of the one before, so the
    // last one starts at 12 s and ends at 28 s.
    const double seconds = double(a.frames()) / kRate;
    QVERIFY2(std::abs(seconds - 28.0) <= 0.1, qPrintable(QString::number(seconds)));
}

QTEST_GUILESS_MAIN(TestMixRender)
#include "tst_mixrender.moc"
