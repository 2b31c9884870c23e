// Automatic mixing and cue points: the triggers, the fade steps and the hand-over between the
// decks, through the real engine on the offline output and the virtual clock.
#include <QFile>
#include <QtTest>

#include "audio/Player.h"
#include "support/DeskFixture.h"

using namespace vantrel;
using vantrel::test::DeskFixture;

namespace {

struct Event {
    qint64 ms;
    int deck;
    QString what;  // "cue", "fade", "done"
    QString detail;
};

// Records cues, fade starts and completions with their virtual time.
struct EventLog {
    explicit EventLog(DeskFixture& f) {
        for (int i = 0; i < 2; ++i) {
            Deck& d = f.desk->deck(i);
            auto record = [&f, this, i](const char* what) {
                return [&f, this, i, what](const QString& s) {
                    events.push_back({f.now(), i, QLatin1String(what), s});
                };
            };
            QObject::connect(&d, &Deck::cued, record("cue"));
            QObject::connect(&d, &Deck::fadeStarted, record("fade"));
            QObject::connect(&d, &Deck::fadeCompleted, record("done"));
        }
    }
    QList<Event> of(const QString& what) const {
        QList<Event> out;
        for (const Event& e : events)
            if (e.what == what) out.push_back(e);
        return out;
    }
    QList<Event> events;
};

// What a user does to start an evening: Play on deck 1, then Mix now.
void startEvening(DeskFixture& f) {
    f.desk->deck1().cmdPlay();
    f.desk->deck1().cmdMix();
}

}  // namespace

class TestAutoMix : public QObject {
    Q_OBJECT
private slots:
    void triggers_data();
    void triggers();
    void cueRepeatsUntilEntryZeroIsCued();
    void fadeVolumeSequence();
    void intervalChangeMidFade();
    void incomingAlreadyAtFullVolume();
    void mixNowDuringAFade();
    void playlistRunsEmpty_data();
    void playlistRunsEmpty();
    void entryAddedLateIsFadedIn();
    void brokenEntriesArePassedOver();
    void songEndingEarlyHandsOn();
    void cuePoints();
    void cuePointsClearedAtFadeStart();
};

void TestAutoMix::triggers_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("cueAt");  // ms of song position, 0 = first tick
    QTest::addColumn<int>("fadeAt");
    QTest::newRow("30 s, M 8") << 30.0 << 8 << 11000 << 18000;
    QTest::newRow("10 s, M 8: both on the first tick") << 10.0 << 8 << 0 << 0;
    QTest::newRow("25 s, M 2") << 25.0 << 2 << 9000 << 16000;
    QTest::newRow("12 s, M 2: cue first, fade later") << 12.0 << 2 << 0 << 3000;
    QTest::newRow("40 s, M 14") << 40.0 << 14 << 18000 << 25000;
    QTest::newRow("15 s, M 14: both at once") << 15.0 << 14 << 0 << 0;
}

void TestAutoMix::triggers() {
    QFETCH(double, seconds);
    QFETCH(int, interval);
    QFETCH(int, cueAt);
    QFETCH(int, fadeAt);
    DeskFixture f;
    f.add(f.tone("a.wav", seconds), "A");
    Deck& one = f.desk->deck1();
    one.sldMixInterval.SetValue(interval);
    one.PrepareAudio();
    f.desk->playlist.clear();
    one.cmdPlay();  // nothing to cue yet
    f.add(f.tone("b.wav", 5.0), "B");
    EventLog log(f);
    QVERIFY(f.runUntil([&] { return !log.of("fade").isEmpty(); }, 60000));
    const QList<Event> cues = log.of("cue");
    QCOMPARE(cues.size(), 1);
    QCOMPARE(cues[0].deck, 1);
    // Within one tick after the threshold, and not before it.
    const qint64 cue = cues[0].ms;
    const qint64 fade = log.of("fade")[0].ms;
    QVERIFY2(cue >= cueAt && cue <= cueAt + 30, qPrintable(QString::number(cue)));
    QVERIFY2(fade >= fadeAt && fade <= fadeAt + 30, qPrintable(QString::number(fade)));
    QCOMPARE(log.of("fade")[0].deck, 1);
    QCOMPARE(f.desk->playlist.count(), 0);
}

