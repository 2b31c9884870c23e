// The sample groups and the user's sample list: what they list, when a click fires a sample, on
// which channel, how loud, and what the mix rendered by the real engine on the offline output
// contains.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <numbers>

#include "app/Desk.h"
#include "support/AudioFiles.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 441;  // 10 ms, as the device callback would ask
constexpr int framesOf(int ms) {
    return ms * kRate / 1000;
}

// Amplitude of one frequency in channel 0 over a range of frames.
double toneAmplitude(const test::Audio& a, int start, int frames, double hz) {
    double re = 0, im = 0;
    const double w = 2 * std::numbers::pi * hz / a.rate;
    for (int i = 0; i < frames; ++i) {
        const double x = a.samples[static_cast<size_t>(start + i) * a.channels];
        re += x * std::cos(w * i);
        im -= x * std::sin(w * i);
    }
    return 2 * std::hypot(re, im) / frames;
}

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly) && f.write("x"), qPrintable(path));
}

struct Rig {
    QTemporaryDir folder;
    audio::Engine engine{{audio::OutputKind::Offline, kRate, kBlock, "default"}};
    VirtualScheduler scheduler;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<Desk> desk;
    test::Audio out{kRate, 2, {}};

    Rig() {
        engine.setCaptureSink([this](const float* p, int frames) {
            out.samples.insert(out.samples.end(), p, p + 2 * frames);
        });
    }
    // Made after the test's files, so the group lists find them at once.
    Samples& start() {
        desk = std::make_unique<Desk>(engine, scheduler, dialogs, folder.path());
        return desk->samples;
    }
    QString tone(const QString& relative, double seconds, double hz, double gainDb = -6) {
        const QString path = folder.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        if (!test::makeTone(path, {.seconds = seconds, .frequency = hz, .gainDb = gainDb}))
            qWarning("cannot make %s", qPrintable(path));
        return path;
    }
    void render(int ms) {
        for (int left = framesOf(ms); left > 0; left -= kBlock)
            engine.renderOffline(std::min(left, kBlock));
    }
    int now() const { return out.frames(); }
    // Fires the sample through the user's list, as its click does.
    void fireFromList(const QString& path) {
        desk->sampleList.append(QFileInfo(path).baseName(), path);
        desk->sampleList.setSelected(desk->sampleList.count() - 1);
        desk->samples.lstSampleClick();
    }
    void fireFromGroup(FileList& list, int index) {
        list.SetListIndex(index);
        desk->samples.PlayFolderSample(list);
    }
};

}  // namespace

class SamplesTest : public QObject {
    Q_OBJECT
private slots:
    void channelSearch_data();
    void channelSearch();
    void clickPlaysOnlyWhenItMay_data();
    void clickPlaysOnlyWhenItMay();
    void volumeButtonsClamp_data();
    void volumeButtonsClamp();
    void sampleIsHeardOverTheDeckAtOnce();
    void groupBox_data();
    void groupBox();
    void groupListsFollowTheirFolders();
    void sampleListFromAFolderAndBack();
    void shippedGroupsHoldShortLevelledSounds();
};

void SamplesTest::channelSearch_data() {
    QTest::addColumn<QList<int>>("longOnes");   // channels with a 3 s sample
    QTest::addColumn<QList<int>>("shortOnes");  // channels with a 0.1 s sample
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("current");
    QList<int> all, allBut17;
    for (int n = 1; n <= 32; ++n) {
        all << n;
        if (n != 17) allBut17 << n;
    }
    QTest::newRow("nothing loaded") << QList<int>{} << QList<int>{} << 1 << 1;
    QTest::newRow("first two busy") << QList<int>{1, 2} << QList<int>{} << 3 << 3;
    QTest::newRow("all 32 busy") << all << QList<int>{} << 0 << 32;
    QTest::newRow("a free channel in the middle") << allBut17 << QList<int>{17} << 17 << 17;
    QTest::newRow("a finished sample frees its channel")
        << QList<int>{2} << QList<int>{1} << 1 << 1;
}

