// The mix on air: the real program streams to a real Icecast server that the test starts on a
// free loopback port, and a real listener (ffmpeg) records what goes out.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <csignal>

#include "e2e/ProgramCopy.h"
#include "support/AudioFiles.h"

using namespace vantrel;

namespace {

const QString kPassword = QStringLiteral("Fl4t-w4v3-s0urce");

int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    ::close(s);
    return ntohs(a.sin_port);
}

// An Icecast server of the test's own, with its configuration and logs in a temporary folder.
class Icecast {
public:
    Icecast() : port_(freePort()) {
        // Run as root, the server gives up root for an unprivileged user, who must write the logs.
        QFile::setPermissions(dir_.path(), QFileDevice::Permissions(0x7777));
        const QString owner = ::getuid() == 0 ? QStringLiteral(
                                                    "<changeowner><user>nobody</user>"
                                                    "<group>nogroup</group></changeowner>")
                                              : QString();
        QFile f(dir_.filePath("icecast.xml"));
        if (!f.open(QIODevice::WriteOnly)) return;
        f.write(QStringLiteral(
                    "<icecast><limits><sources>2</sources><burst-size>0</burst-size></limits>"
                    "<authentication><source-password>%1</source-password>"
                    "<admin-password>admin-%1</admin-password></authentication>"
                    "<hostname>127.0.0.1</hostname><listen-socket><port>%2</port>"
                    "<bind-address>127.0.0.1</bind-address></listen-socket>"
                    "<paths><basedir>/usr/share/icecast2</basedir><logdir>%3</logdir>"
                    "<webroot>/usr/share/icecast2/web</webroot>"
                    "<adminroot>/usr/share/icecast2/admin</adminroot></paths>"
                    "<logging><errorlog>error.log</errorlog><accesslog>access.log</accesslog>"
                    "</logging><security><chroot>0</chroot>%4</security></icecast>")
                    .arg(kPassword)
                    .arg(port_)
                    .arg(dir_.path(), owner)
                    .toUtf8());
    }
    ~Icecast() { kill(); }

    bool start() {
        server_.start(QStringLiteral("icecast2"), {"-c", dir_.filePath("icecast.xml")});
        QElapsedTimer t;
        for (t.start(); t.elapsed() < 10000; QTest::qWait(100))
            if (status().contains(QStringLiteral("server_id"))) return true;
        return false;
    }
    void kill() {
        if (server_.state() == QProcess::NotRunning) return;
        server_.kill();
        server_.waitForFinished();
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/live").arg(port_); }
    QString streamAddress() const {
        return QStringLiteral("icecast://source@127.0.0.1:%1/live").arg(port_);
    }
    QString status() const {
        QString out;
        test::runTool("curl",
                      {"-s", "--max-time", "2",
                       QStringLiteral("http://127.0.0.1:%1/status-json.xsl").arg(port_)},
                      &out);
        return out;
    }
    // The mount's title, or null while no source is on it.
    QString title() const {
        const QJsonValue source =
            QJsonDocument::fromJson(status().toUtf8())["icestats"].toObject()["source"];
        const QJsonObject mount =
            source.isArray() ? source.toArray().first().toObject() : source.toObject();
        if (mount.isEmpty()) return {};
        return mount["title"].toString(QStringLiteral(""));
    }

private:
    QTemporaryDir dir_;
    int port_;
    QProcess server_;
};

// A server of the test's own, and a program folder whose list holds three tones: two tagged, one
// with no tags, whose playlist title stands in.
struct Stage {
    Icecast server;
    test::ProgramCopy copy;
    QTemporaryDir dir;
    bool ready() {
        if (!server.start() || !copy.ok()) return false;
        QStringList list;
        const double tones[] = {440, 660, 880};
        const QStringList tags[] = {
            {"Artist One", "First Song"}, {"Artist Two", "Second Song"}, {}};
        for (int i = 0; i < 3; ++i) {
            const QString file = dir.filePath(QStringLiteral("song%1.mp3").arg(i));
            QStringList args = QStringLiteral("-loglevel error -y -f lavfi -i").split(' ');
            args << QStringLiteral("sine=frequency=%1:duration=20").arg(tones[i])
                 << QStringLiteral("-ac 2 -ar 44100").split(' ');
            if (!tags[i].isEmpty())
                args << QStringList{"-metadata", "artist=" + tags[i][0], "-metadata",
                                    "title=" + tags[i][1]};
            if (!test::runTool("ffmpeg", args << file)) return false;
            list << QStringLiteral("Harbour Lights %1").arg(i) << file;
        }
        test::ProgramCopy::writeList(copy.defaultPlaylist(), list);
        return true;
    }
};

// The longest quiet in the middle of a recording, in ms; a failure says where it was.
int longestGapMs(const test::Audio& a, int fromFrame, int toFrame) {
    const test::Quiet q = test::longestQuiet(a, fromFrame, toFrame);
    if (q.ms > 100) qWarning("%d ms quiet from %.2f s", q.ms, double(q.atFrame) / a.rate);
    return q.ms;
}

// The songs' tones in the order heard, each once (a fade's blend is neither).
QList<int> tonesHeard(const test::Audio& a) {
    QList<int> tones;
    for (int f = 0; f + a.rate <= a.frames(); f += a.rate / 2) {
        const int hz = qRound(test::estimateFrequency(a, f, a.rate) / 10) * 10;
        if ((hz == 440 || hz == 660 || hz == 880) && (tones.isEmpty() || tones.last() != hz))
            tones << hz;
    }
    return tones;
}

bool passwordInACommandLine() {
    QDirIterator processes(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (processes.hasNext()) {
        QFile cmdline(processes.next() + QStringLiteral("/cmdline"));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(kPassword.toUtf8()))
            return true;
    }
    return false;
}

QStringList onAirArguments(const Icecast& server) {
    return {"--play", "--stream", server.streamAddress(), "--stream-name", "Test radio"};
}

}  // namespace

