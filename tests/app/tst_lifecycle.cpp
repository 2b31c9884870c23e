// Start-up and shutdown: the order of the steps, a failing step not stopping the others, and
// where the default playlist lives.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <stdexcept>

#include "app/Desk.h"
#include "app/Lifecycle.h"
#include "app/ProgramFolder.h"
#include "app/Scheduler.h"
#include "audio/Engine.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;

namespace {

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

QTEST_MAIN(LifecycleTest)
#include "tst_lifecycle.moc"
