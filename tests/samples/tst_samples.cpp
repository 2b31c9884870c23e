// The sample groups and the user's sample list: what they list, when a click fires a sample, on
// which channel, how soon, and what the desk's offline output holds.
#include <QtTest>
#include <cmath>
#include <numeric>

#include "audio/Player.h"
#include "playlist/Support.h"
#include "support/AudioFiles.h"
#include "support/DeskFixture.h"
#include "support/SlowMount.h"

using namespace vantrel;

constexpr int kRate = 44100;  // the fixture's offline output

// from: "list", or "group" with the decks that play ("group 1"), "muted" at sample volume 0;
// name: in the cartoons folder; channels: per channel from 1 on, a Long sample playing on or a
// Short one that has ended; channel, next: the free channel found before the click and after
// it (0: none).
struct ClickRow {
    const char* row;
    QString from, name, channels;
    int channel, next;
};

class SamplesTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::DeskFixture> f;

    static int framesOf(int ms) { return ms * kRate / 1000; }

    QString tone(const QString& relative, double seconds, double hz, double gainDb = -6) {
        const QString path = f->folder.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        test::makeTone(path, {.seconds = seconds, .frequency = hz, .gainDb = gainDb});  // WAV
        return path;
    }
    // The sample tab, its groups read again now that the test's files exist.
    Samples& samples() {
        f->desk->samples().setSampleFolders(f->folder.path());
        return f->desk->samples();
    }
    // Everything the desk played so far, and the frame it has reached.
    test::Audio heard() const { return {kRate, 2, f->captured}; }
    int now() const { return int(f->captured.size() / 2); }
    // Fires the sample through the user's list, as its click does.
    void fireFromList(const QString& path) {
        Playlist& list = f->desk->sampleList();
        list.append(QFileInfo(path).baseName(), path);
        list.setSelected(list.count() - 1);
        f->desk->samples().onSampleClicked();
    }