class OnAirTest : public QObject {
    Q_OBJECT
    QString sink_;
private slots:
    void initTestCase() {
        sink_ = qEnvironmentVariable("VANTREL_TEST_SINK");
        QVERIFY2(!sink_.isEmpty(), "needs the test sound server (scripts/with-test-audio)");
        QVERIFY(test::runTool("pactl", {"set-sink-volume", sink_, "100%"}));
    }
    void streamsTheMixWithItsTitles_data();
    void streamsTheMixWithItsTitles();
    void comesBackAfterTheServerRestarts();
    void wrongPasswordKeepsTheMusicPlaying();
};

void OnAirTest::streamsTheMixWithItsTitles_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("passwordFromFile");
    // Icecast 2.4 does not read the comments of an Opus stream; its listeners' players do.
    QTest::addColumn<bool>("serverShowsTitles");
    QTest::newRow("mp3, password from a file") << "mp3" << true << true;
    QTest::newRow("ogg, password from the environment") << "ogg" << false << true;
    QTest::newRow("opus") << "opus" << false << false;
}

void OnAirTest::streamsTheMixWithItsTitles() {
    QFETCH(QString, format);
    QFETCH(bool, passwordFromFile);
    QFETCH(bool, serverShowsTitles);
    Stage stage;
    QVERIFY(stage.ready());
    QStringList args = onAirArguments(stage.server) << "--stream-format" << format;
    QStringList env{"QT_QPA_PLATFORM=offscreen"};
    if (passwordFromFile) {
        const QString file = stage.dir.filePath("password");
        test::ProgramCopy::writeList(file, {kPassword});
        args << "--stream-password-file" << file;
    } else {
        env << "VANTREL_STREAM_PASSWORD=" + kPassword;
    }
    test::Program program(stage.copy, {}, env, QProcess::ForwardedChannels, args);
    QTRY_VERIFY_WITH_TIMEOUT(!stage.server.title().isNull(), 15000);
    QVERIFY(!passwordInACommandLine());

    // The listener keeps the stream as it came, then decodes it.
    QProcess listener;
    const QString raw = stage.dir.filePath("heard." + format);
    const QString heard = stage.dir.filePath("heard.wav");
    listener.start("curl", {"-s", "-m", "32", "-o", raw, stage.server.url()});
    const QStringList expected{"Artist One - First Song", "Artist Two - Second Song",
                               "Harbour Lights 2"};
    // Each title once its fade has completed, in the order of the list.
    QStringList titles;
    QElapsedTimer t;
    for (t.start(); serverShowsTitles && t.elapsed() < 40000 && titles.size() < 3;
         QTest::qWait(250)) {
        const QString now = stage.server.title();
        if (!now.isEmpty() && (titles.isEmpty() || titles.last() != now)) titles << now;
    }
    if (serverShowsTitles) QCOMPARE(titles, expected);
    QVERIFY(listener.waitForFinished(40000));
    if (format != "mp3") {
        // Ogg carries each title in the stream, as the comments of a new link of the chain.
        const QByteArray stream = test::readFile(raw).toLower();
        qsizetype at = 0;
        for (const QString& title : expected) {
            at = stream.indexOf("title=" + title.toLower().toUtf8(), at);
            QVERIFY2(at >= 0, qPrintable(title));
        }
    }
    QVERIFY(test::runTool(
        "ffmpeg", {"-loglevel", "error", "-y", "-i", raw, "-ac", "2", "-ar", "44100", heard}));
    const test::Audio a = test::readAudioFile(heard);
    const auto keepHeard = qScopeGuard([&] { test::keepOnFailure(QStringLiteral("heard"), a); });
    // A loaded machine may start the listener late; what it got must reach the later songs.
    QVERIFY2(a.frames() > 16 * a.rate, qPrintable(QString::number(a.frames())));
    // The songs are heard in the list's order (a late listener may come in during the first
    // fade), and the fades leave no gap.
    const QList<int> tones = tonesHeard(a), all{440, 660, 880};
    QVERIFY2(
        tones.size() >= 2 && all.mid(all.indexOf(tones.value(0)), tones.size()) == tones,
        qPrintable(QString::number(tones.value(0)) + "Hz, of " + QString::number(tones.size())));
    QVERIFY(longestGapMs(a, a.rate / 2, a.frames() - a.rate / 2) <= 100);
}

