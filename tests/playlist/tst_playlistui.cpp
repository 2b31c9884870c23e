// The playlist tab and the search dialog as the user meets them: mouse drags that reorder,
// buttons that reach the core, files and folders dropped from the file manager, and a search on
// a worker thread that gives the same list as a search on the spot.
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "Support.h"
#include "playlist/AddFiles.h"
#include "playlist/ui/PlaylistPanel.h"
#include "playlist/ui/SearchDialog.h"
#include "support/DeskFixture.h"
#include "support/SlowMount.h"

using namespace vantrel;
using namespace vantrel::test;

class PlaylistUiTest : public QObject {
    Q_OBJECT
    std::unique_ptr<DeskFixture> rig_;
    std::unique_ptr<PlaylistPanel> panel_;
    Playlist& list() { return rig_->playlist(); }
    // The order of the entries and the row the view shows selected.
    QString state() {
        const QModelIndexList rows = panel_->lstAudio()->selectionModel()->selectedRows();
        return order(list()) + QStringLiteral(" shown %1").arg(rows.isEmpty() ? -1 : rows[0].row());
    }
    QStringList paths() {
        QStringList out;
        for (const Playlist::Entry& e : list().entries()) out << e.path;
        return out;
    }
    static QStringList searchHere(const QString& root) {
        FileSearch s;
        s.SetFilePatterns(kAudioPatterns);
        s.FindFilesWithPatterns(root, true);
        return s.CopyFiles();
    }
    // Opens the search dialog with its button and searches `folder` (empty: the folder browser
    // is cancelled).
    SearchDialog* search(const QString& folder) {
        panel_->button("cmdScan")->click();
        rig_->dialogs.pathAnswers.enqueue(folder);
        panel_->searchDialog()->cmdSearch()->click();
        return panel_->searchDialog();
    }

private slots:
    void init() {
        rig_ = std::make_unique<DeskFixture>();
        panel_ = std::make_unique<PlaylistPanel>(rig_->desk->playlistCommands(), rig_->dialogs);
        panel_->resize(490, 330);
        panel_->show();
    }

