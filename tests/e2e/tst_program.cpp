// The whole program on a virtual X display and the test sound server, driven with xdotool as a
// user would: keys into the real window, sound recorded from the sink, files read afterwards.
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include "e2e/ProgramCopy.h"
#include "support/AudioFiles.h"

using namespace vantrel;

namespace {

bool xdotool(const QStringList& args, QString* out = nullptr) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    if (out) *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The ids of the visible windows with exactly this title.
QStringList windowsNamed(const QString& title) {
    QString out;
    xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
             QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$')},
            &out);
    return out.isEmpty() ? QStringList{} : out.split(QLatin1Char('\n'));
}

// Waits for a window with this title and gives it the keyboard (there is no window manager).
QString focusWindow(const QString& title, const QStringList& except = {}) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 15000) {
        for (const QString& id : windowsNamed(title)) {
            if (except.contains(id)) continue;
            xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), id});
            return id;
        }
        QTest::qWait(50);
    }
    return {};
}

bool keys(const QStringList& names) {
    return xdotool(
        QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("0")} + names);
}

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void playsMixesAndKeepsThePlaylist();
    void helpAndAboutWithoutTools();
};

void ProgramTest::initTestCase() {
    QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "needs an X display (scripts/run-tests)");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(), "needs xdotool");
}

void ProgramTest::playsMixesAndKeepsThePlaylist() {
    const QString sink = qEnvironmentVariable("VANTREL_TEST_SINK");
    QVERIFY2(!sink.isEmpty(), "needs the test sound server (scripts/with-test-audio)");
    // Whatever an earlier test left the shared sink at, measure at full volume.
    QVERIFY(test::runTool(QStringLiteral("pactl"),
                          {QStringLiteral("set-sink-volume"), sink, QStringLiteral("100%")}));
    test::ProgramCopy copy;
    QVERIFY(copy.ok());
    QTemporaryDir music;
    QStringList list;
    const char* songs[] = {"Morning Light", "Night Drive", "Harbour Lights"};
    for (const char* song : songs) {
        const QString path = music.filePath(QLatin1String(song) + QStringLiteral(".wav"));
        QVERIFY(test::makeTone(path, {30.0, 440.0, 44100, 2, -6.0}));
        list << QLatin1String(song) + QStringLiteral(" (Wav file)") << path;
    }
    test::ProgramCopy::writeList(copy.defaultPlaylist(), list);

    test::Program program(copy);
    QVERIFY(program.process.waitForStarted());
    QVERIFY2(!focusWindow(QStringLiteral("Vantrel")).isEmpty(), "no main window");

    QTemporaryDir rec;
    const QString raw = rec.filePath(QStringLiteral("sink.raw"));
    QProcess parec;
    parec.setStandardOutputFile(raw);
    parec.start(QStringLiteral("parec"),
                {QStringLiteral("-d"), sink + QStringLiteral(".monitor"),
                 QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                 QStringLiteral("--channels=2"), QStringLiteral("--latency-msec=20")});
    QVERIFY(parec.waitForStarted());
    QTest::qWait(300);
    // Play on deck 1 cues "Morning Light" on deck 2; mixing now fades it in.
    QVERIFY(keys({QStringLiteral("Return"), QStringLiteral("alt+Return")}));
    QTest::qWait(3000);
    parec.terminate();
    QVERIFY(parec.waitForFinished(5000));

    const QByteArray pcm = test::ProgramCopy::read(raw);
    QVERIFY2(pcm.size() > 44100 * 4, "the recording is shorter than a second");
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    int loud = 0;
    for (qsizetype i = 0; i < pcm.size() / 2; ++i)
        if (std::abs(int(s[i])) > 300) ++loud;
    QVERIFY2(loud > 44100 / 2,
             qPrintable(QStringLiteral("nothing audible: %1 loud samples").arg(loud)));

    QElapsedTimer exit;
    exit.start();
    QVERIFY(keys({QStringLiteral("alt+F4")}));
    QVERIFY2(program.process.waitForFinished(2000), "Alt+F4 did not end the program in 2 s");
    qInfo("exited %lld ms after Alt+F4", qint64(exit.elapsed()));
    QCOMPARE(program.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.process.exitCode(), 0);

    const QList<QByteArray> saved = test::ProgramCopy::read(copy.defaultPlaylist()).split('\n');
    // Two entries of two CR LF lines each, then nothing after the last line end.
    QCOMPARE(saved.size(), 5);
    QCOMPARE(saved[0], QByteArray("Night Drive (Wav file)\r"));
    QCOMPARE(saved[2], QByteArray("Harbour Lights (Wav file)\r"));
}

void ProgramTest::helpAndAboutWithoutTools() {
    test::ProgramCopy copy;
    QVERIFY(copy.ok());
    test::ProgramCopy::writeList(copy.defaultPlaylist(), {});
    QTemporaryDir emptyBin;
    test::Program program(copy, emptyBin.path());
    QVERIFY(program.process.waitForStarted());
    const QString main = focusWindow(QStringLiteral("Vantrel"));
    QVERIFY2(!main.isEmpty(), "no main window");

    QVERIFY(keys({QStringLiteral("F1")}));  // no browser to open the manual with
    QTest::qWait(500);
    QCOMPARE(program.process.state(), QProcess::Running);

    QVERIFY(keys({QStringLiteral("alt+h"), QStringLiteral("a")}));
    QVERIFY2(!focusWindow(QStringLiteral("About Vantrel")).isEmpty(), "no about box");
    QVERIFY(keys({QStringLiteral("alt+s")}));  // System Info..., with no tool on PATH
    // The message box carries the program's title, like the main window.
    const QString box = focusWindow(QStringLiteral("Vantrel"), {main});
    QVERIFY2(!box.isEmpty(), "no message about the missing tool");
    QVERIFY(keys({QStringLiteral("Return")}));
    QTRY_COMPARE(windowsNamed(QStringLiteral("Vantrel")).size(), 1);
    QVERIFY(!focusWindow(QStringLiteral("About Vantrel")).isEmpty());
    QVERIFY(keys({QStringLiteral("Return")}));  // OK
    QTRY_VERIFY(windowsNamed(QStringLiteral("About Vantrel")).isEmpty());

    QVERIFY(!focusWindow(QStringLiteral("Vantrel")).isEmpty());
    QVERIFY(keys({QStringLiteral("alt+F4")}));
    QVERIFY(program.process.waitForFinished(5000));
    QCOMPARE(program.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.process.exitCode(), 0);
}

QTEST_MAIN(ProgramTest)
#include "tst_program.moc"
