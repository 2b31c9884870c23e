// The controls heard through the real engine on the offline output: what the player renders
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

    // Renders in 10 ms steps while `player` plays, at most `limitMs`; returns the seconds
    // between the first and the last frame that is not silent.
    double play(audio::Player& player, const QString& path, int limitMs, Audio& out) {
        out = {engine.sampleRate(), 2, {}};
        player.SetFileName(path.toStdString());
        if (player.Open() != 0) return 0;
        engine.setCaptureSink([&](const float* d, int n) {
            out.samples.insert(out.samples.end(), d, d + size_t(n) * 2);
        });
        player.Play();
        for (int t = 0; t < limitMs && player.Status() == audio::Player::kPlaying; t += 10)
            engine.renderOffline(engine.sampleRate() / 100);
        engine.setCaptureSink({});
        int first = -1, last = -1;
        for (int i = 0; i < out.frames(); ++i)
            if (std::abs(out.samples[size_t(i) * 2]) > 0.01f) {
                first = first < 0 ? i : first;
                last = i;
            }
        return first < 0 ? 0.0 : double(last - first + 1) / out.rate;
    }
};

}  // namespace

class AudibleTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void tempoShortensKeepingThePitch();
    void rateMovesThePitchOfItsOwnDeckOnly_data();
    void rateMovesThePitchOfItsOwnDeckOnly();

private:
    QTemporaryDir dir_;
};

void AudibleTest::initTestCase() {
    QVERIFY(makeTone(dir_.filePath("long.wav"), {.seconds = 30, .frequency = 440}));
    QVERIFY(makeTone(dir_.filePath("short.wav"), {.seconds = 3, .frequency = 440}));
}

// The tempo is set before any file is loaded and stays in force from one file to the next.
void AudibleTest::tempoShortensKeepingThePitch() {
    OfflineDesk t;
    Audio a;
    t.desk.soundControls(0).tempoSlider.SetValue(1500);
    QVERIFY(t.play(t.desk.deck(0).player(), dir_.filePath("short.wav"), 5000, a) > 0);
    const double seconds = t.play(t.desk.deck(0).player(), dir_.filePath("long.wav"), 40000, a);
    QVERIFY2(std::abs(seconds - 20.0) < 0.1, qPrintable(QString::number(seconds)));
    const double f = estimateFrequency(a, a.rate * 5, a.rate * 5);
    QVERIFY2(std::abs(f - 440.0) < 2.0, qPrintable(QString::number(f)));
}

void AudibleTest::rateMovesThePitchOfItsOwnDeckOnly_data() {
    QTest::addColumn<int>("rate1");
    QTest::addColumn<int>("rate2");
    QTest::addColumn<double>("frequency");  // heard from deck 2
    QTest::addColumn<double>("seconds");
    QTest::newRow("deck 1's rate") << 1500 << 1000 << 440.0 << 3.0;
    QTest::newRow("deck 2's rate down") << 1500 << 750 << 330.0 << 4.0;
}

void AudibleTest::rateMovesThePitchOfItsOwnDeckOnly() {
    QFETCH(int, rate1);
    QFETCH(int, rate2);
    QFETCH(double, frequency);
    QFETCH(double, seconds);
    OfflineDesk t;
    Audio a;
    t.desk.soundControls(0).rateSlider.SetValue(rate1);
    t.desk.soundControls(1).rateSlider.SetValue(rate2);
    const double sounding = t.play(t.desk.deck(1).player(), dir_.filePath("short.wav"), 10000, a);
    const double f = estimateFrequency(a, a.rate / 2, a.rate);
    QVERIFY2(std::abs(f - frequency) < 2.0, qPrintable(QString::number(f)));
    QVERIFY2(std::abs(sounding - seconds) < 0.1, qPrintable(QString::number(sounding)));
}

QTEST_GUILESS_MAIN(AudibleTest)
#include "tst_audible.moc"
