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

void writeAll(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Makes a folder where no file can be created, also for root (which ignores permissions).
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(QString path) : path_(std::move(path)) {
        QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (::geteuid() == 0) immutable_ = QProcess::execute("chattr", {"+i", path_}) == 0;
    }
    ~ReadOnlyFolder() {
        if (immutable_) QProcess::execute("chattr", {"-i", path_});
        QFile::setPermissions(
            path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    bool works() const {
        QFile probe(path_ + "/probe");
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            return false;
        }
        return true;
    }

private:
    QString path_;
    bool immutable_ = false;
};

}  // namespace

class ListFileTest : public QObject {
    Q_OBJECT
private slots:
    void roundTripKeepsEveryByte_data();
    void roundTripKeepsEveryByte();
    void twoEntryExampleBytes();
    void emptyListIsAnEmptyFile();
    void readerAcceptsLineEnds_data();
    void readerAcceptsLineEnds();
    void badFiles_data();
    void badFiles();
    void loadAppends();
    void saveIntoReadOnlyFolderKeepsOldFile();
    void pathWithLineBreakIsLeftOut();
    void commands_data();
    void commands();
    void fuzzedFilesKeepThePair();
};

void ListFileTest::roundTripKeepsEveryByte_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("path");
    QTest::newRow("unicode") << QString::fromUtf8("Ünïcødé 日本語 🎵 (MP3 file)")
                             << QString::fromUtf8("/music/Ünïcødé/日本語 🎵.mp3");
    QTest::newRow("spaces") << "two  spaces (Wav file)"
                            << "/my music/two  spaces.wav";
    QTest::newRow("blanks at both ends") << "  padded  "
                                         << " /padded path/x.mp3 ";
    QTest::newRow("wildcards") << "#[]?* (Ogg Vorbis file)"
                               << "/m/#[]?*.ogg";
    QTest::newRow("semicolons") << "a;b;c"
                                << "/m/a;b;c.mp3";
    QTest::newRow("comma and quotes") << "Live, part \"2\""
                                      << "/m/Live, part \"2\".wav";
    QTest::newRow("tab and backslash") << "a\tb\\c"
                                       << "C:\\Music\\a\tb.mp3";
    QTest::newRow("empty title") << ""
                                 << "/m/x.mp3";
    QTest::newRow("empty both") << ""
                                << "";
}

void ListFileTest::roundTripKeepsEveryByte() {
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
    QCOMPARE(readAll(file), "first\r\n/first.mp3\r\n" + title.toUtf8() + "\r\n" + path.toUtf8() +
                                "\r\nlast\r\n/last.mp3\r\n");

    Playlist in;
    LoadList(in, file, dialogs);
    QVERIFY(dialogs.messages.isEmpty());
    QCOMPARE(in.entries(), out.entries());
}

void ListFileTest::twoEntryExampleBytes() {
    QTemporaryDir dir;
    const QString file = dir.filePath("two.kvl");
    ScriptedDialogs dialogs;
    Playlist list;
    list.append("Song (MP3 file)", "C:\\Music\\Song.mp3");
    list.append("Live, part 2 (Wav file)", "D:\\Live, part 2.wav");
    SaveList(list, file, dialogs);
    QCOMPARE(readAll(file), QByteArray("Song (MP3 file)\r\nC:\\Music\\Song.mp3\r\n"
                                       "Live, part 2 (Wav file)\r\nD:\\Live, part 2.wav\r\n"));
    Playlist back;
    LoadList(back, file, dialogs);
    QCOMPARE(back.entries(), list.entries());
    QVERIFY(dialogs.messages.isEmpty());
}

void ListFileTest::emptyListIsAnEmptyFile() {
    QTemporaryDir dir;
    const QString file = dir.filePath("empty.kvl");
    writeAll(file, "old contents\r\n/old\r\n");
    ScriptedDialogs dialogs;
    Playlist empty;
    SaveList(empty, file, dialogs);
    QCOMPARE(QFileInfo(file).size(), 0);
    LoadList(empty, file, dialogs);
    QCOMPARE(empty.count(), 0);
    QVERIFY(dialogs.messages.isEmpty());
}

