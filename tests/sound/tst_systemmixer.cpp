// The ALSA mixer for real, on the private test sound server: its "Master" element is the null
// sink's volume, which pactl reads and sets.
#include <QRegularExpression>
#include <QtTest>

#include "app/Desk.h"
#include "sound/SystemMixer.h"
#include "support/AudioFiles.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;

namespace {

QString sink() {
    return qEnvironmentVariable("VANTREL_TEST_SINK");
}

// The sink's left and right volume, or -1s.
QPair<int, int> readSink() {
    QString out;
    static const QRegularExpression re(QStringLiteral("front-left: (\\d+).*front-right: (\\d+)"));
    const auto m = re.match(test::runTool("pactl", {"get-sink-volume", sink()}, &out) ? out : "");
    return m.hasMatch() ? qMakePair(m.captured(1).toInt(), m.captured(2).toInt())
                        : qMakePair(-1, -1);
}

// A desk on the offline output, so nothing here needs a playback device.
struct TestDesk {
    audio::Engine engine{{audio::OutputKind::Offline}};
    VirtualScheduler scheduler;
    test::ScriptedDialogs dialogs;
    Desk desk{engine, scheduler, dialogs, QDir::tempPath()};
    MasterVolume& m = desk.masterVolume;
};

}  // namespace

class SystemMixerTest : public QObject {
    Q_OBJECT
private slots:
    // The sink is shared with the tests that record it: leave it at full volume.
    void cleanupTestCase() { test::runTool("pactl", {"set-sink-volume", sink(), "100%"}); }
    void init() { qunsetenv("VANTREL_MIXER_CARD"); }

    void scale_data() {
        QTest::addColumn<long>("min");
        QTest::addColumn<long>("max");
        QTest::addColumn<int>("level");
        QTest::addColumn<long>("element");
        QTest::addColumn<int>("back");
        QTest::newRow("pulse, full") << 0L << 65536L << 65535 << 65536L << 65535;
        QTest::newRow("5 bit, middle") << 0L << 31L << 32767 << 15L << 31710;
        QTest::newRow("offset range") << -50L << 50L << 32768 << 0L << 32768;
        QTest::newRow("above the scale") << 0L << 100L << 70000 << 100L << 65535;
        QTest::newRow("below the scale") << 0L << 100L << -5 << 0L << 0;
    }

    void scale() {
        QFETCH(long, min);
        QFETCH(long, max);
        QFETCH(int, level);
        QFETCH(long, element);
        QFETCH(int, back);
        QCOMPARE(SystemMixer::ToElement(level, min, max), element);
        QCOMPARE(SystemMixer::FromElement(element, min, max), back);
    }

    void startsAtTheSinkLevelAndSendsBalance() {
        if (sink().isEmpty())
            QFAIL("needs the test sound server: run under scripts/with-test-audio");
        // Uneven channels: the louder one is the volume, and start-up writes it back on both.
        QVERIFY(test::runTool("pactl", {"set-sink-volume", sink(), "40%", "30%"}));
        QCOMPARE(readSink().first, 26214);
        TestDesk t;
        t.desk.OpenSystemMixer();
        QVERIFY(t.dialogs.messages.isEmpty());
        QCOMPARE(t.desk.systemMixer.elementName(), std::string("Master"));
        QCOMPARE(t.m.sldVolume.Value(), 26214);
        QCOMPARE(t.m.sldVolume.ToolTipText(), QStringLiteral("4"));
        QCOMPARE(readSink(), qMakePair(26214, 26214));
        // Leaning right turns the left side down to half, within one step of the element.
        t.m.sldBalance2.SetValue(50);
        QVERIFY2(qAbs(readSink().first - 26214 / 2) <= 1,
                 qPrintable(QString::number(readSink().first)));
        QCOMPARE(readSink().second, 26214);
        t.m.sldVolume2.SetValue(65535);
        QVERIFY2(qAbs(readSink().first - 32768) <= 1,
                 qPrintable(QString::number(readSink().first)));
        QCOMPARE(readSink().second, 65536);
    }

    // No mixer: the message once, the sliders at 0, later moves fail without a word and the card
    // that does exist is left alone.
    void missingCard() {
        if (sink().isEmpty())
            QFAIL("needs the test sound server: run under scripts/with-test-audio");
        QVERIFY(test::runTool("pactl", {"set-sink-volume", sink(), "25%"}));
        const QPair<int, int> before = readSink();
        qputenv("VANTREL_MIXER_CARD", "vantrel_no_such_card");
        TestDesk t;
        t.desk.OpenSystemMixer();
        t.desk.OpenSystemMixer();
        QCOMPARE(t.dialogs.messages.size(), 1);
        QCOMPARE(t.dialogs.messages[0].title, kApplicationTitle);
        QCOMPARE(
            t.dialogs.messages[0].text,
            QStringLiteral("Couldn't open the mixer please check if a audio mixer is installed "
                           "then retry."));
        QCOMPARE(t.dialogs.messages[0].icon, Dialogs::Icon::NoIcon);
        QCOMPARE(t.m.sldVolume.Value(), 0);
        t.m.sldVolume.SetValue(50000);
        t.m.sldBalance2.SetValue(-20);
        QCOMPARE(t.dialogs.messages.size(), 1);
        QCOMPARE(readSink(), before);
    }
};

QTEST_GUILESS_MAIN(SystemMixerTest)
#include "tst_systemmixer.moc"
