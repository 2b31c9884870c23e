// The core slider and its view binding, the per-deck tempo, pitch and rate controls, the master
// volume and balance over a recording mixer, and the deck panels that show them.
#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QtTest>

#include "sound/MasterVolume.h"
#include "sound/SoundControls.h"
#include "sound/ui/SliderBinding.h"
#include "sound/ui/SoundPanel.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;

namespace {

// Records every call the controls make, as "op value".
class RecordingTarget final : public StretchTarget {
public:
    void SetTempo(float f) override { calls << QStringLiteral("tempo %1").arg(f); }
    void SetPitch(float f) override { calls << QStringLiteral("pitch %1").arg(f); }
    void SetPitchSemitones(float s) override { calls << QStringLiteral("semitones %1").arg(s); }
    void SetRate(float f) override { calls << QStringLiteral("rate %1").arg(f); }
    QStringList calls;
};

using Sent = QList<QPair<int, int>>;

class RecordingMixer final : public MixerLayer {
public:
    int level = 0;
    bool found = true;
    Sent sent;
    bool Open() override { return true; }
    bool FindSpeakerVolumeControl() override { return found; }
    int ReadMixerLevel() override { return level; }
    bool SetMixerStereoLevel(int left, int right) override {
        sent.append({left, right});
        return true;
    }
};

// From `start`, `command` ("drag" moves the slider to `value`) leaves `value`, `label` and the
// player's calls; `otherAway` first moves the other pitch slider off neutral.
struct Step {
    QString setting;
    int start;
    QString command;
    int value;
    QString label;
    QStringList calls;
    int otherAway = 0;
};

struct Balance {
    int volume, balance, left = 0, right = 0, leftPercent = 0, rightPercent = 0;
};

struct Click {
    QString button, toolTip, slider;
    int value;
    QString label, text;
};

}  // namespace

Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(Click)
Q_DECLARE_METATYPE(Balance)

class SoundControlsTest : public QObject {
    Q_OBJECT
private slots:
    void sliderMoves_data();
    void sliderMoves();
    void bindingOutlivesTheCore();
    void commands_data();
    void commands();
    void levelsAndLabels_data();
    void levelsAndLabels();
    void linkedPairsSettle_data();
    void linkedPairsSettle();
    void startWithoutALevel_data();
    void startWithoutALevel();
    void panelButtons_data();
    void panelButtons();
    void panelFitsItsPlace();
};

// A move from the core or the view: both end on the same value, clamped to the range, and the
// handler runs once per real change (a same value or the view's echo does not run it).
void SoundControlsTest::sliderMoves_data() {
    QTest::addColumn<bool>("fromView");
    QTest::addColumn<int>("move");
    QTest::addColumn<int>("handlerSets");  // 0 = the handler leaves the value alone
    QTest::addColumn<int>("after");
    QTest::addColumn<int>("runs");
    QTest::newRow("core, inside") << false << 1234 << 0 << 1234 << 1;
    QTest::newRow("core, same") << false << 1000 << 0 << 1000 << 0;
    QTest::newRow("core, above") << false << 2000 << 0 << 1500 << 1;
    QTest::newRow("core, below") << false << -5 << 0 << 500 << 1;
    QTest::newRow("view, inside") << true << 1100 << 0 << 1100 << 1;
    QTest::newRow("view, same") << true << 1000 << 0 << 1000 << 0;
    QTest::newRow("view, handler puts it back") << true << 1200 << 1000 << 1000 << 2;
    QTest::newRow("view, handler moves it on") << true << 1200 << 1300 << 1300 << 2;
}

void SoundControlsTest::sliderMoves() {
    QFETCH(bool, fromView);
    QFETCH(int, move);
    QFETCH(int, handlerSets);
    QFETCH(int, after);
    QFETCH(int, runs);
    Slider core(500, 1500, 1000);
    core.SetToolTipText(QStringLiteral("3"));
    int handled = 0;
    core.onChanged = [&] {
        if (++handled == 1 && handlerSets) core.SetValue(handlerSets);
    };
    QSignalSpy spy(&core, &Slider::valueChanged);
    QSlider view;
    SliderBinding::bind(core, view);
    QCOMPARE(view.minimum(), 500);
    QCOMPARE(view.maximum(), 1500);
    QCOMPARE(view.value(), 1000);
    QCOMPARE(view.toolTip(), QStringLiteral("3"));
    core.SetToolTipText(QStringLiteral("10.001"));
    QCOMPARE(view.toolTip(), QStringLiteral("10.001"));
    fromView ? view.setValue(move) : core.SetValue(move);
    QCOMPARE(core.Value(), after);
    QCOMPARE(view.value(), after);
    QCOMPARE(handled, runs);
    QCOMPARE(spy.count(), runs);
}

