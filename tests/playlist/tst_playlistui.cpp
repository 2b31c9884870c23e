// The playlist tab and the search dialog as the user meets them: exact texts, mouse drags that
// reorder, buttons that reach the core, and a search on a worker thread that gives the same
// list as a search on the spot.
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "Tree.h"
#include "playlist/ui/PlaylistPanel.h"
#include "playlist/ui/SearchDialog.h"
#include "support/DeskFixture.h"

using namespace vantrel;
using vantrel::test::makeTree;

namespace {

QString order(const Playlist& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i) out << list.title(i);
    return out.join(',');
}

void mouse(QWidget* viewport, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent e(type, at, viewport->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(viewport, &e);
}

QStringList searchHere(const QString& root) {
    FileSearch s;
    s.SetFilePatterns(kAudioPatterns);
    s.FindFilesWithPatterns(root, true);
    return s.CopyFiles();
}

}  // namespace

class PlaylistUiTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void toolTips_data();
    void toolTips();
    void listLooksAsDesigned();
    void mouseDragReorders();
    void clicksReachTheirSignals();
    void buttonsReachTheCore();
    void searchFindsAndAddsAll();
    void searchDialogIsReusedAndRemembers();
    void cancelMidSearchKeepsAPrefix();
    void viewFollowsTheListUnderRandomEdits();

private:
    std::unique_ptr<test::DeskFixture> rig_;
    std::unique_ptr<PlaylistPanel> panel_;
};

void PlaylistUiTest::init() {
    rig_ = std::make_unique<test::DeskFixture>();
    panel_ = std::make_unique<PlaylistPanel>(*rig_->desk);
    panel_->resize(490, 330);
    panel_->show();
    for (int i = 1; i <= 4; ++i)
        rig_->desk->playlist.append(QString::number(i), "/p" + QString::number(i));
}

void PlaylistUiTest::cleanup() {
    panel_.reset();
    rig_.reset();
}

void PlaylistUiTest::toolTips_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("up") << "cmdLstUp"
                        << "Move selected up";
    QTest::newRow("down") << "cmdLstDown"
                          << "Move selcted down";
    QTest::newRow("first") << "cmdLstFirst"
                           << "Move selected first";
    QTest::newRow("last") << "cmdLstLast"
                          << "Move selcted last";
    QTest::newRow("remove") << "cmdLstRemove"
                            << "Delete selected item";
    QTest::newRow("new") << "cmdNewPlaylist"
                         << "New playlist";
    QTest::newRow("open") << "cmdOpenPlaylist"
                          << "Open playlist";
    QTest::newRow("save") << "cmdSavePlaylist"
                          << "Save playlist";
    QTest::newRow("add file") << "cmdAddFileList"
                              << "Add file to playlist";
    QTest::newRow("add folder") << "cmdAddFolderList"
                                << "Add folder to playlist";
    QTest::newRow("search") << "cmdScan"
                            << "Search for audio files";
}

void PlaylistUiTest::toolTips() {
    QFETCH(QString, name);
    QFETCH(QString, toolTip);
    QToolButton* b = panel_->button(name);
    QVERIFY(b);
    QCOMPARE(b->toolTip(), toolTip);
    QVERIFY(b->isVisible());
    // Every button stays inside the tab page.
    QVERIFY(panel_->rect().contains(b->geometry()));
}

void PlaylistUiTest::listLooksAsDesigned() {
    PlaylistView* v = panel_->lstAudio();
    QCOMPARE(v->toolTip(), QStringLiteral("Double click to play, drag to reorder"));
    QCOMPARE(v->font().families().value(0), QStringLiteral("BankGothic VNTL"));
    QVERIFY(panel_->minimumSizeHint().width() <= 490);
    QVERIFY(panel_->minimumSizeHint().height() <= 330);
    const QCursor c = PlaylistView::dragCursor();
    QCOMPARE(c.pixmap().size(), QSize(32, 32));
}

void PlaylistUiTest::mouseDragReorders() {
    Playlist& list = rig_->desk->playlist;
    PlaylistView* v = panel_->lstAudio();
    QWidget* vp = v->viewport();
    const auto at = [v](int row) { return v->visualRect(v->model()->index(row, 0)).center(); };

    mouse(vp, QEvent::MouseButtonPress, at(0), Qt::LeftButton);
    QCOMPARE(list.selected(), 0);
    QVERIFY(list.Dragging());
    QCOMPARE(vp->cursor().shape(), Qt::BitmapCursor);
    mouse(vp, QEvent::MouseMove, at(2), Qt::LeftButton);
    QCOMPARE(order(list), QStringLiteral("2,3,1,4"));
    QCOMPARE(list.selected(), 2);
    QCOMPARE(v->selectionModel()->selectedRows().value(0).row(), 2);
    mouse(vp, QEvent::MouseMove, at(0), Qt::LeftButton);
    QCOMPARE(order(list), QStringLiteral("1,2,3,4"));
    mouse(vp, QEvent::MouseButtonRelease, at(0), Qt::NoButton);
    QVERIFY(!list.Dragging());
    QCOMPARE(vp->cursor().shape(), Qt::ArrowCursor);
    // Without a button held the pointer only passes over.
    mouse(vp, QEvent::MouseMove, at(3), Qt::NoButton);
    QCOMPARE(order(list), QStringLiteral("1,2,3,4"));
}

