// Transport, the playlist clicks, automatic mixing and cue points of the two decks, and whole
// evenings mixed, through the real engine on the offline output and the virtual clock.
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>
#include <cmath>

#include "audio/Player.h"
#include "audio/SongProfile.h"
#include "support/AudioFiles.h"
#include "support/DeskFixture.h"

using namespace vantrel;
using vantrel::test::DeskFixture;

namespace {

struct Event {
    qint64 ms;
    int deck;
    QString detail;  // the path cued or the title faded
    bool sounding;   // the deck's player plays at that moment
};

// Cues, fade starts and fade completions with their virtual time.
struct Log {
    QList<Event> cue, fade, done;
    explicit Log(DeskFixture& f) {
        const auto note = [&f](QList<Event>* list) {
            return [&f, list](int i, const QString& s) {
                const bool sounding = f.deck(i).player().Status() == audio::Player::kPlaying;
                list->push_back({f.now(), i, s, sounding});
            };
        };
        for (int i = 0; i < 2; ++i)
            QObject::connect(&f.deck(i), &Deck::cued,
                             [i, add = note(&cue)](const QString& s) { add(i, s); });
        QObject::connect(&f.mixer(), &AutoMixer::fadeStarted, note(&fade));
        QObject::connect(&f.mixer(), &AutoMixer::fadeCompleted, note(&done));
    }
};

// Deck 1 holds a song of `seconds` and the playlist is empty.
Deck& loaded(DeskFixture& f, double seconds) {
    f.add(f.tone("a.wav", seconds), "A");
    Deck& d = f.deck(0);
    d.loader.cueNext();
    f.playlist().clear();
    return d;
}

// Longest run of frames with both channels below `threshold` after the first frame above it; a
// silent tail does not count.
int longestGap(const std::vector<float>& stereo, float threshold) {
    int longest = 0, run = -1;
    for (size_t i = 0; i + 1 < stereo.size(); i += 2) {
        const bool loud = std::abs(stereo[i]) >= threshold || std::abs(stereo[i + 1]) >= threshold;
        if (loud)
            longest = std::max(longest, run), run = 0;
        else if (run >= 0)
            ++run;
    }
    return longest;
}

// A song of `seconds` at a steady level, ending cold, in a 10 s fade-out (6 dB a second) or in a
// 20 s coda 20 dB down; each song at its own pitch so that two decks never cancel.
enum Ending { Cold, FadeOut, Coda };
QString song(DeskFixture& f, int n, double seconds, Ending ending) {
    constexpr int kRate = 8000;
    std::vector<float> v(size_t(seconds * kRate));
    for (size_t k = 0; k < v.size(); ++k) {
        const double left = seconds - double(k) / kRate;
        const double gain = ending == FadeOut ? std::pow(10, -0.3 * std::max(0.0, 10 - left))
                            : ending == Coda  ? (left < 20 ? 0.1 : 1.0)
                                              : 1.0;
        v[k] = float(0.3 * gain * std::sin((0.25 + 0.02 * n) * double(k)));
    }
    const QString path = f.folder.filePath(QStringLiteral("song%1.wav").arg(n));
    test::writeWav(path, v.data(), int(v.size()), 1, kRate);
    return path;
}

// The longest run, in ms, of 400 ms windows (100 ms apart) more than 15 LU below the output's
// median loudness, between two times.
int longestSag(const std::vector<float>& stereo, int rate, qint64 fromMs, qint64 toMs) {
    std::vector<double> m;
    for (qint64 t = fromMs; t + 400 <= toMs; t += 100) {
        audio::LoudnessMeter meter(rate);
        meter.add(stereo.data() + t * rate / 1000 * 2, size_t(rate * 4 / 10));
        m.push_back(meter.integrated().value_or(-70));
    }
    std::vector<double> sorted = m;
    std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
    const double body = sorted[sorted.size() / 2];
    int longest = 0, run = 0;
    for (const double v : m) longest = std::max(longest, run = v < body - 15 ? run + 100 : 0);
    return longest;
}

}  // namespace

