// Start-up and shutdown: the order of the steps, a failing step not stopping the others, and
// where the default playlist lives.
#include <signal.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

#include "app/Desk.h"
#include "app/Lifecycle.h"
#include "app/ProgramFolder.h"
#include "app/Scheduler.h"
#include "audio/Engine.h"
#include "audio/Player.h"
#include "e2e/ProgramCopy.h"
#include "support/DeskFixture.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;

namespace {

const QStringList kTwoEntries{"One (Wav file)", "/music/one.wav", "Two, live (Wav file)",
                              "/music/two.wav"};
const QByteArray kTwoEntriesSaved =
    "One (Wav file)\r\n/music/one.wav\r\nTwo, live (Wav file)\r\n/music/two.wav\r\n";

// Runs the real program (as `user` when not -1), lets it start, sends the signals and waits.
void runAndSignal(const test::ProgramCopy& program, const QString& dataHome,
                  QList<int> signalsToSend, int user = -1) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dataHome);
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome + QStringLiteral("/xdg"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (user >= 0) {
        // The other user cannot reach the test sound server's private files; without them the
        // program runs on its silent output.
        for (const QString& key : env.keys())
            if (key.startsWith(QLatin1String("PULSE_")) || key.startsWith(QLatin1String("ALSA_")))
                env.remove(key);
    }
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (user >= 0)
        p.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=%1").arg(user), QStringLiteral("--regid=%1").arg(user),
                 QStringLiteral("--clear-groups"), QStringLiteral("--"), program.executable()});
    else
        p.start(program.executable(), {});
    QVERIFY(p.waitForStarted());
    // Signals are taken from the first moments on, but not before QApplication exists.
    QTest::qWait(1500);
    // A pid of 0 would signal our own process group (ctest, the CI shell): never send that.
    const pid_t pid = pid_t(p.processId());
    QVERIFY2(pid > 0 && p.state() == QProcess::Running, "the program ended before the signal");
    for (int sig : signalsToSend) QCOMPARE(::kill(pid, sig), 0);
    QVERIFY2(p.waitForFinished(15000), "the program did not end on the signal");
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
}

int errorBoxes(const test::ScriptedDialogs& dialogs) {
    int n = 0;
    for (const auto& m : dialogs.messages)
        if (m.title == QLatin1String("Error")) ++n;
    return n;
}

struct Rig {
    explicit Rig(const QString& folder) : desk(engine, scheduler, dialogs, folder) {}
    audio::Engine engine{audio::EngineOptions{audio::OutputKind::Offline}};
    VirtualScheduler scheduler;
    test::ScriptedDialogs dialogs;
    Desk desk;
};

}  // namespace

class LifecycleTest : public QObject {
    Q_OBJECT
private slots:
    void loadRunsEveryStepInOrder();
    void aFailingStepDoesNotStopTheOthers();
    void unloadRunsOnce();
    void userDataFolder_data();
    void userDataFolder();
    void writableProgramFolderKeepsThePlaylist();
    void playlistSurvivesARestart_data();
    void playlistSurvivesARestart();
    void firstRunShowsTheBoxOnceAndStartsEmpty();
    void exitDuringAFadeSavesWhatTheMixLeft();
    void terminationSavesLikeAClose_data();
    void terminationSavesLikeAClose();
    void unwritableFolderKeepsThePlaylistInTheUserFolder_data();
    void unwritableFolderKeepsThePlaylistInTheUserFolder();
};

void LifecycleTest::loadRunsEveryStepInOrder() {
    QTemporaryDir folder;
    Rig rig(folder.path());
    QStringList log;
    ViewSteps view;
    view.BuildMenu = [&] { log << QStringLiteral("menu"); };
    view.setMeterImage = [&](const QString& meter, const QString& image) {
        log << meter;
        QCOMPARE(image, folder.path() + QStringLiteral("/util/keysec.dat"));
    };
    Form_Load(rig.desk, view);
    QCOMPARE(log, (QStringList{"menu", "VUleft", "VUleft2", "VUright", "VUright2"}));
    // Nothing plays and no deck is loaded until the user asks.
    QVERIFY(!rig.desk.state.Deck1Playing && !rig.desk.state.Deck2Playing);
    QVERIFY(!rig.desk.state.Deck2InFront);
    QVERIFY(rig.desk.state.AudioPath1.isEmpty() && rig.desk.state.AudioPath2.isEmpty());
    QCOMPARE(rig.desk.state.AudioLength1, 0);
    const qint64 before = rig.scheduler.nowMs();
    QList<qint64> stops;  // the clock stops at every timer firing
    rig.scheduler.onAdvance = [&](qint64, qint64 to) { stops << to; };
    rig.scheduler.advance(1000);
    QCOMPARE(stops, QList<qint64>{before + 1000});  // no timer is armed
}

