// The transport and fade rules that the evening tables do not reach: time texts, the shared
// pause latch, measuring, a broken cue, a fade re-timed, restarted or already complete, and the
// deck panel driving the core.
#include <QFile>
#include <QLabel>
#include <QToolButton>
#include <QtTest>

#include "audio/Player.h"
#include "deck/TimeFormat.h"
#include "deck/ui/DeckPanel.h"
#include "support/AudioFiles.h"
#include "support/DeskFixture.h"
#include "widgets/ProgressBar.h"

using namespace vantrel;
using vantrel::test::DeskFixture;

namespace {

// Deck 1 plays "A" (taken off the list by hand, as a click would leave it), the rest queue.
Deck& playFirst(DeskFixture& f) {
    Deck& one = f.desk->deck1();
    one.PrepareAudio();
    f.desk->playlist.removeAt(0);
    one.cmdPlay();
    return one;
}

}  // namespace

class TestTransport : public QObject {
    Q_OBJECT
private slots:
    void timeFormats_data() {
        QTest::addColumn<bool>("remaining");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << false << 0 << 0 << "00:00:00";
        QTest::newRow("83456") << false << 83456 << 0 << "01:23:45";
        QTest::newRow("59999") << false << 59999 << 0 << "00:59:99";
        QTest::newRow("60000") << false << 60000 << 0 << "01:00:00";
        QTest::newRow("125 minutes") << false << 125 * 60000 + 1009 << 0 << "125:01:00";
        QTest::newRow("remaining 0 of 200 s") << true << 0 << 200000 << "03:20:00";
        QTest::newRow("remaining 1 ms") << true << 199999 << 200000 << "00:00:00";
    }
    void timeFormats() {
        QFETCH(bool, remaining);
        QFETCH(int, position);
        QFETCH(int, length);
        QFETCH(QString, text);
        QCOMPARE(remaining ? FormatRemainingTime(position, length) : FormatPosition(position),
                 text);
    }

    void pauseLatchIsShared() {
        DeskFixture f;
        f.add(f.tone("a.wav", 5.0));
        f.add(f.tone("b.wav", 5.0));
        Deck& one = f.desk->deck1();
        Deck& two = f.desk->deck2();
        one.PrepareAudio();
        one.cmdPlay();  // cues entry 0 into deck 2
        two.player().Play();
        f.advance(300);
        one.cmdPause();
        QVERIFY(one.player().Status() != audio::Player::kPlaying);
        two.cmdPause();  // the latch is set: deck 2 goes on playing
        QCOMPARE(two.player().Status(), audio::Player::kPlaying);
        one.cmdPause();  // resumes deck 1
        QCOMPARE(one.player().Status(), audio::Player::kPlaying);
        QVERIFY(!f.desk->state.PauseLatch);
    }

    void unopenableFileKeepsProgress() {
        DeskFixture f;
        f.add(f.tone("good.wav", 4.0), "Good");
        Deck& d = playFirst(f);
        f.advance(1500);
        d.cmdPause();
        const int value = d.display.progressValue();
        QVERIFY(value > 1400);
        const QString bad = f.folder.filePath("broken.wav");
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("this is no audio at all");
        file.close();
        f.add(bad, "Broken");
        d.PrepareAudio();
        QCOMPARE(f.desk->state.AudioPath1, bad);
        QCOMPARE(d.display.tickerMessage(), QStringLiteral("Broken"));
        QCOMPARE(f.desk->state.AudioLength1, 4000);
        QCOMPARE(d.display.progressMax(), 4000);
        QCOMPARE(d.display.progressValue(), value);
    }

