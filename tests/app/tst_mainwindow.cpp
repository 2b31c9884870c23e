// The main window as designed: caption, place and size, the two deck panels at one place with
// only the front one shown, the three tabs, the no-sound notice, and every way out of it.
#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include "app/ui/MainWindow.h"
#include "deck/ui/DeckPanel.h"
#include "playlist/ui/PlaylistPanel.h"
#include "playlist/ui/SearchDialog.h"
#include "support/DeskFixture.h"

using namespace vantrel;

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void asDesigned_data();
    void asDesigned();
    void everyWayOutSavesOnceAndClosesTheSearch_data();
    void everyWayOutSavesOnceAndClosesTheSearch();
    void supportOpensTheManualsSupportSection();
    void deckOpenButtonsAddFilesToThePlaylist();
};

void MainWindowTest::asDesigned_data() {
    QTest::addColumn<int>("output");
    QTest::addColumn<bool>("noSoundNotice");
    QTest::newRow("no device") << int(audio::OutputKind::Null) << true;
    QTest::newRow("rendering") << int(audio::OutputKind::Offline) << false;
}

void MainWindowTest::asDesigned() {
    QFETCH(int, output);
    QFETCH(bool, noSoundNotice);
    test::DeskFixture f;
    // The fixture renders offline; a desk on the wanted output replaces its own.
    f.desk.reset();
    f.engine = std::make_unique<audio::Engine>(
        audio::EngineOptions{static_cast<audio::OutputKind>(output)});
    f.desk = std::make_unique<Desk>(*f.engine, f.scheduler, f.dialogs, f.folder.path());
    MainWindow window(*f.desk);
    QCOMPARE(window.windowTitle(), QStringLiteral("Vantrel"));
    QCOMPARE(window.pos(), QPoint(264, 40));
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(window.deckPanel(i)->geometry(), QRect(5, 0, 493, 194));
        QCOMPARE(window.deckPanel(i)->title(), QStringLiteral("Vantrel"));
    }
    QTabWidget* tabs = window.tabs();
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Playlist"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Sample list"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("Cue list"));
    QVERIFY(QRect(0, 0, 501, 618).contains(tabs->geometry()));
    QVERIFY(tabs->geometry().top() >= 194);
    window.show();
    QCOMPARE(window.centralWidget()->size(), QSize(501, 618));
    auto* notice = window.findChild<QLabel*>(QStringLiteral("lblNoSound"));
    QVERIFY(notice);
    QCOMPARE(notice->isVisible(), noSoundNotice);

    // Only the front deck shows.
    QVERIFY(window.deckPanel(0)->isVisible() && !window.deckPanel(1)->isVisible());
    for (int front : {1, 1, 0, 1}) {
        f.desk->decks().setFrontDeck(front);
        QCOMPARE(window.deckPanel(1)->isVisible(), front == 1);
        QCOMPARE(window.deckPanel(0)->isVisible(), front == 0);
    }
    // Resizing, larger or smaller than the design, moves no control; a small frame clips them.
    const QRect tabsBefore = tabs->geometry();
    for (QSize size : {QSize(900, 900), QSize(240, 160)}) {
        window.resize(size);
        QCOMPARE(window.size(), size);
        QCOMPARE(tabs->geometry(), tabsBefore);
        QCOMPARE(window.deckPanel(1)->geometry(), QRect(5, 0, 493, 194));
    }
}

void MainWindowTest::deckOpenButtonsAddFilesToThePlaylist() {
    test::DeskFixture f;
    MainWindow window(*f.desk);
    window.show();
    const QString song = f.tone("song.wav", 2.0);
    for (const QString name : {"cmdOpen", "cmdOpen2"}) {
        f.desk->decks().setFrontDeck(name.endsWith('2') ? 1 : 0);
        auto* open = window.findChild<QToolButton*>(name);
        QVERIFY(open && open->isVisible() && !open->icon().isNull());
        QCOMPARE(open->toolTip(), QStringLiteral("Add file to playlist"));
        f.dialogs.openAnswers.enqueue({song});
        QTest::mouseClick(open, Qt::LeftButton);
    }
    QCOMPARE(f.playlist().count(), 2);
    QCOMPARE(f.playlist().title(1), QStringLiteral("song (Wav file)"));
    QCOMPARE(f.dialogs.requests.size(), 2);  // the add-files chooser each time
    QCOMPARE(f.dialogs.requests[1].title, QStringLiteral("Open audio"));
    for (int i = 0; i < 2; ++i) QVERIFY(f.deck(i).song().path.isEmpty());  // no deck loaded
}

// Opens no browser: records the address the desktop would be asked to show.
class UrlRecorder : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url) { opened << url; }

public:
    QList<QUrl> opened;
};

void MainWindowTest::supportOpensTheManualsSupportSection() {
    test::DeskFixture f;
    QDir(f.folder.path()).mkpath(QStringLiteral("help"));
    QVERIFY(QFile::copy(qEnvironmentVariable("VANTREL_SOURCE_DIR") + "/assets/help/index.html",
                        f.folder.filePath("help/index.html")));
    MainWindow window(*f.desk);
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    f.desk->runMenuItem(QStringLiteral("mnuOnlineSupport"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(recorder.opened.size(), 1);
    const QUrl page = recorder.opened.first();
    QCOMPARE(page.fragment(), QStringLiteral("support"));
    QFile manual(page.toLocalFile());
    QVERIFY(manual.open(QIODevice::ReadOnly));
    QVERIFY(manual.readAll().contains("id=\"support\""));
}

void MainWindowTest::everyWayOutSavesOnceAndClosesTheSearch_data() {
    QTest::addColumn<QString>("way");
    for (const char* way : {"close box", "Exit item", "Alt+F4", "termination signal"})
        QTest::newRow(way) << way;
}

void MainWindowTest::everyWayOutSavesOnceAndClosesTheSearch() {
    QFETCH(QString, way);
    test::DeskFixture f;
    MainWindow window(*f.desk);
    f.add(QStringLiteral("/m/Song.mp3"), QStringLiteral("Song (MP3 file)"));
    window.show();
    auto* panel = window.findChild<PlaylistPanel*>();
    QVERIFY(panel);
    panel->openSearch();
    QTRY_VERIFY(panel->searchDialog() && panel->searchDialog()->isVisible());

    if (way == QLatin1String("close box")) window.close();
    if (way == QLatin1String("Exit item")) window.menuAction(QStringLiteral("mnuExit"))->trigger();
    if (way == QLatin1String("Alt+F4")) {
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F4, Qt::AltModifier);
    }
    if (way == QLatin1String("termination signal")) window.unload();
    QVERIFY(f.desk->unloading());
    QVERIFY(!panel->searchDialog() || !panel->searchDialog()->isVisible());
    QFile saved(f.folder.filePath(QStringLiteral("default.kvl")));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("Song (MP3 file)\r\n/m/Song.mp3\r\n"));
    saved.close();
    // A termination signal or a close arriving during the shutdown changes nothing.
    QVERIFY(QFile::remove(saved.fileName()));
    window.unload();
    window.close();
    f.desk->onUnload({});
    QVERIFY(!QFile::exists(saved.fileName()));
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