class TestDeck : public QObject {
    Q_OBJECT
private slots:
    void playPauseResumeStop();
    void seek();
    void clickAndDoubleClick_data();
    void clickAndDoubleClick();
    void triggers_data();
    void triggers();
    void fadeVolumeSequence_data();
    void fadeVolumeSequence();
    void evening_data();
    void evening();
    void refinedEvening_data();
    void refinedEvening();
    void transitions_data();
    void transitions();
    void playLevelledAndClickDuringFade();
    void folderGoneAndBack();
    void cuePoints();
    void renderTool();
};

void TestDeck::playPauseResumeStop() {
    DeskFixture f;
    Deck& d = loaded(f, 5.0);
    d.transport.play();
    f.advance(1000);
    QVERIFY(qAbs(d.player().Position() - 1000) <= 30);
    d.transport.pause();
    const int held = d.player().Position();
    f.advance(30);
    const QString label = d.display.timeLabel.Caption();
    f.advance(2000);
    // Paused: position and label hold; the deck is not taken for finished.
    QCOMPARE(d.player().Position(), held);
    QCOMPARE(d.display.timeLabel.Caption(), label);
    QVERIFY(f.deck(0).playing());
    d.transport.pause();
    f.advance(1000);
    QVERIFY(qAbs(d.player().Position() - (held + 1000)) <= 30);
    QVERIFY(d.display.timeLabel.Caption() != label);
    d.transport.stop();  // ends at the next tick, rewound
    QCOMPARE(d.player().Position(), 1);
    f.advance(30);
    QVERIFY(!f.deck(0).playing());
    QCOMPARE(d.display.timeLabel.Caption(), QStringLiteral("00:00:00"));
}

// Rewind and fast forward move by 5 s only when the whole step fits.
void TestDeck::seek() {
    DeskFixture f;
    Deck& d = loaded(f, 10.0);
    for (auto [forward, from, to] : {std::tuple{false, 4999, 4999},
                                     {false, 5000, 0},
                                     {true, 5000, 10000},
                                     {true, 5001, 5001}}) {
        d.player().SetPosition(from);
        forward ? d.transport.fastForward() : d.transport.rewind();
        QCOMPARE(d.player().Position(), to);
    }
}

void TestDeck::clickAndDoubleClick_data() {
    QTest::addColumn<bool>("deck2InFront");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<bool>("deck1Playing");
    QTest::addColumn<int>("loadedDeck");  // -1 = none
    QTest::newRow("click, deck 2 in front") << true << false << false << 1;
    QTest::newRow("click while a deck plays") << false << false << true << -1;
    QTest::newRow("double click, deck 1 in front") << false << true << false << 0;
    QTest::newRow("double click replaces deck 1") << false << true << true << 0;
}

void TestDeck::clickAndDoubleClick() {
    QFETCH(bool, deck2InFront);
    QFETCH(bool, doubleClick);
    QFETCH(bool, deck1Playing);
    QFETCH(int, loadedDeck);
    DeskFixture f;
    Desk& desk = *f.desk;
    for (const char* n : {"A", "B", "C"}) f.add(f.tone(QString(n) + ".wav", 2.5), n);
    desk.decks().setFrontDeck(deck2InFront ? 1 : 0);
    desk.deck(0).setLive(deck1Playing);
    desk.playlist().setSelected(1);
    doubleClick ? desk.decks().onEntryDoubleClicked() : desk.decks().onEntryClicked();
    for (int i = 0; i < 2; ++i) {
        Deck& d = desk.deck(i);
        // Playing a deck cues entry 0 into the other one; a plain click cues nothing.
        QCOMPARE(d.song().path, i == loadedDeck ? desk.playlist().path(1)
                                : doubleClick   ? desk.playlist().path(0)
                                                : QString());
        QCOMPARE(d.player().Status() == audio::Player::kPlaying, i == loadedDeck && doubleClick);
    }
    QCOMPARE(desk.playlist().count(), 3);
}

