// The main window as designed: caption, place and size, the two deck panels at one place with
// only the front one shown, the three tabs, the no-sound notice, its dialogs, and every way out.
#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include "app/ui/AboutBox.h"
#include "app/ui/MainWindow.h"
#include "deck/ui/DeckPanel.h"
#include "playlist/ui/PlaylistPanel.h"
#include "playlist/ui/SearchDialog.h"
#include "support/AudioFiles.h"
#include "support/DeskFixture.h"

using namespace vantrel;

// Opens no browser: records the address the desktop would be asked to show.
class UrlRecorder : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url) { opened << url; }

public:
    QList<QUrl> opened;
};

class MainWindowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::DeskFixture> f;
    std::unique_ptr<MainWindow> window;

private slots:
    void init() {
        f = std::make_unique<test::DeskFixture>();
        window = std::make_unique<MainWindow>(*f->desk);
    }
    void cleanup() {
        window.reset();
        f.reset();
    }

    void asDesigned_data() {
        QTest::addColumn<int>("output");
        QTest::addColumn<bool>("noSoundNotice");
        QTest::newRow("no device") << int(audio::OutputKind::Null) << true;
        QTest::newRow("rendering") << int(audio::OutputKind::Offline) << false;
    }
    void asDesigned() {
        QFETCH(int, output);
        QFETCH(bool, noSoundNotice);
        // The fixture renders offline; a desk on the wanted output replaces its own.
        window.reset();
        f->desk.reset();
        f->engine = std::make_unique<audio::Engine>(
            audio::EngineOptions{static_cast<audio::OutputKind>(output)});
        f->desk = std::make_unique<Desk>(*f->engine, f->scheduler, f->dialogs, f->folder.path());
        window = std::make_unique<MainWindow>(*f->desk);
        QCOMPARE(window->windowTitle(), QStringLiteral("Vantrel"));
        QCOMPARE(window->pos(), QPoint(264, 40));
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(window->deckPanel(i)->geometry(), QRect(5, 0, 493, 194));
            QCOMPARE(window->deckPanel(i)->title(), QStringLiteral("Vantrel"));
        }
        QTabWidget* tabs = window->tabs();
        QStringList tabTexts;
        for (int i = 0; i < tabs->count(); ++i) tabTexts << tabs->tabText(i);
        QCOMPARE(tabTexts, (QStringList{"Playlist", "Sample list", "Cue list"}));
        QVERIFY(QRect(0, 0, 501, 618).contains(tabs->geometry()));
        QVERIFY(tabs->geometry().top() >= 194);
        window->show();
        QCOMPARE(window->centralWidget()->size(), QSize(501, 618));
        auto* notice = window->findChild<QLabel*>(QStringLiteral("lblNoSound"));
        QVERIFY(notice && notice->isVisible() == noSoundNotice);
        // Only the front deck shows.
        for (int front : {-1, 1, 1, 0, 1}) {
            if (front >= 0) f->desk->decks().setFrontDeck(front);
            QCOMPARE(window->deckPanel(1)->isVisible(), front == 1);
            QCOMPARE(window->deckPanel(0)->isVisible(), front != 1);
        }
        // Resizing, larger or smaller than the design, moves no control; a small frame clips them.
        const QRect tabsBefore = tabs->geometry();
        for (QSize size : {QSize(900, 900), QSize(240, 160)}) {
            window->resize(size);
            QCOMPARE(window->size(), size);
            QCOMPARE(tabs->geometry(), tabsBefore);
            QCOMPARE(window->deckPanel(1)->geometry(), QRect(5, 0, 493, 194));
        }
    }

    void deckOpenButtonsAddFilesToThePlaylist() {
        window->show();
        const QString song = f->tone("song.wav", 2.0);
        for (const QString name : {"cmdOpen", "cmdOpen2"}) {
            f->desk->decks().setFrontDeck(name.endsWith('2') ? 1 : 0);
            auto* open = window->findChild<QToolButton*>(name);
            QVERIFY(open && open->isVisible() && !open->icon().isNull());
            QCOMPARE(open->toolTip(), QStringLiteral("Add file to playlist"));
            f->dialogs.openAnswers.enqueue({song});
            QTest::mouseClick(open, Qt::LeftButton);
        }
        QCOMPARE(f->playlist().count(), 2);
        QCOMPARE(f->playlist().title(1), QStringLiteral("song (Wav file)"));
        QCOMPARE(f->dialogs.requests.size(), 2);  // the add-files chooser each time
        QCOMPARE(f->dialogs.requests[1].title, QStringLiteral("Open audio"));
        for (int i = 0; i < 2; ++i) QVERIFY(f->deck(i).song().path.isEmpty());  // no deck loaded
    }

    void broadcastMenuShowsTheFlagsAndRecordsTheMix() {
        window->show();
        broadcast::StreamSettings flags;
        flags.address = {"dj", "radio.test", 8123, "/night"};
        flags.format = broadcast::MixFormat::Ogg;
        flags.password = "pw";
        f->desk->onAir().setSettings(flags);
        window->menuAction(QStringLiteral("mnuStream"))->trigger();
        auto* dialog = window->findChild<QDialog*>(QStringLiteral("frmBroadcast"));
        QVERIFY(dialog && dialog->isVisible());
        const auto text = [dialog](const char* name) {
            return dialog->findChild<QLineEdit*>(QLatin1String(name))->text();
        };
        QCOMPARE(text("txtServer") + text("txtMount") + text("txtUser"), "radio.test/nightdj");
        QCOMPARE(dialog->findChild<QSpinBox*>(QStringLiteral("spnPort"))->value(), 8123);
        QCOMPARE(dialog->findChild<QComboBox*>(QStringLiteral("cboFormat"))->currentData(), "ogg");
        QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("txtPassword"))->echoMode(),
                 QLineEdit::Password);

        // Record the mix: asked for a file, shown in the status bar, a whole file once stopped.
        const QString file = f->folder.filePath(QStringLiteral("show.wav"));
        f->dialogs.pathAnswers.enqueue(file);
        QAction* record = window->menuAction(QStringLiteral("mnuRecord"));
        record->trigger();
        QVERIFY(record->isChecked());
        QTRY_VERIFY(
            window->findChild<QLabel*>(QStringLiteral("lblOnAir")) &&
            window->findChild<QLabel*>(QStringLiteral("lblOnAir"))->text().contains("Recording"));
        test::renderOffline(*f->engine, 500);
        QTest::qWait(100);
        record->trigger();
        QVERIFY(!record->isChecked());
        QTRY_VERIFY(!f->desk->onAir().status().recording);
        QCOMPARE(test::readAudioFile(file).frames(), 22050);
    }

    void supportOpensTheManualsSupportSection() {
        QDir(f->folder.path()).mkpath(QStringLiteral("help"));
        QVERIFY(QFile::copy(qEnvironmentVariable("VANTREL_SOURCE_DIR") + "/assets/help/index.html",
                            f->folder.filePath("help/index.html")));
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
        f->desk->runMenuCommand(MenuCommand::OnlineSupport);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(recorder.opened.size(), 1);
        QCOMPARE(recorder.opened.first().fragment(), QStringLiteral("support"));
        QFile manual(recorder.opened.first().toLocalFile());
        QVERIFY(manual.open(QIODevice::ReadOnly));
        QVERIFY(manual.readAll().contains("id=\"support\""));
    }

    void everyWayOutSavesOnceAndClosesTheSearch_data() {
        QTest::addColumn<QString>("way");
        // Alt+F4 is the whole-program test's, the signal the lifecycle test's.
        for (const char* way : {"close box", "Exit item"}) QTest::newRow(way) << way;
    }
    void everyWayOutSavesOnceAndClosesTheSearch() {
        QFETCH(QString, way);
        f->add(QStringLiteral("/m/Song.mp3"), QStringLiteral("Song (MP3 file)"));
        window->show();
        auto* panel = window->findChild<PlaylistPanel*>();
        QVERIFY(panel);
        panel->openSearch();
        QTRY_VERIFY(panel->searchDialog() && panel->searchDialog()->isVisible());
        if (way == u"close box") window->close();
        if (way == u"Exit item") window->menuAction(QStringLiteral("mnuExit"))->trigger();
        QVERIFY(f->desk->unloading());
        QVERIFY(!panel->searchDialog() || !panel->searchDialog()->isVisible());
        const QString saved = f->folder.filePath(QStringLiteral("default.kvl"));
        QCOMPARE(test::readFile(saved), QByteArray("Song (MP3 file)\r\n/m/Song.mp3\r\n"));
        // A termination signal or a close arriving during the shutdown changes nothing.
        QVERIFY(QFile::remove(saved));
        window->unload();
        window->close();
        f->desk->onUnload({});
        QVERIFY(!QFile::exists(saved));
    }
    // The about box's fixed texts and size, and its system-information button with no tool on
    // PATH.
    void aboutBoxAsDesigned() {
        AboutBox box(f->dialogs);
        QCOMPARE(box.windowTitle(), QStringLiteral("About Vantrel"));
        QCOMPARE(box.lblTitle->text() + '|' + box.lblVersion->text() + '|' + box.cmdOK->text() +
                     '|' + box.cmdSysInfo->text(),
                 QStringLiteral("Vantrel|Version 1.4.0|OK|&System Info..."));
        QVERIFY(!box.Label1->text().isEmpty() && !box.Label2->text().isEmpty() && box.isModal());
        QCOMPARE(box.minimumSize(), QSize(403, 153));
        QCOMPARE(box.maximumSize(), QSize(403, 153));
        // Every control lies inside the fixed box and shows its whole text in the font it has.
        for (QWidget* w : box.findChildren<QWidget*>()) {
            auto* l = qobject_cast<QLabel*>(w);
            if (!l && !qobject_cast<QPushButton*>(w)) continue;
            const bool fits = l && l->wordWrap() ? l->heightForWidth(l->width()) <= l->height()
                                                 : w->sizeHint().width() <= w->width();
            QVERIFY2(QRect(0, 0, 403, 153).contains(w->geometry()) && fits,
                     qPrintable(w->objectName()));
        }
        // System Info... with no tool on PATH says so.
        QTemporaryDir bin;  // all of PATH, and empty
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8());
        QTest::mouseClick(box.cmdSysInfo, Qt::LeftButton);
        qputenv("PATH", oldPath);
        QCOMPARE(f->dialogs.messages.size(), 1);
        QCOMPARE(f->dialogs.messages[0].text,
                 QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(f->dialogs.messages[0].title, QStringLiteral("Vantrel"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