void SoundControlsTest::bindingOutlivesTheCore() {
    QSlider view;
    {
        Slider core(0, 10, 5);
        SliderBinding::bind(core, view);
    }
    view.setValue(7);  // must not reach the destroyed core
    QCOMPARE(view.value(), 7);
}

void SoundControlsTest::commands_data() {
    QTest::addColumn<Step>("step");
    const QStringList none;
    QTest::newRow("tempo up past the top") << Step{"tempo", 1495, "up", 1495, "149%", none};
    QTest::newRow("tempo down past the bottom") << Step{"tempo", 505, "down", 505, "50%", none};
    QTest::newRow("tempo down onto the bottom")
        << Step{"tempo", 510, "down", 500, "50%", {"tempo 0.5"}};
    QTest::newRow("tempo down to 99%") << Step{"tempo", 1005, "down", 995, "99%", {"tempo 0.995"}};
    QTest::newRow("tempo reset") << Step{"tempo", 1234, "reset", 1000, "100%", {"tempo 1"}};
    QTest::newRow("gradual up past the top") << Step{"gradual", 1500, "up", 1500, "150%", none};
    QTest::newRow("gradual reset") << Step{"gradual", 700, "reset", 1000, "100%", {"pitch 1"}};
    QTest::newRow("semitone down at -12") << Step{"semitone", -12, "down", -12, "-12", none};
    QTest::newRow("semitone up at 12") << Step{"semitone", 12, "up", 12, "12", none};
    QTest::newRow("semitone reset") << Step{"semitone", 5, "reset", 0, "0", {"semitones 0"}};
    QTest::newRow("rate up from neutral") << Step{"rate", 1000, "up", 1010, "101%", {"rate 1.01"}};
    QTest::newRow("rate down past the bottom") << Step{"rate", 500, "down", 500, "50%", none};
    QTest::newRow("rate reset") << Step{"rate", 1230, "reset", 1000, "100%", {"rate 1"}};
    // Moving one pitch slider puts the other back to neutral, before the move reaches the player.
    QTest::newRow("gradual drag, semitone away")
        << Step{"gradual", 1000, "drag", 1100, "110%", {"semitones 0", "pitch 1.1"}, 3};
    QTest::newRow("semitone drag, gradual away")
        << Step{"semitone", 0, "drag", -2, "-2", {"pitch 1", "semitones -2"}, 200};
    QTest::newRow("semitone up, gradual away")
        << Step{"semitone", 0, "up", 1, "1", {"pitch 1", "semitones 1"}, 200};
}

void SoundControlsTest::commands() {
    QFETCH(Step, step);
    using C = SoundControls;
    RecordingTarget target;
    C c(target);
    const int i = QStringList{"tempo", "gradual", "semitone", "rate"}.indexOf(step.setting);
    const int command = QStringList{"down", "up", "reset", "drag"}.indexOf(step.command);
    Slider* sliders[] = {&c.tempoSlider, &c.gradualPitchSlider, &c.semitoneSlider, &c.rateSlider};
    Label* labels[] = {&c.tempoLabel, &c.gradualPitchLabel, &c.semitoneLabel, &c.rateLabel};
    const int neutral[] = {1000, 1000, 0, 1000};
    void (C::*commands[4][3])() = {{&C::tempoDown, &C::tempoUp, &C::tempoReset},
                                   {&C::gradualDown, &C::gradualUp, &C::gradualReset},
                                   {&C::semitoneDown, &C::semitoneUp, &C::semitoneReset},
                                   {&C::rateDown, &C::rateUp, &C::rateReset}};
    const int other = i == 1 ? 2 : i == 2 ? 1 : -1;
    sliders[i]->SetValue(step.start);  // dragged there
    if (step.otherAway) sliders[other]->SetValue(neutral[other] + step.otherAway);
    target.calls.clear();
    command == 3 ? sliders[i]->SetValue(step.value) : (c.*commands[i][command])();
    QCOMPARE(sliders[i]->Value(), step.value);
    QCOMPARE(labels[i]->Caption(), step.label);
    QCOMPARE(target.calls, step.calls);
    if (other >= 0) {
        QCOMPARE(sliders[other]->Value(), neutral[other]);
        QCOMPARE(labels[other]->Caption(), other == 2 ? "0" : "100%");
    }
    if (i == 3) QCOMPARE(c.tempoSlider.Value(), 1000);  // the rate is its own
}

