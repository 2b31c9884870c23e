#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QtTest>

#include "playlist/Playlist.h"

using namespace vantrel;

namespace {

// Entries "1".."n" with paths "/p/1".."/p/n", so a title and its path always tell whether they
// still belong together.
void fill(Playlist& list, int n) {
    for (int i = 1; i <= n; ++i) list.append(QString::number(i), QStringLiteral("/p/%1").arg(i));
}

QString order(const Playlist& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i) {
        out << list.title(i);
        if (list.path(i) != QStringLiteral("/p/") + list.title(i)) return QStringLiteral("torn");
    }
    return out.join(QLatin1Char(','));
}

}  // namespace

class PlaylistTest : public QObject {
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void drag_data();
    void drag();
    void selectionFollowsItsEntry();
    void fullListRefusesMore();
    void pairNeverDiffersUnderRandomOperations();
};

void PlaylistTest::commands_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("selectedAfter");

    QTest::newRow("down first of three") << 3 << 0 << "down"
                                         << "2,1,3" << 1;
    QTest::newRow("down last does nothing") << 3 << 2 << "down"
                                            << "1,2,3" << 2;
    QTest::newRow("down no selection") << 3 << -1 << "down"
                                       << "1,2,3" << -1;
    QTest::newRow("up last") << 3 << 2 << "up"
                             << "1,3,2" << 1;
    QTest::newRow("up first does nothing") << 3 << 0 << "up"
                                           << "1,2,3" << 0;
    QTest::newRow("up no selection") << 3 << -1 << "up"
                                     << "1,2,3" << -1;
    QTest::newRow("first from last") << 4 << 3 << "first"
                                     << "4,1,2,3" << 0;
    QTest::newRow("first on first") << 4 << 0 << "first"
                                    << "1,2,3,4" << 0;
    QTest::newRow("last second of four") << 4 << 1 << "last"
                                         << "1,3,4,2" << 3;
    QTest::newRow("last on last") << 4 << 3 << "last"
                                  << "1,2,3,4" << 3;
    QTest::newRow("single up") << 1 << 0 << "up"
                               << "1" << 0;
    QTest::newRow("single down") << 1 << 0 << "down"
                                 << "1" << 0;
    QTest::newRow("single first") << 1 << 0 << "first"
                                  << "1" << 0;
    QTest::newRow("single last") << 1 << 0 << "last"
                                 << "1" << 0;
    QTest::newRow("remove only entry") << 1 << 0 << "remove"
                                       << "" << -1;
    QTest::newRow("remove first") << 3 << 0 << "remove"
                                  << "2,3" << -1;
    QTest::newRow("remove last") << 3 << 2 << "remove"
                                 << "1,2" << -1;
    QTest::newRow("remove no selection") << 3 << -1 << "remove"
                                         << "1,2,3" << -1;
    QTest::newRow("new playlist") << 3 << 1 << "new"
                                  << "" << -1;
    QTest::newRow("empty list up") << 0 << -1 << "up"
                                   << "" << -1;
    QTest::newRow("empty list last") << 0 << -1 << "last"
                                     << "" << -1;
    QTest::newRow("empty list remove") << 0 << -1 << "remove"
                                       << "" << -1;
}

void PlaylistTest::commands() {
    QFETCH(int, count);
    QFETCH(int, selected);
    QFETCH(QString, command);
    QFETCH(QString, expected);
    QFETCH(int, selectedAfter);

    Playlist list;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    fill(list, count);
    list.setSelected(selected);
    if (command == "up") list.cmdLstUp();
    if (command == "down") list.cmdLstDown();
    if (command == "first") list.cmdLstFirst();
    if (command == "last") list.cmdLstLast();
    if (command == "remove") list.cmdLstRemove();
    if (command == "new") list.cmdNewPlaylist();
    QCOMPARE(order(list), expected);
    QCOMPARE(list.selected(), selectedAfter);
}

// A script of mouse events over a list of four: "dK" press with entry K selected, "mK" move with
// the selection on K, "u" release; "-" stands for no selection.
void PlaylistTest::drag_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("selectedAfter");

    QTest::newRow("entry 0 over entry 2") << "d0 m2 u"
                                          << "2,3,1,4" << 2;
    QTest::newRow("and back over entry 0") << "d0 m2 m0 u"
                                           << "1,2,3,4" << 0;
    QTest::newRow("step by step down") << "d0 m1 m2 m3 u"
                                       << "2,3,4,1" << 3;
    QTest::newRow("jump up") << "d3 m0 u"
                             << "4,1,2,3" << 0;
    QTest::newRow("move without moving selection") << "d1 m1 m1 u"
                                                   << "1,2,3,4" << 1;
    QTest::newRow("idle move moves nothing") << "m0 m2 m3"
                                             << "1,2,3,4" << 3;
    QTest::newRow("after release nothing moves") << "d0 m1 u m3"
                                                 << "2,1,3,4" << 3;
    QTest::newRow("press with nothing selected") << "d- m2 m0 u"
                                                 << "3,1,2,4" << 0;
}

