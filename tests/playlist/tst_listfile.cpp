#include <unistd.h>

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "playlist/ListFile.h"
#include "support/ScriptedDialogs.h"

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
    void roundTripKeepsEveryByte_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("path");
        const auto row = [](const char* name, const char* title, const char* path) {
            QTest::newRow(name) << QString::fromUtf8(title) << QString::fromUtf8(path);
        };
        row("unicode", "Ünïcødé 日本語 🎵 (MP3 file)", "/music/Ünïcødé/日本語 🎵.mp3");
        row("spaces", "two  spaces (Wav file)", "/my music/two  spaces.wav");
        row("blanks at both ends", "  padded  ", " /padded path/x.mp3 ");
        row("wildcards", "#[]?* (Ogg Vorbis file)", "/m/#[]?*.ogg");
        row("semicolons", "a;b;c", "/m/a;b;c.mp3");
        row("comma and quotes", "Live, part \"2\"", "/m/Live, part \"2\".wav");
        row("tab and backslash", "a\tb\\c", "C:\\Music\\a\tb.mp3");
        row("empty title", "", "/m/x.mp3");
        row("empty both", "", "");
    }
    void roundTripKeepsEveryByte() {
        QFETCH(QString, title);
        QFETCH(QString, path);
        QTemporaryDir dir;
        const QString file = dir.filePath("list.kvl");
        ScriptedDialogs dialogs;
        Playlist out;
        out.append("first", "/first.mp3");
        out.append(title, path);
        out.append("last", "/last.mp3");
        SaveList(out, file, dialogs);
        QCOMPARE(readAll(file), "first\r\n/first.mp3\r\n" + title.toUtf8() + "\r\n" +
                                    path.toUtf8() + "\r\nlast\r\n/last.mp3\r\n");
        Playlist in;
        in.append("old", "/old");
        LoadList(in, file, dialogs);  // appends
        QCOMPARE(in.entries().mid(1), out.entries());
        QCOMPARE(in.title(0), QStringLiteral("old"));
        QVERIFY(dialogs.messages.isEmpty());
    }
    void load_data() {
        QTest::addColumn<QString>("file");  // "" = a file holding `bytes`
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QStringList>("first");  // title, path ... of the first entries read
        QTest::addColumn<bool>("errorBox");
        const QStringList ab{"a", "/a", "b", "/b"};
        const auto row = [](const char* name, const QByteArray& bytes, int entries,
                            const QStringList& first, bool errorBox) {
            QTest::newRow(name) << QString() << bytes << entries << first << errorBox;
        };
        row("empty file", "", 0, {}, false);
        row("crlf", "a\r\n/a\r\nb\r\n/b\r\n", 2, ab, false);
        row("lf", "a\n/a\nb\n/b\n", 2, ab, false);
        row("mixed", "a\r\n/a\nb\n/b\r\n", 2, ab, false);
        row("bom", "\xEF\xBB\xBF\x61\r\n/a\r\nb\r\n/b\r\n", 2, ab, false);
        row("no final line end", "a\r\n/a\r\nb\r\n/b", 2, ab, false);
        row("blank lines are entries", "\r\n\r\n", 1, {"", ""}, false);
        row("bom only later is text", "a\r\n\xEF\xBB\xBF/a\r\n", 1, {"a", "\uFEFF/a"}, false);
        row("lone cr is text", "a\rb\r\n/p\r\n", 1, {"a\rb", "/p"}, false);
        row("odd line count", "a\r\n/a\r\nb\r\n/b\r\nc\r\n", 2, ab, true);
        row("odd, unterminated", "a\r\n/a\r\nc", 1, {"a", "/a"}, true);
        row("one line", "only a title\r\n", 0, {}, true);
        row("nul bytes", QByteArray("a\0b\r\n/a\0\r\n", 10), 1, {}, false);
        row("invalid utf-8", "\xff\xfe\xc3(\r\n/\x80\x80\r\n", 1, {}, false);
        row("megabyte lines",
            QByteArray(1 << 20, 'x') + "\r\n" + QByteArray(3 << 20, 'y') + "\r\nt\r\n/p\r\n", 2, {},
            false);
        row("more than a full list", QByteArray(300000, '\n'), Playlist::kMaxEntries, {}, true);
        QTest::newRow("missing file")
            << "missing.kvl" << QByteArray() << 0 << QStringList() << true;
        QTest::newRow("folder") << "." << QByteArray() << 0 << QStringList() << true;
        // Opens, then fails on the first read, whoever runs the test.
        QTest::newRow("unreadable")
            << "/proc/self/mem" << QByteArray() << 0 << QStringList() << true;
    }
    void load() {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(int, entries);
        QFETCH(QStringList, first);
        QFETCH(bool, errorBox);
        QTemporaryDir dir;
        if (file.isEmpty()) QVERIFY(writeAll(file = dir.filePath("in.kvl"), bytes));
        ScriptedDialogs dialogs;
        Playlist list;
        LoadList(list, QDir(dir.path()).filePath(file), dialogs);
        QCOMPARE(list.count(), entries);
        QCOMPARE(list.rowCount(), entries);
        QCOMPARE(pairs(list).mid(0, first.size()), first);
        QCOMPARE(dialogs.messages.size(), errorBox ? 1 : 0);
        if (errorBox) {
            QCOMPARE(dialogs.messages[0].title, QStringLiteral("Error"));
            QCOMPARE(dialogs.messages[0].icon, Dialogs::Icon::Warning);
            QVERIFY(!dialogs.messages[0].text.isEmpty());
        }
        if (bytes.startsWith("\xff")) {
            QVERIFY(list.title(0).contains(QChar::ReplacementCharacter));
            QVERIFY(list.path(0).startsWith('/'));
        }
    }
    void saveEdgeCases() {
        QTemporaryDir dir;
        const QString file = dir.filePath("l.kvl");
        QVERIFY(writeAll(file, "old contents\r\n/old\r\n"));
        ScriptedDialogs dialogs;
        Playlist list;
        SaveList(list, file, dialogs);  // an empty list is an empty file
        QCOMPARE(QFileInfo(file).size(), 0);
        QVERIFY(dialogs.messages.isEmpty());
        // A path with a line break could not be read back: it is left out, with a message.
        list.append("a", "/a");
        list.append("b", "/line\nbreak.mp3");
        list.append("c\nd", "/c");
        SaveList(list, file, dialogs);
        QCOMPARE(readAll(file), QByteArray("a\r\n/a\r\nc d\r\n/c\r\n"));
        QCOMPARE(dialogs.messages.size(), 1);
    }
    void failedSaveKeepsOldFile_data() {
        QTest::addColumn<bool>("fullDisk");  // else a read-only folder
        QTest::newRow("read-only folder") << false;
        QTest::newRow("full disk") << true;
    }
    void failedSaveKeepsOldFile() {
        QFETCH(bool, fullDisk);
        QTemporaryDir dir;
        const QString sub = dir.filePath("target");
        QVERIFY(QDir().mkdir(sub));
        // A small file system of its own to fill; only root can make one.
        if (fullDisk && QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", sub}))
            QSKIP("cannot mount a small file system here");
        const auto cleanup = qScopeGuard([&] {
            if (fullDisk) QProcess::execute("umount", {sub});
        });
        const QString file = sub + "/list.kvl";
        const QByteArray old("old\r\n/old.mp3\r\n");
        QVERIFY(writeAll(file, old));
        ScriptedDialogs dialogs;
        Playlist list;
        for (int i = 0; i < (fullDisk ? 2000 : 1); ++i)
            list.append(QStringLiteral("new %1").arg(i),
                        QStringLiteral("/music/new %1.mp3").arg(i));
        bool writable = false;
        if (fullDisk) {
            writeAll(sub + "/filler", QByteArray(60 * 1024, 'x'));  // what fits of it
            SaveList(list, file, dialogs);
            QFile::remove(sub + "/filler");
        } else {
            // No file can be made in it, also for root (which ignores permissions).
            QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            const bool immutable =
                ::geteuid() == 0 && QProcess::execute("chattr", {"+i", sub}) == 0;
            QFile probe(sub + "/probe");
            writable = probe.open(QIODevice::WriteOnly);
            if (!writable) SaveList(list, file, dialogs);
            if (immutable) QProcess::execute("chattr", {"-i", sub});
            QFile::setPermissions(sub, QFile::permissions(sub) | QFileDevice::WriteOwner);
        }
        if (writable) QSKIP("cannot make a read-only folder here");
        QCOMPARE(readAll(file), old);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].title, QStringLiteral("Error"));
        QCOMPARE(dialogs.messages[0].icon, Dialogs::Icon::Warning);
        QCOMPARE(QDir(sub).entryList(QDir::Files), QStringList{"list.kvl"});
    }
    void commands_data() {
        QTest::addColumn<bool>("samples");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("filter");
        const auto row = [](const char* title, const char* filter) {
            QTest::newRow(title) << QByteArray(title).endsWith("samplelist")
                                 << QByteArray(title).startsWith("Open") << title << filter;
        };
        row("Open Vantrel playlist", "Vantrel playlist|*.kvl|All files|*.*");
        row("Save Korvel playlist", "Korvel playlist|*.kvl");
        row("Open Vantrel samplelist", "Vantrel samplelist|*.sls|All files|*.*");
        row("Save Vantrel samplelist", "Vantrel samplelist|*.sls");
    }
    void commands() {
        QFETCH(bool, samples);
        QFETCH(bool, open);
        QTemporaryDir dir;
        const QString file = dir.filePath("chosen");  // no extension is added
        const QByteArray onDisk("disk\r\n/disk.mp3\r\n");
        QVERIFY(writeAll(file, onDisk));
        ScriptedDialogs dialogs;
        Playlist list;
        list.append("mem", "/mem.mp3");
        ListCommands cmds(
            list, dialogs,
            samples ? ListCommands::sampleListTexts() : ListCommands::playlistTexts());
        const auto run = [&] { open ? cmds.openList() : cmds.saveList(); };
        run();  // cancelled: nothing is emptied, read or written
        QCOMPARE(dialogs.requests.size(), 1);
        QTEST(dialogs.requests[0].title, "title");
        QTEST(dialogs.requests[0].filterOrFolder, "filter");
        QCOMPARE(dialogs.requests[0].multiple, false);
        QCOMPARE(list.title(0), QStringLiteral("mem"));
        QCOMPARE(readAll(file), onDisk);

        open ? dialogs.openAnswers.enqueue({file}) : dialogs.pathAnswers.enqueue(file);
        run();
        const QString now = open ? "disk" : "mem";  // open replaces, never appends
        QCOMPARE(pairs(list), (QStringList{now, "/" + now + ".mp3"}));
        QCOMPARE(readAll(file), open ? onDisk : QByteArray("mem\r\n/mem.mp3\r\n"));
        QVERIFY(!QFile::exists(file + ".kvl"));
        QVERIFY(dialogs.messages.isEmpty());
        cmds.newList();
        QCOMPARE(list.count(), 0);
    }
    void fuzzedFilesKeepThePair() {
        // Memory-backed when there is one: the test writes 50,000 files.
        QTemporaryDir dir(QDir("/dev/shm").exists() ? "/dev/shm/vantrel-fuzz-XXXXXX"
                                                    : QDir::tempPath() + "/vantrel-fuzz-XXXXXX");
        const QString file = dir.filePath("fuzz.kvl");
        const QByteArray seed = QString::fromUtf8(
                                    "Song (MP3 file)\r\n/music/Song.mp3\r\n日本 (Wav file)\r\n"
                                    "/m/日本.wav\r\n\xEF\xBB\xBF\r\n\r\n")
                                    .toUtf8();
        const char specials[] = {'\r', '\n', '\0', '\xff', '\xef', '\xbb', '\xbf', '\xc3', ' '};
        QRandomGenerator rng(424242);
        ScriptedDialogs dialogs;
        QByteArray bytes = seed;
        for (int round = 0; round < 50000; ++round) {
            if (round % 64 == 0 || bytes.size() > 4096) bytes = seed;
            const int pos = bytes.isEmpty() ? 0 : int(rng.bounded(bytes.size()));
            const quint32 kind = rng.bounded(5);
            if (kind == 0) bytes.insert(pos, specials[rng.bounded(int(sizeof specials))]);
            if (kind == 1 && !bytes.isEmpty()) bytes[pos] = char(rng.bounded(256));
            if (kind == 2) bytes.truncate(pos);
            if (kind == 3) bytes.insert(pos, bytes.mid(pos / 2, 7));
            if (kind == 4 && !bytes.isEmpty()) bytes.remove(pos, 1 + int(rng.bounded(4)));
            QVERIFY(writeAll(file, bytes));
            Playlist list;
            dialogs.messages.clear();
            LoadList(list, file, dialogs);
            QCOMPARE(list.rowCount(), list.count());
            // Every line holds at most one line end, so there can be no more entries than half the
            // line ends plus the unterminated last line.
            QVERIFY(list.count() <= (bytes.count('\n') + 1) / 2);
            QVERIFY(dialogs.messages.size() <= 1);
        }
    }
};

QTEST_GUILESS_MAIN(ListFileTest)
#include "tst_listfile.moc"