void TestDeck::triggers_data() {
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

void TestDeck::triggers() {
    QFETCH(double, seconds);
    QFETCH(int, interval);
    QFETCH(int, cueAt);
    QFETCH(int, fadeAt);
    DeskFixture f;
    f.mixer().mixIntervalSlider.SetValue(interval);
    Deck& one = loaded(f, seconds);
    one.transport.play();  // nothing to cue yet
    f.add(f.tone("b.wav", 5.0), "B");
    Log log(f);
    QVERIFY(f.runUntil([&] { return !log.fade.isEmpty(); }, 60000));
    QCOMPARE(log.cue.size(), 1);
    // Within one tick after the threshold, and not before it.
    for (auto [event, at] : {std::pair{log.cue[0], cueAt}, std::pair{log.fade[0], fadeAt}}) {
        QCOMPARE(event.deck, 1);
        QVERIFY2(event.ms >= at && event.ms <= at + 30, qPrintable(QString::number(event.ms)));
    }
    QCOMPARE(f.playlist().count(), 0);
}

void TestDeck::fadeVolumeSequence_data() {
    QTest::addColumn<int>("interval");
    QTest::newRow("M 2") << 2;
    QTest::newRow("M 8") << 8;
    QTest::newRow("M 14") << 14;
}

void TestDeck::fadeVolumeSequence() {
    QFETCH(int, interval);
    DeskFixture f;
    for (const char* n : {"A", "B", "C"}) f.add(f.tone(QString(n) + ".wav", 40.0), n);
    Deck& one = f.deck(0);
    Deck& two = f.deck(1);
    f.mixer().mixIntervalSlider.SetValue(interval);
    one.loader.cueNext();
    f.playlist().removeAt(0);
    one.transport.play();  // cues B into deck 2
    f.advance(1000);
    Log log(f);
    f.mixer().mixNow(one);
    QCOMPARE(two.display.caption.Caption(), QStringLiteral("Mixing ..."));
    QVERIFY(f.desk->decks().deck2InFront());
    // The outgoing deck holds its volume until the incoming one passes 0.4 (41 steps after the
    // first), then falls while it rises.
    f.advance(80 + 40 * 10 * interval);
    QCOMPARE(one.player().Volume(), 1.0f);
    QVERIFY(qAbs(two.player().Volume() - 0.41f) < 1e-4f);
    f.advance(10 * interval);
    QVERIFY(one.player().Volume() < 1.0f);
    QVERIFY(f.runUntil([&] { return !log.done.isEmpty(); }, 20000));
    QCOMPARE(log.done.size(), 1);
    const qint64 fade = log.done[0].ms - log.fade[0].ms;
    QCOMPARE(fade, 80 + 100 * 10 * interval);  // M after the first step
    QVERIFY(f.deck(1).playing() && !f.deck(0).playing());
    QCOMPARE(one.player().Volume(), 0.0f);
    QCOMPARE(two.display.caption.Caption(), QStringLiteral("Vantrel"));
    // Deck 1 plays on muted, then is cued with the next entry.
    QCOMPARE(f.deck(0).song().path, f.playlist().path(0));
}

void TestDeck::evening_data() {
    // Seconds; 0 = a file that does not decode, negative = cut short once its fade has begun.
    QTest::addColumn<QList<double>>("songs");
    QTest::addColumn<int>("lateAt");    // ms at which a 6 s song is added, -1 = none
    QTest::addColumn<int>("endsAt");    // -1 = not checked
    QTest::addColumn<bool>("gapless");  // no gap > 50 ms below -50 dBFS in the output
    // A is too short for its thresholds, so B follows as soon as A's fade-in is complete (8.08 s,
    // next tick 8.1 s) and plays to its own end.
    QTest::newRow("two short songs") << QList<double>{14, 14} << -1 << 8100 + 14000 << true;
    // B ends inside its own fade; A, muted at the completion, plays out to its end at 30 s.
    QTest::newRow("last song shorter than its fade")
        << QList<double>{30, 3} << -1 << 30000 << false;
    // 4 s before A ends, well past its fade point: faded in at once.
    QTest::newRow("entry added in the last 12 s") << QList<double>{20} << 16000 << -1 << true;
    // B's file loses all but its first second while it is faded in, as one on a drive that goes
    // away would; C follows once B's fade-in is complete.
    QTest::newRow("song cut short inside its fade-in")
        << QList<double>{30, -30, 30} << -1 << -1 << false;
    QTest::newRow("broken entries passed over")
        << QList<double>{30, 30, 0, 0, 30} << -1 << -1 << true;
    // Each 40 s song starts 12 s before the end of the one before.
    QTest::newRow("four songs") << QList<double>{40, 40, 40, 40} << -1 << 124000 << true;
    // 2 to 30 s: many below the thresholds (19 s at M = 8), some shorter than a fade.
    QRandomGenerator rng(20261206);
    QList<double> many;
    for (int i = 0; i < 200; ++i) many << 2.0 + rng.bounded(2800) / 100.0;
    QTest::newRow("200 songs") << many << -1 << -1 << false;
}

void TestDeck::evening() {
    QFETCH(QList<double>, songs);
    QFETCH(int, lateAt);
    QFETCH(int, endsAt);
    QFETCH(bool, gapless);
    DeskFixture f(gapless);
    QFile broken(f.folder.filePath("broken.wav"));
    QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("RIFF, but nothing that decodes"));
    broken.close();
    QStringList titles, cut;
    for (int i = 0; i < songs.size(); ++i) {
        const QString title = QStringLiteral("Song %1").arg(i);
        const bool good = songs[i] != 0;
        f.add(good ? f.tone(title + ".wav", std::abs(songs[i]), 200 + 5 * i, 8000)
                   : broken.fileName(),
              title);
        if (good) titles << title;
        if (songs[i] < 0) cut << title;
    }
    Log log(f);
    QObject::connect(&f.mixer(), &AutoMixer::fadeStarted, [&](int, const QString& title) {
        if (cut.contains(title)) QFile::resize(f.folder.filePath(title + ".wav"), 16000);
    });
    f.deck(0).transport.play();  // what a user does to start an evening: Play, then Mix now
    f.mixer().mixNow(f.deck(0));
    if (lateAt >= 0) {
        f.advance(lateAt);
        f.add(f.tone("late.wav", 6.0), "Late");
        titles << "Late";
        f.advance(60);
        QCOMPARE(log.fade.size(), titles.size());
    }
    QVERIFY(f.runUntil([&] { return f.bothStopped(); }, 4LL * 3600 * 1000));
    if (endsAt >= 0) QVERIFY2(qAbs(f.now() - endsAt) <= 100, qPrintable(QString::number(f.now())));
    if (gapless) {
        const int rate = f.engine->sampleRate();
        const int gap = longestGap(f.captured, std::pow(10.0f, -50.0f / 20.0f));
        QVERIFY2(gap <= rate * 50 / 1000, qPrintable(QString::number(gap)));
    }
    QStringList faded;
    for (const Event& e : log.fade) {
        faded << e.detail;
        QVERIFY2(e.sounding, qPrintable(e.detail));  // no fade of a silent deck
    }
    QCOMPARE(faded, titles);
    QVERIFY(!f.deck(0).playing() && !f.deck(1).playing());
    QCOMPARE(f.playlist().count(), 0);
    // Nothing is started by an entry added once every deck has stopped.
    f.add(f.tone("after.wav", 6.0), "After");
    f.advance(5000);
    QCOMPARE(log.fade.size(), titles.size());
    QVERIFY(f.bothStopped());
}

