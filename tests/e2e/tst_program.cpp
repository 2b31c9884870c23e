// The whole program on a virtual X display and the test sound server, driven with xdotool as a
// user would: keys into the real window, sound recorded from the sink, files read afterwards.
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include "e2e/ProgramCopy.h"
#include "support/AudioFiles.h"

using namespace vantrel;

namespace {

bool xdotool(const QStringList& args, QString* out = nullptr) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForFinished(10000)) return false;  // QProcess ends it on the way out
    if (out) *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The ids of the visible windows with exactly this title.
QStringList windowsNamed(const QString& title) {
    QString out;
    xdotool({"search", "--onlyvisible", "--name", '^' + QRegularExpression::escape(title) + '$'},
            &out);
    return out.isEmpty() ? QStringList{} : out.split(QLatin1Char('\n'));
}

// Waits for a window with this title and gives it the keyboard (there is no window manager).
QString focusWindow(const QString& title, const QStringList& except = {}) {
    QElapsedTimer t;
    for (t.start(); t.elapsed() < 15000; QTest::qWait(50))
        for (const QString& id : windowsNamed(title))
            if (!except.contains(id) && xdotool({"windowfocus", "--sync", id})) return id;
    return {};
}

bool keys(const QStringList& names) {
    return xdotool(QStringList{"key", "--delay", "0"} + names);
}

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    void playsMixesHelpsAndKeepsThePlaylist();
};

void ProgramTest::playsMixesHelpsAndKeepsThePlaylist() {
    QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "needs an X display (scripts/run-tests)");
    const QString sink = qEnvironmentVariable("VANTREL_TEST_SINK");
    QVERIFY2(!sink.isEmpty(), "needs the test sound server (scripts/with-test-audio)");
    // Whatever an earlier test left the shared sink at, measure at full volume.
    QVERIFY(test::runTool(QStringLiteral("pactl"), {"set-sink-volume", sink, "100%"}));
    test::ProgramCopy copy;
    QVERIFY(copy.ok());
    QTemporaryDir music, emptyBin;
    QStringList list;
    for (const QString song : {"Morning Light", "Night Drive", "Harbour Lights"}) {
        list << song + " (Wav file)" << music.filePath(song + ".wav");
        QVERIFY(test::makeTone(list.last(), {30.0, 440.0, 44100, 2, -6.0}));
    }
    test::ProgramCopy::writeList(copy.defaultPlaylist(), list);
    // No browser, no system-information tool: the program must shrug them off.
    QTemporaryDir home;
    QProcess program;  // a failed check leaves it to be killed on the way out
    copy.start(program, home.path(), home.filePath(QStringLiteral("xdg")), false, emptyBin.path());
    QVERIFY(program.waitForStarted());
    const QString main = focusWindow(QStringLiteral("Vantrel"));
    QVERIFY2(!main.isEmpty(), "no main window");

    const QString raw = music.filePath(QStringLiteral("sink.raw"));
    QProcess parec;
    parec.setStandardOutputFile(raw);
    parec.start(QStringLiteral("parec"), {"-d", sink + ".monitor", "--format=s16le", "--rate=44100",
                                          "--channels=2", "--latency-msec=20"});
    QVERIFY(parec.waitForStarted());
    QTest::qWait(300);
    // Play on deck 1 cues "Morning Light" on deck 2; mixing now fades it in.
    QVERIFY(keys({"Return", "alt+Return"}));
    QTest::qWait(3000);
    parec.terminate();
    QVERIFY(parec.waitForFinished(5000));
    const QByteArray pcm = test::ProgramCopy::read(raw);
    QVERIFY2(pcm.size() > 44100 * 4, "the recording is shorter than a second");
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    int loud = 0;
    for (qsizetype i = 0; i < pcm.size() / 2; ++i) loud += std::abs(int(s[i])) > 300;
    QVERIFY2(loud > 44100 / 2, qPrintable(QStringLiteral("nothing audible: %1 loud").arg(loud)));

    QVERIFY(keys({"F1"}));  // no browser to open the manual with
    QTest::qWait(500);
    QCOMPARE(program.state(), QProcess::Running);
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
    QVERIFY2(program.waitForFinished(2000), "Alt+F4 did not end the program in 2 s");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    const QList<QByteArray> saved = test::ProgramCopy::read(copy.defaultPlaylist()).split('\n');
    // Two entries of two CR LF lines each, then nothing after the last line end.
    QCOMPARE(saved.size(), 5);
    QCOMPARE(saved[0], QByteArray("Night Drive (Wav file)\r"));
    QCOMPARE(saved[2], QByteArray("Harbour Lights (Wav file)\r"));
}

QTEST_MAIN(ProgramTest)
#include "tst_program.moc"
