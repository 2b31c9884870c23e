// Firing samples through the real engine on the offline output: channels, the deck test of the
// group lists, the sample volume, and what the rendered mix contains.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <numbers>

#include "app/Desk.h"
#include "support/AudioFiles.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 441;  // 10 ms, as the device callback would ask
constexpr int framesOf(int ms) {
    return ms * kRate / 1000;
}

// Amplitude of one frequency in channel 0 over a range of frames.
double toneAmplitude(const test::Audio& a, int start, int frames, double hz) {
    double re = 0, im = 0;
    const double w = 2 * std::numbers::pi * hz / a.rate;
    for (int i = 0; i < frames; ++i) {
        const double x = a.samples[static_cast<size_t>(start + i) * a.channels];
        re += x * std::cos(w * i);
        im -= x * std::sin(w * i);
    }
    return 2 * std::hypot(re, im) / frames;
}

struct Rig {
    QTemporaryDir folder;
    audio::Engine engine{{audio::OutputKind::Offline, kRate, kBlock, "default"}};
    VirtualScheduler scheduler;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<Desk> desk;
    test::Audio out{kRate, 2, {}};

    Rig() {
        engine.setCaptureSink([this](const float* p, int frames) {
            out.samples.insert(out.samples.end(), p, p + 2 * frames);
        });
    }
    // Made after the test's files, so the group lists find them at once.
    void start() { desk = std::make_unique<Desk>(engine, scheduler, dialogs, folder.path()); }
    QString tone(const QString& relative, double seconds, double hz, double gainDb = -6) {
        const QString path = folder.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        test::ToneSpec shape;
        shape.seconds = seconds;
        shape.frequency = hz;
        shape.gainDb = gainDb;
        if (!test::makeTone(path, shape)) qWarning("cannot make %s", qPrintable(path));
        return path;
    }
    void render(int ms) {
        for (int left = framesOf(ms); left > 0; left -= kBlock)
            engine.renderOffline(std::min(left, kBlock));
    }
    int now() const { return out.frames(); }
    // Fires the sample through the user's list, as its click does.
    void fireFromList(const QString& path) {
        desk->sampleList.append(QFileInfo(path).baseName(), path);
        desk->sampleList.setSelected(desk->sampleList.count() - 1);
        desk->samples.lstSampleClick();
    }
    void loadChannel(int n, const QString& path) {
        desk->dmcSample.SetChannel(n);
        desk->dmcSample.LoadSample(path.toStdString());
        desk->dmcSample.PlaySample(false);
        desk->dmcSample.SetVolume(70);
    }
    bool playDeck(audio::Player& player, const QString& path) {
        player.SetFileName(path.toStdString());
        if (player.Open() != 0) return false;
        player.SetVolume(1.0f);
        player.Play();
        return true;
    }
};

}  // namespace

class SamplePlayTest : public QObject {
    Q_OBJECT
private slots:
    void channelSearch_data();
    void channelSearch();
    void clickPlaysOnlyWhenItMay_data();
    void clickPlaysOnlyWhenItMay();
    void quickClicksOverlapOnTheirOwnChannels();
    void volumeButtonsClamp_data();
    void volumeButtonsClamp();
    void volumeIsTakenAsTheSampleStarts();
    void sampleIsHeardOverTheDeckAtOnce();
    void sampleMixesOverBothDecks();
    void undecodableSampleLeavesTheChannelFree();
};

void SamplePlayTest::channelSearch_data() {
    QTest::addColumn<QList<int>>("longOnes");   // channels with a 3 s sample
    QTest::addColumn<QList<int>>("shortOnes");  // channels with a 0.1 s sample
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("current");
    QList<int> all, allBut17;
    for (int n = 1; n <= 32; ++n) {
        all << n;
        if (n != 17) allBut17 << n;
    }
    QTest::newRow("nothing loaded") << QList<int>{} << QList<int>{} << 1 << 1;
    QTest::newRow("first two busy") << QList<int>{1, 2} << QList<int>{} << 3 << 3;
    QTest::newRow("all 32 busy") << all << QList<int>{} << 0 << 32;
    QTest::newRow("a free channel in the middle") << allBut17 << QList<int>{17} << 17 << 17;
    QTest::newRow("a finished sample frees its channel")
        << QList<int>{2} << QList<int>{1} << 1 << 1;
}