void PlaylistUiTest::clicksReachTheirSignals() {
    PlaylistView* v = panel_->lstAudio();
    QSignalSpy clicked(panel_.get(), &PlaylistPanel::entryClicked);
    QSignalSpy doubled(panel_.get(), &PlaylistPanel::entryDoubleClicked);
    const QPoint p = v->visualRect(v->model()->index(1, 0)).center();
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, p);
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(rig_->desk->playlist.selected(), 1);
    QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, p);
    QCOMPARE(doubled.size(), 1);
    QCOMPARE(order(rig_->desk->playlist), QStringLiteral("1,2,3,4"));
}

void PlaylistUiTest::buttonsReachTheCore() {
    Playlist& list = rig_->desk->playlist;
    list.setSelected(0);
    QCOMPARE(panel_->lstAudio()->selectionModel()->selectedRows().value(0).row(), 0);
    panel_->button("cmdLstDown")->click();
    panel_->button("cmdLstLast")->click();
    QCOMPARE(order(list), QStringLiteral("2,3,4,1"));
    QCOMPARE(panel_->lstAudio()->selectionModel()->selectedRows().value(0).row(), 3);
    panel_->button("cmdLstRemove")->click();
    QCOMPARE(order(list), QStringLiteral("2,3,4"));
    QVERIFY(panel_->lstAudio()->selectionModel()->selectedRows().isEmpty());
    rig_->dialogs.openAnswers.enqueue({"/music/New.wav"});
    panel_->button("cmdAddFileList")->click();
    QCOMPARE(list.title(3), QStringLiteral("New (Wav file)"));
    panel_->button("cmdNewPlaylist")->click();
    QCOMPARE(list.count(), 0);
}

void PlaylistUiTest::searchFindsAndAddsAll() {
    QTemporaryDir dir;
    QVERIFY(makeTree(dir.path(), {"x.mp3", "sub/y.WMA", "sub/z.txt", "b/B.WAV", "b/c/d.ogg"}));
    rig_->desk->playlist.clear();
    rig_->dialogs.pathAnswers.enqueue(dir.path());
    panel_->cmdScan_Click();
    SearchDialog* d = panel_->searchDialog();
    QVERIFY(d && d->isVisible());
    QCOMPARE(d->windowTitle(), QStringLiteral("Search for audio files"));
    QVERIFY(!d->isModal());
    QCOMPARE(d->cmdSearch()->text(), QStringLiteral("Search drives or folders"));
    QCOMPARE(d->cmdAddSelected()->text(), QStringLiteral("Add selected audio files"));
    QCOMPARE(d->cmdAddAll()->text(), QStringLiteral("Add all audio files"));
    QCOMPARE(d->lstFoundAudios()->selectionMode(), QAbstractItemView::ExtendedSelection);

    QSignalSpy done(d, &SearchDialog::searchFinished);
    d->cmdSearch()->click();
    QCOMPARE(rig_->dialogs.requests.last().title,
             QStringLiteral("Add folder with audio files to playlist"));
    QVERIFY(done.wait(10000));
    const QStringList expected = searchHere(dir.path());
    QCOMPARE(d->foundPaths(), expected);
    QCOMPARE(expected.size(), 4);
    QVERIFY(d->lblStatus()->text().contains("4"));

    d->cmdAddAll()->click();
    QVERIFY(!d->isVisible());
    const Playlist& list = rig_->desk->playlist;
    QCOMPARE(order(list), QStringLiteral("x (MP3 file),B (unknown audio format),"
                                         "d (Ogg Vorbis file),y (unknown audio format)"));
    for (int i = 0; i < 4; ++i) QCOMPARE(list.path(i), expected[i]);

    // Selected entries go in list order, whatever order they were picked in.
    panel_->cmdScan_Click();
    QCOMPARE(panel_->searchDialog(), d);
    QItemSelectionModel* sel = d->lstFoundAudios()->selectionModel();
    sel->select(d->lstFoundAudios()->model()->index(3, 0), QItemSelectionModel::Select);
    sel->select(d->lstFoundAudios()->model()->index(0, 0), QItemSelectionModel::Select);
    d->cmdAddSelected()->click();
    QCOMPARE(list.count(), 6);
    QCOMPARE(list.path(4), expected[0]);
    QCOMPARE(list.path(5), expected[3]);
}

