// The controls heard through the real engine on the offline output: what a deck's player renders
// after a slider change, measured on the rendered sound.
#include <QTemporaryDir>
#include <QtTest>

#include "app/Desk.h"
#include "support/AudioFiles.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;
using namespace vantrel::test;

namespace {

struct OfflineDesk {
    audio::Engine engine{{.output = audio::OutputKind::Offline}};
    VirtualScheduler scheduler;
    ScriptedDialogs dialogs;
    Desk desk{engine, scheduler, dialogs, QDir::tempPath()};

    Audio play(audio::Player& player, const QString& path, int limitMs) {
        player.SetFileName(path.toStdString());
        if (player.Open() != 0) return {};
        player.Play();
        return playOffline(engine, player, limitMs);
    }
};

// Seconds from the first to the last frame that is not silent.
double soundingSeconds(const Audio& a) {
    const int first = firstAbove(a, 0.01f);
    int last = a.frames() - 1;
    while (last > first && std::abs(a.samples[size_t(last) * size_t(a.channels)]) <= 0.01f) --last;
    return first < 0 ? 0.0 : double(last - first + 1) / a.rate;
}

}  // namespace

class AudibleTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(makeTone(dir_.filePath("long.wav"), {.seconds = 30, .frequency = 440}));
        QVERIFY(makeTone(dir_.filePath("short.wav"), {.seconds = 3, .frequency = 440}));
    }

    // The settings are made before any file is loaded and stay in force from one file to the next;
    // each deck's controls reach its own player only.
    void heard_data() {
        QTest::addColumn<int>("deck");
        QTest::addColumn<int>("tempo1");
        QTest::addColumn<int>("rate1");
        QTest::addColumn<int>("rate2");
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<double>("frequency");
        QTest::newRow("tempo shortens, keeping the pitch")
            << 1 << 1500 << 1000 << 1000 << "long.wav" << 20.0 << 440.0;
        QTest::newRow("deck 1's rate") << 2 << 1000 << 1500 << 1000 << "short.wav" << 3.0 << 440.0;
        QTest::newRow("deck 2's rate down")
            << 2 << 1000 << 1500 << 750 << "short.wav" << 4.0 << 330.0;
    }

    void heard() {
        QFETCH(int, deck);
        QFETCH(QString, file);
        QFETCH(double, seconds);
        QFETCH(double, frequency);
        QFETCH(int, tempo1);
        QFETCH(int, rate1);
        QFETCH(int, rate2);
        OfflineDesk t;
        t.desk.soundControls.sldTempo.SetValue(tempo1);
        t.desk.soundControls.sldSpeed.SetValue(rate1);
        t.desk.soundControls2.sldSpeed.SetValue(rate2);
        audio::Player& player = deck == 2 ? t.desk.SoundTouch2 : t.desk.SoundTouch;
        QVERIFY(soundingSeconds(t.play(player, dir_.filePath("short.wav"), 10000)) > 0);
        const Audio a = t.play(player, dir_.filePath(file), 40000);
        const double sounding = soundingSeconds(a);
        QVERIFY2(std::abs(sounding - seconds) < 0.1, qPrintable(QString::number(sounding)));
        const double f = estimateFrequency(a, a.rate / 2, a.rate);
        QVERIFY2(std::abs(f - frequency) < 2.0, qPrintable(QString::number(f)));
    }

private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(AudibleTest)
#include "tst_audible.moc"
