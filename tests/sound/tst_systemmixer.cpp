// The ALSA mixer for real, on the private test sound server: its "Master" element is the null
// sink's volume, which pactl reads and sets.
#include <QRegularExpression>
#include <QtTest>

#include "sound/SystemMixer.h"
#include "support/AudioFiles.h"
#include "support/DeskFixture.h"

using namespace vantrel;

namespace {

const QString kSink = qEnvironmentVariable("VANTREL_TEST_SINK");

// The sink's left and right volume, or 0s.
QList<int> readSink() {
    QString out;
    static const QRegularExpression re(QStringLiteral("front-left: (\\d+).*front-right: (\\d+)"));
    const auto m = re.match(test::runTool("pactl", {"get-sink-volume", kSink}, &out) ? out : "");
    return {m.captured(1).toInt(), m.captured(2).toInt()};
}

}  // namespace

class SystemMixerTest : public QObject {
    Q_OBJECT
private slots:
    // The sink is shared with the tests that record it: leave it at full volume.
    void cleanupTestCase() { test::runTool("pactl", {"set-sink-volume", kSink, "100%"}); }

    // To the element's range and back: min, max, level, element, level read back.
    void scale() {
        for (auto [min, max, level, element, back] : {std::tuple{0L, 65536L, 65535, 65536L, 65535},
                                                      {0L, 31L, 32767, 15L, 31710},
                                                      {-50L, 50L, 32768, 0L, 32768},
                                                      {0L, 100L, 70000, 100L, 65535}}) {
            QCOMPARE(SystemMixer::ToElement(level, min, max), element);
            QCOMPARE(SystemMixer::FromElement(element, min, max), back);
        }
    }

    // Start-up with the test sink at uneven channels, then deck 2 leaning right and its volume at
    // full. With the card, the louder channel is the volume, written back on both, and the left
    // side follows the balance within one step of the element. Without it, the message once, the
    // sliders at 0, and the moves fail without a word, leaving the card that does exist alone.
    void liveMixer_data() {
        QTest::addColumn<QByteArray>("card");  // "" = the default
        QTest::addColumn<int>("volume");
        QTest::addColumn<QString>("toolTip");
        // The sink's left and right after start-up and after each move; {}: as before start-up.
        QTest::addColumn<QList<int>>("sink");
        QTest::addColumn<QString>("message");
        QTest::newRow("test sink") << QByteArray() << 26214 << "4"
                                   << QList<int>{26214, 26214, 13107, 26214, 32768, 65536} << "";
        QTest::newRow("missing card")
            << QByteArray("vantrel_no_such_card") << 0 << "" << QList<int>{}
            << "Couldn't open the mixer please check if a audio mixer is installed then retry.";
    }
    void liveMixer() {
        QFETCH(QByteArray, card);
        QFETCH(QList<int>, sink);
        QFETCH(QString, message);
        QVERIFY2(test::runTool("pactl", {"set-sink-volume", kSink, "40%", "30%"}),
                 "needs the test sound server: run under scripts/with-test-audio");
        if (sink.isEmpty()) sink = readSink() + readSink() + readSink();
        qputenv("VANTREL_MIXER_CARD", card);  // empty: the default card
        test::DeskFixture t;                  // on the offline output: no playback device needed
        MasterVolume& m = t.desk->masterVolume();
        m.openSystemMixer();
        m.openSystemMixer();  // runs once
        QTEST(m.volumeSlider.Value(), "volume");
        QTEST(m.volumeSlider.ToolTipText(), "toolTip");
        QList<int> got = readSink();
        m.balanceSlider2.SetValue(50);
        got += readSink();
        m.volumeSlider2.SetValue(65535);
        got += readSink();
        for (int i = 0; i < 6; ++i)
            QVERIFY2(qAbs(got[i] - sink[i]) <= (i % 2 ? 0 : 1),
                     qPrintable(QString::number(got[i])));
        QCOMPARE(t.dialogs.messages.size(), message.isEmpty() ? 0 : 1);
        if (message.isEmpty()) return;
        QCOMPARE(t.dialogs.messages[0].title, kApplicationTitle);
        QCOMPARE(t.dialogs.messages[0].text, message);
        QCOMPARE(t.dialogs.messages[0].icon, Dialogs::Icon::NoIcon);
    }
};

QTEST_GUILESS_MAIN(SystemMixerTest)
#include "tst_systemmixer.moc"
