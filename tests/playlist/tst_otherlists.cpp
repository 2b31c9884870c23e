// Playlists from other players, dropped on the playlist: each kind with entries relative to its
// own folder, absolute or as file:// URLs, in any line ending; and lists made to hurt.
#include <QTemporaryDir>
#include <QtTest>

#include "playlist/DropAdder.h"
#include "playlist/PlaylistCommands.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;

class OtherListsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
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
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) &&
                    f.write(bytes.replace('@', QFile::encodeName(dir_.path()))));
            if (name.startsWith("big")) QVERIFY(f.resize(100 << 20));  // a hole: NUL bytes
        }
        Playlist list;
        list.append("Kept", dir_.filePath("kept.mp3"));
        test::ScriptedDialogs dialogs;
        PlaylistCommands commands(list, dialogs);
        QSignalSpy added(&commands.dropAdder(), &DropAdder::added);
        QVERIFY(commands.dropAdder().add({path}, 0));
        QVERIFY(added.wait(20000));
        QStringList shown;
        for (const Playlist::Entry& e : list.entries())
            shown << e.title + '@' + QDir(dir_.path()).relativeFilePath(e.path);
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

QTEST_GUILESS_MAIN(OtherListsTest)
#include "tst_otherlists.moc"