void SamplesTest::channelSearch() {
    QFETCH(QList<int>, longOnes);
    QFETCH(QList<int>, shortOnes);
    QFETCH(int, expected);
    QFETCH(int, current);
    Rig rig;
    const QString longTone = rig.tone("long.wav", 3.0, 500);
    const QString shortTone = rig.tone("short.wav", 0.1, 700);
    rig.start();
    audio::MediaControl& dmc = rig.desk->dmcSample;
    for (const auto& [channels, path] :
         {std::pair{longOnes, longTone}, std::pair{shortOnes, shortTone}})
        for (int n : channels) {
            dmc.SetChannel(n);
            dmc.LoadSample(path.toStdString());
            dmc.PlaySample(false);
            dmc.SetVolume(70);
        }
    rig.render(400);  // the short ones have ended, the long ones play on
    QCOMPARE(rig.desk->samples.FindFreeSampleChannel(), expected);
    QCOMPARE(dmc.Channel(), current);

    // A click takes the channel found; with none free it addresses no channel and starts nothing.
    rig.fireFromList(longTone);
    QCOMPARE(dmc.Channel(), expected);
    rig.render(20);
    int playing = 0;
    for (int n = 1; n <= 32; ++n) {
        dmc.SetChannel(n);
        playing += dmc.Playing() ? 1 : 0;
    }
    QCOMPARE(playing, longOnes.size() + (expected > 0 ? 1 : 0));
}

void SamplesTest::clickPlaysOnlyWhenItMay_data() {
    QTest::addColumn<bool>("fromList");
    QTest::addColumn<bool>("deck1");
    QTest::addColumn<bool>("deck2");
    QTest::addColumn<int>("volume");
    QTest::addColumn<QString>("name");  // in the cartoons folder
    QTest::addColumn<bool>("plays");
    QTest::newRow("group, no deck playing") << false << false << false << 70 << "b.wav" << false;
    QTest::newRow("group, deck 1 playing") << false << true << false << 70 << "b.wav" << true;
    QTest::newRow("group, deck 2 playing") << false << false << true << 70 << "b.wav" << true;
    QTest::newRow("group, volume 0") << false << true << false << 0 << "b.wav" << true;
    QTest::newRow("group, undecodable") << false << false << true << 70 << "broken.wav" << false;
    QTest::newRow("list, no deck playing") << true << false << false << 70 << "b.wav" << true;
    QTest::newRow("list, missing file") << true << false << false << 70 << "gone.wav" << false;
}

void SamplesTest::clickPlaysOnlyWhenItMay() {
    QFETCH(bool, fromList);
    QFETCH(bool, deck1);
    QFETCH(bool, deck2);
    QFETCH(int, volume);
    QFETCH(QString, name);
    QFETCH(bool, plays);
    Rig rig;
    rig.tone("samples/cartoons/a.wav", 0.3, 600);
    rig.tone("samples/cartoons/b.wav", 0.3, 1000);
    QFile junk(rig.folder.filePath("samples/cartoons/broken.wav"));
    QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write(QByteArray(4096, '\x5a')));
    junk.close();
    Samples& samples = rig.start();
    rig.desk->state.Deck1Playing = deck1;
    rig.desk->state.Deck2Playing = deck2;
    samples.sldSampleVolume.SetValue(volume);
    FileList& cartoons = samples.groups.flbCartoons();
    QCOMPARE(cartoons.Names(), (QStringList{"a.wav", "b.wav", "broken.wav"}));
    fromList ? rig.fireFromList(cartoons.Path() + "/" + name)
             : rig.fireFromGroup(cartoons, int(cartoons.Names().indexOf(name)));
    const int clicked = rig.now();
    rig.render(150);
    QCOMPARE(samples.FindFreeSampleChannel(), plays ? 2 : 1);
    // The folder path, "/" and the selected name: b's tone, not a's.
    const double heard = toneAmplitude(rig.out, clicked + framesOf(30), framesOf(100), 1000);
    const double other = toneAmplitude(rig.out, clicked + framesOf(30), framesOf(100), 600);
    QVERIFY2(other < 0.01, qPrintable(QString::number(other)));
    if (plays && volume > 0)
        QVERIFY2(heard > 0.05, qPrintable(QString::number(heard)));
    else
        QVERIFY2(heard < 0.005, qPrintable(QString::number(heard)));
    // Played once: it ends by itself and frees its channel.
    rig.render(400);
    QCOMPARE(samples.FindFreeSampleChannel(), 1);
    QVERIFY(test::peak(rig.out, rig.now() - framesOf(100), framesOf(100)) < 1e-4f);
    if (!plays) QCOMPARE(test::peak(rig.out, 0, rig.now()), 0.0f);
}