void TestDeck::refinedEvening_data() {
    // Each song's level in dBFS, NaN for silence throughout; padded: 3 s of silence before and
    // 10 s after each song's 30 s tone.
    QTest::addColumn<QList<double>>("songs");
    QTest::addColumn<bool>("padded");
    QTest::addColumn<bool>("refined");  // silence trimmed and loudness levelled
    const QList<double> apart{-8, qQNaN(), -20, -8};
    QTest::newRow("refined") << apart << true << true;
    // Without the refinements the silences are heard: a gap of 1 s at each change of song.
    QTest::newRow("as designed") << apart << true << false;
    QTest::newRow("fade of two full-scale songs") << QList<double>{0, 0} << false << false;
}

void TestDeck::refinedEvening() {
    QFETCH(QList<double>, songs);
    QFETCH(bool, padded);
    QFETCH(bool, refined);
    DeskFixture f(true);
    f.mixer().setTrimSilence(refined);
    f.mixer().setLevelLoudness(refined);
    constexpr int kRate = 8000;
    const double lead = padded ? 3 : 0, trail = padded ? 10 : 0;
    QStringList faded;
    for (int i = 0; i < songs.size(); ++i) {
        std::vector<float> tone(size_t((lead + 30 + trail) * kRate));
        for (int k = int(lead * kRate); !std::isnan(songs[i]) && k < int((lead + 30) * kRate); ++k)
            tone[size_t(k)] = float(std::pow(10, songs[i] / 20) * std::sin(0.3 * k));
        const QString title = QStringLiteral("Song %1").arg(i);
        test::writeWav(f.folder.filePath(title + ".wav"), tone.data(), int(tone.size()), 1, kRate);
        f.add(f.folder.filePath(title + ".wav"), title);
        if (!refined || !std::isnan(songs[i])) faded << title;  // all silence: passed over
    }
    Log log(f);
    f.deck(0).transport.play();
    f.mixer().mixNow(f.deck(0));
    QVERIFY(f.runUntil([&] { return f.bothStopped(); }, 3600 * 1000));
    test::Audio out{f.engine->sampleRate(), 2, f.captured};
    test::keepOnFailure(QStringLiteral("refined"), out);
    QStringList titles;
    for (const Event& e : log.fade) titles << e.detail;
    QCOMPARE(titles, faded);
    float loudest = 0;
    for (const float v : f.captured) loudest = std::max(loudest, std::abs(v));
    QVERIFY2(loudest < 32767.0f / 32768, qPrintable(QString::number(loudest)));
    if (!padded) return;
    const int gap = longestGap(f.captured, std::pow(10.0f, -50.0f / 20.0f));
    QVERIFY2(refined ? gap <= out.rate * 50 / 1000 : gap >= out.rate,
             qPrintable(QString::number(gap)));
    // Each song's body, from the end of its fade-in to the start of the next fade.
    for (int i = 0; refined && i < log.done.size(); ++i) {
        const qint64 from = log.done[i].ms * out.rate / 1000;
        const qint64 to =
            i + 1 < log.fade.size() ? log.fade[i + 1].ms * out.rate / 1000 : out.frames();
        audio::LoudnessMeter meter(out.rate);
        meter.add(f.captured.data() + from * 2, size_t(to - from));
        QVERIFY2(std::abs(meter.integrated().value_or(0) - audio::kTargetLoudness) <= 1.5,
                 qPrintable(log.done[i].detail));
    }
}

