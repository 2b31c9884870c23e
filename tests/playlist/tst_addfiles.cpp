// Adding files and folders to a list: the labels the entries get, the search behind the folder
// commands, and playlists from other players dropped on the playlist: each kind with entries
// relative to its own folder, absolute or as file:// URLs, in any line ending; and lists made to
// hurt.
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

#include "Support.h"
#include "base/FilePath.h"
#include "playlist/AddFiles.h"
#include "playlist/DropAdder.h"
#include "playlist/FileSearch.h"
#include "playlist/PlaylistCommands.h"
#include "support/AudioFiles.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;
using vantrel::test::makeTree;
using vantrel::test::ScriptedDialogs;

class AddFilesTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void labels_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("fileCommand");  // "" = no entry
        QTest::addColumn<QString>("folderCommand");
        const auto row = [](const char* name, const char* file, const char* folder) {
            QTest::newRow(name) << QString::fromUtf8(name) << QString::fromUtf8(file)
                                << QString::fromUtf8(folder ? folder : file);
        };
        row("Song.mp3", "Song (MP3 file)", nullptr);
        row("track.MP3", "track (unknown audio format)", "track (MP3 file)");
        row("SONG.WAV", "SONG (unknown audio format)", nullptr);
        row("a.wav", "a (Wav file)", nullptr);
        row("Track01.cda", "Track01 (audio track)", nullptr);
        row("song.flac", "song. (unknown audio format)", nullptr);  // the last four are cut
        row(".mp3", " (MP3 file)", nullptr);
        row("mp3", "", nullptr);  // too short for a label
    }
    void labels() {
        QFETCH(QString, name);
        QTEST(DisplayText(name, Mp3Case::Exact).value_or(QString()), "fileCommand");
        QTEST(DisplayText(name, Mp3Case::AnyCase).value_or(QString()), "folderCommand");
    }
    // The add commands as the desk has them. Files come in the dialog's order, until a name too
    // short for a label. The folder commands of both lists share one search: each run adds what
    // it found once, in search order, and the browser opens on the last folder without its slash.
    void addCommands() {
        QTemporaryDir dir;
        QVERIFY(
            makeTree(dir.path(), {"x.mp3", "sub/y.WMA", "sub/TRACK.MP3", "sub/z.aif", "n.txt"}));
        // A Latin-1 name, not UTF-8: its entry keeps the byte.
        const QString cafe = "/Caf" + QString(QChar(0xDCE9)) + ".mp3";
        QVERIFY(QFile(dir.path() + "/x.mp3").copy(dir.path() + "/cafe"));
        QCOMPARE(::rename(QFile::encodeName(dir.path() + "/cafe"), PathToBytes(dir.path() + cafe)),
                 0);
        ScriptedDialogs dialogs;
        dialogs.openAnswers << QStringList{"/a.wav", "/m/Song.mp3", "/m/b", "/c.mp3"}
                            << QStringList{};
        FileSearch search;
        QString last = "/kept/";
        Playlist list, samples;
        AddFiles(list, dialogs);
        AddFiles(list, dialogs);                                 // cancelled
        AddFolder(list, dialogs, search, last, kAudioPatterns);  // cancelled
        QCOMPARE(last, QStringLiteral("/kept/"));
        const QString sub = dir.path() + "/sub";
        dialogs.pathAnswers << dir.path() + "/" << dir.path() << sub << sub;
        AddFolder(list, dialogs, search, last, kAudioPatterns);
        AddFolder(list, dialogs, search, last, kAudioPatterns);
        AddFolder(samples, dialogs, search, last, "*.mp3;*.wav");
        AddFolder(samples, dialogs, search, last, "*.ogg");  // nothing found: nothing added
        QCOMPARE(last, sub);
        QStringList asked;  // the browser with the folder it opens on
        for (const auto& r : dialogs.requests)
            asked << r.title + (r.multiple ? " (multiple)" : "") +
                         (r.kind == u"folder" ? ": " + r.filterOrFolder : QString());
        const QString browse = QStringLiteral("Add folder with audio files to playlist: ");
        QCOMPARE(asked, (QStringList{"Open audio (multiple)", "Open audio (multiple)",
                                     browse + "/kept", browse + "/kept", browse + dir.path(),
                                     browse + dir.path(), browse + sub}));
        QStringList got;  // "title=path", under the folder
        for (const Playlist* l : {&list, &samples})
            for (const auto& e : l->entries())
                got << e.title + '=' + QString(e.path).remove(dir.path());
        const QStringList audio{"Caf\uFFFD (MP3 file)=" + cafe, "x (MP3 file)=/x.mp3",
                                "TRACK (MP3 file)=/sub/TRACK.MP3",
                                "y (unknown audio format)=/sub/y.WMA"};
        QCOMPARE(got, QStringList({"a (Wav file)=/a.wav", "Song (MP3 file)=/m/Song.mp3"}) + audio +
                          audio + audio.mid(2, 1));
        QVERIFY(dialogs.messages.isEmpty());
    }
    void wildcard_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        // "pattern ~ text": matches, "pattern !~ text": does not. Case is ignored everywhere, a
        // match covers the whole text, a "[" without its "]" stands for itself and upper-casing
        // must not lengthen a text (ß).
        const QString table = QString::fromUtf8(
            "song.mp3 ~ song.mp3, song.mp3 ~ SONG.Mp3, song !~ songs, ong !~ song, "
            "*.mp3 ~ SONG.MP3, *.mp3 !~ a.mp3.txt, *.mp3 ~ .mp3, a*z ~ abcz, a*z ~ az, a*z !~ azb, "
            "*a*b*c ~ xxaxxbxxbxc, *a*b*c !~ cba, * ~ , ?.wav ~ a.wav, ?.wav !~ .wav, "
            "?.wav !~ ab.wav, ?.ogg ~ é.ogg, ?.mp3 ~ ß.MP3, track##.mp3 ~ track07.mp3, "
            "track#.mp3 !~ trackx.mp3, [abc].mp3 ~ b.mp3, [abc].mp3 ~ B.MP3, [abc].mp3 !~ d.mp3, "
            "[a-f]x ~ Dx, [a-f]x !~ gx, [!abc].mp3 ~ d.mp3, [!abc].mp3 !~ A.mp3, [!0-9]* ~ x1, "
            "[!0-9]* !~ 1x, [-a] ~ -, [a-] ~ -, [*?#] ~ #, [*] !~ x, a[b ~ a[b, a] ~ a], !x ~ !x, "
            " ~ ,  !~ a");
        for (const QString& row : table.split(QStringLiteral(", "))) {
            const QStringList f = row.split(u' ');
            QTest::newRow(qPrintable(row)) << f[0] << f[2] << (f[1] == u"~");
        }
    }
    void wildcard() {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QTEST(WildcardPattern(pattern).matches(text), "expected");
    }
    void search_data() {
        QTest::addColumn<QString>("tree");  // paths as makeTree takes them, "|" between
        QTest::addColumn<QString>("patterns");
        QTest::addColumn<bool>("recurse");
        QTest::addColumn<QString>("expected");  // in the order found
        const auto row = [](const char* name, const char* tree, const QString& patterns,
                            bool recurse, const char* expected) {
            QTest::newRow(name) << QString::fromUtf8(tree) << patterns << recurse
                                << QString::fromUtf8(expected);
        };
        const char* example = "a.mp3|B.WAV|c.txt|sub/d.ogg";
        // clang-format off
        row("example", example, kAudioPatterns, true, "a.mp3|B.WAV|sub/d.ogg");
        row("no subfolders", example, kAudioPatterns, false, "a.mp3|B.WAV");
        row("empty piece kept", example, "*.ogg;", true, "sub/d.ogg");
        row("only separators", example, ";;", true, "");
        // The pattern loop counts to 32767: a pattern further down the list is never tried.
        row("last pattern counted", example, QString(32767, u';') + "*.ogg", true, "sub/d.ogg");
        row("pattern past the counter", example, QString(32768, u';') + "*.ogg", true, "");
        // Upper-cased ordinal order: "_" (0x5F) sorts after the letters, digits before them.
        row("name order", "b.mp3|_x.mp3|A.mp3|Z.wav|1.ogg|a b.wma", kAudioPatterns, true, "1.ogg|a b.wma|A.mp3|b.mp3|Z.wav|_x.mp3");
        row("own files first", "a/z.mp3|z.mp3|b/y.mp3|a/c/x.mp3|a/w.mp3", kAudioPatterns, true, "z.mp3|a/w.mp3|a/z.mp3|a/c/x.mp3|b/y.mp3");
        row("folder named like a file", "dir.mp3/|dir.mp3/in.wav", kAudioPatterns, true, "dir.mp3/in.wav");
        row("unicode", "é/ü.mp3|Ä.MP3", kAudioPatterns, true, "Ä.MP3|é/ü.mp3");
        // A linked file counts; a linked folder is never entered, nor is a dangling link a file.
        row("links", "a.mp3|sub/b.mp3|loop>.|sublink>sub|link.mp3>a.mp3|dangling.mp3>gone.mp3", kAudioPatterns, true, "a.mp3|link.mp3|sub/b.mp3");
        // clang-format on
    }
    void search() {
        QFETCH(QString, tree);
        QFETCH(QString, patterns);
        QFETCH(bool, recurse);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(makeTree(dir.path(), tree.split(u'|')));
        FileSearch s;
        s.SetFilePatterns(patterns);
        // A missing folder finds nothing, and so does a cancelled walk; the next walk counts every
        // file as it goes.
        s.FindFilesWithPatterns(dir.filePath("missing"), recurse);
        QCOMPARE(s.FilesFound, 0);
        std::atomic<bool> cancel{true};
        s.setCancelFlag(&cancel);
        s.FindFilesWithPatterns(dir.path(), recurse);
        QCOMPARE(s.FilesFound, 0);
        cancel = false;
        s.FindFilesWithPatterns(dir.path(), recurse);
        QCOMPARE(s.CopyFiles().join(u'|').remove(dir.path() + '/'), expected);
        QCOMPARE(s.liveCount(), s.FilesFound);
    }
    // Dropped at the top of a one-entry playlist. The list sits in lists/; "@" stands for the
    // temporary folder, "^" for it as a URL. "zero": a link to /dev/zero; "big": 100 MB.
    void droppedListsAddTheirSongs_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("entries");  // title@path below the folder; "#N": N entries
        QTest::addColumn<QString>("message");  // in the one "Error" box
        const QString songs =
            "One (MP3 file)@music/One.mp3,Two Words (Ogg Vorbis file)@music/Two "
            "Words.ogg,Tres (Wav file)@other/Tres.wav";
        QTest::newRow("m3u, LF, relative and absolute")
            << "lists/a.m3u"
            << QByteArray(
                   "../music/One.mp3\n# a comment\n../music/Two Words.ogg\n"
                   "@/other/Tres.wav\n")
            << songs << "";
        QTest::newRow("m3u8, BOM, CR LF, EXTINF, URLs")
            << "lists/b.M3U8"
            << QByteArray(
                   "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:12,Ana - One\r\n^/music/One.mp3\r\n"
                   "#EXTINF:-1,Two\r\n^/music/Two%20Words.ogg\r\n  ../other/Tres.wav  \r\n")
            << songs << "";
        QTest::newRow("m3u, CR, Latin-1, a web address")
            << "lists/c.m3u" << QByteArray("../music/Canci\xF3n.mp3\rhttp://radio.invalid/live\r")
            << QString::fromUtf8("Canción (MP3 file)@music/Canción.mp3") << "no local file";
        QTest::newRow("pls, out of order")
            << "lists/d.pls"
            << QByteArray(
                   "[playlist]\nFile2=../music/Two Words.ogg\nTitle2=Two\nfile1=^/music/"
                   "One.mp3\nFile3=@/other/Tres.wav\nNumberOfEntries=3\nVersion=2\n")
            << songs << "";
        QTest::newRow("xspf")
            << "lists/e.xspf"
            << QByteArray(
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<playlist version=\"1\" "
                   "xmlns=\"http://xspf.org/ns/0/\"><trackList>\n<track><title>One</title>"
                   "<location>../music/One.mp3</location></track>\n<track><location>"
                   "^/music/Two%20Words.ogg</location><location>x.mp3</location></track>\n"
                   "<track><location>@/other/Tres.wav</location></track>\n"
                   "</trackList></playlist>\n")
            << songs << "";
        QTest::newRow("xspf, broken halfway")
            << "lists/f.xspf"
            << QByteArray(
                   "<playlist><trackList><track><location>../music/One.mp3</location>"
                   "</track><track><location>../x</trackList>")
            << "One (MP3 file)@music/One.mp3"
            << "not a readable XSPF";
        // Hostile: none may crash or hang the reader.
        QTest::newRow("100 MB") << "big.m3u8" << QByteArray("big") << "first (MP3 file)@m/first.mp3"
                                << "larger than 16 MB";
        QTest::newRow("a million lines")
            // The playlist already holds one entry: one less fits.
            << "long.m3u" << QByteArray("#EXTINF:1,x\n/m/song.mp3\n").repeated(500000) << "#32766"
            << "more than 32767";
        QTest::newRow("the list is /dev/zero") << "zero.pls" << QByteArray("zero") << ""
                                               << "not a file";
        QTest::newRow("entries of /dev/zero")
            << "dev.m3u" << QByteArray("/dev/zero\n/dev/zero.mp3\n") << "#2"
            << "";
        QTest::newRow("xspf entity expansion")
            << "laughs.xspf"
            << QByteArray(
                   "<?xml version=\"1.0\"?><!DOCTYPE p [<!ENTITY a \"aaaaaaaaaa\">"
                   "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;"
                   "&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
                   "<playlist><trackList><track><location>&d;</location></track>"
                   "</trackList></playlist>")
            << ""
            << "entities";
    }

    void droppedListsAddTheirSongs() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, entries);
        QFETCH(QString, message);
        const QString path = dir_.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        if (bytes == "zero") {
            QVERIFY(QFile::link("/dev/zero", path));
        } else {
            if (bytes == "big") bytes = "@/m/first.mp3\n";
            bytes.replace('^', QUrl::fromLocalFile(dir_.path()).toEncoded());
            QVERIFY(test::writeFile(path, bytes.replace('@', QFile::encodeName(dir_.path()))));
            if (name.startsWith("big"))
                QVERIFY(QFile::resize(path, 100 << 20));  // a hole: NUL bytes
        }
        Playlist list;
        list.append("Kept", dir_.filePath("kept.mp3"));
        ScriptedDialogs dialogs;
        PlaylistCommands commands(list, dialogs);
        QSignalSpy added(&commands.dropAdder(), &DropAdder::added);
        QVERIFY(commands.dropAdder().add({path}, 0));
        QVERIFY(added.wait(20000));
        QStringList shown = test::entriesBelow(list, dir_.path());
        QCOMPARE(shown.takeLast(), "Kept@kept.mp3");
        if (entries.startsWith('#'))
            QCOMPARE(shown.size(), entries.mid(1).toInt());
        else
            QCOMPARE(shown.join(','), entries);
        QCOMPARE(dialogs.messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(dialogs.messages[0].text.startsWith(path + ": ") &&
                         dialogs.messages[0].text.contains(message),
                     qPrintable(dialogs.messages[0].text));
    }
};

QTEST_GUILESS_MAIN(AddFilesTest)
#include "tst_addfiles.moc"