void LifecycleTest::aFailingStepDoesNotStopTheOthers() {
    QTemporaryDir folder;
    Rig rig(folder.path());
    QStringList log;
    ViewSteps view;
    view.BuildMenu = [&] { throw std::runtime_error("no menu"); };
    view.setMeterImage = [&](const QString& meter, const QString&) {
        log << meter;
        if (meter == QLatin1String("VUleft2")) throw std::runtime_error("bad image");
    };
    Form_Load(rig.desk, view);
    QCOMPARE(log, (QStringList{"VUleft", "VUleft2", "VUright", "VUright2"}));
}

void LifecycleTest::unloadRunsOnce() {
    QTemporaryDir folder;
    Rig rig(folder.path());
    int closed = 0;
    ViewSteps view;
    view.unloadOtherWindows = [&] { ++closed; };
    Form_Load(rig.desk, view);
    Form_Unload(rig.desk, view);
    Form_Unload(rig.desk, view);  // a signal arriving during a close
    QCOMPARE(closed, 1);
}

void LifecycleTest::userDataFolder_data() {
    QTest::addColumn<QByteArray>("xdg");
    QTest::addColumn<QString>("expected");
    QTest::newRow("set") << QByteArray("/data/me") << "/data/me/vantrel";
    QTest::newRow("unset") << QByteArray() << "/home/me/.local/share/vantrel";
    QTest::newRow("relative is ignored") << QByteArray("data") << "/home/me/.local/share/vantrel";
    QTest::newRow("trailing slash") << QByteArray("/data/me/") << "/data/me/vantrel";
}

void LifecycleTest::userDataFolder() {
    QFETCH(QByteArray, xdg);
    QFETCH(QString, expected);
    const QByteArray oldHome = qgetenv("HOME"), oldXdg = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", "/home/me");
    if (xdg.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", xdg);
    const QString actual = UserDataFolder();
    qputenv("HOME", oldHome);
    if (oldXdg.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldXdg);
    QCOMPARE(actual, expected);
}

void LifecycleTest::writableProgramFolderKeepsThePlaylist() {
    QTemporaryDir folder;
    QCOMPARE(DefaultPlaylistPath(folder.path()), folder.path() + QStringLiteral("/default.kvl"));
    Rig rig(folder.path());
    QCOMPARE(rig.desk.defaultPlaylist, folder.path() + QStringLiteral("/default.kvl"));
}

void LifecycleTest::playlistSurvivesARestart_data() {
    QTest::addColumn<QStringList>("titles");  // each entry's path is "/music/<title>.mp3"
    QTest::newRow("three") << QStringList{"One (MP3 file)", "Two, live (MP3 file)", " spaced "};
    QTest::newRow("one") << QStringList{"Solo (Wav file)"};
    QTest::newRow("unicode") << QStringList{"Sigur Rós – Hoppípolla (MP3 file)"};
    QTest::newRow("empty") << QStringList{};
}

void LifecycleTest::playlistSurvivesARestart() {
    QFETCH(QStringList, titles);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("default.kvl"));
    {
        // A previous run's playlist, then the user's changes during this run.
        Rig run(folder.path());
        run.desk.playlist.append(QStringLiteral("Old"), QStringLiteral("/old.mp3"));
        Form_Unload(run.desk, {});
    }
    {
        Rig run(folder.path());
        Form_Load(run.desk, {});
        QCOMPARE(run.desk.playlist.count(), 1);
        run.desk.runMenuItem(QStringLiteral("mnuNewPlaylist"));
        for (const QString& t : titles)
            run.desk.playlist.append(t, QStringLiteral("/music/%1.mp3").arg(t));
        Form_Unload(run.desk, {});
        QCOMPARE(errorBoxes(run.dialogs), 0);
    }
    if (titles.isEmpty()) QCOMPARE(QFileInfo(file).size(), 0);
    Rig next(folder.path());
    Form_Load(next.desk, {});
    QCOMPARE(errorBoxes(next.dialogs), 0);
    QCOMPARE(next.desk.playlist.count(), titles.size());
    for (int i = 0; i < titles.size(); ++i) {
        QCOMPARE(next.desk.playlist.title(i), titles[i]);
        QCOMPARE(next.desk.playlist.path(i), QStringLiteral("/music/%1.mp3").arg(titles[i]));
    }
}

