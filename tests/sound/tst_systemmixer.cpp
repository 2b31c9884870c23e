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

struct SinkVolume {
    int left = -1;
    int right = -1;
};

QString sink() {
    return qEnvironmentVariable("VANTREL_TEST_SINK");
}

SinkVolume readSink() {
    QString out;
    if (!test::runTool("pactl", {"get-sink-volume", sink()}, &out)) return {};
    static const QRegularExpression re(QStringLiteral("front-left: (\\d+).*front-right: (\\d+)"));
    const auto m = re.match(out);
    if (!m.hasMatch()) return {};
    return {m.captured(1).toInt(), m.captured(2).toInt()};
}

bool setSink(const QStringList& volumes) {
    return test::runTool("pactl", QStringList{"set-sink-volume", sink()} + volumes);
}

// A desk on the offline output, so nothing here needs a playback device.
struct TestDesk {
    audio::Engine engine{{audio::OutputKind::Offline}};
    VirtualScheduler scheduler;
    test::ScriptedDialogs dialogs;
    Desk desk{engine, scheduler, dialogs, QDir::tempPath()};
};

}  // namespace

class SystemMixerTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void scale_data();
    void scale();
    void startsAtTheSinkLevelAndSendsBalance();
    void missingCard();
};

void SystemMixerTest::init() {
    qunsetenv("VANTREL_MIXER_CARD");
}

void SystemMixerTest::scale_data() {
    QTest::addColumn<long>("min");
    QTest::addColumn<long>("max");
    QTest::addColumn<int>("level");
    QTest::addColumn<long>("element");
    QTest::addColumn<int>("back");
    QTest::newRow("pulse, 40%") << 0L << 65536L << 26214 << 26214L << 26214;
    QTest::newRow("pulse, full") << 0L << 65536L << 65535 << 65536L << 65535;
    QTest::newRow("pulse, zero") << 0L << 65536L << 0 << 0L << 0;
    QTest::newRow("5 bit, middle") << 0L << 31L << 32767 << 15L << 31710;
    QTest::newRow("5 bit, full") << 0L << 31L << 65535 << 31L << 65535;
    QTest::newRow("offset range") << -50L << 50L << 32768 << 0L << 32768;
    QTest::newRow("above the scale") << 0L << 100L << 70000 << 100L << 65535;
    QTest::newRow("below the scale") << 0L << 100L << -5 << 0L << 0;
}

void SystemMixerTest::scale() {
    QFETCH(long, min);
    QFETCH(long, max);
    QFETCH(int, level);
    QFETCH(long, element);
    QFETCH(int, back);
    QCOMPARE(SystemMixer::ToElement(level, min, max), element);
    QCOMPARE(SystemMixer::FromElement(element, min, max), back);
}

void SystemMixerTest::startsAtTheSinkLevelAndSendsBalance() {
    if (sink().isEmpty()) QFAIL("needs the test sound server: run under scripts/with-test-audio");
    // Uneven channels: the louder one is the volume, and start-up writes it back on both.
    QVERIFY(setSink({"40%", "30%"}));
    const int sinkLevel = readSink().left;
    QCOMPARE(sinkLevel, 26214);

    TestDesk t;
    MasterVolume& m = t.desk.masterVolume;
    t.desk.OpenSystemMixer();
    QVERIFY(t.dialogs.messages.isEmpty());
    QCOMPARE(t.desk.systemMixer.elementName(), std::string("Master"));
    QCOMPARE(m.sldVolume.Value(), 26214);
    QCOMPARE(m.sldVolume2.Value(), 26214);
    QCOMPARE(m.sldVolume.ToolTipText(), QStringLiteral("4"));
    SinkVolume v = readSink();
    QCOMPARE(v.left, sinkLevel);
    QCOMPARE(v.right, sinkLevel);

    // Leaning right turns the left side down to half, within one step of the element.
    m.sldBalance2.SetValue(50);
    v = readSink();
    QVERIFY2(qAbs(v.left - sinkLevel / 2) <= 1, qPrintable(QString::number(v.left)));
    QCOMPARE(v.right, sinkLevel);

    m.sldVolume2.SetValue(65535);
    v = readSink();
    QVERIFY2(qAbs(v.left - 32768) <= 1, qPrintable(QString::number(v.left)));
    QCOMPARE(v.right, 65536);
}

void SystemMixerTest::missingCard() {
    if (sink().isEmpty()) QFAIL("needs the test sound server: run under scripts/with-test-audio");
    QVERIFY(setSink({"25%"}));
    const SinkVolume before = readSink();
    qputenv("VANTREL_MIXER_CARD", "vantrel_no_such_card");
    TestDesk t;
    MasterVolume& m = t.desk.masterVolume;
    t.desk.OpenSystemMixer();
    t.desk.OpenSystemMixer();
    QCOMPARE(t.dialogs.messages.size(), 1);
    QCOMPARE(t.dialogs.messages[0].title, kApplicationTitle);
    QCOMPARE(t.dialogs.messages[0].text, MasterVolume::kNoMixerMessage);
    QCOMPARE(m.sldVolume.Value(), 0);
    QCOMPARE(m.sldVolume2.Value(), 0);
    // Later moves fail without a word, and the card that does exist is left alone.
    m.sldVolume.SetValue(50000);
    m.sldBalance2.SetValue(-20);
    QCOMPARE(m.sldVolume2.Value(), 50000);
    QCOMPARE(t.dialogs.messages.size(), 1);
    const SinkVolume after = readSink();
    QCOMPARE(after.left, before.left);
    QCOMPARE(after.right, before.right);
}

QTEST_GUILESS_MAIN(SystemMixerTest)
#include "tst_systemmixer.moc"