void ListFileTest::readerAcceptsLineEnds_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");  // title, path, title, path ...
    const QStringList ab{"a", "/a", "b", "/b"};
    QTest::newRow("crlf") << QByteArray("a\r\n/a\r\nb\r\n/b\r\n") << ab;
    QTest::newRow("lf") << QByteArray("a\n/a\nb\n/b\n") << ab;
    QTest::newRow("mixed") << QByteArray("a\r\n/a\nb\n/b\r\n") << ab;
    QTest::newRow("bom") << QByteArray(
                                "\xEF\xBB\xBF"
                                "a\r\n/a\r\nb\r\n/b\r\n")
                         << ab;
    QTest::newRow("no final line end") << QByteArray("a\r\n/a\r\nb\r\n/b") << ab;
    QTest::newRow("blank lines are entries") << QByteArray("\r\n\r\n") << QStringList{"", ""};
    QTest::newRow("bom only later is text")
        << QByteArray("a\r\n\xEF\xBB\xBF/a\r\n") << QStringList{"a", QString::fromUtf8("\uFEFF/a")};
    QTest::newRow("lone cr is text") << QByteArray("a\rb\r\n/p\r\n") << QStringList{"a\rb", "/p"};
}

void ListFileTest::readerAcceptsLineEnds() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString file = dir.filePath("in.kvl");
    writeAll(file, bytes);
    ScriptedDialogs dialogs;
    Playlist list;
    LoadList(list, file, dialogs);
    QStringList got;
    for (const auto& e : list.entries()) got << e.title << e.path;
    QCOMPARE(got, expected);
    QVERIFY(dialogs.messages.isEmpty());
}

void ListFileTest::badFiles_data() {
    QTest::addColumn<QString>("kind");  // "bytes", "missing", "folder", "unreadable"
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("entries");
    QTest::addColumn<bool>("errorBox");

    QTest::newRow("odd line count")
        << "bytes" << QByteArray("a\r\n/a\r\nb\r\n/b\r\nc\r\n") << 2 << true;
    QTest::newRow("odd, unterminated") << "bytes" << QByteArray("a\r\n/a\r\nc") << 1 << true;
    QTest::newRow("one line") << "bytes" << QByteArray("only a title\r\n") << 0 << true;
    QTest::newRow("nul bytes") << "bytes" << QByteArray("a\0b\r\n/a\0\r\n", 10) << 1 << false;
    QTest::newRow("invalid utf-8")
        << "bytes" << QByteArray("\xff\xfe\xc3(\r\n/\x80\x80\r\n") << 1 << false;
    QTest::newRow("megabyte lines")
        << "bytes"
        << QByteArray(1 << 20, 'x') + "\r\n" + QByteArray(3 << 20, 'y') + "\r\nt\r\n/p\r\n"
        << 2 << false;
    QTest::newRow("more than a full list")
        << "bytes" << QByteArray(300000, '\n') << Playlist::kMaxEntries << true;
    QTest::newRow("missing file") << "missing" << QByteArray() << 0 << true;
    QTest::newRow("folder") << "folder" << QByteArray() << 0 << true;
    QTest::newRow("unreadable file") << "unreadable" << QByteArray() << 0 << true;
}

void ListFileTest::badFiles() {
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(int, entries);
    QFETCH(bool, errorBox);

    QTemporaryDir dir;
    QString file = dir.filePath("bad.kvl");
    if (kind == "bytes") writeAll(file, bytes);
    if (kind == "folder") file = dir.path();
    // Opens, then fails on the first read, whoever runs the test.
    if (kind == "unreadable") file = "/proc/self/mem";

    ScriptedDialogs dialogs;
    Playlist list;
    LoadList(list, file, dialogs);
    QCOMPARE(list.count(), entries);
    QCOMPARE(list.rowCount(), entries);
    QCOMPARE(dialogs.messages.size(), errorBox ? 1 : 0);
    if (errorBox) {
        QCOMPARE(dialogs.messages[0].title, QStringLiteral("Error"));
        QCOMPARE(dialogs.messages[0].icon, Dialogs::Icon::Warning);
        QVERIFY(!dialogs.messages[0].text.isEmpty());
    }
    if (kind == "bytes" && bytes.startsWith("\xff")) {
        QVERIFY(list.title(0).contains(QChar::ReplacementCharacter));
        QVERIFY(list.path(0).startsWith('/'));
    }
}

void ListFileTest::loadAppends() {
    QTemporaryDir dir;
    const QString file = dir.filePath("l.kvl");
    writeAll(file, "n\r\n/n\r\n");
    ScriptedDialogs dialogs;
    Playlist list;
    list.append("old", "/old");
    LoadList(list, file, dialogs);
    LoadList(list, file, dialogs);
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.title(0), QStringLiteral("old"));
    QCOMPARE(list.path(2), QStringLiteral("/n"));
}