// Both deck panels over one master volume, as the main window has them.
struct Panels {
    RecordingTarget t1, t2;
    SoundControls c1{t1}, c2{t2};
    RecordingMixer mixer;
    test::ScriptedDialogs dialogs;
    MasterVolume master{mixer, dialogs};
    SoundPanel deck1{c1, master, 1};
    SoundPanel deck2{c2, master, 2};

    template <typename W>
    W* find(const QString& name) {
        W* w = deck1.findChild<W*>(name);
        return w ? w : deck2.findChild<W*>(name);
    }
};

// Volume and balance to the levels sent and the percentages on both label pairs.
void SoundControlsTest::levelsAndLabels_data() {
    QTest::addColumn<Balance>("c");
    QTest::newRow("centre") << Balance{65535, 0, 65535, 65535, 50, 50};
    QTest::newRow("full left") << Balance{65535, -100, 65535, 0, 100, 0};
    QTest::newRow("full right") << Balance{65535, 100, 0, 65535, 0, 100};
    QTest::newRow("50, tie rounds up to even") << Balance{65535, 50, 32768, 65535, 25, 75};
    QTest::newRow("50, tie rounds down to even") << Balance{65533, 50, 32766, 65533, 25, 75};
    QTest::newRow("-1") << Balance{65535, -1, 65535, 64880, 50, 50};
    QTest::newRow("-3") << Balance{65535, -3, 65535, 63569, 51, 49};
    QTest::newRow("volume 0") << Balance{0, 75, 0, 0, 13, 87};
}

void SoundControlsTest::levelsAndLabels() {
    QFETCH(Balance, c);
    Panels p;
    p.master.volumeSlider.SetValue(c.volume);
    p.master.balanceSlider.SetValue(c.balance);
    QVERIFY(!p.mixer.sent.isEmpty());
    QCOMPARE(p.mixer.sent.last(), qMakePair(c.left, c.right));
    for (Label* l : {&p.master.balanceLeftLabel, &p.master.balanceLeftLabel2})
        QCOMPARE(l->Caption(), QString::number(c.leftPercent) + '%');
    for (Label* l : {&p.master.balanceRightLabel, &p.master.balanceRightLabel2})
        QCOMPARE(l->Caption(), QString::number(c.rightPercent) + '%');
}

// Either slider of a pair moves its twin; every send carries the levels of the one balance and
// volume, and the nested runs end (two sends: the twin's handler, then the mover's).
void SoundControlsTest::linkedPairsSettle_data() {
    QTest::addColumn<int>("move");   // volumeSlider, volumeSlider2, balanceSlider, balanceSlider2
    QTest::addColumn<Balance>("c");  // volume and balance after the move; no levels or labels
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("deck 2 volume") << 1 << Balance{50000, -40} << "7.630";
    QTest::newRow("deck 1 volume") << 0 << Balance{65535, -40} << "10.001";
    QTest::newRow("deck 2 balance") << 3 << Balance{20000, 30} << "3.052";
    QTest::newRow("deck 1 balance") << 2 << Balance{20000, -100} << "3.052";
}

void SoundControlsTest::linkedPairsSettle() {
    QFETCH(int, move);
    QFETCH(Balance, c);
    QFETCH(QString, toolTip);
    Panels p;
    MasterVolume& m = p.master;
    m.volumeSlider.SetValue(20000);
    m.balanceSlider2.SetValue(-40);
    p.mixer.sent.clear();
    Slider* sliders[] = {&m.volumeSlider, &m.volumeSlider2, &m.balanceSlider, &m.balanceSlider2};
    sliders[move]->SetValue(move < 2 ? c.volume : c.balance);
    for (Slider* s : {&m.volumeSlider, &m.volumeSlider2}) {
        QCOMPARE(s->Value(), c.volume);
        QCOMPARE(s->ToolTipText(), toolTip);
    }
    QCOMPARE(m.balanceSlider.Value(), c.balance);
    QCOMPARE(m.balanceSlider2.Value(), c.balance);
    QCOMPARE(m.masterVolume, c.volume);
    const MasterVolume::Levels expected = MasterVolume::LevelsFor(c.volume, c.balance);
    QCOMPARE(p.mixer.sent, Sent(2, {expected.left, expected.right}));
}