void SamplesTest::volumeButtonsClamp_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("up");
    QTest::addColumn<int>("expected");
    QTest::newRow("65 up") << 65 << true << 75;
    QTest::newRow("95 up") << 95 << true << 100;
    QTest::newRow("100 up") << 100 << true << 100;
    QTest::newRow("65 down") << 65 << false << 55;
    QTest::newRow("5 down") << 5 << false << 0;
    QTest::newRow("0 down") << 0 << false << 0;
}

void SamplesTest::volumeButtonsClamp() {
    QFETCH(int, start);
    QFETCH(bool, up);
    QFETCH(int, expected);
    Rig rig;
    Samples& samples = rig.start();
    samples.sldSampleVolume.SetValue(start);
    up ? samples.cmdSampleVolUp() : samples.cmdSampleVolDown();
    QCOMPARE(samples.sldSampleVolume.Value(), expected);
}

void SamplesTest::sampleIsHeardOverTheDeckAtOnce() {
    Rig rig;
    const QString song = rig.tone("song.wav", 3.0, 440, -20);  // 0.1
    rig.tone("samples/scratches/zap.wav", 0.4, 1500, -3);
    Samples& samples = rig.start();
    audio::Player& deck = rig.desk->SoundTouch;
    deck.SetFileName(song.toStdString());
    QVERIFY(deck.Open() == 0);
    deck.SetVolume(1.0f);
    deck.Play();
    rig.desk->state.Deck1Playing = true;
    rig.render(500);
    samples.sldSampleVolume.SetValue(100);
    rig.fireFromGroup(samples.groups.flbScratches(), 0);
    const int clicked = rig.now();
    rig.render(1000);

    int onset = -1;
    for (int i = clicked; i < rig.now() && onset < 0; ++i)
        if (std::abs(rig.out.samples[static_cast<size_t>(i) * 2]) > 0.25f) onset = i;
    QVERIFY(onset >= 0);
    const double latencyMs = 1000.0 * (onset - clicked) / kRate;
    QVERIFY2(latencyMs <= 20, qPrintable(QString::number(latencyMs)));
    // Loud over the deck, which plays on underneath and after it.
    QVERIFY(toneAmplitude(rig.out, onset + framesOf(50), framesOf(300), 1500) > 0.2);
    QVERIFY(toneAmplitude(rig.out, onset + framesOf(500), framesOf(300), 440) > 0.05);
}

void SamplesTest::groupBox_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("front");
    for (int g = 0; g < SampleGroups::kCount; ++g)
        QTest::newRow(qPrintable(SampleGroups::Text(g))) << SampleGroups::Text(g) << g;
    QTest::newRow("unknown") << "Drums" << -1;
    QTest::newRow("wrong case") << "laughter" << -1;
    QTest::newRow("empty") << "" << -1;
}

void SamplesTest::groupBox() {
    QFETCH(QString, text);
    QFETCH(int, front);
    SampleGroups groups;
    // Start from a group other than the default so every row shows a change.
    groups.SetCmbSampleGrupText("Animals");
    groups.cmbSampleGrupClick();
    groups.SetCmbSampleGrupText(text);
    groups.cmbSampleGrupClick();
    QCOMPARE(groups.Front(), front < 0 ? int(SampleGroups::Animals) : front);
}

void SamplesTest::groupListsFollowTheirFolders() {
    Rig rig;
    touch(rig.folder.filePath("samples/scratches/zip.wav"));
    for (const char* name : {"a.wav", "c.wav"})
        touch(rig.folder.filePath(QStringLiteral("samples/animals/") + name));
    for (const char* name : {"b.wav", "A.mp3", "_x.wav", "a.txt", "C.WAV", ".hidden"})
        touch(rig.folder.filePath(QStringLiteral("samples/laughter/") + name));
    QDir().mkpath(rig.folder.filePath("samples/laughter/sub.wav"));  // folders are not files
    SampleGroups& groups = rig.start().groups;
    // Upper-cased ordinal: "_" sorts after the letters, case does not split the alphabet.
    QCOMPARE(groups.flbLaughter().Names(),
             (QStringList{"A.mp3", "a.txt", "b.wav", "C.WAV", "_x.wav"}));
    // Missing group folders are reported by name and leave their lists empty.
    const QStringList failed = groups.SetSampleFolders(rig.folder.path());
    QCOMPARE(failed.size(), 6);
    QVERIFY(failed.contains("Shouts"));
    QCOMPARE(groups.flbShouts().ListCount(), 0);

    // A new file slots in and the selection follows its name; the selected file going away
    // leaves no selection rather than a neighbour's name; a folder made later fills its list.
    FileList& animals = groups.flbAnimals();
    animals.SetListIndex(1);
    touch(rig.folder.filePath("samples/animals/b.wav"));
    QTRY_COMPARE(animals.Names(), (QStringList{"a.wav", "b.wav", "c.wav"}));
    QCOMPARE(animals.FileName(), QStringLiteral("c.wav"));
    QVERIFY(QFile::remove(rig.folder.filePath("samples/animals/c.wav")));
    QTRY_COMPARE(animals.Names(), (QStringList{"a.wav", "b.wav"}));
    QCOMPARE(animals.SelectedPath(), QString());
    touch(rig.folder.filePath("samples/shouts/hey.wav"));
    QTRY_COMPARE(groups.flbShouts().Names(), QStringList{"hey.wav"});
}

