#include <QtTest>

#include "sound/MasterVolume.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;

namespace {

class RecordingMixer final : public MixerLayer {
public:
    bool opens = true;
    bool hasControl = true;
    int level = 0;
    QList<QPair<int, int>> sent;

    bool Open() override { return opens; }
    bool FindSpeakerVolumeControl() override { return opens && hasControl; }
    int ReadMixerLevel() override { return level; }
    bool SetMixerStereoLevel(int left, int right) override {
        sent.append({left, right});
        return opens && hasControl;
    }
};

using Sent = QList<QPair<int, int>>;

}  // namespace

class MasterVolumeTest : public QObject {
    Q_OBJECT
private slots:
    void levelsAndLabels_data();
    void levelsAndLabels();
    void linkedPairsSettle_data();
    void linkedPairsSettle();
    void openSystemMixer_data();
    void openSystemMixer();
    void unreadableLevelSendsNothingUntilVolumeMoves();
};

void MasterVolumeTest::levelsAndLabels_data() {
    QTest::addColumn<int>("volume");
    QTest::addColumn<int>("balance");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<QString>("leftLabel");
    QTest::addColumn<QString>("rightLabel");
    QTest::newRow("centre") << 65535 << 0 << 65535 << 65535 << "50%"
                            << "50%";
    QTest::newRow("full left") << 65535 << -100 << 65535 << 0 << "100%"
                               << "0%";
    QTest::newRow("full right") << 65535 << 100 << 0 << 65535 << "0%"
                                << "100%";
    QTest::newRow("50, tie rounds up to even") << 65535 << 50 << 32768 << 65535 << "25%"
                                               << "75%";
    QTest::newRow("50, tie rounds down to even") << 65533 << 50 << 32766 << 65533 << "25%"
                                                 << "75%";
    QTest::newRow("-1") << 65535 << -1 << 65535 << 64880 << "50%"
                        << "50%";
    QTest::newRow("-3") << 65535 << -3 << 65535 << 63569 << "51%"
                        << "49%";
    QTest::newRow("volume 0") << 0 << 75 << 0 << 0 << "13%"
                              << "87%";
    QTest::newRow("volume 0, left") << 0 << -40 << 0 << 0 << "70%"
                                    << "30%";
}

void MasterVolumeTest::levelsAndLabels() {
    QFETCH(int, volume);
    QFETCH(int, balance);
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(QString, leftLabel);
    QFETCH(QString, rightLabel);
    RecordingMixer mixer;
    test::ScriptedDialogs dialogs;
    MasterVolume m(mixer, dialogs);
    m.sldVolume.SetValue(volume);
    m.sldBalance.SetValue(balance);
    QVERIFY(!mixer.sent.isEmpty());
    QCOMPARE(mixer.sent.last(), qMakePair(left, right));
    QCOMPARE(m.leftLevel, left);
    QCOMPARE(m.rightLevel, right);
    for (Label* l : {&m.lblBalanceLeft, &m.lblBalanceLeft2}) QCOMPARE(l->Caption(), leftLabel);
    for (Label* l : {&m.lblBalanceRight, &m.lblBalanceRight2}) QCOMPARE(l->Caption(), rightLabel);
}

// Either slider of a pair moves its twin; every send carries the levels of the one balance and
// volume, and the nested runs end (two sends: the twin's handler, then the mover's).
void MasterVolumeTest::linkedPairsSettle_data() {
    QTest::addColumn<QString>("move");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("volume");
    QTest::addColumn<int>("balance");
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("deck 2 volume") << "sldVolume2" << 50000 << 50000 << -40 << "7.630";
    QTest::newRow("deck 1 volume") << "sldVolume" << 65535 << 65535 << -40 << "10.001";
    QTest::newRow("deck 2 balance") << "sldBalance2" << 30 << 20000 << 30 << "3.052";
    QTest::newRow("deck 1 balance") << "sldBalance" << -100 << 20000 << -100 << "3.052";
}

