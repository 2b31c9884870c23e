// The real program driven from the session bus as media keys and playerctl drive it (run under
// its own dbus-run-session): what is heard on the test sink, what the interface shows, and the
// list saved by Quit. Without a bus the program runs as before.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QtTest>

#include "e2e/ProgramCopy.h"
#include "support/AudioFiles.h"

using namespace vantrel;

namespace {

const QString kService = "org.mpris.MediaPlayer2.vantrel";
const QString kPath = "/org/mpris/MediaPlayer2";
const QString kPlayer = "org.mpris.MediaPlayer2.Player";

QDBusMessage properties(const QString& method, const QVariantList& args) {
    QDBusMessage m =
        QDBusMessage::createMethodCall(kService, kPath, "org.freedesktop.DBus.Properties", method);
    m.setArguments(args);
    return QDBusConnection::sessionBus().call(m, QDBus::Block, 3000);
}
QVariant get(const QString& name, const QString& interface = kPlayer) {
    return properties("Get", {interface, name})
        .arguments()
        .value(0)
        .value<QDBusVariant>()
        .variant();
}
QString title() {
    return qdbus_cast<QVariantMap>(get("Metadata").value<QDBusArgument>())["xesam:title"]
        .toString();
}
bool send(const QString& method) {  // "Player.Play", "Quit"
    return test::runTool("dbus-send", {"--session", "--print-reply", "--dest=" + kService, kPath,
                                       "org.mpris.MediaPlayer2." + method});
}
// The peak of the sink's last second of two; -1 when the recording fell short.
float heard(const QString& sink) {
    test::MonitorRecording rec(sink + ".monitor");
    QTest::qWait(2000);
    const test::Audio a = rec.stop();
    return a.frames() < 44100 ? -1.0f : test::peak(a, a.frames() - 44100, 44100);
}

}  // namespace

class MprisTest : public QObject {
    Q_OBJECT
    int changes_ = 0;
public slots:
    void changed() { ++changes_; }
private slots:
    void drivenFromTheBus();
    void runsWithoutABus();
};

void MprisTest::drivenFromTheBus() {
    const QString sink = qEnvironmentVariable("VANTREL_TEST_SINK");
    QVERIFY2(!sink.isEmpty(), "needs the test sound server (scripts/with-test-audio)");
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY2(bus.isConnected(), "needs a session bus (dbus-run-session)");
    QVERIFY(test::runTool("pactl", {"set-sink-volume", sink, "100%"}));
    test::ProgramCopy copy;
    QVERIFY(copy.ok());
    QTemporaryDir music;
    QStringList list;
    for (const QString song : {"Morning Light", "Night Drive", "Harbour Lights"}) {
        list << song + " (Wav file)" << music.filePath(song + ".wav");
        QVERIFY(test::makeTone(list.last(), {60.0, 440.0, 44100, 2, -6.0}));
    }
    test::ProgramCopy::writeList(copy.defaultPlaylist(), list);
    test::Program program(copy);
    QTRY_VERIFY_WITH_TIMEOUT(bus.interface()->isServiceRegistered(kService), 15000);
    QCOMPARE(get("Identity", "org.mpris.MediaPlayer2").toString(), "Vantrel");
    QCOMPARE(get("PlaybackStatus").toString(), "Stopped");
    QVERIFY(bus.connect(kService, kPath, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                        this, SLOT(changed())));

    // Play on the empty front deck starts the mix: the first entry fades in on the other deck.
    QVERIFY(send("Player.Play"));
    QTRY_COMPARE_WITH_TIMEOUT(title(), "Morning Light (Wav file)", 5000);
    QCOMPARE(get("PlaybackStatus").toString(), "Playing");
    // Past the fade the song plays at full volume, and the position tick announces nothing.
    QTRY_VERIFY_WITH_TIMEOUT(get("Position").toLongLong() > 9'500'000, 15000);
    changes_ = 0;
    // Now and then a recording here is silent while the next one is not: listen again.
    QTRY_VERIFY_WITH_TIMEOUT(heard(sink) > 0.3f, 10000);
    QCOMPARE(changes_, 0);

    QVERIFY(send("Player.Pause"));
    QCOMPARE(get("PlaybackStatus").toString(), "Paused");
    const float paused = heard(sink);
    QVERIFY2(paused >= 0 && paused < 0.02f, "still sounding after Pause");
    QCOMPARE(changes_, 1);
    QVERIFY(send("Player.Play"));
    QCOMPARE(get("PlaybackStatus").toString(), "Playing");
    QTRY_VERIFY_WITH_TIMEOUT(heard(sink) > 0.3f, 10000);  // Play resumes the song
    // Volume is the master volume: half of it is heard much quieter.
    properties("Set", {kPlayer, "Volume", QVariant::fromValue(QDBusVariant(0.5))});
    QVERIFY(qAbs(get("Volume").toDouble() - 0.5) < 0.001);
    const float half = heard(sink);
    QVERIFY2(half > 0.02f && half < 0.3f, qPrintable(QString::number(half)));

    QVERIFY(send("Player.Next"));  // the fade into the next entry
    QTRY_COMPARE_WITH_TIMEOUT(title(), "Night Drive (Wav file)", 15000);
    QVERIFY(send("Quit"));
    QVERIFY2(program.process.waitForFinished(5000), "Quit did not end the program");
    QCOMPARE(program.process.exitCode(), 0);
    const QList<QByteArray> saved = test::ProgramCopy::read(copy.defaultPlaylist()).split('\n');
    QCOMPARE(saved.size(), 3);
    QCOMPARE(saved[0], QByteArray("Harbour Lights (Wav file)\r"));
}

void MprisTest::runsWithoutABus() {
    test::ProgramCopy copy;
    QVERIFY(copy.ok());
    test::ProgramCopy::writeList(copy.defaultPlaylist(), {});
    test::Program program(copy, {}, {"DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent"},
                          QProcess::ForwardedOutputChannel);
    QTest::qWait(3000);
    QCOMPARE(program.process.state(), QProcess::Running);
    QString windows;  // the main window alone: no message box
    QVERIFY(test::runTool("xdotool", {"search", "--onlyvisible", "--name", "^Vantrel$"}, &windows));
    QCOMPARE(windows.trimmed().split('\n').size(), 1);
    program.process.terminate();
    QVERIFY(program.process.waitForFinished(5000));
    QCOMPARE(program.process.exitCode(), 0);
    const QString errors = QString::fromUtf8(program.process.readAllStandardError());
    QVERIFY2(errors.count("bus") <= 1, qPrintable(errors));
}

QTEST_MAIN(MprisTest)
#include "tst_mpris.moc"