void ListFileTest::saveIntoReadOnlyFolderKeepsOldFile() {
    QTemporaryDir dir;
    const QString sub = dir.filePath("ro");
    QVERIFY(QDir().mkdir(sub));
    const QString file = sub + "/list.kvl";
    const QByteArray old("old\r\n/old.mp3\r\n");
    writeAll(file, old);
    ScriptedDialogs dialogs;
    Playlist list;
    list.append("new", "/new.mp3");
    {
        ReadOnlyFolder guard(sub);
        if (!guard.works()) QSKIP("cannot make a read-only folder here");
        SaveList(list, file, dialogs);
    }
    QCOMPARE(readAll(file), old);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].title, QStringLiteral("Error"));
    QCOMPARE(dialogs.messages[0].icon, Dialogs::Icon::Warning);
    QCOMPARE(QDir(sub).entryList(QDir::Files), QStringList{"list.kvl"});
}

void ListFileTest::pathWithLineBreakIsLeftOut() {
    QTemporaryDir dir;
    const QString file = dir.filePath("l.kvl");
    ScriptedDialogs dialogs;
    Playlist list;
    list.append("a", "/a");
    list.append("b", "/line\nbreak.mp3");
    list.append("c\nd", "/c");
    SaveList(list, file, dialogs);
    QCOMPARE(readAll(file), QByteArray("a\r\n/a\r\nc d\r\n/c\r\n"));
    QCOMPARE(dialogs.messages.size(), 1);
}

void ListFileTest::commands_data() {
    QTest::addColumn<bool>("samples");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("filter");
    QTest::newRow("open playlist") << false << "open"
                                   << "Open Vantrel playlist"
                                   << "Vantrel playlist|*.kvl|All files|*.*";
    QTest::newRow("save playlist") << false << "save"
                                   << "Save Korvel playlist"
                                   << "Korvel playlist|*.kvl";
    QTest::newRow("open samplelist") << true << "open"
                                     << "Open Vantrel samplelist"
                                     << "Vantrel samplelist|*.sls|All files|*.*";
    QTest::newRow("save samplelist") << true << "save"
                                     << "Save Vantrel samplelist"
                                     << "Vantrel samplelist|*.sls";
}

void ListFileTest::commands() {
    QFETCH(bool, samples);
    QFETCH(QString, command);
    QFETCH(QString, title);
    QFETCH(QString, filter);

    QTemporaryDir dir;
    const QString file = dir.filePath("chosen");  // no extension is added
    const QByteArray onDisk("disk\r\n/disk.mp3\r\n");
    writeAll(file, onDisk);
    ScriptedDialogs dialogs;
    Playlist list;
    list.append("mem", "/mem.mp3");
    ListCommands cmds(list, dialogs,
                      samples ? ListCommands::sampleListTexts() : ListCommands::playlistTexts());
    const auto run = [&] { command == "open" ? cmds.cmdOpen() : cmds.cmdSave(); };

    run();  // cancelled: nothing is emptied, read or written
    QCOMPARE(dialogs.requests.size(), 1);
    QCOMPARE(dialogs.requests[0].title, title);
    QCOMPARE(dialogs.requests[0].filterOrFolder, filter);
    QCOMPARE(dialogs.requests[0].multiple, false);
    QCOMPARE(list.title(0), QStringLiteral("mem"));
    QCOMPARE(readAll(file), onDisk);

    if (command == "open")
        dialogs.openAnswers.enqueue({file});
    else
        dialogs.pathAnswers.enqueue(file);
    run();
    QCOMPARE(list.count(), 1);
    if (command == "open") {
        QCOMPARE(list.title(0), QStringLiteral("disk"));  // replaced, not appended
    } else {
        QCOMPARE(readAll(file), QByteArray("mem\r\n/mem.mp3\r\n"));
        QVERIFY(!QFile::exists(file + ".kvl"));
    }
    QVERIFY(dialogs.messages.isEmpty());
    cmds.cmdNew();
    QCOMPARE(list.count(), 0);
}

void ListFileTest::fuzzedFilesKeepThePair() {
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
        switch (rng.bounded(5)) {
            case 0:
                bytes.insert(pos, specials[rng.bounded(int(sizeof specials))]);
                break;
            case 1:
                if (!bytes.isEmpty()) bytes[pos] = char(rng.bounded(256));
                break;
            case 2:
                bytes.truncate(pos);
                break;
            case 3:
                bytes.insert(pos, bytes.mid(pos / 2, 7));
                break;
            case 4:
                if (!bytes.isEmpty()) bytes.remove(pos, 1 + int(rng.bounded(4)));
                break;
        }
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
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

QTEST_GUILESS_MAIN(ListFileTest)
#include "tst_listfile.moc"