void TestAutoMix::cueRepeatsUntilEntryZeroIsCued() {
    DeskFixture f;
    f.add(f.tone("a.wav", 20.0), "A");
    Deck& one = f.desk->deck1();
    one.PrepareAudio();
    f.desk->playlist.clear();
    one.cmdPlay();
    EventLog log(f);
    f.advance(2000);
    const QString b = f.tone("b.wav", 5.0);
    const QString c = f.tone("c.wav", 5.0);
    f.add(b, "B");
    f.advance(1000);  // 20 - 19 = 1 s: past the cue point, before the fade at 8 s
    QCOMPARE(log.of("cue").size(), 1);
    QCOMPARE(f.desk->state.AudioPath2, b);
    f.advance(2000);
    QCOMPARE(log.of("cue").size(), 1);  // cued once, then quiet
    // A new top entry is noticed and cued in place of the old one.
    f.desk->playlist.insert(0, QStringLiteral("C"), c);
    f.advance(60);
    QCOMPARE(log.of("cue").size(), 2);
    QCOMPARE(f.desk->state.AudioPath2, c);
    QVERIFY(f.runUntil([&] { return !log.of("fade").isEmpty(); }, 10000));
    QCOMPARE(log.of("fade")[0].detail, QStringLiteral("C"));
    QCOMPARE(f.desk->playlist.count(), 1);
    QCOMPARE(f.desk->playlist.title(0), QStringLiteral("B"));
}

void TestAutoMix::fadeVolumeSequence() {
    DeskFixture f;
    f.add(f.tone("a.wav", 30.0), "A");
    f.add(f.tone("b.wav", 30.0), "B");
    f.add(f.tone("c.wav", 5.0), "C");
    Deck& one = f.desk->deck1();
    Deck& two = f.desk->deck2();
    one.PrepareAudio();
    f.desk->playlist.removeAt(0);
    one.cmdPlay();  // cues B into deck 2
    f.advance(1000);
    EventLog log(f);
    one.cmdMix();
    QCOMPARE(two.player().Volume(), 0.0f);
    QCOMPARE(two.display.fraPlayer.Caption(), QStringLiteral("Mixing ..."));
    QCOMPARE(two.display.tickerSeparator(), QStringLiteral("   Mixing to... "));
    QVERIFY(f.desk->state.Deck2InFront);
    QVERIFY(two.tmrPosition->Enabled());
    QVERIFY(!f.desk->state.Deck2Playing);

    // Each step computed in double and stored as a single, as the player keeps it.
    float in = 0.0f, out = 1.0f;
    f.advance(79);
    QCOMPARE(two.player().Volume(), 0.0f);
    int tick = 0;
    int firstFall = 0;
    for (;;) {
        f.advance(tick == 0 ? 1 : 80);
        ++tick;
        if (static_cast<double>(in) > 0.4) {
            out = static_cast<float>(out - 1.0 / 60.0);
            if (!firstFall) firstFall = tick;
        }
        in = static_cast<float>(in + 0.01);
        if (in >= 1.0f) break;
        QCOMPARE(two.player().Volume(), in);
        QCOMPARE(one.player().Volume(), out);
        QVERIFY(two.fading());
        QVERIFY(tick < 200);
    }
    QCOMPARE(firstFall, 42);  // the outgoing deck waits until the incoming one passes 0.4
    QCOMPARE(tick, 101);      // 100 steps after the first: the whole interval
    QCOMPARE(log.of("done").size(), 1);
    QCOMPARE(log.of("done")[0].ms - log.of("fade")[0].ms, 80 + 100 * 80);
    QVERIFY(!two.fading());
    QVERIFY(f.desk->state.Deck2Playing);
    QVERIFY(!f.desk->state.Deck1Playing);
    QCOMPARE(one.player().Volume(), 0.0f);
    QVERIFY(!one.tmrPosition->Enabled());
    QCOMPARE(one.display.lblTime.Caption(), QStringLiteral("00:00:00"));
    QCOMPARE(one.display.vuLeft(), 0.0f);
    QCOMPARE(two.display.fraPlayer.Caption(), QStringLiteral("Vantrel"));
    QCOMPARE(two.display.tickerMessage(), QStringLiteral("B"));
    QCOMPARE(two.display.tickerSeparator(), kTickerSeparator);
    // Deck 1 plays on muted, then is cued with the next entry.
    QCOMPARE(f.desk->state.AudioPath1, f.desk->playlist.path(0));
    QCOMPARE(one.display.tickerMessage(), QStringLiteral("C"));
}

