// The deck and cue views offscreen: clicks reach the core handlers, and what the core shows
// reaches the widgets.
#include <QApplication>
#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QtTest>

#include "deck/ui/DeckPanel.h"
#include "samples/ui/CuePanel.h"
#include "support/DeskFixture.h"
#include "widgets/ProgressBar.h"
#include "widgets/Ticker.h"

using namespace vantrel;
using vantrel::test::DeskFixture;

class TestDeckPanel : public QObject {
    Q_OBJECT
private slots:
    void playButtonReachesTheCoreAndTheLabelTicks_data();
    void playButtonReachesTheCoreAndTheLabelTicks();
    void mixControls();
    void cuePanel();
};

void TestDeckPanel::playButtonReachesTheCoreAndTheLabelTicks_data() {
    QTest::addColumn<int>("deck");
    QTest::newRow("deck 1") << 0;
    QTest::newRow("deck 2") << 1;
}

void TestDeckPanel::playButtonReachesTheCoreAndTheLabelTicks() {
    QFETCH(int, deck);
    DeskFixture f;
    f.add(f.tone("a.wav", 5.0), "A song");
    Deck& d = f.desk->deck(deck);
    DeckPanel panel(d, new QWidget);
    panel.show();
    QCOMPARE(panel.size(), QSize(493, 194));
    d.PrepareAudio();
    QCOMPARE(panel.songProgress().Max(), 5000);
    const QString suffix = deck == 1 ? QStringLiteral("2") : QString();
    auto* play = panel.findChild<QToolButton*>(QStringLiteral("cmdPlay") + suffix);
    QVERIFY(play);
    QTest::mouseClick(play, Qt::LeftButton);
    QVERIFY(d.playing());
    f.advance(1500);
    QCOMPARE(panel.lblTime().text().left(6), QStringLiteral("00:01:"));
    QVERIFY(panel.songProgress().Value() >= 1400);
    QTest::mouseClick(&panel.lblTime(), Qt::LeftButton);
    QVERIFY(f.desk->state.ShowRemaining);
    f.advance(30);
    QCOMPARE(panel.lblTime().text().left(6), QStringLiteral("00:03:"));

    auto* stop = panel.findChild<QToolButton*>(QStringLiteral("cmdStop") + suffix);
    QTest::mouseClick(stop, Qt::LeftButton);
    f.advance(30);
    QVERIFY(!d.playing());
    QCOMPARE(panel.songProgress().Value(), 0);
}

void TestDeckPanel::mixControls() {
    DeskFixture f;
    DeckPanel one(f.desk->deck1(), nullptr);
    DeckPanel two(f.desk->deck2(), nullptr);
    auto* up = one.findChild<QToolButton*>(QStringLiteral("cmdMixIntervalUp"));
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(two.sldMixInterval().value(), 9);
    auto* label = two.findChild<QLabel*>(QStringLiteral("lblMixingInterval2"));
    QCOMPARE(label->text(), QStringLiteral("9 seconds"));
    two.sldMixInterval().setValue(3);  // as a drag would
    QCOMPARE(f.desk->deck1().sldMixInterval.Value(), 3);
    QCOMPARE(one.sldMixInterval().value(), 3);

    f.add(f.tone("a.wav", 20.0), "A");
    f.add(f.tone("b.wav", 20.0), "B");
    f.desk->deck1().cmdPlay();
    auto* mix = one.findChild<QToolButton*>(QStringLiteral("cmdMix"));
    QTest::mouseClick(mix, Qt::LeftButton);
    QCOMPARE(two.title(), QStringLiteral("Mixing ..."));
    QVERIFY(f.desk->state.Deck2InFront);
    QVERIFY(f.runUntil([&] { return f.desk->state.Deck2Playing; }, 10000));
    QCOMPARE(two.title(), QStringLiteral("Vantrel"));
}

void TestDeckPanel::cuePanel() {
    DeskFixture f;
    f.add(f.tone("a.wav", 10.0), "A");
    CuePanel panel(f.desk->cuePoints);
    panel.show();
    for (int i = 0; i < CuePoints::kCount; ++i) {
        const QString n = QString::number(i);
        QCOMPARE(panel.findChild<QToolButton*>("cmdCuePlay" + n)->toolTip(),
                 QStringLiteral("Play from cue point"));
        QCOMPARE(panel.findChild<QToolButton*>("cmdCueRecord" + n)->toolTip(),
                 QStringLiteral("Record cue point"));
        QCOMPARE(panel.findChild<QToolButton*>("cmdCueReset" + n)->toolTip(),
                 QStringLiteral("Reset cue point"));
        QCOMPARE(panel.findChild<QLabel*>("lblCueTime" + n)->text(), QStringLiteral("00:00:00"));
    }
    // Cue 1..4 in the left column, Cue 5..8 in the right one.
    const auto* cue1 = panel.findChild<QToolButton*>("cmdCueRecord0");
    const auto* cue4 = panel.findChild<QToolButton*>("cmdCueRecord3");
    const auto* cue5 = panel.findChild<QToolButton*>("cmdCueRecord4");
    QVERIFY(cue4->mapTo(&panel, QPoint()).y() > cue1->mapTo(&panel, QPoint()).y());
    QVERIFY(cue5->mapTo(&panel, QPoint()).x() > cue1->mapTo(&panel, QPoint()).x());
    QCOMPARE(cue5->mapTo(&panel, QPoint()).y(), cue1->mapTo(&panel, QPoint()).y());

    // The buttons reach the core.
    Deck& d = f.desk->deck1();
    d.PrepareAudio();
    f.desk->playlist.clear();
    d.cmdPlay();
    f.advance(2000);
    QTest::mouseClick(panel.findChild<QToolButton*>("cmdCueRecord5"), Qt::LeftButton);
    QVERIFY(f.desk->cuePoints.CuePositions[5] >= 1900);
    QCOMPARE(panel.findChild<QLabel*>("lblCueTime5")->text().left(6), QStringLiteral("00:02:"));
    QTest::mouseClick(panel.findChild<QToolButton*>("cmdCueReset5"), Qt::LeftButton);
    QCOMPARE(panel.findChild<QLabel*>("lblCueTime5")->text(), QStringLiteral("00:00:00"));
}

QTEST_MAIN(TestDeckPanel)
#include "tst_deckpanel.moc"
