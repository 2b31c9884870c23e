#include <unistd.h>

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

const QByteArray kOld("old\r\n/old.mp3\r\n");

QStringList pairs(const Playlist& list) {
    QStringList out;
    for (const auto& e : list.entries()) out << e.title << e.path;
    return out;
}

}  // namespace

class ListFileTest : public QObject {
    Q_OBJECT
private slots:
    // What a save leaves in the folder, and that loading it appends the same entries. A path with
    // a line break could not be read back, so it is left out with the box; a save that fails
    // keeps the old file whole.
    void save_data() {
        QTest::addColumn<QStringList>("written");  // title, path, ...
        QTest::addColumn<QString>("failure");      // "read-only folder", "full disk" or ""
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("errorBox");
        const auto row = [](const char* name, const char* title, const char* path) {
            const QStringList written{
                "first", "/first.mp3", QString::fromUtf8(title), QString::fromUtf8(path),
                "last",  "/last.mp3"};
            QTest::newRow(name) << written << QString() << (written.join("\r\n") + "\r\n").toUtf8()
                                << false;
        };
        row("unicode", "Ünïcødé 日本語 🎵 (MP3 file)", "/music/Ünïcødé/日本語 🎵.mp3");
        row("blanks at both ends", "  two  spaces  ", " /padded path/x.mp3 ");
        row("punctuation, tab and backslash", "#[]?*;, \"2\"\tb\\c",
            "C:\\Mu;sic\\#[]?*, \"2\"\tb.mp3");
        row("empty title", "", "/m/x.mp3");
        row("empty both", "", "");
        QTest::newRow("empty list") << QStringList() << QString() << QByteArray() << false;
        QTest::newRow("line breaks")
            << QStringList{"a", "/a", "b", "/line\nbreak.mp3", "c\nd", "/c"} << QString()
            << QByteArray("a\r\n/a\r\nc d\r\n/c\r\n") << true;
        QStringList many;
        for (int i = 0; i < 2000; ++i)
            many << QStringLiteral("new %1").arg(i) << QStringLiteral("/music/new %1.mp3").arg(i);
        for (const char* failure : {"read-only folder", "full disk"})
            QTest::newRow(failure) << many << failure << kOld << true;
    }
    void save() {
        QFETCH(QStringList, written);
        QFETCH(QString, failure);
        QFETCH(bool, errorBox);
        QTemporaryDir dir;
        const QString sub = dir.filePath("target");
        QVERIFY(QDir().mkdir(sub));
        // A small file system of its own to fill; only root can make one.
        const bool fullDisk = failure == u"full disk";
        if (fullDisk && QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", sub}))
            QSKIP("cannot mount a small file system here");
        const auto cleanup = qScopeGuard([&] {
            if (fullDisk) QProcess::execute("umount", {sub});
        });
        const QString file = sub + "/list.kvl";
        QVERIFY(writeAll(file, kOld));
        ScriptedDialogs dialogs;
        Playlist out;
        for (qsizetype i = 0; i + 1 < written.size(); i += 2)
            out.append(written[i], written[i + 1]);
        if (failure == u"read-only folder") {
            // No file can be made in it, also for root (which ignores permissions).
            QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            const bool immutable =
                ::geteuid() == 0 && QProcess::execute("chattr", {"+i", sub}) == 0;
            const bool writable = QFile(sub + "/probe").open(QIODevice::WriteOnly);
            if (!writable) SaveList(out, file, dialogs);
            if (immutable) QProcess::execute("chattr", {"-i", sub});
            QFile::setPermissions(sub, QFile::permissions(sub) | QFileDevice::WriteOwner);
            if (writable) QSKIP("cannot make a read-only folder here");
        } else {
            if (fullDisk) writeAll(sub + "/filler", QByteArray(60 * 1024, 'x'));  // what fits
            SaveList(out, file, dialogs);
            QFile::remove(sub + "/filler");
        }
        QTEST(readAll(file), "bytes");
        QCOMPARE(QDir(sub).entryList(QDir::Files), QStringList{"list.kvl"});
        QCOMPARE(dialogs.messages.size(), errorBox ? 1 : 0);
        if (errorBox) {
            QCOMPARE(dialogs.messages[0].title, QStringLiteral("Error"));
            QCOMPARE(dialogs.messages[0].icon, Dialogs::Icon::Warning);
            return;
        }
        Playlist in;
        in.append("old", "/old");
        LoadList(in, file, dialogs);  // appends
        QCOMPARE(pairs(in).mid(2), written);
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
    // Cancelled, a command empties, reads and writes nothing; then open replaces the list and save
    // writes the exact name chosen. Each pair's dialogs offer its own kind of file.
    void commands_data() {
        QTest::addColumn<bool>("samples");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("kind");
        QTest::newRow("open playlist") << false << true << "*.kvl";
        QTest::newRow("save playlist") << false << false << "*.kvl";
        QTest::newRow("open sample list") << true << true << "*.sls";
        QTest::newRow("save sample list") << true << false << "*.sls";
    }
    void commands() {
        QFETCH(bool, samples);
        QFETCH(bool, open);
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString file = dir.filePath("chosen");
        const QByteArray onDisk("disk\r\n/disk.mp3\r\n");
        QVERIFY(writeAll(file, onDisk));
        ScriptedDialogs dialogs;
        Playlist list;
        list.append("mem", "/mem.mp3");
        ListCommands cmds(
            list, dialogs,
            samples ? ListCommands::sampleListTexts() : ListCommands::playlistTexts());
        const auto run = [&] { open ? cmds.cmdOpen() : cmds.cmdSave(); };
        run();
        QCOMPARE(dialogs.requests.size(), 1);
        QCOMPARE(dialogs.requests[0].kind, QString(open ? "open" : "save"));
        QVERIFY2(dialogs.requests[0].filterOrFolder.contains("|" + kind),
                 qPrintable(dialogs.requests[0].filterOrFolder));
        QCOMPARE(dialogs.requests[0].multiple, false);
        QCOMPARE(pairs(list), (QStringList{"mem", "/mem.mp3"}));
        QCOMPARE(readAll(file), onDisk);
        open ? dialogs.openAnswers.enqueue({file}) : dialogs.pathAnswers.enqueue(file);
        run();
        const QString now = open ? "disk" : "mem";
        QCOMPARE(pairs(list), (QStringList{now, "/" + now + ".mp3"}));
        QCOMPARE(readAll(file), open ? onDisk : QByteArray("mem\r\n/mem.mp3\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"chosen"});
        QVERIFY(dialogs.messages.isEmpty());
        cmds.cmdNew();
        QCOMPARE(list.count(), 0);
    }
};

QTEST_GUILESS_MAIN(ListFileTest)
#include "tst_listfile.moc"