void LifecycleTest::firstRunShowsTheBoxOnceAndStartsEmpty() {
    QTemporaryDir folder;
    Rig run(folder.path());
    Form_Load(run.desk, {});
    // The mixer may add its own message where there is no mixer; the list's box comes once.
    int errors = 0;
    for (const auto& m : run.dialogs.messages)
        if (m.title == QLatin1String("Error")) {
            ++errors;
            QCOMPARE(m.icon, Dialogs::Icon::Warning);
        }
    QCOMPARE(errors, 1);
    QCOMPARE(run.desk.playlist.count(), 0);
    Form_Unload(run.desk, {});
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("default.kvl"))));
}

void LifecycleTest::exitDuringAFadeSavesWhatTheMixLeft() {
    test::DeskFixture f;
    Desk& desk = *f.desk;
    for (const char* name : {"a.wav", "b.wav", "c.wav", "d.wav"}) f.add(f.tone(name, 20.0));
    Form_Load(desk, {});
    // Play starts deck 1 and cues entry 0 into deck 2; mixing now takes "a" off the list.
    desk.runMenuItem(QStringLiteral("mnuPlay"));
    desk.runMenuItem(QStringLiteral("mnuMix"));
    QVERIFY(f.runUntil([&] { return !desk.state.Deck1Playing && desk.state.Deck2Playing; }, 10000));
    // Near the end of "a" the mix into deck 1 takes "b"; leave while both decks sound.
    auto sounding = [&](int i) {
        return desk.deck(i).player().Status() == audio::Player::kPlaying;
    };
    QVERIFY(f.runUntil([&] { return sounding(0) && sounding(1); }, 30000));
    QCOMPARE(desk.playlist.count(), 2);
    Form_Unload(desk, {});

    Rig next(f.folder.path());
    Form_Load(next.desk, {});
    QCOMPARE(next.desk.playlist.count(), 2);
    QCOMPARE(next.desk.playlist.title(0), QStringLiteral("c"));
    QCOMPARE(next.desk.playlist.title(1), QStringLiteral("d"));
}

void LifecycleTest::terminationSavesLikeAClose_data() {
    QTest::addColumn<QList<int>>("signalsToSend");
    QTest::newRow("SIGTERM") << QList<int>{SIGTERM};
    QTest::newRow("SIGINT") << QList<int>{SIGINT};
    QTest::newRow("SIGHUP") << QList<int>{SIGHUP};
    QTest::newRow("a second signal is ignored") << QList<int>{SIGTERM, SIGTERM, SIGHUP};
}

void LifecycleTest::terminationSavesLikeAClose() {
    QFETCH(QList<int>, signalsToSend);
    test::ProgramCopy program;
    QVERIFY(program.ok());
    QTemporaryDir home;
    test::ProgramCopy::writeList(program.defaultPlaylist(), kTwoEntries);
    runAndSignal(program, home.path(), signalsToSend);
    // Rewritten by the shutdown: the writer's own line ends.
    QCOMPARE(test::ProgramCopy::read(program.defaultPlaylist()), kTwoEntriesSaved);
}

void LifecycleTest::unwritableFolderKeepsThePlaylistInTheUserFolder_data() {
    QTest::addColumn<bool>("firstRun");
    QTest::newRow("first run") << true;
    QTest::newRow("later run") << false;
}

void LifecycleTest::unwritableFolderKeepsThePlaylistInTheUserFolder() {
    QFETCH(bool, firstRun);
    test::ProgramCopy program;
    QVERIFY(program.ok());
    QTemporaryDir home;
    const QString userList = home.filePath(QStringLiteral("xdg/vantrel/default.kvl"));
    if (!firstRun) {
        QVERIFY(QDir().mkpath(QFileInfo(userList).path()));
        test::ProgramCopy::writeList(userList, kTwoEntries);
    }
    // As an installed program: the folder belongs to someone else. Root writes anywhere, so
    // the program then runs as "nobody" with a home of its own.
    int user = -1;
    if (::geteuid() == 0) {
        user = 65534;
        for (const QString& path : {home.path(), home.filePath(QStringLiteral("xdg")),
                                    home.filePath(QStringLiteral("xdg/vantrel")), userList})
            if (QFileInfo::exists(path))
                QCOMPARE(::chown(QFile::encodeName(path), 65534, 65534), 0);
    } else {
        QFile::setPermissions(program.folder(), QFile::ReadOwner | QFile::ExeOwner);
    }
    runAndSignal(program, home.path(), {SIGTERM}, user);
    QFile::setPermissions(program.folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QVERIFY(!QFileInfo::exists(program.defaultPlaylist()));
    QVERIFY(QFileInfo::exists(userList));
    QCOMPARE(test::ProgramCopy::read(userList), firstRun ? QByteArray() : kTwoEntriesSaved);
}

QTEST_MAIN(LifecycleTest)
#include "tst_lifecycle.moc"