void SamplePlayTest::channelSearch() {
    QFETCH(QList<int>, longOnes);
    QFETCH(QList<int>, shortOnes);
    QFETCH(int, expected);
    QFETCH(int, current);
    Rig rig;
    const QString longTone = rig.tone("long.wav", 3.0, 500);
    const QString shortTone = rig.tone("short.wav", 0.1, 700);
    rig.start();
    for (int n : longOnes) rig.loadChannel(n, longTone);
    for (int n : shortOnes) rig.loadChannel(n, shortTone);
    rig.render(400);  // the short ones have ended, the long ones play on
    QCOMPARE(rig.desk->samples.FindFreeSampleChannel(), expected);
    QCOMPARE(rig.desk->dmcSample.Channel(), current);

    // A click takes the channel found; with none free it addresses no channel and starts nothing.
    rig.fireFromList(longTone);
    QCOMPARE(rig.desk->dmcSample.Channel(), expected);
    rig.render(20);
    const int busy = longOnes.size() + (expected > 0 ? 1 : 0);
    int playing = 0;
    for (int n = 1; n <= 32; ++n) {
        rig.desk->dmcSample.SetChannel(n);
        playing += rig.desk->dmcSample.Playing() ? 1 : 0;
    }
    QCOMPARE(playing, busy);
}

void SamplePlayTest::clickPlaysOnlyWhenItMay_data() {
    QTest::addColumn<bool>("fromList");
    QTest::addColumn<bool>("deck1");
    QTest::addColumn<bool>("deck2");
    QTest::addColumn<int>("volume");
    QTest::addColumn<bool>("plays");
    QTest::newRow("group, no deck playing") << false << false << false << 70 << false;
    QTest::newRow("group, deck 1 playing") << false << true << false << 70 << true;
    QTest::newRow("group, deck 2 playing") << false << false << true << 70 << true;
    QTest::newRow("group, volume 0 plays silently") << false << true << false << 0 << true;
    QTest::newRow("sample list, no deck playing") << true << false << false << 70 << true;
}

void SamplePlayTest::clickPlaysOnlyWhenItMay() {
    QFETCH(bool, fromList);
    QFETCH(bool, deck1);
    QFETCH(bool, deck2);
    QFETCH(int, volume);
    QFETCH(bool, plays);
    Rig rig;
    rig.tone("samples/cartoons/a.wav", 0.3, 600);
    const QString b = rig.tone("samples/cartoons/b.wav", 0.3, 1000);
    rig.start();
    rig.desk->state.Deck1Playing = deck1;
    rig.desk->state.Deck2Playing = deck2;
    rig.desk->samples.sldSampleVolume.SetValue(volume);
    FileList& cartoons = rig.desk->samples.groups.flbCartoons();
    QCOMPARE(cartoons.Names(), (QStringList{"a.wav", "b.wav"}));

    if (fromList) {
        rig.fireFromList(b);
    } else {
        cartoons.SetListIndex(1);
        rig.desk->samples.PlayFolderSample(cartoons);
    }
    const int clicked = rig.now();
    rig.render(150);
    QCOMPARE(rig.desk->samples.FindFreeSampleChannel(), plays ? 2 : 1);
    // The folder path, "/" and the selected name: b's tone, not a's.
    const double heard = toneAmplitude(rig.out, clicked + framesOf(30), framesOf(100), 1000);
    const double other = toneAmplitude(rig.out, clicked + framesOf(30), framesOf(100), 600);
    QVERIFY2(other < 0.01, qPrintable(QString::number(other)));
    if (plays && volume > 0)
        QVERIFY2(heard > 0.05, qPrintable(QString::number(heard)));
    else
        QVERIFY2(heard < 0.005, qPrintable(QString::number(heard)));

    // Played once: it ends by itself and frees its channel.
    rig.render(400);
    QCOMPARE(rig.desk->samples.FindFreeSampleChannel(), 1);
    QVERIFY(test::peak(rig.out, rig.now() - framesOf(100), framesOf(100)) < 1e-4f);
}