void TestDeck::transitions_data() {
    QTest::addColumn<QList<int>>("songs");  // tenths of a second * 10 + ending
    QTest::addColumn<bool>("refined");      // silence trimmed and fades placed at outros
    QTest::addColumn<int>("outroFades");
    QTest::newRow("a 3 s sting between two songs") << QList<int>{3000, 300, 3000} << true << 0;
    QTest::newRow("a 0.2 s file as designed") << QList<int>{3000, 20, 3000} << false << 0;
    const QList<int> endings{4000 + FadeOut, 4000 + Cold, 4000 + Coda, 4000 + Cold};
    QTest::newRow("fade-out, cold, coda") << endings << true << 2;
    QTest::newRow("fade-out, cold, coda as designed") << endings << false << 0;
}

// No dead air and no sag at any change of song, heard on the output.
void TestDeck::transitions() {
    QFETCH(QList<int>, songs);
    QFETCH(bool, refined);
    QFETCH(int, outroFades);
    DeskFixture f(true);
    f.mixer().setTrimSilence(refined);
    f.mixer().setFadeAtOutro(refined);
    for (int i = 0; i < songs.size(); ++i)
        f.add(song(f, i, songs[i] / 10 / 10.0, Ending(songs[i] % 10)));
    Log log(f);
    QStringList rules;
    QObject::connect(&f.mixer(), &AutoMixer::fadeShaped,
                     [&](int, const AutoMixer::FadeShape& s) { rules << s.rule; });
    f.deck(0).transport.play();
    f.mixer().mixNow(f.deck(0));
    QVERIFY(f.runUntil([&] { return f.bothStopped(); }, 3600 * 1000));
    const test::Audio out{f.engine->sampleRate(), 2, f.captured};
    test::keepOnFailure(QStringLiteral("transitions"), out);
    QCOMPARE(log.fade.size(), songs.size());
    QCOMPARE(rules.count(QStringLiteral("outro")), outroFades);
    const int gap = longestGap(f.captured, std::pow(10.0f, -50.0f / 20.0f));
    QVERIFY2(gap <= out.rate * 50 / 1000, qPrintable(QString::number(gap)));
    // From the end of the first fade to the last song's own ending.
    const int sag = longestSag(f.captured, out.rate, log.done[0].ms, log.done.last().ms + 5000);
    const bool endsInOutros = songs.contains(4000 + Coda);
    QVERIFY2(refined || !endsInOutros ? sag <= 1500 : sag > 1500, qPrintable(QString::number(sag)));
}