    void dragsAndButtonsReorder() {
        fill(list(), 4);
        PlaylistView* v = panel_->lstAudio();
        QWidget* vp = v->viewport();
        const auto mouse = [&](QEvent::Type type, int row, Qt::MouseButtons held) {
            const QPoint at = v->visualRect(v->model()->index(row, 0)).center();
            QMouseEvent e(type, at, vp->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
            QApplication::sendEvent(vp, &e);
        };
        QSignalSpy doubled(panel_.get(), &PlaylistPanel::entryDoubleClicked);
        const QPoint second = v->visualRect(v->model()->index(1, 0)).center();
        QTest::mouseClick(vp, Qt::LeftButton, {}, second);
        QTest::mouseDClick(vp, Qt::LeftButton, {}, second);
        QVERIFY(doubled.size() == 1 && list().selected() == 1);
        QCOMPARE(state(), QStringLiteral("1,2,3,4 shown 1"));
        mouse(QEvent::MouseButtonPress, 0, Qt::LeftButton);
        QVERIFY(list().Dragging() && vp->cursor().shape() == Qt::BitmapCursor);
        mouse(QEvent::MouseMove, 2, Qt::LeftButton);
        QCOMPARE(state(), QStringLiteral("2,3,1,4 shown 2"));
        mouse(QEvent::MouseButtonRelease, 2, Qt::NoButton);
        QVERIFY(!list().Dragging() && vp->cursor().shape() == Qt::ArrowCursor);
        // The buttons reach the core.
        list().setSelected(0);
        panel_->button("cmdLstDown")->click();
        panel_->button("cmdLstLast")->click();
        QCOMPARE(state(), QStringLiteral("3,1,4,2 shown 3"));
        panel_->button("cmdLstRemove")->click();
        QCOMPARE(state(), QStringLiteral("3,1,4 shown -1"));
    }

    void dropAddsFilesAndFolders_data() {
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<int>("row");  // -1: below the last entry
        QTest::addColumn<QString>("entries");
        const QString folder =
            "x (MP3 file)@a/x.mp3,B (unknown audio format)@a/s/B.WAV,"
            "y (Wav file)@a/t/y.wav";
        QTest::newRow("files on an entry")
            << QStringList{"b.ogg", "c.txt", "Loud.MP3"} << 1
            << "1,b (Ogg Vorbis file)@b.ogg,Loud (MP3 file)@Loud.MP3,2,3,4";
        QTest::newRow("a folder below the list") << QStringList{"a/"} << -1 << "1,2,3,4," + folder;
        QTest::newRow("files and a folder in drop order")
            << QStringList{"d.wma", "a", "c.txt"} << 0
            << "d (Windows Media Audio)@d.wma," + folder + ",1,2,3,4";
        QTest::newRow("no audio") << QStringList{"c.txt", "a/notes.txt"} << 0 << "1,2,3,4";
    }
    void dropAddsFilesAndFolders() {
        QFETCH(QStringList, dropped);
        QFETCH(int, row);
        fill(list(), 4);
        QTemporaryDir dir;
        QVERIFY(makeTree(dir.path(), {"b.ogg", "c.txt", "Loud.MP3", "d.wma", "a/x.mp3",
                                      "a/notes.txt", "a/s/B.WAV", "a/t/y.wav"}));
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& d : dropped) urls << QUrl::fromLocalFile(dir.filePath(d));
        data.setUrls(urls);
        PlaylistView* v = panel_->lstAudio();
        const QPoint at = row < 0 ? QPoint(5, v->viewport()->height() - 5)
                                  : v->visualRect(v->model()->index(row, 0)).center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(v->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QSignalSpy added(v, &PlaylistView::droppedAdded);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(v->viewport(), &drop);
        QVERIFY(added.size() == 1 || added.wait(10000));
        QStringList shown;
        for (const Playlist::Entry& e : list().entries())
            shown << (e.path.startsWith("/p/")
                          ? e.title
                          : e.title + '@' + QDir(dir.path()).relativeFilePath(e.path));
        QTEST(shown.join(','), "entries");
    }

    void searchFindsAndAddsAll() {
        QTemporaryDir dir;
        QVERIFY(makeTree(dir.path(), {"x.mp3", "sub/y.WMA", "sub/z.txt", "b/B.WAV", "b/c/d.ogg"}));
        SearchDialog* d = search(dir.path() + "/");
        QVERIFY(d->isVisible() && !d->isModal());
        // A small tree may be walked before the click returns.
        QTRY_VERIFY_WITH_TIMEOUT(!d->searching(), 30000);
        const QStringList expected = searchHere(dir.path());
        QCOMPARE(d->foundPaths(), expected);
        QVERIFY(expected.size() == 4 && d->lblStatus()->text().contains("4"));
        d->cmdAddAll()->click();
        QVERIFY(!d->isVisible());
        QCOMPARE(paths(), expected);  // titled as any added file
        // Reused; selected entries go in list order, whatever order they were picked in.
        panel_->openSearch();
        QCOMPARE(panel_->searchDialog(), d);
        QItemSelectionModel* sel = d->lstFoundAudios()->selectionModel();
        for (int row : {3, 0})
            sel->select(d->lstFoundAudios()->model()->index(row, 0), QItemSelectionModel::Select);
        d->cmdAddSelected()->click();
        QCOMPARE(paths().mid(4), (QStringList{expected[0], expected[3]}));
        QCOMPARE(search({}), d);  // cancelled browser, opened on the last folder: the list stays
        QCOMPARE(rig_->dialogs.requests.last().filterOrFolder, dir.path());
        QCOMPARE(d->foundPaths(), expected);
    }

    void cancelMidSearchKeepsAPrefix() {
        QTemporaryDir dir;
        QStringList tree;
        for (int i = 0; i < 3000; ++i)
            tree << QStringLiteral("f%1/t%2.mp3").arg(i / 15).arg(i % 15);
        QVERIFY(makeTree(dir.path(), tree));
        const QStringList full = searchHere(dir.path());
        SearchDialog* d = search(dir.path());
        QVERIFY(d->searching() && !d->cmdSearch()->isEnabled());
        QTest::qWait(5);
        d->cmdCancel()->click();
        QVERIFY(!d->searching());
        const QStringList part = d->foundPaths();
        d->cmdAddAll()->click();
        QCOMPARE(paths(), full.mid(0, part.size()));
        // The next search runs whole and replaces the list.
        QSignalSpy done(d, &SearchDialog::searchFinished);
        search(dir.path());
        QVERIFY(done.size() == 1 || done.wait(20000));
        QCOMPARE(d->foundPaths(), full);
    }

    // A folder on a mount that stopped answering: Cancel and close come back at once with what
    // was found, and the worker is left to end when the mount does.
    void cancelLeavesAHungFolderBehind() {
        QTemporaryDir dir;
        SlowMount mount;
        if (!mount.start(dir.filePath("net"), 0, 60)) QSKIP("no FUSE mount here");
        SearchDialog* d = search(dir.filePath("net"));
        QTRY_VERIFY(d->lblStatus()->text().contains(" 1 audio"));  // then it lists "hung"
        QElapsedTimer t;
        t.start();
        d->cmdCancel()->click();
        QCOMPARE(d->foundPaths(), QStringList{mount.file()});
        d->close();
        QVERIFY2(t.elapsed() < 5000, "Cancel or close waited for the hung folder");
    }
};

QTEST_MAIN(PlaylistUiTest)
#include "tst_playlistui.moc"
