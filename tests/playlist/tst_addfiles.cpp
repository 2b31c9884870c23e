#include <QTemporaryDir>
#include <QtTest>

#include "Tree.h"
#include "playlist/AddFiles.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;
using vantrel::test::makeTree;
using vantrel::test::ScriptedDialogs;

class AddFilesTest : public QObject {
    Q_OBJECT
private slots:
    void labels_data();
    void labels();
    void addFiles_data();
    void addFiles();
    void addFolder();
    void addFolderCancelledOrEmpty();
};

void AddFilesTest::labels_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("fileCommand");  // "" = no entry
    QTest::addColumn<QString>("folderCommand");

    QTest::newRow("mp3") << "Song.mp3"
                         << "Song (MP3 file)"
                         << "Song (MP3 file)";
    QTest::newRow("MP3 upper") << "track.MP3"
                               << "track (unknown audio format)"
                               << "track (MP3 file)";
    QTest::newRow("Mp3 mixed") << "x.Mp3"
                               << "x (unknown audio format)"
                               << "x (MP3 file)";
    QTest::newRow("WAV upper") << "SONG.WAV"
                               << "SONG (unknown audio format)"
                               << "SONG (unknown audio format)";
    QTest::newRow("wav") << "a.wav"
                         << "a (Wav file)"
                         << "a (Wav file)";
    QTest::newRow("ogg") << "b.ogg"
                         << "b (Ogg Vorbis file)"
                         << "b (Ogg Vorbis file)";
    QTest::newRow("wma") << "c.wma"
                         << "c (Windows Media Audio)"
                         << "c (Windows Media Audio)";
    QTest::newRow("aif") << "d.aif"
                         << "d (Aif - Mac)"
                         << "d (Aif - Mac)";
    QTest::newRow("cda") << "Track01.cda"
                         << "Track01 (audio track)"
                         << "Track01 (audio track)";
    QTest::newRow("flac cuts four") << "song.flac"
                                    << "song. (unknown audio format)"
                                    << "song. (unknown audio format)";
    QTest::newRow("aiff") << "e.aiff"
                          << "e. (unknown audio format)"
                          << "e. (unknown audio format)";
    QTest::newRow("four characters") << ".mp3"
                                     << " (MP3 file)"
                                     << " (MP3 file)";
    QTest::newRow("three characters") << "mp3"
                                      << ""
                                      << "";
    QTest::newRow("no extension") << "README"
                                  << "RE (unknown audio format)"
                                  << "RE (unknown audio format)";
}

void AddFilesTest::labels() {
    QFETCH(QString, name);
    QFETCH(QString, fileCommand);
    QFETCH(QString, folderCommand);
    QCOMPARE(DisplayText(name, Mp3Case::Exact).value_or(QString()), fileCommand);
    QCOMPARE(DisplayText(name, Mp3Case::AnyCase).value_or(QString()), folderCommand);
}

void AddFilesTest::addFiles_data() {
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QStringList>("expected");  // title, path, ...
    QTest::newRow("one") << QStringList{"/music/Song.mp3"}
                         << QStringList{"Song (MP3 file)", "/music/Song.mp3"};
    QTest::newRow("several in dialog order")
        << QStringList{"/a.wav", "/b.ogg"}
        << QStringList{"a (Wav file)", "/a.wav", "b (Ogg Vorbis file)", "/b.ogg"};
    QTest::newRow("upper MP3 from the dialog")
        << QStringList{"/m/track.MP3"}
        << QStringList{"track (unknown audio format)", "/m/track.MP3"};
    QTest::newRow("short name ends the command")
        << QStringList{"/m/a.mp3", "/m/b", "/m/c.mp3"} << QStringList{"a (MP3 file)", "/m/a.mp3"};
    QTest::newRow("cancel") << QStringList{} << QStringList{};
}