void OnAirTest::comesBackAfterTheServerRestarts() {
    Stage stage;
    QVERIFY(stage.ready());
    const QString recording = stage.dir.filePath("show.wav");
    test::Program program(
        stage.copy, {}, {"QT_QPA_PLATFORM=offscreen", "VANTREL_STREAM_PASSWORD=" + kPassword},
        QProcess::ForwardedChannels, onAirArguments(stage.server) << "--record" << recording);
    QTRY_VERIFY_WITH_TIMEOUT(!stage.server.title().isNull(), 15000);
    test::MonitorRecording local(sink_ + ".monitor");
    QTest::qWait(2000);

    stage.server.kill();
    QElapsedTimer down;
    down.start();
    QVERIFY(stage.server.start());
    QTRY_VERIFY_WITH_TIMEOUT(!stage.server.title().isNull(), 10000);
    qInfo("mount back %lld ms after the restart", down.elapsed());
    QProcess listener;
    const QString heard = stage.dir.filePath("heard.wav");
    listener.start("ffmpeg", {"-loglevel", "error", "-y", "-i", stage.server.url(), "-t", "3",
                              "-ac", "2", "-ar", "44100", heard});
    QVERIFY(listener.waitForFinished(15000));
    const test::Audio h = test::readAudioFile(heard);
    QVERIFY(h.frames() > 2 * h.rate);
    QVERIFY(test::peak(h, 0, h.frames()) > 0.05f);
    const test::Audio sink = local.stop();
    const auto keepSink = qScopeGuard([&] { test::keepOnFailure(QStringLiteral("sink"), sink); });
    QVERIFY(sink.frames() > 5 * sink.rate);
    QVERIFY(longestGapMs(sink, sink.rate / 10, sink.frames()) <= 100);

    // The recording went on through it all and is a whole file when the program ends.
    program.process.terminate();
    QVERIFY(program.process.waitForFinished(10000));
    const test::Audio recorded = test::readAudioFile(recording);
    QVERIFY(recorded.frames() > 8 * recorded.rate);
    QCOMPARE(tonesHeard(recorded).value(0), 440);
    QVERIFY(longestGapMs(recorded, recorded.rate / 2, recorded.frames() - recorded.rate / 2) <=
            100);
}

void OnAirTest::wrongPasswordKeepsTheMusicPlaying() {
    Stage stage;
    QVERIFY(stage.ready());
    test::Program program(stage.copy, {},
                          {"QT_QPA_PLATFORM=offscreen", "VANTREL_STREAM_PASSWORD=not-the-one"},
                          QProcess::MergedChannels, onAirArguments(stage.server));
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += program.process.readAll()).contains("refused the login"),
                             15000);
    QVERIFY(!said.contains("not-the-one"));
    QVERIFY(stage.server.title().isNull());
    test::MonitorRecording local(sink_ + ".monitor");
    // A loaded machine may be slow to start the recorder: two seconds of the sink, however long.
    QTRY_VERIFY_WITH_TIMEOUT(local.timeOfFrame(2 * 44100) >= 0, 30000);
    const test::Audio sink = local.stop();
    QVERIFY(test::peak(sink, sink.frames() - sink.rate, sink.rate) > 0.05f);
}

QTEST_GUILESS_MAIN(OnAirTest)
#include "tst_onair.moc"
