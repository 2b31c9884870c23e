// The main window as designed: caption, place and size, the two deck panels at one place with
// only the front one shown, the three tabs, the no-sound notice, and what its unload closes.
#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/Desk.h"
#include "app/Scheduler.h"
#include "app/ui/MainWindow.h"
#include "audio/Engine.h"
#include "deck/ui/DeckPanel.h"
#include "playlist/ui/PlaylistPanel.h"
#include "playlist/ui/SearchDialog.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;

namespace {

struct Rig {
    explicit Rig(audio::OutputKind output = audio::OutputKind::Offline)
        : engine(audio::EngineOptions{output}), desk(engine, scheduler, dialogs, folder.path()) {}
    QTemporaryDir folder;
    audio::Engine engine;
    VirtualScheduler scheduler;
    test::ScriptedDialogs dialogs;
    Desk desk;
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void designedPlaceAndSize();
    void frontDeckShows();
    void noSoundNotice_data();
    void noSoundNotice();
    void unloadClosesTheSearchDialogAndSavesOnce();
};

void MainWindowTest::designedPlaceAndSize() {
    Rig rig;
    MainWindow window(rig.desk);
    QCOMPARE(window.windowTitle(), QStringLiteral("Vantrel"));
    QCOMPARE(window.pos(), QPoint(264, 40));
    QCOMPARE(window.centralWidget()->size(), QSize(501, 618));
    for (int i = 0; i < 2; ++i) QCOMPARE(window.fraPlayer(i)->geometry(), QRect(5, 0, 493, 194));
    QTabWidget* tabs = window.XTab();
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Playlist"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Sample list"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("Cue list"));
    QVERIFY(QRect(0, 0, 501, 618).contains(tabs->geometry()));
    QVERIFY(tabs->geometry().top() >= 194);
    // Nothing is loaded or running after start-up.
    QVERIFY(!rig.desk.state.Deck1Playing && !rig.desk.state.Deck2Playing);
    QCOMPARE(window.fraPlayer(0)->title(), QStringLiteral("Vantrel"));
    QCOMPARE(window.fraPlayer(1)->title(), QStringLiteral("Vantrel"));

    // Resizing moves no control.
    window.show();
    const QRect tabsBefore = tabs->geometry();
    window.resize(900, 900);
    QCOMPARE(tabs->geometry(), tabsBefore);
    QCOMPARE(window.fraPlayer(0)->geometry(), QRect(5, 0, 493, 194));
}

void MainWindowTest::frontDeckShows() {
    Rig rig;
    MainWindow window(rig.desk);
    window.show();
    QVERIFY(window.fraPlayer(0)->isVisible() && !window.fraPlayer(1)->isVisible());
    for (bool deck2 : {true, true, false, true}) {
        rig.desk.setDeck2InFront(deck2);
        QCOMPARE(window.fraPlayer(1)->isVisible(), deck2);
        QCOMPARE(window.fraPlayer(0)->isVisible(), !deck2);
    }
}

void MainWindowTest::noSoundNotice_data() {
    QTest::addColumn<int>("output");
    QTest::addColumn<bool>("shown");
    QTest::newRow("no device") << int(audio::OutputKind::Null) << true;
    QTest::newRow("rendering") << int(audio::OutputKind::Offline) << false;
}

void MainWindowTest::noSoundNotice() {
    QFETCH(int, output);
    QFETCH(bool, shown);
    Rig rig{static_cast<audio::OutputKind>(output)};
    MainWindow window(rig.desk);
    window.show();
    auto* notice = window.findChild<QLabel*>(QStringLiteral("lblNoSound"));
    QVERIFY(notice);
    QCOMPARE(notice->isVisible(), shown);
}

void MainWindowTest::unloadClosesTheSearchDialogAndSavesOnce() {
    Rig rig;
    rig.desk.playlist.append(QStringLiteral("Song (MP3 file)"), QStringLiteral("/m/Song.mp3"));
    MainWindow window(rig.desk);
    window.show();
    auto* panel = window.findChild<PlaylistPanel*>();
    QVERIFY(panel);
    panel->cmdScan_Click();
    QTRY_VERIFY(panel->searchDialog() && panel->searchDialog()->isVisible());

    window.close();
    QVERIFY(!panel->searchDialog() || !panel->searchDialog()->isVisible());
    QVERIFY(rig.desk.unloading);
    QFile saved(rig.folder.filePath(QStringLiteral("default.kvl")));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("Song (MP3 file)\r\n/m/Song.mp3\r\n"));
    saved.close();
    // A termination signal after the close changes nothing.
    QVERIFY(QFile::remove(saved.fileName()));
    window.unload();
    QVERIFY(!QFile::exists(saved.fileName()));
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