private slots:
    void init() { f = std::make_unique<test::DeskFixture>(true); }
    void cleanup() { f.reset(); }

    void clickPlaysOnlyWhenItMay_data() {
        QTest::addColumn<ClickRow>("row");
        const QString none, all(32, u'L'), allBut17 = QString(16, u'L') + u'S' + QString(15, u'L');
        // clang-format off
        const ClickRow rows[] = {
            {"group, no deck playing",      "group",         "b.wav",      none,     1,  1},
            {"group, deck 1 playing",       "group 1",       "b.wav",      none,     1,  2},
            {"group, volume 0",             "group 1 muted", "b.wav",      none,     1,  2},
            {"group, undecodable",          "group 2",       "broken.wav", none,     1,  1},
            {"group, all 32 busy",          "group 1",       "b.wav",      all,      0,  0},
            {"list, no deck playing",       "list",          "b.wav",      none,     1,  2},
            {"list, missing file",          "list",          "gone.wav",   none,     1,  1},
            {"list, free in the middle",    "list",          "b.wav",      allBut17, 17, 0},
            {"list, an ended sample frees", "list",          "b.wav",      "SL",     1,  3},
        };
        // clang-format on
        for (const ClickRow& r : rows) QTest::newRow(r.row) << r;
    }
    void clickPlaysOnlyWhenItMay() {
        QFETCH(ClickRow, row);
        const QString &from = row.from, &name = row.name, &channels = row.channels;
        const int channel = row.channel, next = row.next, volume = from.contains("muted") ? 0 : 70;
        const bool plays = next != channel;
        tone("samples/cartoons/a.wav", 0.3, 600);
        tone("samples/cartoons/b.wav", 0.3, 1000);
        QVERIFY(test::writeFile(f->folder.filePath("samples/cartoons/broken.wav"),
                                QByteArray(4096, 'Z')));
        // Quiet, so that 31 of them together stay clear of clipping; clicks fill channels in order.
        const QString longTone = tone("long.wav", 3.0, 500, -40);
        const QString shortTone = tone("short.wav", 0.1, 700, -40);
        for (QChar c : channels) fireFromList(c == u'L' ? longTone : shortTone);
        f->advance(400);
        Samples& s = samples();
        QCOMPARE(s.findFreeChannel(), channel);

        for (int i = 0; i < 2; ++i) f->deck(i).setLive(from.contains(QChar(u'1' + i)));
        s.sampleVolumeSlider.SetValue(volume);
        FileList& cartoons = s.groups.flbCartoons();
        QCOMPARE(cartoons.Names(), (QStringList{"a.wav", "b.wav", "broken.wav"}));
        cartoons.SetListIndex(int(cartoons.Names().indexOf(name)));
        from == u"list" ? fireFromList(cartoons.Path() + "/" + name) : s.playGroupSample(cartoons);
        const int clicked = now();
        f->advance(150);
        QCOMPARE(s.findFreeChannel(), next);
        // Heard at once: within 20 ms of the click.
        const int onset = test::firstAbove(heard(), 0.02f, clicked);
        if (plays && volume > 0) QVERIFY(onset >= clicked && onset - clicked <= framesOf(20));
        // The folder path, "/" and the selected name: b's tone, not a's.
        const double b = test::toneLevel(heard(), 1000, clicked + framesOf(30), framesOf(100));
        const double a = test::toneLevel(heard(), 600, clicked + framesOf(30), framesOf(100));
        QVERIFY2(a < 0.01, qPrintable(QString::number(a)));
        QVERIFY2(plays && volume > 0 ? b > 0.05 : b < 0.005, qPrintable(QString::number(b)));
        // Played once: it ends by itself and frees its channel.
        f->advance(400);
        QCOMPARE(s.findFreeChannel(), channel);
        if (channels.contains(u'L')) return;  // the long ones play on
        QVERIFY(test::peak(heard(), now() - framesOf(100), framesOf(100)) < 1e-4f);
        if (!plays && channels.isEmpty()) QCOMPARE(test::peak(heard(), 0, now()), 0.0f);
    }

    // The group box's text picks the group only when it names one exactly.
    void groupBox() {
        for (auto [text, front] : {std::pair{"Female spoken", int(SampleGroups::FemaleSpoken)},
                                   {"Drums", int(SampleGroups::Animals)},
                                   {"laughter", int(SampleGroups::Animals)}}) {
            SampleGroups groups;
            // From a group other than the default, so every case shows a change.
            for (const QString t : {"Animals", text}) {
                groups.SetCmbSampleGrupText(t);
                groups.cmbSampleGrupClick();
            }
            QCOMPARE(groups.Front(), front);
        }
    }

    void groupListsFollowTheirFolders() {
        const QString root = f->folder.path() + "/samples/";
        // A folder named like a sound is not one of the files.
        QVERIFY(test::makeTree(
            root, {"scratches/zip.wav", "animals/a.wav", "animals/c.wav", "laughter/b.wav",
                   "laughter/A.mp3", "laughter/_x.wav", "laughter/a.txt", "laughter/C.WAV",
                   "laughter/.hidden", "laughter/sub.wav/"}));
        SampleGroups& groups = samples().groups;
        // Upper-cased ordinal: "_" sorts after the letters, case does not split the alphabet.
        QCOMPARE(groups.flbLaughter().Names(),
                 (QStringList{"A.mp3", "a.txt", "b.wav", "C.WAV", "_x.wav"}));
        // Missing group folders are reported by name and leave their lists empty.
        const QStringList failed = groups.setSampleFolders(f->folder.path());
        QVERIFY(failed.size() == 6 && failed.contains("Shouts"));
        QCOMPARE(groups.flbShouts().ListCount(), 0);
        // A new file slots in and the selection follows its name; the selected file going away
        // leaves no selection rather than a neighbour's name; a folder made later fills its list.
        FileList& animals = groups.flbAnimals();
        animals.SetListIndex(1);
        QVERIFY(test::makeTree(root, {"animals/b.wav"}));
        QTRY_COMPARE(animals.Names(), (QStringList{"a.wav", "b.wav", "c.wav"}));
        QCOMPARE(animals.FileName(), QStringLiteral("c.wav"));
        QVERIFY(QFile::remove(root + "animals/c.wav"));
        QTRY_COMPARE(animals.Names(), (QStringList{"a.wav", "b.wav"}));
        QCOMPARE(animals.SelectedPath(), QString());
        QVERIFY(test::makeTree(root, {"shouts/hey.wav"}));
        QTRY_COMPARE(groups.flbShouts().Names(), QStringList{"hey.wav"});
    }

    void sampleListFromAFolderAndBack() {
        const QString dir = f->folder.filePath("fx"), songs = f->folder.filePath("songs");
        QVERIFY(test::makeTree(dir, {"horn.mp3", "BOOM.WAV", "song.ogg"}) && QDir().mkpath(songs));
        const QString zap = tone("fx/more/Zap, take 2 – ß.wav", 0.5, 1200);
        Desk& desk = *f->desk;
        f->dialogs.pathAnswers.enqueue(songs);
        desk.playlistCommands().addFolder();
        f->dialogs.pathAnswers.enqueue(dir);
        desk.samples().addSampleFolder();
        desk.samples().addSampleFolder();  // cancelled, opened on the last sample folder
        QCOMPARE(f->dialogs.requests[2].filterOrFolder, dir);
        QCOMPARE(desk.playlistCommands().lastFolder(), songs);
        QCOMPARE(desk.playlist().count(), 0);
        // The folder's own files first, then the folder below; patterns match in any case.
        const QList<Playlist::Entry> entries{{"BOOM (unknown audio format)", dir + "/BOOM.WAV"},
                                             {"horn (MP3 file)", dir + "/horn.mp3"},
                                             {"Zap, take 2 – ß (Wav file)", zap}};
        QCOMPARE(desk.sampleList().entries(), entries);
        // The file found below the folder plays.
        desk.sampleList().setSelected(2);
        desk.samples().onSampleClicked();
        f->advance(200);
        QCOMPARE(desk.samples().findFreeChannel(), 2);
        QVERIFY(std::abs(test::estimateFrequency(heard(), 2205, 4410) - 1200) < 20);
    }

    // A sample on a mount that answers slowly, on a live output: the click comes back at once,
    // the channel stays taken while it loads and plays, and is free again afterwards.
    void slowSampleLoadsInTheBackground() {
        const QString sound = tone("sound.wav", 0.5, 800);
        test::SlowMount mount;
        if (!mount.start(f->folder.filePath("net"), 0.3, 0, sound)) QSKIP("no FUSE mount here");
        audio::Engine engine({.output = audio::OutputKind::Null});
        RealScheduler clock;
        Desk desk(engine, clock, f->dialogs, f->folder.path());
        desk.sampleList().append("Slow", mount.file());
        desk.sampleList().setSelected(0);
        QElapsedTimer t;
        t.start();
        desk.samples().onSampleClicked();
        QVERIFY2(t.elapsed() < 50,
                 qPrintable(QStringLiteral("the click took %1 ms").arg(t.elapsed())));
        QCOMPARE(desk.samples().findFreeChannel(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(desk.samples().findFreeChannel(), 1, 20000);
        QVERIFY(t.elapsed() > 500);  // loaded, then played to its end
    }

    void shippedGroupsHoldShortLevelledSounds() {
        SampleGroups groups;
        groups.setSampleFolders(qEnvironmentVariable("VANTREL_BUILD_DIR"));
        for (int g = 0; g < SampleGroups::kCount; ++g) {
            const FileList& list = groups.List(g);
            QVERIFY2(list.ListCount() >= 3, qPrintable(list.Path()));
            for (const QString& name : list.Names()) {
                const test::Audio a = test::readAudioFile(list.Path() + "/" + name);
                const double sum =
                    std::inner_product(a.samples.begin(), a.samples.end(), a.samples.begin(), 0.0);
                const float top =
                    std::abs(std::ranges::max(a.samples, {}, [](float x) { return std::abs(x); }));
                const double seconds = double(a.frames()) / a.rate;
                const double level = 10 * std::log10(sum / double(a.samples.size()));
                QVERIFY2(
                    seconds >= 0.3 && seconds <= 3.0 && std::abs(level + 20) <= 1.0 && top < 0.95f,
                    qPrintable(QString::asprintf("%s: %.2f s, %.1f dB, peak %.2f", qPrintable(name),
                                                 seconds, level, top)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(SamplesTest)
#include "tst_samples.moc"