void SamplesTest::sampleListFromAFolderAndBack() {
    Rig rig;
    const QString dir = rig.folder.filePath("fx");
    for (const char* name : {"horn.mp3", "BOOM.WAV", "song.ogg"}) touch(dir + "/" + name);
    const QString zap = rig.tone("fx/more/Zap, take 2 – ß.wav", 0.5, 1200);
    rig.start();
    Desk& desk = *rig.desk;
    desk.LastAudioFolder = QStringLiteral("/music");
    rig.dialogs.pathAnswers.enqueue(dir);
    desk.samples.cmdAddSampleFolderList();
    desk.samples.cmdAddSampleFolderList();  // cancelled, opened on the last folder
    QCOMPARE(rig.dialogs.requests[1].filterOrFolder, dir);
    QCOMPARE(desk.LastAudioFolder, QStringLiteral("/music"));
    QCOMPARE(desk.playlist.count(), 0);
    // The folder's own files first, then the folder below; patterns match in any case.
    QList<Playlist::Entry> entries{{"BOOM (unknown audio format)", dir + "/BOOM.WAV"},
                                   {"horn (MP3 file)", dir + "/horn.mp3"},
                                   {"Zap, take 2 – ß (Wav file)", zap}};
    QCOMPARE(desk.sampleList.entries(), entries);

    // Kept in a sample-list file and read back, odd titles and missing files included.
    entries.append(Playlist::Entry{"  spaced  ", "/no/such/file.mp3"});
    desk.sampleList.append(entries.last().title, entries.last().path);
    const QString list = rig.folder.filePath("mine.sls");
    rig.dialogs.pathAnswers.enqueue(list);
    desk.sampleListFiles.cmdSave();
    desk.sampleListFiles.cmdNew();
    QCOMPARE(desk.sampleList.count(), 0);
    rig.dialogs.openAnswers.enqueue({list});
    desk.sampleListFiles.cmdOpen();
    QCOMPARE(desk.sampleList.entries(), entries);
    QVERIFY(rig.dialogs.messages.isEmpty());

    // What came back from the file plays.
    desk.sampleList.setSelected(2);
    desk.samples.lstSampleClick();
    rig.render(200);
    QCOMPARE(desk.samples.FindFreeSampleChannel(), 2);
    QVERIFY(std::abs(test::estimateFrequency(rig.out, 2205, 4410) - 1200) < 20);
}

void SamplesTest::shippedGroupsHoldShortLevelledSounds() {
    SampleGroups groups;
    groups.SetSampleFolders(qEnvironmentVariable("VANTREL_BUILD_DIR"));
    for (int g = 0; g < SampleGroups::kCount; ++g) {
        const FileList& list = groups.List(g);
        QVERIFY2(list.ListCount() >= 3, qPrintable(list.Path()));
        for (const QString& name : list.Names()) {
            const test::Audio a = test::readAudioFile(list.Path() + "/" + name);
            double sum = 0;
            float top = 0;
            for (float x : a.samples) sum += double(x) * x, top = std::max(top, std::abs(x));
            const double seconds = double(a.frames()) / a.rate;
            const double level = 10 * std::log10(sum / double(a.samples.size()));
            QVERIFY2(seconds >= 0.3 && seconds <= 3.0 && std::abs(level + 20) <= 1.0 && top < 0.95f,
                     qPrintable(QString::asprintf("%s: %.2f s, %.1f dB, peak %.2f",
                                                  qPrintable(name), seconds, level, top)));
        }
    }
}

QTEST_GUILESS_MAIN(SamplesTest)
#include "tst_samples.moc"
