// Loading, transport and position tracking of the two decks, through the real engine on the
// offline output and the virtual clock.
#include <QFile>
#include <QtTest>

#include "audio/Player.h"
#include "deck/TimeFormat.h"
#include "support/AudioFiles.h"
#include "support/DeskFixture.h"

using namespace vantrel;
using vantrel::test::DeskFixture;

class TestDeck : public QObject {
    Q_OBJECT
private slots:
    void timeFormats_data();
    void timeFormats();
    void playPauseResumeStop();
    void seek_data();
    void seek();
    void pauseLatchIsShared();
    void songEndClearsTheDeck();
    void playCuesEntryZeroIntoTheOtherDeck();
    void unopenableFileKeepsProgress();
    void mp3MeasuredByCaseSensitiveEnding_data();
    void mp3MeasuredByCaseSensitiveEnding();
    void clickAndDoubleClick_data();
    void clickAndDoubleClick();
    void timeLabelToggleIsShared();
    void mixIntervalSlidersAreLinked();
};

void TestDeck::timeFormats_data() {
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
    QTest::newRow("remaining at the end") << true << 200000 << 200000 << "00:00:00";
    QTest::newRow("remaining 1 ms") << true << 199999 << 200000 << "00:00:00";
}

void TestDeck::timeFormats() {
    QFETCH(bool, remaining);
    QFETCH(int, position);
    QFETCH(int, length);
    QFETCH(QString, text);
    QCOMPARE(remaining ? FormatRemainingTime(position, length) : FormatPosition(position), text);
}

void TestDeck::playPauseResumeStop() {
    DeskFixture f;
    f.add(f.tone("a.wav", 5.0));
    Deck& d = f.desk->deck1();
    d.PrepareAudio();
    d.cmdPlay();
    QVERIFY(f.desk->state.Deck1Playing);
    f.advance(1000);
    QVERIFY(qAbs(d.player().Position() - 1000) <= 30);
    QCOMPARE(d.display.lblTime.Caption().left(5), QStringLiteral("00:00"));

    d.cmdPause();
    QVERIFY(f.desk->state.PauseLatch);
    const int held = d.player().Position();
    f.advance(30);
    const QString label = d.display.lblTime.Caption();
    f.advance(2000);
    // Paused: position, label and tracking hold; the deck is not taken for finished.
    QCOMPARE(d.player().Position(), held);
    QCOMPARE(d.display.lblTime.Caption(), label);
    QVERIFY(f.desk->state.Deck1Playing);
    QVERIFY(d.tmrPosition->Enabled());

    d.cmdPause();
    QVERIFY(!f.desk->state.PauseLatch);
    f.advance(1000);
    QVERIFY(qAbs(d.player().Position() - (held + 1000)) <= 30);
    QVERIFY(d.display.lblTime.Caption() != label);  // tracking resumed

    d.cmdStop();
    QCOMPARE(d.player().Position(), 1);
    QCOMPARE(d.display.progressValue(), 1);
    f.advance(30);
    QVERIFY(!f.desk->state.Deck1Playing);
    QVERIFY(!d.tmrPosition->Enabled());
    QCOMPARE(d.player().Position(), 0);
    QCOMPARE(d.display.progressValue(), 0);
    QCOMPARE(d.display.lblTime.Caption(), QStringLiteral("00:00:00"));
}

void TestDeck::seek_data() {
    QTest::addColumn<bool>("forward");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("rewind at 4.999 s stays") << false << 4999 << 4999;
    QTest::newRow("rewind at 5 s goes to 0") << false << 5000 << 0;
    QTest::newRow("rewind at 7.5 s") << false << 7500 << 2500;
    QTest::newRow("forward from the start") << true << 0 << 5000;
    QTest::newRow("forward exactly 5 s before the end") << true << 5000 << 10000;
    QTest::newRow("forward 4.999 s before the end stays") << true << 5001 << 5001;
}

