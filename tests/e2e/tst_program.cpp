// The whole program on a virtual X display and the test sound server (under its own
// dbus-run-session): keys into the real window through xdotool, media keys through the session
// bus, sound recorded from the sink, and the list files read afterwards.
#include <signal.h>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>

#include <QElapsedTimer>
#include <QtTest>
#include <csignal>

#include "e2e/ProgramCopy.h"
#include "support/AudioFiles.h"

using namespace vantrel;

namespace {

const QString kService = "org.mpris.MediaPlayer2.vantrel";
const QString kPath = "/org/mpris/MediaPlayer2";
const QString kPlayer = "org.mpris.MediaPlayer2.Player";

bool xdotool(const QStringList& args, QString* out = nullptr) {
    return test::runTool(QStringLiteral("xdotool"), args, out);
}
// The ids of the visible windows with exactly this title.
QStringList windowsNamed(const QString& title) {
    QString out;
    xdotool({"search", "--onlyvisible", "--name", '^' + QRegularExpression::escape(title) + '$'},
            &out);
    return out.trimmed().isEmpty() ? QStringList{} : out.trimmed().split(QLatin1Char('\n'));
}
bool hasFocus(const QString& id) {
    QString out;
    return xdotool({"getwindowfocus"}, &out) && out.trimmed() == id;
}
// Waits for a window with this title and gives it the keyboard (there is no window manager).
// A newly shown dialog may still be activating itself when xdotool focuses it and can end up
// with no focus at all, so the focus has to survive a short settle before keys go out.
QString focusWindow(const QString& title, const QStringList& except = {}) {
    QElapsedTimer t;
    for (t.start(); t.elapsed() < 15000; QTest::qWait(50))
        for (const QString& id : windowsNamed(title)) {
            if (except.contains(id) || !xdotool({"windowfocus", "--sync", id})) continue;
            QTest::qWait(150);
            if (hasFocus(id)) return id;
        }
    return {};
}
bool keys(const QStringList& names) {
    return xdotool(QStringList{"key", "--delay", "0"} + names);
}

// A program folder whose default list holds three songs of `seconds`.
struct Evening {
    test::ProgramCopy copy;
    QTemporaryDir music;
    bool write(double seconds) {
        QStringList list;
        for (const QString song : {"Morning Light", "Night Drive", "Harbour Lights"}) {
            list << song + " (Wav file)" << music.filePath(song + ".wav");
            const QString tone = list.last() + (song == u"Night Drive" ? ".untagged.wav" : "");
            if (!test::makeTone(tone, {seconds, 440.0, 44100, 2, -6.0})) return false;
            // One song tells its artist, title and album, as bought music does.
            if (tone != list.last() &&
                !test::runTool(
                    "ffmpeg", {"-nostdin", "-v", "error", "-i", tone, "-metadata",
                               "artist=The Roads", "-metadata", "title=Drive by Night", "-metadata",
                               "album=Nocturnes", "-c", "copy", list.last()}))
                return false;
        }
        test::ProgramCopy::writeList(copy.defaultPlaylist(), list);
        return copy.ok();
    }
};
// The titles kept in a list file, checking its CR LF line ends.
QStringList savedTitles(const QString& file) {
    const QList<QByteArray> lines = test::readFile(file).split('\n');
    QStringList titles;
    for (qsizetype i = 0; i + 1 < lines.size(); i += 2)
        titles << (lines[i].endsWith('\r') ? QString::fromUtf8(lines[i].chopped(1)) : "no CR");
    return lines.size() % 2 ? titles : QStringList{"odd line count"};
}

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
QVariantMap metadata() {
    return qdbus_cast<QVariantMap>(get("Metadata").value<QDBusArgument>());
}
QString title() {
    return metadata()["xesam:title"].toString();
}
bool send(const QString& method) {  // "Player.Play", "Quit"
    return test::runTool("dbus-send", {"--session", "--print-reply", "--dest=" + kService, kPath,
                                       "org.mpris.MediaPlayer2." + method});
}
bool onTheBus() {
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(kService);
}
// Quit over the bus ends the program well within 5 s.
bool quits(test::Program& program) {
    return send("Quit") && program.process.waitForFinished(5000) &&
           program.process.exitStatus() == QProcess::NormalExit && program.process.exitCode() == 0;
}
// The peak of the sink's last second of two; -1 when the recording fell short.
float heard(const QString& sink) {
    test::MonitorRecording rec(sink + ".monitor");
    // Two seconds of the sink, however long a loaded machine takes to start the recorder.
    QElapsedTimer t;
    for (t.start(); rec.timeOfFrame(2 * 44100) < 0 && t.elapsed() < 20000;) QTest::qWait(100);
    const test::Audio a = rec.stop();
    return a.frames() < 44100 ? -1.0f : test::peak(a, a.frames() - 44100, 44100);
}

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT
    int changes_ = 0;
    QString sink_;
public slots:
    void changed() { ++changes_; }
private slots:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "needs an X display (scripts/run-tests)");
        sink_ = qEnvironmentVariable("VANTREL_TEST_SINK");
        QVERIFY2(!sink_.isEmpty(), "needs the test sound server (scripts/with-test-audio)");
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "needs a session bus");
    }
    // Whatever an earlier case left the shared sink at, measure at full volume.
    void init() { QVERIFY(test::runTool("pactl", {"set-sink-volume", sink_, "100%"})); }
    void mixesHelpsAndKeepsThePlaylist();
    void drivenFromTheBus();
    void keepsTheListThroughAKill();
    void startsAndPlaysOverADamagedList();
    void runsWithoutABus();
    void aSecondStartHandsItsFilesToTheFirst();
};