void SamplePlayTest::quickClicksOverlapOnTheirOwnChannels() {
    Rig rig;
    const QList<double> hz{500, 900, 1300};
    for (int i = 0; i < 3; ++i)
        rig.tone(QStringLiteral("samples/scats/%1.wav").arg(i), 1.0, hz[i], -12);
    rig.start();
    rig.desk->state.Deck1Playing = true;
    FileList& scats = rig.desk->samples.groups.flbScats();
    const int clicked = rig.now();
    for (int i = 0; i < 3; ++i) {
        scats.SetListIndex(i);
        rig.desk->samples.PlayFolderSample(scats);
        QCOMPARE(rig.desk->dmcSample.Channel(), i + 1);
    }
    rig.render(300);
    QCOMPARE(rig.desk->samples.FindFreeSampleChannel(), 4);
    for (double f : hz)
        QVERIFY2(toneAmplitude(rig.out, clicked + framesOf(100), framesOf(100), f) > 0.03,
                 qPrintable(QString::number(f)));
}

void SamplePlayTest::volumeButtonsClamp_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("up");
    QTest::addColumn<int>("expected");
    QTest::newRow("65 up") << 65 << true << 75;
    QTest::newRow("95 up") << 95 << true << 100;
    QTest::newRow("100 up") << 100 << true << 100;
    QTest::newRow("65 down") << 65 << false << 55;
    QTest::newRow("5 down") << 5 << false << 0;
    QTest::newRow("0 down") << 0 << false << 0;
}

void SamplePlayTest::volumeButtonsClamp() {
    QFETCH(int, start);
    QFETCH(bool, up);
    QFETCH(int, expected);
    Rig rig;
    rig.start();
    Samples& samples = rig.desk->samples;
    QCOMPARE(samples.sldSampleVolume.Value(), 70);
    QCOMPARE(samples.sldSampleVolume.Min(), 0);
    QCOMPARE(samples.sldSampleVolume.Max(), 100);
    samples.sldSampleVolume.SetValue(start);
    up ? samples.cmdSampleVolUp() : samples.cmdSampleVolDown();
    QCOMPARE(samples.sldSampleVolume.Value(), expected);
}

void SamplePlayTest::volumeIsTakenAsTheSampleStarts() {
    Rig rig;
    const QString a = rig.tone("mine/a.wav", 0.6, 800, -3);
    const QString b = rig.tone("mine/b.wav", 0.6, 800, -3);
    rig.start();
    Samples& samples = rig.desk->samples;

    samples.sldSampleVolume.SetValue(100);
    rig.fireFromList(a);
    const int aStart = rig.now();
    rig.render(200);
    const float loud = test::peak(rig.out, aStart + framesOf(100), framesOf(100));
    QVERIFY(loud > 0.1f);
    // Moving the slider leaves the playing sample alone.
    samples.sldSampleVolume.SetValue(30);
    rig.render(300);
    const float later = test::peak(rig.out, aStart + framesOf(350), framesOf(100));
    QVERIFY2(std::abs(later - loud) < 0.05f * loud,
             qPrintable(QString("%1 %2").arg(loud).arg(later)));

    rig.render(300);  // a has ended
    rig.fireFromList(b);
    const int bStart = rig.now();
    rig.render(300);
    const float quiet = test::peak(rig.out, bStart + framesOf(100), framesOf(100));
    QVERIFY2(quiet < 0.6f * loud && quiet > 0.01f,
             qPrintable(QString("%1 %2").arg(loud).arg(quiet)));
    // From its first frame: no burst at the volume of the sample before it.
    const float onset = test::peak(rig.out, bStart, framesOf(30));
    QVERIFY2(onset < 1.1f * quiet, qPrintable(QString("%1 %2").arg(onset).arg(quiet)));
}

