#include <QTemporaryDir>
#include <QtTest>

#include "playlist/ListFile.h"
#include "support/DeskFixture.h"

using namespace vantrel;
using vantrel::test::ScriptedDialogs;

namespace {

QByteArray readAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeAll(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QStringList pairs(const Playlist& list) {
    QStringList out;
    for (const auto& e : list.entries()) out << e.title << e.path;
    return out;
}

}  // namespace

class ListFileTest : public QObject {
    Q_OBJECT
private slots:
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
        // Not text: read as it is, and said.
        row("nul bytes", "load", {QStringLiteral("a\0b"), QStringLiteral("/a\0")},
            QByteArray("a\0b\r\n/a\0\r\n", 10), true);
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
            QVERIFY(writeAll(path, "old\r\n/old.mp3\r\n"));  // the file saved over
            if (fullDisk) writeAll(sub + "/filler", QByteArray(60 * 1024, 'x'));  // what fits
            Playlist out;
            for (qsizetype i = 0; i + 1 < entries.size(); i += 2)
                out.append(entries[i], entries[i + 1]);
            SaveList(out, path, dialogs);
            QFile::remove(sub + "/filler");
            QCOMPARE(readAll(path), bytes);
            QCOMPARE(QDir(sub).entryList(QDir::Files), QStringList{"list.kvl"});
        } else if (file.isEmpty()) {
            QVERIFY(writeAll(path, bytes));
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
        QVERIFY(writeAll(file, onDisk));
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
        QCOMPARE(readAll(file), onDisk);
        open ? t.dialogs.openAnswers.enqueue({file}) : t.dialogs.pathAnswers.enqueue(file);
        run();
        const QString now = open ? "disk" : "mem";
        QCOMPARE(pairs(list), (QStringList{now, "/" + now + ".mp3"}));
        QCOMPARE(readAll(file), open ? onDisk : QByteArray("mem\r\n/mem.mp3\r\n"));
        QVERIFY(t.dialogs.messages.isEmpty());
        cmds.newList();
        QCOMPARE(list.count(), 0);
    }
};

QTEST_GUILESS_MAIN(ListFileTest)
#include "tst_listfile.moc"
