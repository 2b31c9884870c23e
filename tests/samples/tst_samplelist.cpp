// The user's sample list: filled from a folder, kept in a sample-list file, played from it.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/Desk.h"
#include "support/AudioFiles.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;

namespace {

struct Rig {
    QTemporaryDir folder;
    audio::Engine engine{{audio::OutputKind::Offline, 44100, 441, "default"}};
    VirtualScheduler scheduler;
    test::ScriptedDialogs dialogs;
    Desk desk{engine, scheduler, dialogs, folder.path()};

    QString file(const QString& relative) {
        const QString path = folder.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile(path).open(QIODevice::WriteOnly);
        return path;
    }
};

}  // namespace

class SampleListTest : public QObject {
    Q_OBJECT
private slots:
    void addFolderTakesSamplesOnly();
    void roundTripThroughASampleListFile();
};

void SampleListTest::addFolderTakesSamplesOnly() {
    Rig rig;
    const QString dir = rig.folder.filePath("fx");
    rig.file("fx/horn.mp3");
    rig.file("fx/BOOM.WAV");
    rig.file("fx/song.ogg");
    rig.file("fx/more/zap.wav");
    rig.desk.LastAudioFolder = QStringLiteral("/music");

    rig.desk.samples.cmdAddSampleFolderList();  // cancelled: nothing happens
    rig.dialogs.pathAnswers.enqueue(dir);
    rig.desk.samples.cmdAddSampleFolderList();
    rig.desk.samples.cmdAddSampleFolderList();  // cancelled again, opened on the last folder

    QCOMPARE(rig.dialogs.requests.size(), 3);
    QCOMPARE(rig.dialogs.requests[0].title,
             QStringLiteral("Add folder with audio files to playlist"));
    QCOMPARE(rig.dialogs.requests[0].filterOrFolder, QString());
    QCOMPARE(rig.dialogs.requests[2].filterOrFolder, dir);
    QCOMPARE(rig.desk.samples.LastSampleFolder, dir);
    QCOMPARE(rig.desk.LastAudioFolder, QStringLiteral("/music"));
    QCOMPARE(rig.desk.playlist.count(), 0);

    // The folder's own files first, then the folder below; patterns match in any case.
    const QList<Playlist::Entry> expected{{"BOOM (unknown audio format)", dir + "/BOOM.WAV"},
                                          {"horn (MP3 file)", dir + "/horn.mp3"},
                                          {"zap (Wav file)", dir + "/more/zap.wav"}};
    QCOMPARE(rig.desk.sampleList.entries(), expected);
}

void SampleListTest::roundTripThroughASampleListFile() {
    Rig rig;
    test::ToneSpec tone;
    tone.seconds = 0.5;
    tone.frequency = 1200;
    const QString sample = rig.folder.filePath("Zap, take 2 – ß.wav");
    QVERIFY(test::makeTone(sample, tone));
    const QList<Playlist::Entry> entries{{"Zap, take 2 – ß (Wav file)", sample},
                                         {"  spaced  ", "/no/such/file.mp3"}};
    for (const auto& e : entries) rig.desk.sampleList.append(e.title, e.path);

    const QString list = rig.folder.filePath("mine.sls");
    rig.dialogs.pathAnswers.enqueue(list);
    rig.desk.sampleListFiles.cmdSave();
    rig.desk.sampleListFiles.cmdNew();
    QCOMPARE(rig.desk.sampleList.count(), 0);
    rig.dialogs.openAnswers.enqueue({list});
    rig.desk.sampleListFiles.cmdOpen();
    QCOMPARE(rig.desk.sampleList.entries(), entries);
    QVERIFY(rig.dialogs.messages.isEmpty());

    // What came back from the file plays.
    rig.desk.sampleList.setSelected(0);
    rig.desk.samples.lstSampleClick();
    test::Audio out{44100, 2, {}};
    rig.engine.setCaptureSink([&](const float* p, int frames) {
        out.samples.insert(out.samples.end(), p, p + 2 * frames);
    });
    for (int i = 0; i < 20; ++i) rig.engine.renderOffline(441);
    QCOMPARE(rig.desk.samples.FindFreeSampleChannel(), 2);
    QVERIFY(std::abs(test::estimateFrequency(out, 2205, 4410) - 1200) < 20);
}

QTEST_GUILESS_MAIN(SampleListTest)
#include "tst_samplelist.moc"