void TestDeck::seek() {
    QFETCH(bool, forward);
    QFETCH(int, from);
    QFETCH(int, to);
    DeskFixture f;
    f.add(f.tone("a.wav", 10.0));
    Deck& d = f.desk->deck1();
    d.PrepareAudio();
    d.player().SetPosition(from);
    forward ? d.cmdFForward() : d.cmdRewind();
    QCOMPARE(d.player().Position(), to);
}

void TestDeck::pauseLatchIsShared() {
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

void TestDeck::songEndClearsTheDeck() {
    DeskFixture f;
    f.add(f.tone("a.wav", 1.0));
    Deck& d = f.desk->deck1();
    d.PrepareAudio();
    f.desk->playlist.clear();
    d.cmdPlay();
    f.advance(500);
    QVERIFY(d.display.vuLeft() > 0.1f);
    QVERIFY(f.runUntil([&] { return !d.tmrPosition->Enabled(); }, 2000));
    QVERIFY(qAbs(f.now() - 1000) <= 60);
    QVERIFY(!f.desk->state.Deck1Playing);
    QCOMPARE(d.player().Position(), 0);
    QCOMPARE(d.display.progressValue(), 0);
    QCOMPARE(d.display.vuLeft(), 0.0f);
    QCOMPARE(d.display.vuRight(), 0.0f);
    QCOMPARE(d.display.lblTime.Caption(), QStringLiteral("00:00:00"));
}

void TestDeck::playCuesEntryZeroIntoTheOtherDeck() {
    DeskFixture f;
    f.add(f.tone("a.wav", 3.0), "A");
    f.add(f.tone("b.wav", 2.0), "B");
    Deck& two = f.desk->deck2();
    two.tmrPosition->SetEnabled(true);
    f.desk->state.Deck2Playing = true;
    f.desk->deck1().cmdPlay();
    QVERIFY(f.desk->state.Deck1Playing);
    QVERIFY(!f.desk->state.Deck2Playing);
    QVERIFY(!two.tmrPosition->Enabled());
    QCOMPARE(f.desk->state.AudioPath2, f.desk->playlist.path(0));
    QCOMPARE(f.desk->state.AudioLength2, 3000);
    QCOMPARE(two.display.progressMax(), 3000);
    QCOMPARE(two.display.tickerMessage(), QStringLiteral("A"));
    QCOMPARE(two.display.tickerSeparator(), kTickerSeparator);
    QCOMPARE(f.desk->playlist.count(), 2);  // cueing takes nothing off the list
    QVERIFY(two.player().Status() != audio::Player::kPlaying);
}

void TestDeck::unopenableFileKeepsProgress() {
    DeskFixture f;
    f.add(f.tone("good.wav", 4.0), "Good");
    Deck& d = f.desk->deck1();
    d.PrepareAudio();
    f.desk->playlist.removeAt(0);
    d.cmdPlay();
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

void TestDeck::mp3MeasuredByCaseSensitiveEnding_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("wholeSeconds");
    QTest::newRow("lower-case mp3: media control") << "tone.mp3" << true;
    QTest::newRow("upper-case MP3: player") << "tone.MP3" << false;
}

void TestDeck::mp3MeasuredByCaseSensitiveEnding() {
    QFETCH(QString, name);
    QFETCH(bool, wholeSeconds);
    DeskFixture f;
    const QString mp3 = f.folder.filePath("src.mp3");
    test::ToneSpec spec;
    spec.seconds = 2.7;
    if (!test::makeTone(mp3, spec)) QSKIP("no mp3 encoder");
    const QString path = f.folder.filePath(name);
    if (path != mp3) QVERIFY(QFile::copy(mp3, path));
    f.add(path);
    f.desk->deck1().PrepareAudio();
    const int length = f.desk->state.AudioLength1;
    if (wholeSeconds) {
        QCOMPARE(length, 2000);
    } else {
        QVERIFY2(length > 2600 && length < 2800, qPrintable(QString::number(length)));
    }
}

void TestDeck::clickAndDoubleClick_data() {
    QTest::addColumn<bool>("deck2InFront");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<bool>("deck1Playing");
    QTest::addColumn<int>("loadedDeck");  // -1 = none
    QTest::addColumn<bool>("plays");
    QTest::newRow("click, deck 1 in front") << false << false << false << 0 << false;
    QTest::newRow("click, deck 2 in front") << true << false << false << 1 << false;
    QTest::newRow("click while a deck plays") << false << false << true << -1 << false;
    QTest::newRow("double click, deck 1 in front") << false << true << false << 0 << true;
    QTest::newRow("double click, deck 2 in front") << true << true << false << 1 << true;
    QTest::newRow("double click replaces deck 1") << false << true << true << 0 << true;
}

void TestDeck::clickAndDoubleClick() {
    QFETCH(bool, deck2InFront);
    QFETCH(bool, doubleClick);
    QFETCH(bool, deck1Playing);
    QFETCH(int, loadedDeck);
    QFETCH(bool, plays);
    DeskFixture f;
    f.add(f.tone("a.wav", 3.0), "A");
    f.add(f.tone("b.wav", 2.5), "B");
    f.add(f.tone("c.wav", 2.0), "C");
    Desk& desk = *f.desk;
    desk.setDeck2InFront(deck2InFront);
    desk.state.Deck1Playing = deck1Playing;
    desk.playlist.setSelected(1);
    if (doubleClick)
        desk.lstAudioDblClick();
    else
        desk.lstAudioClick();
    const QString b = desk.playlist.path(1);
    for (int i = 0; i < 2; ++i) {
        Deck& d = desk.deck(i);
        if (i != loadedDeck) {
            // Playing a deck cues entry 0 into the other one; a plain click cues nothing.
            QCOMPARE(d.audioPath(), plays ? desk.playlist.path(0) : QString());
            continue;
        }
        QCOMPARE(d.audioPath(), b);
        QCOMPARE(d.audioLength(), 2500);
        QCOMPARE(d.display.progressMax(), 2500);
        QCOMPARE(d.display.tickerMessage(), QStringLiteral("B"));
        QCOMPARE(d.player().Status() == audio::Player::kPlaying, plays);
        QCOMPARE(d.playing(), plays);
        QCOMPARE(desk.playlist.count(), 3);  // the played entry stays in the list
    }
}

void TestDeck::timeLabelToggleIsShared() {
    DeskFixture f;
    f.add(f.tone("a.wav", 5.0));
    Deck& one = f.desk->deck1();
    one.PrepareAudio();
    one.cmdPlay();
    f.advance(1100);
    QCOMPARE(one.display.lblTime.Caption().left(6), QStringLiteral("00:01:"));
    f.desk->deck2().lblTimeClick();  // deck 2's label switches deck 1's too
    f.advance(30);
    QCOMPARE(one.display.lblTime.Caption().left(6), QStringLiteral("00:03:"));
    QVERIFY(f.desk->state.ShowRemaining);
    one.lblTimeClick();
    QVERIFY(!f.desk->state.ShowRemaining);
}

void TestDeck::mixIntervalSlidersAreLinked() {
    DeskFixture f;
    Deck& one = f.desk->deck1();
    Deck& two = f.desk->deck2();
    QCOMPARE(one.lblMixingInterval.Caption(), QStringLiteral("8 seconds"));
    for (int i = 0; i < 10; ++i) one.cmdMixIntervalUp();
    QCOMPARE(two.sldMixInterval.Value(), 14);
    QCOMPARE(two.lblMixingInterval.Caption(), QStringLiteral("14 seconds"));
    for (int i = 0; i < 20; ++i) two.cmdMixIntervalDown();
    QCOMPARE(one.sldMixInterval.Value(), 2);
    QCOMPARE(one.lblMixingInterval.Caption(), QStringLiteral("2 seconds"));
    two.cmdMixIntervalReset();
    QCOMPARE(one.sldMixInterval.Value(), 8);
    QCOMPARE(one.lblMixingInterval.Caption(), QStringLiteral("8 seconds"));
    QCOMPARE(two.lblMixingInterval.Caption(), QStringLiteral("8 seconds"));
}

QTEST_GUILESS_MAIN(TestDeck)
#include "tst_deck.moc"
