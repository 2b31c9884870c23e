// The controls heard through the real engine on the offline output: what a deck's player renders
// after a slider change, measured on the rendered sound.
#include <QtTest>

#include "audio/Player.h"
#include "support/AudioFiles.h"
#include "support/DeskFixture.h"

using namespace vantrel::test;

namespace {

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
    void heard_data() {
        QTest::addColumn<int>("deck");
        QTest::addColumn<double>("fileSeconds");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<double>("frequency");
        QTest::newRow("deck 1's tempo shortens, keeping the pitch") << 1 << 30.0 << 20.0 << 440.0;
        QTest::newRow("deck 2's rate lengthens and lowers") << 2 << 3.0 << 4.0 << 330.0;
    }
    // Deck 1's tempo and deck 2's rate are set before any file is loaded; each reaches its own
    // deck only, and stays in force from one file to the next.
    void heard() {
        QFETCH(int, deck);
        QFETCH(double, fileSeconds);
        QFETCH(double, seconds);
        QFETCH(double, frequency);
        DeskFixture t;
        t.desk->soundControls(0).tempoSlider.SetValue(1500);
        t.desk->soundControls(1).rateSlider.SetValue(750);
        auto& player = t.deck(deck - 1).player();
        for (const char* name : {"first.wav", "second.wav"}) {
            player.SetFileName(t.tone(name, fileSeconds).toStdString());
            QCOMPARE(player.Open(), 0);
            player.Play();
            const Audio a = playOffline(*t.engine, player, 40000);
            const double sounding = soundingSeconds(a);
            QVERIFY2(std::abs(sounding - seconds) < 0.1, qPrintable(QString::number(sounding)));
            const double f = estimateFrequency(a, a.rate / 2, a.rate);
            QVERIFY2(std::abs(f - frequency) < 2.0, qPrintable(QString::number(f)));
        }
    }
};

QTEST_GUILESS_MAIN(AudibleTest)
#include "tst_audible.moc"