void AddFilesTest::addFiles() {
    QFETCH(QStringList, chosen);
    QFETCH(QStringList, expected);
    ScriptedDialogs dialogs;
    dialogs.openAnswers.enqueue(chosen);
    Playlist list;
    list.append("old", "/old.mp3");
    AddFiles(list, dialogs);
    QCOMPARE(dialogs.requests.size(), 1);
    QCOMPARE(dialogs.requests[0].title, QStringLiteral("Open audio"));
    QCOMPARE(dialogs.requests[0].filterOrFolder,
             QStringLiteral("All supported audio formats|*.*;*.cda;*.wav;*.mp3;*.ogg;*.wma;*.aif|"
                            "WAV files (*.wav)|*.wav|MP3 files (*.mp3)|*.mp3|Audio tracks "
                            "(*.cda)|*.cda|Ogg Vorbis (*.ogg)|*.ogg|Windows Media Audio "
                            "(*.wma)|*.wma|AIF (Mac) (*.aif)|*.aif"));
    QVERIFY(dialogs.requests[0].multiple);
    QStringList got;
    for (int i = 1; i < list.count(); ++i) got << list.title(i) << list.path(i);
    QCOMPARE(got, expected);
    QVERIFY(dialogs.messages.isEmpty());
}

void AddFilesTest::addFolder() {
    QTemporaryDir dir;
    QVERIFY(makeTree(dir.path(), {"x.mp3", "sub/y.WMA", "sub/TRACK.MP3", "sub/z.aif", "n.txt"}));
    ScriptedDialogs dialogs;
    FileSearch search;
    QString last;
    Playlist list;
    dialogs.pathAnswers.enqueue(dir.path());
    dialogs.pathAnswers.enqueue(dir.path() + "/");
    AddFolder(list, dialogs, search, last, kAudioPatterns);
    QCOMPARE(last, dir.path());
    AddFolder(list, dialogs, search, last, kAudioPatterns);  // the same folder again

    QCOMPARE(dialogs.requests.size(), 2);
    QCOMPARE(dialogs.requests[0].kind, QStringLiteral("folder"));
    QCOMPARE(dialogs.requests[0].title, QStringLiteral("Add folder with audio files to playlist"));
    QCOMPARE(dialogs.requests[0].filterOrFolder, QString());
    QCOMPARE(dialogs.requests[1].filterOrFolder, dir.path());
    const QStringList titles{"x (MP3 file)", "TRACK (MP3 file)", "y (unknown audio format)"};
    QCOMPARE(list.count(), 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(list.title(i), titles[i % 3]);
        QVERIFY(!list.path(i).contains("//"));
        QVERIFY(
            list.path(i).endsWith(QStringList{"/x.mp3", "/sub/TRACK.MP3", "/sub/y.WMA"}[i % 3]));
    }
    QCOMPARE(search.FilesFound, 0);  // results forgotten, patterns kept
    QCOMPARE(search.GetFilePatterns(), kAudioPatterns);

    // The sample folder command reuses it with its own patterns, list and memory.
    QString lastSample = "/somewhere/";
    Playlist samples;
    dialogs.pathAnswers.enqueue(dir.path() + "/sub");
    AddFolder(samples, dialogs, search, lastSample, "*.mp3;*.wav");
    QCOMPARE(dialogs.requests.last().filterOrFolder, QStringLiteral("/somewhere"));
    QCOMPARE(samples.count(), 1);
    QCOMPARE(samples.title(0), QStringLiteral("TRACK (MP3 file)"));
}

void AddFilesTest::addFolderCancelledOrEmpty() {
    QTemporaryDir dir;
    QVERIFY(makeTree(dir.path(), {"only.txt"}));
    ScriptedDialogs dialogs;
    FileSearch search;
    QString last = "/kept";
    Playlist list;
    AddFolder(list, dialogs, search, last, kAudioPatterns);  // cancelled
    QCOMPARE(last, QStringLiteral("/kept"));
    dialogs.pathAnswers.enqueue(dir.path());
    AddFolder(list, dialogs, search, last, kAudioPatterns);  // finds nothing
    QCOMPARE(last, dir.path());
    QCOMPARE(list.count(), 0);
    QVERIFY(dialogs.messages.isEmpty());
}

QTEST_GUILESS_MAIN(AddFilesTest)
#include "tst_addfiles.moc"
