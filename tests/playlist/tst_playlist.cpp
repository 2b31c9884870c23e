// The playlist: its edits and drags, the list file it is saved to and read from, and the desk's
// commands for both lists' files.
#include <QAbstractItemModelTester>
#include <QTemporaryDir>
#include <QtTest>

#include "Support.h"
#include "playlist/ListFile.h"
#include "support/AudioFiles.h"
#include "support/DeskFixture.h"

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

QStringList pairs(const Playlist& list) {
    QStringList out;
    for (const auto& e : list.entries()) out << e.title << e.path;
    return out;
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
    // Saving `entries` leaves exactly `bytes`, and reading `bytes` appends exactly `entries`; a row
    // that goes one way only says which. Any failure shows one "Error" box: a failed save keeps
    // the old file whole, a failed read keeps the entries read before it. A path with a line break
    // could not be read back, so its entry is left out with the box.
    void listFile_data() {
        QTest::addColumn<QString>("way");          // "both", "save", "save to a full disk", "load"
        QTest::addColumn<QString>("file");         // "" = the list file in the folder
        QTest::addColumn<QStringList>("entries");  // title, path, ...
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("errorBox");
        const auto row = [](const char* name, const char* way, const QStringList& entries,
                            const QByteArray& bytes, bool errorBox = false) {
            QTest::newRow(name) << way << QString() << entries << bytes << errorBox;
        };
        const QStringList ab{"a", "/a", "b", "/b"};
        const QStringList unicode{"Ünïcødé 日本語 🎵 (MP3 file)", "/music/Ünïcødé/日本語 🎵.mp3"};
        row("unicode", "both", unicode, (unicode.join("\r\n") + "\r\n").toUtf8());
        row("blanks, punctuation, tab and backslash", "both",
            {"  #[]?*;, \"2\"\tb\\c  ", " C:\\M\\#[]?*.mp3 "},
            "  #[]?*;, \"2\"\tb\\c  \r\n C:\\M\\#[]?*.mp3 \r\n");
        row("blank lines are entries", "both", {"", ""}, "\r\n\r\n");
        row("empty file", "both", {}, "");
        row("a BOM later on is text", "both", {"a", QStringLiteral(u"\uFEFF/a")},
            "a\r\n\xEF\xBB\xBF/a\r\n");
        row("a first title opening with U+FEFF", "both", {QStringLiteral(u"\uFEFFa"), "/a"},
            "\xEF\xBB\xBF\xEF\xBB\xBF\x61\r\n/a\r\n");
        row("line breaks", "save", {"a", "/a", "b", "/line\nbreak.mp3", "c\nd", "/c"},
            "a\r\n/a\r\nc d\r\n/c\r\n", true);
        const QByteArray old("old\r\n/old.mp3\r\n");
        row("full disk", "save to a full disk", QStringList(4000, "/music/a song.mp3"), old, true);
        row("full disk, short list", "save to a full disk", {"t", "/t.mp3"}, old, true);
        row("lf and crlf", "load", ab, "a\r\n/a\nb\n/b\r\n");
        row("leading BOM", "load", ab, "\xEF\xBB\xBF\x61\r\n/a\r\nb\r\n/b\r\n");
        row("no final line end", "load", ab, "a\r\n/a\r\nb\r\n/b");
        row("lone cr is text", "load", {"a\rb", "/p"}, "a\rb\r\n/p\r\n");
        row("title without its path", "load", ab, "a\r\n/a\r\nb\r\n/b\r\nc\r\n", true);
        // Not text: read without its NUL bytes, and said.
        row("nul bytes", "load", {"ab", "/a"}, QByteArray("a\0b\r\n/a\0\r\n", 10), true);
        row("utf-16", "load", {"a", "/a"},
            QByteArray("\xFF\xFE\x61\0\r\0\n\0/\0\x61\0\r\0\n\0", 16), true);
        // A path keeps bytes that are not UTF-8 (one kept byte stands for each); a title shows
        // U+FFFD for them.
        row("latin-1 path", "both",
            {"Caf\u00e9 (Wav file)", "/m/Caf" + QString(QChar(0xDCE9)) + ".wav"},
            "Caf\xc3\xa9 (Wav file)\r\n/m/Caf\xe9.wav\r\n");
        row("invalid utf-8", "load",
            {"\uFFFD\uFFFD(", "/" + QString(2, QChar(0xDC80)) + "\U0001F3B5\u00e9"},
            "\xff\xc3(\r\n/\x80\x80\xf0\x9f\x8e\xb5\xc3\xa9\r\n");
        row("megabyte lines", "load", {QString(1 << 20, 'x'), QString(3 << 20, 'y'), "t", "/p"},
            QByteArray(1 << 20, 'x') + "\r\n" + QByteArray(3 << 20, 'y') + "\r\nt\r\n/p\r\n");
        // The list already holds one entry.
        row("more than a full list", "load", QStringList(2 * (Playlist::kMaxEntries - 1)),
            QByteArray(300000, '\n'), true);
        for (const char* file : {"missing.kvl", ".", "/proc/self/mem"})  // the last fails to read
            QTest::newRow(file) << "load" << file << QStringList() << QByteArray() << true;
    }
    void listFile() {
        QFETCH(QString, way);
        QFETCH(QString, file);
        QFETCH(QStringList, entries);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, errorBox);
        QTemporaryDir dir;
        const QString sub = dir.path();
        // A small file system of its own to fill; only root can make one.
        const bool fullDisk = way.endsWith(u"full disk");
        if (fullDisk && QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", sub}))
            QSKIP("cannot mount a small file system here");
        const auto cleanup = qScopeGuard([&] {
            if (fullDisk) QProcess::execute("umount", {sub});
        });
        const QString path = QDir(sub).filePath(file.isEmpty() ? QStringLiteral("list.kvl") : file);
        ScriptedDialogs dialogs;
        if (way.startsWith(u"save") || way == u"both") {
            QVERIFY(writeFile(path, "old\r\n/old.mp3\r\n"));  // the file saved over
            if (fullDisk) writeFile(sub + "/filler", QByteArray(60 * 1024, 'x'));  // what fits
            Playlist out;
            for (qsizetype i = 0; i + 1 < entries.size(); i += 2)
                out.append(entries[i], entries[i + 1]);
            SaveList(out, path, dialogs);
            QFile::remove(sub + "/filler");
            QCOMPARE(readFile(path), bytes);
            QCOMPARE(QDir(sub).entryList(QDir::Files), QStringList{"list.kvl"});
        } else if (file.isEmpty()) {
            QVERIFY(writeFile(path, bytes));
        }
        if (way == u"load" || way == u"both") {
            Playlist in;
            in.append("old", "/old");
            LoadList(in, path, dialogs);  // appends
            QCOMPARE(pairs(in), QStringList({"old", "/old"}) + entries);
        }
        QCOMPARE(dialogs.messages.size(), errorBox ? 1 : 0);
        if (errorBox) {
            QCOMPARE(dialogs.messages[0].title, QStringLiteral("Error"));
            QCOMPARE(dialogs.messages[0].icon, Dialogs::Icon::Warning);
            QVERIFY(!dialogs.messages[0].text.isEmpty());
        }
    }
    // The desk's list-file commands. Cancelled, a command empties, reads and writes nothing; then
    // open replaces the list and save writes the exact name chosen. Every dialog shows its own
    // title and offers its own kind of file, word for word.
    void commands_data() {
        QTest::addColumn<bool>("samples");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("filter");
        QTest::newRow("open playlist") << false << true << "Open Vantrel playlist"
                                       << "Vantrel playlist|*.kvl|All files|*.*";
        QTest::newRow("save playlist") << false << false << "Save Korvel playlist"
                                       << "Korvel playlist|*.kvl";
        QTest::newRow("open sample list") << true << true << "Open Vantrel samplelist"
                                          << "Vantrel samplelist|*.sls|All files|*.*";
        QTest::newRow("save sample list") << true << false << "Save Vantrel samplelist"
                                          << "Vantrel samplelist|*.sls";
    }
    void commands() {
        QFETCH(bool, samples);
        QFETCH(bool, open);
        test::DeskFixture t;
        Playlist& list = samples ? t.desk->sampleList() : t.desk->playlist();
        ListCommands& cmds =
            samples ? t.desk->sampleListFile() : t.desk->playlistCommands().listFile();
        const QString file = t.folder.filePath("chosen");
        const QByteArray onDisk("disk\r\n/disk.mp3\r\n");
        QVERIFY(writeFile(file, onDisk));
        list.append("mem", "/mem.mp3");
        const auto run = [&] { open ? cmds.openList() : cmds.saveList(); };
        run();
        QCOMPARE(t.dialogs.requests.size(), 1);
        const ScriptedDialogs::Request& asked = t.dialogs.requests[0];
        QCOMPARE(asked.kind, QString(open ? "open" : "save"));
        QTEST(asked.title, "title");
        QTEST(asked.filterOrFolder, "filter");
        QCOMPARE(asked.multiple, false);
        QCOMPARE(pairs(list), (QStringList{"mem", "/mem.mp3"}));
        QCOMPARE(readFile(file), onDisk);
        open ? t.dialogs.openAnswers.enqueue({file}) : t.dialogs.pathAnswers.enqueue(file);
        run();
        const QString now = open ? "disk" : "mem";
        QCOMPARE(pairs(list), (QStringList{now, "/" + now + ".mp3"}));
        QCOMPARE(readFile(file), open ? onDisk : QByteArray("mem\r\n/mem.mp3\r\n"));
        QVERIFY(t.dialogs.messages.isEmpty());
        cmds.newList();
        QCOMPARE(list.count(), 0);
    }
};

QTEST_GUILESS_MAIN(PlaylistTest)
#include "tst_playlist.moc"