void ProgramTest::mixesHelpsAndKeepsThePlaylist() {
    Evening e;
    QVERIFY(e.write(30.0));
    QTemporaryDir emptyBin;
    // No browser, no system-information tool: the program must shrug them off.
    test::Program program(e.copy, emptyBin.path());
    const QString main = focusWindow(QStringLiteral("Vantrel"));
    QVERIFY2(!main.isEmpty(), "no main window");
    // Play on deck 1 cues "Morning Light" on deck 2; mixing now fades it in.
    QVERIFY(keys({"Return", "alt+Return"}));
    QTest::qWait(1000);

    QVERIFY(keys({"F1"}));  // no browser to open the manual with
    QTest::qWait(500);
    QCOMPARE(program.process.state(), QProcess::Running);
    QVERIFY(keys({"alt+h", "a"}));
    QVERIFY2(!focusWindow(QStringLiteral("About Vantrel")).isEmpty(), "no about box");
    QVERIFY(keys({"alt+s"}));  // System Info..., with no tool on PATH
    // The message box carries the program's title, like the main window.
    QVERIFY2(!focusWindow(QStringLiteral("Vantrel"), {main}).isEmpty(), "no message");
    QVERIFY(keys({"Return"}));
    QTRY_COMPARE(windowsNamed(QStringLiteral("Vantrel")).size(), 1);
    QVERIFY(!focusWindow(QStringLiteral("About Vantrel")).isEmpty());
    QVERIFY(keys({"Return"}));  // OK
    QTRY_VERIFY(windowsNamed(QStringLiteral("About Vantrel")).isEmpty());

    QVERIFY(!focusWindow(QStringLiteral("Vantrel")).isEmpty());
    QVERIFY(keys({"alt+F4"}));
    QVERIFY2(program.process.waitForFinished(2000), "Alt+F4 did not end the program in 2 s");
    QCOMPARE(program.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.process.exitCode(), 0);
    QCOMPARE(savedTitles(e.copy.defaultPlaylist()),
             (QStringList{"Night Drive (Wav file)", "Harbour Lights (Wav file)"}));
}