void MasterVolumeTest::linkedPairsSettle() {
    QFETCH(QString, move);
    QFETCH(int, to);
    QFETCH(int, volume);
    QFETCH(int, balance);
    QFETCH(QString, toolTip);
    RecordingMixer mixer;
    test::ScriptedDialogs dialogs;
    MasterVolume m(mixer, dialogs);
    m.sldVolume.SetValue(20000);
    m.sldBalance2.SetValue(-40);
    mixer.sent.clear();
    Slider* s = move == "sldVolume2"   ? &m.sldVolume2
                : move == "sldVolume"  ? &m.sldVolume
                : move == "sldBalance" ? &m.sldBalance
                                       : &m.sldBalance2;
    s->SetValue(to);
    QCOMPARE(m.sldVolume.Value(), volume);
    QCOMPARE(m.sldVolume2.Value(), volume);
    QCOMPARE(m.sldBalance.Value(), balance);
    QCOMPARE(m.sldBalance2.Value(), balance);
    QCOMPARE(m.masterVolume, volume);
    QCOMPARE(m.sldVolume.ToolTipText(), toolTip);
    QCOMPARE(m.sldVolume2.ToolTipText(), toolTip);
    const MasterVolume::Levels expected = MasterVolume::LevelsFor(volume, balance);
    QCOMPARE(mixer.sent, Sent(2, {expected.left, expected.right}));
}

void MasterVolumeTest::openSystemMixer_data() {
    QTest::addColumn<bool>("opens");
    QTest::addColumn<bool>("hasControl");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("slider");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<Sent>("sent");
    QTest::addColumn<int>("messages");
    QTest::newRow("level read") << true << true << 26214 << 26214 << "4" << Sent(2, {26214, 26214})
                                << 0;
    QTest::newRow("full") << true << true << 65535 << 65535 << "10" << Sent(2, {65535, 65535}) << 0;
    QTest::newRow("no control") << true << false << 30000 << 0 << "0" << Sent{} << 0;
    QTest::newRow("no mixer") << false << false << 30000 << 0 << "" << Sent{} << 1;
}

void MasterVolumeTest::openSystemMixer() {
    QFETCH(bool, opens);
    QFETCH(bool, hasControl);
    QFETCH(int, level);
    QFETCH(int, slider);
    QFETCH(QString, toolTip);
    QFETCH(Sent, sent);
    QFETCH(int, messages);
    RecordingMixer mixer;
    mixer.opens = opens;
    mixer.hasControl = hasControl;
    mixer.level = level;
    test::ScriptedDialogs dialogs;
    MasterVolume m(mixer, dialogs);
    m.OpenSystemMixer();
    m.OpenSystemMixer();  // start-up runs once; a second call must not ask again
    QCOMPARE(m.sldVolume.Value(), slider);
    QCOMPARE(m.sldVolume2.Value(), slider);
    QCOMPARE(m.sldVolume.ToolTipText(), toolTip);
    QCOMPARE(m.sldVolume2.ToolTipText(), toolTip);
    QCOMPARE(mixer.sent, sent);
    QCOMPARE(dialogs.messages.size(), messages);
    if (messages) {
        QCOMPARE(dialogs.messages[0].title, kApplicationTitle);
        QCOMPARE(dialogs.messages[0].text,
                 QStringLiteral("Couldn't open the mixer please check if a audio mixer is "
                                "installed then retry."));
        QCOMPARE(dialogs.messages[0].icon, Dialogs::Icon::NoIcon);
    }
    // Later moves still go to the mixer, which may refuse them; nobody is told.
    mixer.sent.clear();
    m.sldVolume2.SetValue(1000);
    QCOMPARE(mixer.sent.last(), qMakePair(1000, 1000));
    QCOMPARE(dialogs.messages.size(), messages);
}

// A failed read leaves no valid volume: the speakers keep their level while only the balance
// moves, and the first volume move sends again.
void MasterVolumeTest::unreadableLevelSendsNothingUntilVolumeMoves() {
    RecordingMixer mixer;
    mixer.level = -1;
    test::ScriptedDialogs dialogs;
    MasterVolume m(mixer, dialogs);
    m.OpenSystemMixer();
    QCOMPARE(m.masterVolume, -1);
    QCOMPARE(m.sldVolume.Value(), 0);
    m.sldBalance.SetValue(50);
    QCOMPARE(m.lblBalanceLeft2.Caption(), QStringLiteral("25%"));
    QCOMPARE(m.sldBalance2.Value(), 50);
    QVERIFY(mixer.sent.isEmpty());
    m.sldVolume.SetValue(40000);
    QCOMPARE(mixer.sent.last(), qMakePair(20000, 40000));
    QVERIFY(dialogs.messages.isEmpty());
}

QTEST_GUILESS_MAIN(MasterVolumeTest)
#include "tst_mastervolume.moc"