void SamplePlayTest::sampleIsHeardOverTheDeckAtOnce() {
    Rig rig;
    const QString song = rig.tone("song.wav", 3.0, 440, -20);  // 0.1
    rig.tone("samples/scratches/zap.wav", 0.4, 1500, -3);
    rig.start();
    QVERIFY(rig.playDeck(rig.desk->SoundTouch, song));
    rig.desk->state.Deck1Playing = true;
    rig.render(500);

    FileList& scratches = rig.desk->samples.groups.flbScratches();
    scratches.SetListIndex(0);
    rig.desk->samples.sldSampleVolume.SetValue(100);
    rig.desk->samples.PlayFolderSample(scratches);
    const int clicked = rig.now();
    rig.render(1000);

    int onset = -1;
    for (int i = clicked; i < rig.now() && onset < 0; ++i)
        if (std::abs(rig.out.samples[static_cast<size_t>(i) * 2]) > 0.25f) onset = i;
    QVERIFY(onset >= 0);
    const double latencyMs = 1000.0 * (onset - clicked) / kRate;
    qInfo("sample onset %.1f ms after the click", latencyMs);
    QVERIFY2(latencyMs <= 20, qPrintable(QString::number(latencyMs)));

    const double before = toneAmplitude(rig.out, clicked - framesOf(300), framesOf(300), 1500);
    const double during = toneAmplitude(rig.out, onset + framesOf(50), framesOf(300), 1500);
    const double after = toneAmplitude(rig.out, onset + framesOf(500), framesOf(300), 1500);
    QVERIFY2(before < 0.005 && during > 0.2 && after < 0.005,
             qPrintable(QString("%1 %2 %3").arg(before).arg(during).arg(after)));
    // The deck plays on underneath and after it.
    QVERIFY(toneAmplitude(rig.out, onset + framesOf(500), framesOf(300), 440) > 0.05);
}

void SamplePlayTest::sampleMixesOverBothDecks() {
    Rig rig;
    const QString one = rig.tone("one.wav", 3.0, 440, -10);
    const QString two = rig.tone("two.wav", 3.0, 660, -10);
    const QString fx = rig.tone("fx.wav", 0.5, 1500, -10);
    rig.start();
    QVERIFY(rig.playDeck(rig.desk->SoundTouch, one));
    QVERIFY(rig.playDeck(rig.desk->SoundTouch2, two));
    rig.render(400);
    const int fired = rig.now();
    rig.desk->samples.sldSampleVolume.SetValue(100);
    rig.fireFromList(fx);
    rig.render(400);

    const int win = framesOf(200);
    const int pre = fired - win, during = fired + framesOf(100);
    for (double hz : {440.0, 660.0}) {
        const double a = toneAmplitude(rig.out, pre, win, hz);
        const double b = toneAmplitude(rig.out, during, win, hz);
        QVERIFY2(a > 0.1 && std::abs(a - b) < 0.05 * a,
                 qPrintable(QString("%1 Hz: %2 then %3").arg(hz).arg(a).arg(b)));
    }
    QVERIFY(toneAmplitude(rig.out, during, win, 1500) > 0.1);
    // Three tones near -10 dBFS sum to about 0.95: summed, not limited, and never beyond 1.
    const float top = test::peak(rig.out, during, win);
    QVERIFY2(top > 0.8f && top <= 1.0f, qPrintable(QString::number(top)));
    for (float x : rig.out.samples) QVERIFY(std::isfinite(x) && std::abs(x) <= 1.0f);
}

void SamplePlayTest::undecodableSampleLeavesTheChannelFree() {
    Rig rig;
    QDir().mkpath(rig.folder.filePath("samples/shouts"));
    QFile junk(rig.folder.filePath("samples/shouts/broken.wav"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, '\x5a'));
    junk.close();
    rig.start();
    rig.desk->state.Deck2Playing = true;
    FileList& shouts = rig.desk->samples.groups.flbShouts();
    shouts.SetListIndex(0);
    rig.desk->samples.PlayFolderSample(shouts);
    rig.fireFromList(rig.folder.filePath("missing.wav"));
    rig.render(200);
    QCOMPARE(rig.desk->samples.FindFreeSampleChannel(), 1);
    QCOMPARE(test::peak(rig.out, 0, rig.now()), 0.0f);
}

QTEST_GUILESS_MAIN(SamplePlayTest)
#include "tst_sampleplay.moc"