void ProgramTest::drivenFromTheBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    Evening e;
    QVERIFY(e.write(60.0));
    test::Program program(e.copy);
    QTRY_VERIFY_WITH_TIMEOUT(onTheBus(), 15000);
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
    QVERIFY(heard(sink_) > 0.3f);
    QCOMPARE(changes_, 0);
    // The program stalls (a busy machine): the sound comes back by itself.
    for (const int stallMs : {50, 300}) {
        ::kill(pid_t(program.process.processId()), SIGSTOP);
        QTest::qWait(stallMs);
        ::kill(pid_t(program.process.processId()), SIGCONT);
        QTest::qWait(3000);
        QVERIFY2(heard(sink_) > 0.3f,
                 qPrintable(QString("silent after a %1 ms stall").arg(stallMs)));
    }
    changes_ = 0;

    QVERIFY(send("Player.Pause"));
    QCOMPARE(get("PlaybackStatus").toString(), "Paused");
    const float paused = heard(sink_);
    QVERIFY2(paused >= 0 && paused < 0.02f, "still sounding after Pause");
    QCOMPARE(changes_, 1);
    QVERIFY(send("Player.Play"));
    QCOMPARE(get("PlaybackStatus").toString(), "Playing");
    QTRY_VERIFY_WITH_TIMEOUT(heard(sink_) > 0.3f, 10000);  // Play resumes the song
    // Volume is the master volume: half of it is heard much quieter.
    properties("Set", {kPlayer, "Volume", QVariant::fromValue(QDBusVariant(0.5))});
    QVERIFY(qAbs(get("Volume").toDouble() - 0.5) < 0.001);
    const float half = heard(sink_);
    QVERIFY2(half > 0.02f && half < 0.3f, qPrintable(QString::number(half)));
    // What is not a level changes nothing; beyond full is full.
    properties("Set", {kPlayer, "Volume", QVariant::fromValue(QDBusVariant(qQNaN()))});
    QVERIFY(qAbs(get("Volume").toDouble() - 0.5) < 0.001);
    properties("Set", {kPlayer, "Volume", QVariant::fromValue(QDBusVariant(7.0))});
    QCOMPARE(get("Volume").toDouble(), 1.0);

    QVERIFY(send("Player.Next"));  // the fade into the next entry
    // Its tags name it on the bus; an untagged song goes by its display title.
    QVERIFY(!metadata().contains("xesam:artist"));
    QTRY_COMPARE_WITH_TIMEOUT(title(), "Drive by Night", 15000);
    QCOMPARE(metadata()["xesam:artist"].toStringList(), QStringList{"The Roads"});
    QCOMPARE(metadata()["xesam:album"].toString(), "Nocturnes");
    QVERIFY2(quits(program), "Quit did not end the program");
    QCOMPARE(savedTitles(e.copy.defaultPlaylist()), QStringList{"Harbour Lights (Wav file)"});
}

void ProgramTest::keepsTheListThroughAKill() {
    Evening e;
    QVERIFY(e.write(60.0));
    // The second song's name is Latin-1, as an old disk holds it: not UTF-8.
    const QByteArray cafe = QFile::encodeName(e.music.path()) + "/Caf\xe9.wav";
    QVERIFY(::rename(QFile::encodeName(e.music.filePath("Night Drive.wav")), cafe) == 0);
    QByteArray list = test::readFile(e.copy.defaultPlaylist());
    list.replace("Night Drive (Wav file)", "Caf\xc3\xa9 (Wav file)");
    list.replace(QFile::encodeName(e.music.filePath("Night Drive.wav")), cafe);
    QVERIFY(test::writeFile(e.copy.defaultPlaylist(), list));
    // What a save cut short by a kill leaves.
    const QString stale = e.copy.defaultPlaylist() + ".saving-99999999";
    test::ProgramCopy::writeList(stale, {"half"});
    test::Program program(e.copy);
    QTRY_VERIFY_WITH_TIMEOUT(onTheBus(), 15000);
    QVERIFY(!QFileInfo::exists(stale));
    // The mix takes each song off the list as it fades in; the file follows within a second,
    // the Latin-1 name byte for byte.
    QVERIFY(send("Player.Play"));
    QTRY_COMPARE_WITH_TIMEOUT(title(), "Morning Light (Wav file)", 5000);
    const QByteArray harbour = "Harbour Lights (Wav file)\r\n" +
                               QFile::encodeName(e.music.filePath("Harbour Lights.wav")) + "\r\n";
    QTRY_COMPARE_WITH_TIMEOUT(test::readFile(e.copy.defaultPlaylist()),
                              "Caf\xc3\xa9 (Wav file)\r\n" + cafe + "\r\n" + harbour, 2500);
    // It plays: the decoder opened the file by its own bytes (and read its title tag).
    QVERIFY(send("Player.Next"));
    QTRY_COMPARE_WITH_TIMEOUT(title(), "Drive by Night", 15000);
    QTRY_VERIFY_WITH_TIMEOUT(get("Position").toLongLong() > 2'000'000, 10000);
    QCOMPARE(title(), "Drive by Night");
    QTest::qWait(1200);
    QCOMPARE(::kill(pid_t(program.process.processId()), SIGKILL), 0);
    QVERIFY(program.process.waitForFinished(5000));
    QCOMPARE(test::readFile(e.copy.defaultPlaylist()), harbour);
    QCOMPARE(QDir(e.copy.folder()).entryList(QDir::Files), (QStringList{"default.kvl", "vantrel"}));
}