void PlaylistTest::drag() {
    QFETCH(QString, script);
    QFETCH(QString, expected);
    QFETCH(int, selectedAfter);

    Playlist list;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    fill(list, 4);
    for (const QString& step : script.split(QLatin1Char(' '))) {
        const int k = step.size() > 1 && step[1] != QLatin1Char('-') ? step.mid(1).toInt() : -1;
        switch (step[0].toLatin1()) {
            case 'd':
                list.setSelected(k);
                list.dragMouseDown();
                QVERIFY(list.Dragging());
                break;
            case 'm':
                list.setSelected(k);
                list.dragMouseMove();
                break;
            case 'u':
                list.dragMouseUp();
                QVERIFY(!list.Dragging());
                break;
        }
    }
    QCOMPARE(order(list), expected);
    QCOMPARE(list.selected(), selectedAfter);
}

void PlaylistTest::selectionFollowsItsEntry() {
    Playlist list;
    fill(list, 4);
    list.setSelected(2);  // "3"
    list.removeAt(0);     // the mixer takes the top entry
    QCOMPARE(list.title(list.selected()), QStringLiteral("3"));
    list.insert(0, QStringLiteral("x"), QStringLiteral("/p/x"));
    QCOMPARE(list.title(list.selected()), QStringLiteral("3"));
    list.move(3, 0);
    QCOMPARE(list.title(list.selected()), QStringLiteral("3"));
    list.removeAt(list.selected());
    QCOMPARE(list.selected(), -1);
}

void PlaylistTest::fullListRefusesMore() {
    Playlist list;
    QList<Playlist::Entry> many(Playlist::kMaxEntries + 5, Playlist::Entry{"t", "/p"});
    QCOMPARE(list.appendEntries(many), Playlist::kMaxEntries);
    QVERIFY(!list.append("x", "/x"));
    QVERIFY(!list.insert(0, "x", "/x"));
    QCOMPARE(list.count(), Playlist::kMaxEntries);
    QCOMPARE(list.rowCount(), Playlist::kMaxEntries);
    list.setSelected(0);
    list.cmdLstLast();  // a move never needs a free slot
    QCOMPARE(list.selected(), Playlist::kMaxEntries - 1);
}

void PlaylistTest::pairNeverDiffersUnderRandomOperations() {
    Playlist list;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QRandomGenerator rng(20261206);
    int next = 1;
    for (int op = 0; op < 10000; ++op) {
        const int n = list.count();
        const int pick = n ? static_cast<int>(rng.bounded(n)) : 0;
        switch (rng.bounded(12)) {
            case 0:
            case 1:
                list.append(QString::number(next), QStringLiteral("/p/%1").arg(next));
                ++next;
                break;
            case 2:
                list.insert(static_cast<int>(rng.bounded(n + 1)), QString::number(next),
                            QStringLiteral("/p/%1").arg(next));
                ++next;
                break;
            case 3:
                list.removeAt(pick);
                break;
            case 4:
                list.setSelected(n ? pick : -1);
                break;
            case 5:
                list.cmdLstUp();
                break;
            case 6:
                list.cmdLstDown();
                break;
            case 7:
                list.cmdLstFirst();
                break;
            case 8:
                list.cmdLstLast();
                break;
            case 9:
                list.cmdLstRemove();
                break;
            case 10:
                list.setSelected(n ? pick : -1);
                list.dragMouseDown();
                list.setSelected(n ? static_cast<int>(rng.bounded(n)) : -1);
                list.dragMouseMove();
                list.dragMouseUp();
                break;
            case 11:
                if (rng.bounded(50) == 0) list.cmdNewPlaylist();
                break;
        }
        QCOMPARE(list.rowCount(), list.count());
        QVERIFY(list.selected() >= -1 && list.selected() < list.count());
        for (int i = 0; i < list.count(); ++i)
            QCOMPARE(list.path(i), QStringLiteral("/p/") + list.title(i));
    }
}

QTEST_GUILESS_MAIN(PlaylistTest)
#include "tst_playlist.moc"