// A failed read leaves no valid volume: the speakers keep their level while only the balance
// moves, and the first volume move sends again. A mixer without a volume control starts at 0.
void SoundControlsTest::startWithoutALevel_data() {
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("master");  // after start-up
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<Sent>("balanceSends");
    QTest::newRow("level unreadable") << true << -1 << "" << Sent{};
    QTest::newRow("no volume control") << false << 0 << "0" << Sent{{0, 0}, {0, 0}};
}

void SoundControlsTest::startWithoutALevel() {
    QFETCH(bool, found);
    QFETCH(int, master);
    QFETCH(QString, toolTip);
    QFETCH(Sent, balanceSends);
    Panels p;
    p.mixer.level = -1;
    p.mixer.found = found;
    p.master.openSystemMixer();
    QCOMPARE(p.master.masterVolume, master);
    QCOMPARE(p.master.volumeSlider.Value(), 0);
    QCOMPARE(p.master.volumeSlider2.ToolTipText(), toolTip);
    p.master.balanceSlider.SetValue(50);
    QCOMPARE(p.master.balanceLeftLabel2.Caption(), QStringLiteral("25%"));
    QCOMPARE(p.master.balanceSlider2.Value(), 50);
    QCOMPARE(p.mixer.sent, balanceSends);
    p.master.volumeSlider.SetValue(40000);
    QCOMPARE(p.mixer.sent.last(), qMakePair(20000, 40000));
    QVERIFY(p.dialogs.messages.isEmpty());
}

// A click reaches its own deck's control only, and the panel shows the control's slider and label.
void SoundControlsTest::panelButtons_data() {
    QTest::addColumn<Click>("click");
    QTest::newRow("tempo down 2") << Click{"cmdTempoDown2", "Down", "sldTempo2", 990,
                                           "lblTempo2",     "99%"};
    QTest::newRow("gradual up") << Click{"cmdGradualUp",  "Up",  "sldPitchGrad", 1010,
                                         "lblPitchGrade", "101%"};
    QTest::newRow("semitone down 2")
        << Click{"cmdSemitoneDown2", "Down", "sldPitchSemi2", -1, "lblPitchSemi2", "-1"};
    QTest::newRow("rate up 2") << Click{"cmdTempoPitchUp2", "Up",  "sldSpeed2", 1010,
                                        "lblRate2",         "101%"};
    QTest::newRow("rate reset") << Click{"cmdRateReset", "Reset",   "sldSpeed",
                                         1000,           "lblRate", "100%"};
}

void SoundControlsTest::panelButtons() {
    QFETCH(Click, click);
    Panels p;
    auto* b = p.find<QToolButton>(click.button);
    QVERIFY(b);
    QCOMPARE(b->toolTip(), click.toolTip);
    QTest::mouseClick(b, Qt::LeftButton);
    auto* s = p.find<QSlider>(click.slider);
    auto* l = p.find<QLabel>(click.label);
    QVERIFY(s && l);
    QCOMPARE(s->value(), click.value);
    QCOMPARE(l->text(), click.text);
    const QString twin = click.slider.endsWith('2') ? click.slider.chopped(1) : click.slider + '2';
    QCOMPARE(p.find<QSlider>(twin)->value(), click.slider.contains("Semi") ? 0 : 1000);
}

void SoundControlsTest::panelFitsItsPlace() {
    Panels p;
    p.deck1.resize(243, 194);
    p.deck1.show();
    const QSize min = p.deck1.minimumSizeHint();
    QVERIFY2(min.width() <= 243 && min.height() <= 194,
             qPrintable(QStringLiteral("%1 x %2").arg(min.width()).arg(min.height())));
    const QString dir = qEnvironmentVariable("VANTREL_SNAPSHOT_DIR");
    if (!dir.isEmpty()) p.deck1.grab().save(dir + "/soundpanel.png");
}

QTEST_MAIN(SoundControlsTest)
#include "tst_soundcontrols.moc"