void ProgramTest::startsAndPlaysOverADamagedList() {
    Evening e;
    QVERIFY(e.write(60.0));
    // A title without its path: the list cannot be read whole.
    const QByteArray damaged = test::readFile(e.copy.defaultPlaylist()) + "Lost (Wav file)\n";
    QVERIFY(test::writeFile(e.copy.defaultPlaylist(), damaged));
    test::Program program(e.copy, {}, {}, QProcess::ForwardedChannels, {"--play"});
    // The window, the bus and the music come up; the box waits over the window.
    QTRY_VERIFY_WITH_TIMEOUT(onTheBus(), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(get("PlaybackStatus").toString(), "Playing", 10000);
    QTRY_COMPARE_WITH_TIMEOUT(title(), "Morning Light (Wav file)", 10000);
    QTRY_COMPARE_WITH_TIMEOUT(windowsNamed(QStringLiteral("Error")).size(), 1, 10000);
    QCOMPARE(windowsNamed(QStringLiteral("Vantrel")).size(), 1);
    QVERIFY2(quits(program), "Quit did not end the program");
    QCOMPARE(test::readFile(e.copy.defaultPlaylist() + ".damaged"), damaged);
    QCOMPARE(savedTitles(e.copy.defaultPlaylist()),
             (QStringList{"Night Drive (Wav file)", "Harbour Lights (Wav file)"}));
}

void ProgramTest::runsWithoutABus() {
    // The first start: no list yet, and no box for it.
    test::ProgramCopy copy;
    QVERIFY(copy.ok());
    test::Program program(copy, {}, {"DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent"},
                          QProcess::ForwardedOutputChannel);
    QTest::qWait(3000);
    QCOMPARE(program.process.state(), QProcess::Running);
    QCOMPARE(windowsNamed(QStringLiteral("Vantrel")).size(), 1);  // no message box
    program.process.terminate();
    QVERIFY(program.process.waitForFinished(5000));
    QCOMPARE(program.process.exitCode(), 0);
    QVERIFY(QFileInfo::exists(copy.defaultPlaylist()));
    const QString errors = QString::fromUtf8(program.process.readAllStandardError());
    QVERIFY2(errors.count("bus") <= 1, qPrintable(errors));
}

void ProgramTest::aSecondStartHandsItsFilesToTheFirst() {
    test::ProgramCopy copy;
    QVERIFY(copy.ok());
    test::ProgramCopy::writeList(copy.defaultPlaylist(), {});
    QTemporaryDir music;
    for (const QString song : {"Opening.wav", "Night #2.wav", "Last Call.wav"})
        QVERIFY(test::makeTone(music.filePath(song), {2.0, 440.0, 44100, 2, -6.0}));
    // The first start adds what its own line names.
    test::Program first(copy, {}, {}, QProcess::ForwardedChannels, {music.filePath("Opening.wav")});
    QTRY_VERIFY_WITH_TIMEOUT(onTheBus(), 15000);
    // A later start of the same program folder, from another folder, with a relative path and
    // one that does not exist: it hands over what exists and ends.
    QProcess second;
    second.setWorkingDirectory(music.path());
    copy.start(second, first.home.path(), first.home.filePath("xdg"), false, {}, {},
               QProcess::SeparateChannels,
               {"Night #2.wav", "missing.wav", music.filePath("Last Call.wav")});
    QVERIFY2(second.waitForFinished(30000), "the second start did not end");
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(QString::fromUtf8(second.readAllStandardError()).contains("missing.wav"));
    QCOMPARE(windowsNamed(QStringLiteral("Vantrel")).size(), 1);
    // --new-instance opens a window of its own.
    test::Program own(copy, {}, {}, QProcess::ForwardedChannels, {"--new-instance"});
    QTRY_COMPARE_WITH_TIMEOUT(windowsNamed(QStringLiteral("Vantrel")).size(), 2, 15000);
    own.process.kill();
    QVERIFY(own.process.waitForFinished(5000));

    QVERIFY2(quits(first), "Quit did not end the program");
    QCOMPARE(savedTitles(copy.defaultPlaylist()),
             (QStringList{"Opening (Wav file)", "Night #2 (Wav file)", "Last Call (Wav file)"}));
}

QTEST_MAIN(ProgramTest)
#include "tst_program.moc"