// Play, Mix now at once, then a click on a row: the song being faded in plays on. Play with
// loudness levelling starts its song levelled.
void TestDeck::playLevelledAndClickDuringFade() {
    DeskFixture f;
    for (const char* n : {"A", "B", "C"}) f.add(f.tone(QString(n) + ".wav", 30.0), n);
    f.deck(0).transport.play();
    f.mixer().mixNow(f.deck(0));
    f.advance(20);
    f.playlist().setSelected(1);
    f.desk->decks().onEntryClicked();
    QVERIFY(f.runUntil([&] { return f.deck(1).playing(); }, 20000));
    f.advance(3000);
    QCOMPARE(f.deck(1).player().Status(), audio::Player::kPlaying);
    QCOMPARE(f.deck(1).song().mixTitle, QStringLiteral("A"));

    // A 0.5 tone is far above the common loudness: brought down 12 dB from its first note.
    DeskFixture g(true);
    g.mixer().setLevelLoudness(true);
    g.add(g.tone("A.wav", 30.0), "A");
    g.playlist().setSelected(0);
    g.desk->decks().onEntryClicked();
    g.deck(0).transport.play();
    g.advance(1000);
    const test::Audio out{g.engine->sampleRate(), 2, g.captured};
    const float first = test::peak(out, 0, out.rate / 5),
                later = test::peak(out, out.rate / 2, out.rate / 5);
    QVERIFY2(first < 0.25f && qAbs(first - later) < 0.01f * later,
             qPrintable(QString::number(first)));
}

// A music folder that goes away holds the mix with the list whole, and the mix goes on by itself
// once the folder is back.
void TestDeck::folderGoneAndBack() {
    DeskFixture f(true);
    const QString stick = f.folder.filePath("stick");
    QVERIFY(QDir().mkdir(stick));
    QStringList titles;
    for (int i = 0; i < 6; ++i) {
        titles << QStringLiteral("Song %1").arg(i);
        f.add(f.tone("stick/" + titles.last() + ".wav", 25.0, 300 + 40 * i, 8000), titles.last());
    }
    Log log(f);
    f.deck(0).transport.play();
    f.mixer().mixNow(f.deck(0));
    QVERIFY(f.runUntil([&] { return log.done.size() == 1; }, 60000));
    QVERIFY(QDir().rename(stick, stick + ".away"));
    // Song 1 was cued before the folder went; the rest stay listed while the decks stop.
    QVERIFY(f.runUntil([&] { return f.bothStopped(); }, 60000));
    f.advance(20000);
    QVERIFY(f.bothStopped());
    QCOMPARE(f.playlist().count(), 4);
    QCOMPARE(f.mixer().holdNotice.Caption(), "Music files not found: " + stick);
    QVERIFY(QDir().rename(stick + ".away", stick));
    const qint64 back = f.now();
    QVERIFY(f.runUntil([&] { return log.fade.size() == 3; }, AutoMixer::kHoldRetryInterval + 100));
    QVERIFY(f.mixer().holdNotice.Caption().isEmpty());
    QVERIFY(f.runUntil([&] { return f.bothStopped(); }, 3600 * 1000));
    QStringList faded;
    for (const Event& e : log.fade) faded << e.detail;
    QCOMPARE(faded, titles);
    const test::Audio out{f.engine->sampleRate(), 2, f.captured};
    QVERIFY(test::peak(out, int((back + AutoMixer::kHoldRetryInterval + 200) * out.rate / 1000),
                       out.rate / 10) > 0.3f);
}

