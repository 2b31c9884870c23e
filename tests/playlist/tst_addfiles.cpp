#include <QTemporaryDir>
#include <QtTest>

#include "Support.h"
#include "playlist/AddFiles.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;
using vantrel::test::makeTree;
using vantrel::test::ScriptedDialogs;

class AddFilesTest : public QObject {
    Q_OBJECT
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
        row("x.Mp3", "x (unknown audio format)", "x (MP3 file)");
        row("SONG.WAV", "SONG (unknown audio format)", nullptr);
        row("a.wav", "a (Wav file)", nullptr);
        row("b.ogg", "b (Ogg Vorbis file)", nullptr);
        row("c.wma", "c (Windows Media Audio)", nullptr);
        row("d.aif", "d (Aif - Mac)", nullptr);
        row("Track01.cda", "Track01 (audio track)", nullptr);
        row("song.flac", "song. (unknown audio format)", nullptr);  // the last four are cut
        row("e.aiff", "e. (unknown audio format)", nullptr);
        row(".mp3", " (MP3 file)", nullptr);
        row("mp3", "", nullptr);  // too short for a label
        row("README", "RE (unknown audio format)", nullptr);
    }
    void labels() {
        QFETCH(QString, name);
        QTEST(DisplayText(name, Mp3Case::Exact).value_or(QString()), "fileCommand");
        QTEST(DisplayText(name, Mp3Case::AnyCase).value_or(QString()), "folderCommand");
    }
    void addFiles() {
        ScriptedDialogs dialogs;
        dialogs.openAnswers << QStringList{"/a.wav", "/m/Song.mp3", "/m/b", "/c.mp3"}
                            << QStringList{};
        Playlist list;
        list.append("old", "/old.mp3");
        AddFiles(list, dialogs);  // in dialog order, until a name too short for a label
        AddFiles(list, dialogs);  // cancelled
        QCOMPARE(dialogs.requests.size(), 2);
        QCOMPARE(dialogs.requests[0].title, QStringLiteral("Open audio"));
        QVERIFY(dialogs.requests[0].multiple);
        QStringList got;
        for (int i = 0; i < list.count(); ++i) got << list.title(i) << list.path(i);
        QCOMPARE(got, (QStringList{"old", "/old.mp3", "a (Wav file)", "/a.wav", "Song (MP3 file)",
                                   "/m/Song.mp3"}));
        QVERIFY(dialogs.messages.isEmpty());
    }
    void addFolder() {
        QTemporaryDir dir;
        QVERIFY(
            makeTree(dir.path(), {"x.mp3", "sub/y.WMA", "sub/TRACK.MP3", "sub/z.aif", "n.txt"}));
        ScriptedDialogs dialogs;
        FileSearch search;
        QString last = "/kept";
        Playlist list;
        AddFolder(list, dialogs, search, last, kAudioPatterns);  // cancelled
        QCOMPARE(last, QStringLiteral("/kept"));
        dialogs.pathAnswers << dir.path() << dir.path() + "/";
        AddFolder(list, dialogs, search, last, kAudioPatterns);
        QCOMPARE(last, dir.path());
        AddFolder(list, dialogs, search, last, kAudioPatterns);  // the same folder again
        QCOMPARE(dialogs.requests.size(), 3);
        QCOMPARE(dialogs.requests[0].kind, QStringLiteral("folder"));
        QCOMPARE(dialogs.requests[0].title,
                 QStringLiteral("Add folder with audio files to playlist"));
        QCOMPARE(dialogs.requests[0].filterOrFolder, QStringLiteral("/kept"));
        QCOMPARE(dialogs.requests[2].filterOrFolder, dir.path());
        const QStringList titles{"x (MP3 file)", "TRACK (MP3 file)", "y (unknown audio format)"};
        const QStringList ends{"/x.mp3", "/sub/TRACK.MP3", "/sub/y.WMA"};
        QCOMPARE(list.count(), 6);
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(list.title(i), titles[i % 3]);
            QVERIFY(!list.path(i).contains("//") && list.path(i).endsWith(ends[i % 3]));
        }
        QCOMPARE(search.FilesFound, 0);  // results forgotten, patterns kept
        QCOMPARE(search.GetFilePatterns(), kAudioPatterns);
        QVERIFY(dialogs.messages.isEmpty());

        // The sample folder command reuses it with its own patterns, list and memory; a folder
        // with nothing to add adds nothing, silently.
        QString lastSample = "/somewhere/";
        Playlist samples;
        dialogs.pathAnswers << dir.path() + "/sub" << dir.path() + "/sub";
        AddFolder(samples, dialogs, search, lastSample, "*.mp3;*.wav");
        QCOMPARE(dialogs.requests.last().filterOrFolder, QStringLiteral("/somewhere"));
        AddFolder(samples, dialogs, search, lastSample, "*.ogg");
        QCOMPARE(lastSample, dir.path() + "/sub");
        QCOMPARE(samples.count(), 1);
        QCOMPARE(samples.title(0), QStringLiteral("TRACK (MP3 file)"));
        QVERIFY(dialogs.messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(AddFilesTest)
#include "tst_addfiles.moc"