void PlaylistUiTest::searchDialogIsReusedAndRemembers() {
    QTemporaryDir dir;
    QVERIFY(makeTree(dir.path(), {"a/one.mp3", "b/two.mp3"}));
    panel_->cmdScan_Click();
    SearchDialog* d = panel_->searchDialog();
    QSignalSpy done(d, &SearchDialog::searchFinished);
    rig_->dialogs.pathAnswers.enqueue(dir.path() + "/a/");
    d->cmdSearch()->click();
    QVERIFY(done.wait(10000));
    QCOMPARE(d->foundPaths().size(), 1);

    d->cmdSearch()->click();  // cancelled browser: the list stays
    QCOMPARE(rig_->dialogs.requests.last().filterOrFolder, dir.path() + "/a");
    QCOMPARE(d->foundPaths().size(), 1);

    rig_->dialogs.pathAnswers.enqueue(dir.path() + "/b");
    d->cmdSearch()->click();
    QVERIFY(done.wait(10000));
    QCOMPARE(d->foundPaths(), QStringList{dir.path() + "/b/two.mp3"});  // replaced

    d->cmdAddSelected()->click();  // nothing selected: adds nothing, still hides
    QVERIFY(!d->isVisible());
    QCOMPARE(rig_->desk->playlist.count(), 4);

    panel_->cmdScan_Click();
    panel_->searchDialog()->close();  // the close control ends it
    QTRY_VERIFY(!panel_->searchDialog());
    panel_->cmdScan_Click();
    QVERIFY(panel_->searchDialog()->foundPaths().isEmpty());
    QVERIFY(panel_->searchDialog()->LastSearchFolder().isEmpty());
}

void PlaylistUiTest::cancelMidSearchKeepsAPrefix() {
    QTemporaryDir dir;
    QStringList tree;
    for (int f = 0; f < 200; ++f)
        for (int i = 0; i < 15; ++i) tree << QStringLiteral("f%1/t%2.mp3").arg(f).arg(i);
    QVERIFY(makeTree(dir.path(), tree));
    const QStringList full = searchHere(dir.path());
    rig_->desk->playlist.clear();

    panel_->cmdScan_Click();
    SearchDialog* d = panel_->searchDialog();
    rig_->dialogs.pathAnswers.enqueue(dir.path());
    d->cmdSearch()->click();
    QVERIFY(d->searching());
    QVERIFY(!d->cmdSearch()->isEnabled());
    QTest::qWait(5);
    d->cmdCancel()->click();
    QVERIFY(!d->searching());
    const QStringList part = d->foundPaths();
    QVERIFY(part.size() <= full.size());
    QCOMPARE(part, full.mid(0, part.size()));
    d->cmdAddAll()->click();
    QCOMPARE(rig_->desk->playlist.count(), part.size());
    for (int i = 0; i < part.size(); ++i) QCOMPARE(rig_->desk->playlist.path(i), part[i]);

    // The next search runs whole.
    QSignalSpy done(d, &SearchDialog::searchFinished);
    rig_->dialogs.pathAnswers.enqueue(dir.path());
    d->cmdSearch()->click();
    QVERIFY(done.wait(20000));
    QCOMPARE(d->foundPaths(), full);
}

void PlaylistUiTest::viewFollowsTheListUnderRandomEdits() {
    Playlist& list = rig_->desk->playlist;
    PlaylistView* v = panel_->lstAudio();
    QRandomGenerator rng(7);
    const auto shown = [v] {
        const QModelIndexList rows = v->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    };
    for (int op = 0; op < 2000; ++op) {
        const int n = list.count();
        const int pick = n ? int(rng.bounded(n)) : -1;
        switch (rng.bounded(8)) {
            case 0:
                list.append(QString::number(op), "/p" + QString::number(op));
                break;
            case 1:
                list.insert(n ? pick : 0, QString::number(op), "/p" + QString::number(op));
                break;
            case 2:
                list.removeAt(pick);
                break;
            case 3:
                list.setSelected(pick);
                break;
            case 4:
                list.cmdLstUp();
                break;
            case 5:
                list.cmdLstLast();
                break;
            case 6:
                if (pick >= 0) {  // the user picks a row in the view
                    v->selectionModel()->setCurrentIndex(v->model()->index(pick, 0),
                                                         QItemSelectionModel::ClearAndSelect);
                    QCOMPARE(list.selected(), pick);
                }
                break;
            case 7:
                list.cmdLstRemove();
                break;
        }
        QCOMPARE(v->model()->rowCount(), list.count());
        QCOMPARE(shown(), list.selected());
    }
}

QTEST_MAIN(PlaylistUiTest)
#include "tst_playlistui.moc"