void TestAutoMix::intervalChangeMidFade() {
    DeskFixture f;
    f.add(f.tone("a.wav", 30.0), "A");
    f.add(f.tone("b.wav", 30.0), "B");
    Deck& one = f.desk->deck1();
    Deck& two = f.desk->deck2();
    one.PrepareAudio();
    f.desk->playlist.removeAt(0);
    one.cmdPlay();
    EventLog log(f);
    one.cmdMix();
    f.advance(80 + 20 * 80);  // 21 steps at M = 8
    QCOMPARE(two.player().Volume(), static_cast<float>(0.21));
    two.sldMixInterval.SetValue(2);  // linked: deck 1's slider, the one the fade reads
    QCOMPARE(one.sldMixInterval.Value(), 2);
    f.advance(80);  // the step already timed keeps its 80 ms
    QVERIFY(qAbs(two.player().Volume() - 0.22f) < 1e-6f);
    f.advance(20);
    QVERIFY(qAbs(two.player().Volume() - 0.23f) < 1e-6f);
    QVERIFY(f.runUntil([&] { return !two.fading(); }, 5000));
    QCOMPARE(log.of("done")[0].ms - log.of("fade")[0].ms, 80 + 21 * 80 + 79 * 20);
}

void TestAutoMix::incomingAlreadyAtFullVolume() {
    DeskFixture f;
    f.add(f.tone("a.wav", 10.0), "A");
    f.add(f.tone("b.wav", 10.0), "B");
    Deck& two = f.desk->deck2();
    EventLog log(f);
    f.desk->deck1().cmdMix();  // deck 1 not flagged playing: deck 2 keeps its volume 1
    QCOMPARE(two.player().Volume(), 1.0f);
    f.advance(80);
    QVERIFY(!two.fading());
    QCOMPARE(log.of("done").size(), 1);
    QVERIFY(f.desk->state.Deck2Playing);
    QCOMPARE(f.desk->state.AudioPath1, f.desk->playlist.path(0));
}

void TestAutoMix::mixNowDuringAFade() {
    DeskFixture f;
    for (const char* n : {"A", "B", "C", "D"})
        f.add(f.tone(QStringLiteral("%1.wav").arg(n), 30.0), QString::fromLatin1(n));
    Deck& one = f.desk->deck1();
    Deck& two = f.desk->deck2();
    one.PrepareAudio();
    f.desk->playlist.removeAt(0);
    one.cmdPlay();
    one.cmdMix();
    f.advance(80 + 30 * 80);
    QVERIFY(two.player().Volume() > 0.3f);
    one.cmdMix();  // cues C over B and starts the fade again
    QCOMPARE(f.desk->playlist.count(), 1);
    QCOMPARE(f.desk->state.MixTitle2, QStringLiteral("C"));
    QCOMPARE(two.player().Volume(), 0.0f);
    QCOMPARE(two.tmrMix->Interval(), 80);
    QVERIFY(f.runUntil([&] { return f.desk->state.Deck2Playing; }, 20000));
    QCOMPARE(f.desk->playlist.title(0), QStringLiteral("D"));
    QCOMPARE(f.desk->state.AudioPath1, f.desk->playlist.path(0));
}

void TestAutoMix::playlistRunsEmpty_data() {
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("second");
    QTest::addColumn<int>("endsAt");
    // A is too short for its thresholds, so B follows as soon as A's fade-in is complete (8.08 s,
    // next tick 8.1 s) and plays to its own end.
    QTest::newRow("two short songs") << 14.0 << 14.0 << 8100 + 14000;
    // B ends inside its own fade; A, muted at the completion, plays out to its end at 30 s.
    QTest::newRow("last song shorter than its fade") << 30.0 << 3.0 << 30000;
}

void TestAutoMix::playlistRunsEmpty() {
    QFETCH(double, first);
    QFETCH(double, second);
    QFETCH(int, endsAt);
    DeskFixture f;
    f.add(f.tone("a.wav", first), "A");
    f.add(f.tone("b.wav", second), "B");
    EventLog log(f);
    startEvening(f);
    QVERIFY(f.runUntil([&] { return f.bothStopped(); }, 60000));
    QCOMPARE(log.of("fade").size(), 2);
    QVERIFY2(qAbs(f.now() - endsAt) <= 100, qPrintable(QString::number(f.now())));
    QVERIFY(!f.desk->state.Deck1Playing);
    QVERIFY(!f.desk->state.Deck2Playing);
    QCOMPARE(f.desk->playlist.count(), 0);
}

void TestAutoMix::entryAddedLateIsFadedIn() {
    DeskFixture f;
    f.add(f.tone("a.wav", 20.0), "A");
    EventLog log(f);
    startEvening(f);
    f.advance(16000);  // 4 s before A ends, well past its fade point
    QCOMPARE(log.of("fade").size(), 1);
    f.add(f.tone("b.wav", 6.0), "B");
    f.advance(60);
    QCOMPARE(log.of("fade").size(), 2);
    QCOMPARE(log.of("fade")[1].detail, QStringLiteral("B"));
    QVERIFY(f.runUntil([&] { return f.bothStopped(); }, 30000));
    // Nothing is started by an entry added once every deck has stopped.
    f.add(f.tone("c.wav", 6.0), "C");
    f.advance(5000);
    QCOMPARE(log.of("fade").size(), 2);
    QCOMPARE(f.desk->playlist.count(), 1);
    QVERIFY(f.bothStopped());
}

