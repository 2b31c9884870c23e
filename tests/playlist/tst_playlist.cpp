#include <QAbstractItemModelTester>
#include <QtTest>

#include "Support.h"

using namespace vantrel;
using namespace vantrel::test;

namespace {

// One step: "sK" selects entry K ("s-" nothing), "a" appends, "iK" inserts at K, "rK" removes
// entry K, "MKJ" moves entry K to J; U D F L X N are the up, down, first, last, remove and new
// commands; d m u the drag's press, move and release.
void apply(Playlist& list, const QString& step) {
    const QChar c = step[0];
    const QString arg = step.mid(1);
    const int k = arg == u"-" ? -1 : arg.toInt();
    const QString title = QString::number(1000 + list.count());
    if (c == u's') list.setSelected(k);
    if (c == u'a') list.append(title, QStringLiteral("/p/") + title);
    if (c == u'i') list.insert(k, title, QStringLiteral("/p/") + title);
    if (c == u'r') list.removeAt(k);
    if (c == u'M') list.move(arg[0].digitValue(), arg[1].digitValue());
    static const QHash<QChar, void (Playlist::*)()> commands{
        {u'U', &Playlist::moveUp},         {u'D', &Playlist::moveDown},
        {u'F', &Playlist::moveFirst},      {u'L', &Playlist::moveLast},
        {u'X', &Playlist::removeSelected}, {u'N', &Playlist::cmdNewPlaylist},
        {u'd', &Playlist::dragMouseDown},  {u'm', &Playlist::dragMouseMove},
        {u'u', &Playlist::dragMouseUp}};
    if (const auto command = commands.value(c)) (list.*command)();
    if (c == u'd' || c == u'u') QCOMPARE(list.Dragging(), c == u'd');
}

void row(int count, const char* script, const char* expected, int selectedAfter) {
    QTest::addRow("%d: %s", count, script)
        << count << QString::fromLatin1(script) << QString::fromLatin1(expected) << selectedAfter;
}

}  // namespace

class PlaylistTest : public QObject {
    Q_OBJECT
private slots:
    void scripts_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("selectedAfter");
        // The move and remove commands at the edges.
        row(3, "s0 D", "2,1,3", 1);
        row(3, "s2 D", "1,2,3", 2);
        row(3, "s2 U", "1,3,2", 1);
        row(3, "s0 U", "1,2,3", 0);
        row(4, "s3 F", "4,1,2,3", 0);
        row(4, "s0 F", "1,2,3,4", 0);
        row(4, "s1 L", "1,3,4,2", 3);
        row(4, "s3 L", "1,2,3,4", 3);
        row(3, "s0 X", "2,3", -1);
        row(3, "s2 X", "1,2", -1);
        row(3, "s1 N", "", -1);
        for (const char* s : {"s- U", "s- D", "s- F", "s- L", "s- X"})  // nothing selected
            row(3, s, "1,2,3", -1);
        // Drags: the entry under the press follows the selection until the release.
        row(4, "s0 d s2 m u", "2,3,1,4", 2);
        row(4, "s0 d s2 m s0 m u", "1,2,3,4", 0);
        row(4, "s3 d s0 m u", "4,1,2,3", 0);
        row(4, "s0 m s2 m s3 m", "1,2,3,4", 3);
        row(4, "s0 d s1 m u s3 m", "2,1,3,4", 3);
        row(4, "s- d s2 m s0 m u", "3,1,2,4", 0);
        row(4, "s2 d r0 s2 m u", "2,4,3", 2);  // the held entry, not the one now at its place
        row(3, "s1 d r1 s0 m u", "1,3", 0);
        // The selection follows its entry through edits by others (the mixer takes the top one).
        row(4, "s2 r0", "2,3,4", 1);
        row(4, "s2 r0 i0 M30 a", "4,1003,2,3,1004", 3);
        row(4, "s2 r2", "1,2,4", -1);
    }
    void scripts() {
        QFETCH(int, count);
        QFETCH(QString, script);
        Playlist list;
        QAbstractItemModelTester tester(&list,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        fill(list, count);
        for (const QString& step : script.split(u' ')) apply(list, step);
        QTEST(order(list), "expected");
        QTEST(list.selected(), "selectedAfter");
    }
    void fullListRefusesMore() {
        Playlist list;
        QList<Playlist::Entry> many(Playlist::kMaxEntries + 5, Playlist::Entry{"t", "/p"});
        QCOMPARE(list.appendEntries(many), Playlist::kMaxEntries);
        QVERIFY(!list.append("x", "/x"));
        QVERIFY(!list.insert(0, "x", "/x"));
        QCOMPARE(list.rowCount(), Playlist::kMaxEntries);
        list.setSelected(0);
        list.moveLast();  // a move never needs a free slot
        QCOMPARE(list.selected(), Playlist::kMaxEntries - 1);
    }
};

QTEST_GUILESS_MAIN(PlaylistTest)
#include "tst_playlist.moc"