void TestDeck::cuePoints() {
    DeskFixture f;
    CuePoints& cue = f.desk->cuePoints();
    Deck& two = f.deck(1);
    f.add(f.tone("a.wav", 30.0), "A");
    two.loader.cueNext();
    two.player().SetPosition(4000);
    cue.record(2);  // no deck flagged playing: nothing recorded
    QCOMPARE(cue.positions[2], 0);
    two.transport.play();
    two.player().SetPosition(3450);
    cue.record(2);
    QCOMPARE(cue.timeLabels[2].Caption(), QStringLiteral("00:03:45"));
    f.advance(2000);
    cue.jumpTo(2);
    QCOMPARE(two.player().Position(), 3450);
    QCOMPARE(two.player().Status(), audio::Player::kPlaying);
    two.player().SetPosition(0);
    cue.record(7);  // a cue point at 0 counts as empty
    two.player().SetPosition(5000);
    cue.jumpTo(7);
    QCOMPARE(two.player().Position(), 5000);
    cue.clear(2);
    QCOMPARE(cue.timeLabels[2].Caption(), QStringLiteral("00:00:00"));
    cue.jumpTo(2);
    QCOMPARE(two.player().Position(), 5000);

    // Every cue point is cleared when a fade starts.
    for (int i = 0; i < CuePoints::kCount; ++i) {
        f.advance(100);
        cue.record(i);
        QVERIFY(cue.positions[i] > 0);
    }
    f.add(f.tone("b.wav", 30.0), "B");
    f.mixer().mixNow(two);
    for (int i = 0; i < CuePoints::kCount; ++i) QCOMPARE(cue.positions[i], 0);
}

void TestDeck::renderTool() {
    // The playlist form of vantrel-render: four 40 s tones at M = 8 give 124 s, in order, and two
    // runs give the same file.
    DeskFixture f;
    QFile kvl(f.folder.filePath("evening.kvl"));
    QVERIFY(kvl.open(QIODevice::WriteOnly));
    for (int hz : {330, 440, 550, 660})
        kvl.write(QStringLiteral("Tone %1\r\n%2\r\n")
                      .arg(hz)
                      .arg(f.tone(QStringLiteral("t%1.wav").arg(hz), 40.0, hz))
                      .toUtf8());
    kvl.close();
    const QString tool = qEnvironmentVariable("VANTREL_BUILD_DIR") + "/vantrel-render";
    QByteArray first;
    for (int run = 0; run < 2; ++run) {
        const QString wav = f.folder.filePath(QStringLiteral("mix%1.wav").arg(run));
        QString log;
        QVERIFY(
            test::runTool(tool, {"--interval", "8", "--log", "--out", wav, kvl.fileName()}, &log));
        const QByteArray bytes = test::readFile(wav);
        QVERIFY2(qAbs((bytes.size() - 44) / 4 - 124 * 44100) <= 44100 / 2,
                 qPrintable(QString::number(bytes.size())));
        if (run == 0) {
            first = bytes;
            static const QRegularExpression fade(
                QStringLiteral("fade  deck \\d  (.*) in=\\d+@1 out=\\d+@1 rule=design\n"));
            QStringList faded;
            for (auto it = fade.globalMatch(log); it.hasNext();) faded << it.next().captured(1);
            QCOMPARE(faded, (QStringList{"Tone 330", "Tone 440", "Tone 550", "Tone 660"}));
        } else {
            QVERIFY(bytes == first);
        }
    }
}

QTEST_GUILESS_MAIN(TestDeck)
#include "tst_deck.moc"