void TestAutoMix::brokenEntriesArePassedOver() {
    DeskFixture f;
    const QString bad = f.folder.filePath("broken.wav");
    QFile file(bad);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("RIFF, but nothing that decodes");
    file.close();
    f.add(f.tone("a.wav", 30.0), "A");
    f.add(f.tone("b.wav", 30.0), "B");
    f.add(bad, "Broken 1");
    f.add(bad, "Broken 2");
    f.add(f.tone("c.wav", 30.0), "C");
    EventLog log(f);
    startEvening(f);
    QVERIFY(f.runUntil([&] { return f.bothStopped(); }, 200000));
    QStringList faded;
    for (const Event& e : log.of("fade")) faded << e.detail;
    QCOMPARE(faded, (QStringList{"A", "B", "C"}));
    // C follows B at B's own fade point, as if the broken entries had not been there.
    const QList<Event> fades = log.of("fade");
    QVERIFY(qAbs((fades[2].ms - fades[1].ms) - 18000) <= 60);
}

void TestAutoMix::songEndingEarlyHandsOn() {
    // A file cut short after it was measured (here: its data truncated behind the header's
    // back) ends before its fade point; the next entry is mixed in at once.
    DeskFixture f;
    const QString cut = f.tone("cut.wav", 30.0);
    f.add(f.tone("a.wav", 12.0), "A");
    f.add(cut, "Cut");
    f.add(f.tone("c.wav", 10.0), "C");
    EventLog log(f);
    startEvening(f);
    QVERIFY(f.runUntil([&] { return log.of("fade").size() == 2; }, 60000));
    QFile file(cut);
    QVERIFY(file.resize(44 + 2 * 11025 * 12));  // 12 of its 30 s left
    QVERIFY(f.runUntil([&] { return f.bothStopped(); }, 120000));
    QCOMPARE(log.of("fade").size(), 3);
    QCOMPARE(log.of("fade")[2].detail, QStringLiteral("C"));
}

void TestAutoMix::cuePoints() {
    DeskFixture f;
    f.add(f.tone("a.wav", 10.0), "A");
    CuePoints& cue = f.desk->cuePoints;
    Deck& two = f.desk->deck2();
    two.PrepareAudio();
    two.player().SetPosition(4000);
    cue.cmdCueRecord(2);  // no deck flagged playing: nothing recorded
    QCOMPARE(cue.CuePositions[2], 0);
    QCOMPARE(cue.lblCueTime[2].Caption(), QStringLiteral("00:00:00"));

    f.desk->playlist.clear();
    two.cmdPlay();
    two.player().SetPosition(3450);
    cue.cmdCueRecord(2);
    QCOMPARE(cue.CuePositions[2], 3450);
    QCOMPARE(cue.lblCueTime[2].Caption(), QStringLiteral("00:03:45"));
    f.advance(2000);
    cue.cmdCuePlay(2);
    QCOMPARE(two.player().Position(), 3450);
    QCOMPARE(two.player().Status(), audio::Player::kPlaying);

    two.player().SetPosition(0);
    cue.cmdCueRecord(7);  // a cue point at 0 counts as empty
    two.player().SetPosition(5000);
    cue.cmdCuePlay(7);
    QCOMPARE(two.player().Position(), 5000);

    cue.cmdCueReset(2);
    QCOMPARE(cue.CuePositions[2], 0);
    QCOMPARE(cue.lblCueTime[2].Caption(), QStringLiteral("00:00:00"));
    cue.cmdCuePlay(2);
    QCOMPARE(two.player().Position(), 5000);
}

void TestAutoMix::cuePointsClearedAtFadeStart() {
    DeskFixture f;
    f.add(f.tone("a.wav", 30.0), "A");
    f.add(f.tone("b.wav", 30.0), "B");
    CuePoints& cue = f.desk->cuePoints;
    startEvening(f);
    f.advance(9000);
    for (int i = 0; i < CuePoints::kCount; ++i) {
        f.advance(100);
        cue.cmdCueRecord(i);
        QVERIFY(cue.CuePositions[i] > 0);
    }
    f.desk->deck2().cmdMix();
    for (int i = 0; i < CuePoints::kCount; ++i) {
        QCOMPARE(cue.CuePositions[i], 0);
        QCOMPARE(cue.lblCueTime[i].Caption(), QStringLiteral("00:00:00"));
    }
}

QTEST_GUILESS_MAIN(TestAutoMix)
#include "tst_automix.moc"
