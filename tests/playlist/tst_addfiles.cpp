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
    // The folder commands of both lists share one search, as on the desk: each run adds what it
    // found once, in search order, and the browser opens on the last folder without its slash.
    void addFolder() {
        QTemporaryDir dir;
        QVERIFY(
            makeTree(dir.path(), {"x.mp3", "sub/y.WMA", "sub/TRACK.MP3", "sub/z.aif", "n.txt"}));
        ScriptedDialogs dialogs;
        FileSearch search;
        QString last = "/kept/";
        Playlist list, samples;
        AddFolder(list, dialogs, search, last, kAudioPatterns);  // cancelled
        QCOMPARE(last, QStringLiteral("/kept/"));
        const QString sub = dir.path() + "/sub";
        dialogs.pathAnswers << dir.path() + "/" << dir.path() << sub << sub;
        AddFolder(list, dialogs, search, last, kAudioPatterns);
        AddFolder(list, dialogs, search, last, kAudioPatterns);
        AddFolder(samples, dialogs, search, last, "*.mp3;*.wav");
        AddFolder(samples, dialogs, search, last, "*.ogg");  // nothing found: nothing added
        QCOMPARE(last, sub);
        QStringList opened;
        for (const auto& r : dialogs.requests) {
            QCOMPARE(r.kind, QStringLiteral("folder"));
            QCOMPARE(r.title, QStringLiteral("Add folder with audio files to playlist"));
            opened << r.filterOrFolder;
        }
        QCOMPARE(opened, (QStringList{"/kept", "/kept", dir.path(), dir.path(), sub}));
        QStringList got;
        for (const Playlist* l : {&list, &samples})
            for (const auto& e : l->entries()) got << e.title << e.path.mid(dir.path().size());
        const QStringList audio{"x (MP3 file)",
                                "/x.mp3",
                                "TRACK (MP3 file)",
                                "/sub/TRACK.MP3",
                                "y (unknown audio format)",
                                "/sub/y.WMA"};
        QCOMPARE(got, audio + audio + (QStringList{"TRACK (MP3 file)", "/sub/TRACK.MP3"}));
        QVERIFY(dialogs.messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(AddFilesTest)
#include "tst_addfiles.moc"