    void mp3MeasuredByCaseSensitiveEnding_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("wholeSeconds");
        QTest::newRow("lower-case mp3: media control") << "tone.mp3" << true;
        QTest::newRow("upper-case MP3: player") << "tone.MP3" << false;
    }
    void mp3MeasuredByCaseSensitiveEnding() {
        QFETCH(QString, name);
        QFETCH(bool, wholeSeconds);
        DeskFixture f;
        const QString mp3 = f.folder.filePath("src.mp3");
        test::ToneShape tone;
        tone.seconds = 2.7;
        QVERIFY(test::makeTone(mp3, tone));
        const QString path = f.folder.filePath(name);
        if (path != mp3) QVERIFY(QFile::copy(mp3, path));
        f.add(path);
        f.desk->deck1().PrepareAudio();
        const int length = f.desk->state.AudioLength1;
        if (wholeSeconds)
            QCOMPARE(length, 2000);
        else
            QVERIFY2(length > 2600 && length < 2800, qPrintable(QString::number(length)));
    }

    void mixIntervalButtons_data() {
        QTest::addColumn<int>("deck");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("button");  // 1 up, -1 down, 0 reset
        QTest::addColumn<int>("to");
        QTest::newRow("up at 14 stays") << 0 << 14 << 1 << 14;
        QTest::newRow("up at 13") << 1 << 13 << 1 << 14;
        QTest::newRow("down at 2 stays") << 1 << 2 << -1 << 2;
        QTest::newRow("down at 3") << 0 << 3 << -1 << 2;
        QTest::newRow("reset") << 1 << 13 << 0 << 8;
    }
    void mixIntervalButtons() {
        QFETCH(int, deck);
        QFETCH(int, from);
        QFETCH(int, button);
        QFETCH(int, to);
        DeskFixture f;
        Deck& d = f.desk->deck(deck);
        d.sldMixInterval.SetValue(from);
        button > 0   ? d.cmdMixIntervalUp()
        : button < 0 ? d.cmdMixIntervalDown()
                     : d.cmdMixIntervalReset();
        for (int i = 0; i < 2; ++i) {  // the two sliders and labels are one setting
            QCOMPARE(f.desk->deck(i).sldMixInterval.Value(), to);
            QCOMPARE(f.desk->deck(i).lblMixingInterval.Caption(),
                     QString::number(to) + QStringLiteral(" seconds"));
        }
    }

    void intervalChangeMidFade() {
        DeskFixture f;
        f.add(f.tone("a.wav", 30.0), "A");
        f.add(f.tone("b.wav", 30.0), "B");
        Deck& one = playFirst(f);
        Deck& two = f.desk->deck2();
        one.cmdMix();
        const qint64 start = f.now();
        f.advance(80 + 20 * 80);  // 21 steps at M = 8
        QCOMPARE(two.player().Volume(), static_cast<float>(0.21));
        two.sldMixInterval.SetValue(2);  // linked: deck 1's slider, the one the fade reads
        QCOMPARE(one.sldMixInterval.Value(), 2);
        f.advance(80);  // the step already timed keeps its 80 ms
        QVERIFY(qAbs(two.player().Volume() - 0.22f) < 1e-6f);
        f.advance(20);
        QVERIFY(qAbs(two.player().Volume() - 0.23f) < 1e-6f);
        QVERIFY(f.runUntil([&] { return !two.fading(); }, 5000));
        QCOMPARE(f.now() - start, qint64(80 + 21 * 80 + 79 * 20));
    }

    void incomingAlreadyAtFullVolume() {
        DeskFixture f;
        f.add(f.tone("a.wav", 10.0), "A");
        f.add(f.tone("b.wav", 10.0), "B");
        Deck& two = f.desk->deck2();
        f.desk->deck1().cmdMix();  // deck 1 not flagged playing: deck 2 keeps its volume 1
        QCOMPARE(two.player().Volume(), 1.0f);
        f.advance(80);
        QVERIFY(!two.fading());
        QVERIFY(f.desk->state.Deck2Playing);
        QCOMPARE(f.desk->state.AudioPath1, f.desk->playlist.path(0));
    }

    void mixNowDuringAFade_data() {
        QTest::addColumn<int>("pressedOn");  // the deck whose Mix now is pressed again
        QTest::newRow("deck 1: the fade into deck 2 starts again with C") << 0;
        QTest::newRow("front deck 2: C into deck 1 takes over from B") << 1;
    }
    void mixNowDuringAFade() {
        QFETCH(int, pressedOn);
        DeskFixture f;
        for (const char* n : {"A", "B", "C", "D"})
            f.add(f.tone(QStringLiteral("%1.wav").arg(n), 30.0), QString::fromLatin1(n));
        Deck& one = playFirst(f);
        Deck& two = f.desk->deck2();
        one.cmdMix();
        f.advance(80 + 30 * 80);
        QVERIFY(two.player().Volume() > 0.3f);
        Deck& in = f.desk->deck(1 - pressedOn);
        f.desk->deck(pressedOn).cmdMix();
        QCOMPARE(f.desk->playlist.count(), 1);
        QCOMPARE(in.mixTitle(), QStringLiteral("C"));
        QCOMPARE(in.tmrMix->Interval(), 80);
        QVERIFY(in.fading() && !in.other().fading());
        QCOMPARE(in.other().display.fraPlayer.Caption(), QStringLiteral("Vantrel"));
        if (pressedOn == 0) QCOMPARE(two.player().Volume(), 0.0f);
        QVERIFY(f.runUntil([&] { return in.playing() && !in.fading(); }, 20000));
        QCOMPARE(f.desk->playlist.title(0), QStringLiteral("D"));
        QCOMPARE(in.other().audioPath(), f.desk->playlist.path(0));
        // The evening goes on: D follows C, and the decks stop only once it has played.
        QVERIFY(f.runUntil([&] { return in.other().mixTitle() == QLatin1String("D"); }, 60000));
        QVERIFY(f.runUntil([&] { return f.bothStopped(); }, 60000));
        QCOMPARE(f.desk->playlist.count(), 0);
    }

    void doubleClickOnABrokenEntry() {
        DeskFixture f;
        f.add(f.tone("a.wav", 30.0), "A");
        f.add(f.tone("c.wav", 30.0), "C");
        const QString bad = f.folder.filePath("broken.wav");
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("no audio"));
        file.close();
        f.add(bad, "Broken");
        playFirst(f);  // cues C into deck 2
        f.advance(2000);
        f.desk->playlist.setSelected(1);
        f.desk->lstAudioDblClick();  // takes A off deck 1 and opens nothing
        f.advance(60);
        QCOMPARE(f.desk->state.MixTitle2, QStringLiteral("C"));
        QCOMPARE(f.desk->deck2().player().Status(), audio::Player::kPlaying);
    }

    void reorderedTopEntryIsCuedAgain() {
        DeskFixture f;
        f.add(f.tone("a.wav", 20.0), "A");
        f.add(f.tone("b.wav", 5.0), "B");
        playFirst(f);
        f.advance(1060);  // past the cue point (L - 19 s), before the fade
        QCOMPARE(f.desk->state.AudioPath2, f.desk->playlist.path(0));
        const QString c = f.tone("c.wav", 5.0);
        f.desk->playlist.insert(0, QStringLiteral("C"), c);
        f.advance(60);
        QCOMPARE(f.desk->state.AudioPath2, c);
        QVERIFY(f.runUntil([&] { return f.desk->state.MixTitle2 == QLatin1String("C"); }, 10000));
        QCOMPARE(f.desk->playlist.title(0), QStringLiteral("B"));
    }

    void panelButtonsReachTheCore_data() {
        QTest::addColumn<int>("deck");
        QTest::newRow("deck 1") << 0;
        QTest::newRow("deck 2") << 1;
    }
    void panelButtonsReachTheCore() {
        QFETCH(int, deck);
        DeskFixture f;
        f.add(f.tone("a.wav", 5.0), "A song");
        Deck& d = f.desk->deck(deck);
        DeckPanel panel(d, new QWidget);
        panel.show();
        d.PrepareAudio();
        const QString suffix = deck == 1 ? QStringLiteral("2") : QString();
        auto* play = panel.findChild<QToolButton*>(QStringLiteral("cmdPlay") + suffix);
        QVERIFY(play);
        QTest::mouseClick(play, Qt::LeftButton);
        QVERIFY(d.playing());
        f.advance(1500);
        QCOMPARE(panel.lblTime().text().left(6), QStringLiteral("00:01:"));
        QVERIFY(panel.songProgress().Value() >= 1400);
        QTest::mouseClick(&panel.lblTime(), Qt::LeftButton);  // remaining time, both decks
        f.advance(30);
        QCOMPARE(panel.lblTime().text().left(6), QStringLiteral("00:03:"));
        QTest::mouseClick(panel.findChild<QToolButton*>(QStringLiteral("cmdStop") + suffix),
                          Qt::LeftButton);
        f.advance(30);
        QVERIFY(!d.playing());
        QCOMPARE(panel.songProgress().Value(), 0);
    }
};

QTEST_MAIN(TestTransport)
#include "tst_transport.moc"
