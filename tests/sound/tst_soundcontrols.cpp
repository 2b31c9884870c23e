// The core slider and its view binding, the per-deck tempo, pitch and rate controls, the master
// volume and balance over a recording mixer, and the deck panels that show them.
#include <QLabel>
#include <QRegularExpression>
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

// A deck's control from `start`: `command` (a button, or "drag" to `value`) leaves the slider at
// `value` with `label` shown and `calls` on that deck's player; `otherAway` first moves the
// other pitch slider off neutral.
struct Step {
    int deck;
    QString slider;
    int start;
    QString command;
    int value;
    QString label;
    QStringList calls;
    int otherAway = 0;
};

// The volume and then the balance moved on either deck's panel: the levels sent, the balance
// shown on both panels and the volume's tooltip.
struct Master {
    QString volumeSlider;
    int volume;
    QString balanceSlider;
    int balance, left, right, leftPercent, rightPercent;
    QString toolTip;
};

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

}  // namespace

Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(Master)

class SoundControlsTest : public QObject {
    Q_OBJECT
private slots:
    // A move from the core or the view: both end on the same value, clamped to the range, and the
    // handler runs once per real change (a same value or the view's echo does not run it).
    void sliderMoves_data() {
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

    void sliderMoves() {
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

    void bindingOutlivesTheCore() {
        QSlider view;
        {
            Slider core(0, 10, 5);
            SliderBinding::bind(core, view);
        }
        view.setValue(7);  // must not reach the destroyed core
        QCOMPARE(view.value(), 7);
    }

    void deckControls_data() {
        QTest::addColumn<Step>("step");
        const QStringList none;
        const auto row = [](const char* name, const Step& step) { QTest::newRow(name) << step; };
        // A step that would leave the range is ignored rather than clamped to the bound.
        row("tempo up past the top", {1, "sldTempo", 1495, "cmdTempoUp", 1495, "149%", none});
        row("tempo down past the bottom", {1, "sldTempo", 505, "cmdTempoDown", 505, "50%", none});
        row("tempo down onto the bottom",
            {1, "sldTempo", 510, "cmdTempoDown", 500, "50%", {"tempo 0.5"}});
        row("deck 2 tempo down to 99%",
            {2, "sldTempo", 1005, "cmdTempoDown", 995, "99%", {"tempo 0.995"}});
        row("tempo reset", {1, "sldTempo", 1234, "cmdTempoReset", 1000, "100%", {"tempo 1"}});
        row("gradual up", {1, "sldPitchGrad", 1000, "cmdGradualUp", 1010, "101%", {"pitch 1.01"}});
        row("gradual reset",
            {1, "sldPitchGrad", 700, "cmdPitchResetGrad", 1000, "100%", {"pitch 1"}});
        row("semitone down at -12", {1, "sldPitchSemi", -12, "cmdSemitoneDown", -12, "-12", none});
        row("deck 2 semitone down",
            {2, "sldPitchSemi", 0, "cmdSemitoneDown", -1, "-1", {"semitones -1"}});
        row("semitone reset", {1, "sldPitchSemi", 5, "cmdPitchResetSemi", 0, "0", {"semitones 0"}});
        row("deck 2 rate up from neutral",
            {2, "sldSpeed", 1000, "cmdTempoPitchUp", 1010, "101%", {"rate 1.01"}});
        row("rate reset", {1, "sldSpeed", 1230, "cmdRateReset", 1000, "100%", {"rate 1"}});
        // Moving one pitch slider puts the other back to neutral, before the move reaches the
        // player.
        row("gradual drag, semitone away",
            {1, "sldPitchGrad", 1000, "drag", 1100, "110%", {"semitones 0", "pitch 1.1"}, 3});
        row("semitone drag, gradual away",
            {2, "sldPitchSemi", 0, "drag", -2, "-2", {"pitch 1", "semitones -2"}, 200});
        row("semitone up, gradual away",
            {1, "sldPitchSemi", 0, "cmdSemitoneUp", 1, "1", {"pitch 1", "semitones 1"}, 200});
    }

    // Through the deck panels as the user meets them; only the deck's own player hears a change.
    void deckControls() {
        QFETCH(Step, step);
        Panels p;
        const QString n = step.deck == 2 ? QStringLiteral("2") : QString();
        const QHash<QString, QString> labels{{"sldTempo", "lblTempo"},
                                             {"sldPitchGrad", "lblPitchGrade"},
                                             {"sldPitchSemi", "lblPitchSemi"},
                                             {"sldSpeed", "lblRate"}};
        const QString other = step.slider == "sldPitchGrad"   ? "sldPitchSemi"
                              : step.slider == "sldPitchSemi" ? "sldPitchGrad"
                                                              : "";
        const int otherNeutral = other == "sldPitchSemi" ? 0 : 1000;
        QSlider* slider = p.find<QSlider>(step.slider + n);
        QVERIFY(slider);
        slider->setValue(step.start);  // dragged there
        if (step.otherAway) p.find<QSlider>(other + n)->setValue(otherNeutral + step.otherAway);
        p.t1.calls.clear();
        p.t2.calls.clear();
        if (step.command == "drag") {
            slider->setValue(step.value);
        } else {
            auto* b = p.find<QToolButton>(step.command + n);
            QVERIFY(b);
            QCOMPARE(b->toolTip(),
                     QRegularExpression("Down|Up|Reset").match(step.command).captured());
            QTest::mouseClick(b, Qt::LeftButton);
        }
        QCOMPARE(slider->value(), step.value);
        QCOMPARE(p.find<QLabel>(labels[step.slider] + n)->text(), step.label);
        QCOMPARE((step.deck == 2 ? p.t2 : p.t1).calls, step.calls);
        QCOMPARE((step.deck == 2 ? p.t1 : p.t2).calls, QStringList());
        if (!other.isEmpty()) {
            QCOMPARE(p.find<QSlider>(other + n)->value(), otherNeutral);
            QCOMPARE(p.find<QLabel>(labels[other] + n)->text(),
                     QString(other == "sldPitchSemi" ? "0" : "100%"));
        }
        if (step.slider == "sldSpeed") QCOMPARE(p.find<QSlider>("sldTempo" + n)->value(), 1000);
    }

    void masterVolume_data() {
        QTest::addColumn<Master>("m");
        const auto row = [](const char* name, const Master& m) { QTest::newRow(name) << m; };
        row("centre", {"sldVolume", 65535, "sldBalance", 0, 65535, 65535, 50, 50, "10.001"});
        row("full left", {"sldVolume2", 65535, "sldBalance", -100, 65535, 0, 100, 0, "10.001"});
        row("full right", {"sldVolume", 65535, "sldBalance2", 100, 0, 65535, 0, 100, "10.001"});
        row("50, tie rounds up to even",
            {"sldVolume", 65535, "sldBalance", 50, 32768, 65535, 25, 75, "10.001"});
        row("50, tie rounds down to even",
            {"sldVolume", 65533, "sldBalance", 50, 32766, 65533, 25, 75, "10.000"});
        row("-1", {"sldVolume", 65535, "sldBalance", -1, 65535, 64880, 50, 50, "10.001"});
        row("-3", {"sldVolume", 65535, "sldBalance", -3, 65535, 63569, 51, 49, "10.001"});
        row("volume 0", {"sldVolume", 0, "sldBalance", 75, 0, 0, 13, 87, ""});
        row("deck 2's pair",
            {"sldVolume2", 50000, "sldBalance2", -40, 50000, 30000, 70, 30, "7.630"});
        row("deck 2 leaning right",
            {"sldVolume2", 20000, "sldBalance2", 30, 14000, 20000, 35, 65, "3.052"});
    }

    // Either slider of a pair moves its twin; every send of a move carries the levels of the one
    // volume and balance, and the nested runs end (two sends a move: the twin's, then the mover's).
    void masterVolume() {
        QFETCH(Master, m);
        Panels p;
        p.find<QSlider>(m.volumeSlider)->setValue(m.volume);
        p.find<QSlider>(m.balanceSlider)->setValue(m.balance);
        for (const char* name : {"sldVolume", "sldVolume2"}) {
            QCOMPARE(p.find<QSlider>(name)->value(), m.volume);
            QCOMPARE(p.find<QSlider>(name)->toolTip(), m.toolTip);
        }
        for (const char* name : {"sldBalance", "sldBalance2"})
            QCOMPARE(p.find<QSlider>(name)->value(), m.balance);
        for (const char* name : {"lblBalanceLeft", "lblBalanceLeft2"})
            QCOMPARE(p.find<QLabel>(name)->text(), QString::number(m.leftPercent) + '%');
        for (const char* name : {"lblBalanceRight", "lblBalanceRight2"})
            QCOMPARE(p.find<QLabel>(name)->text(), QString::number(m.rightPercent) + '%');
        const Sent& sent = p.mixer.sent;
        QCOMPARE(sent.size(), 2 * ((m.volume != 0) + (m.balance != 0)));
        QCOMPARE(sent.mid(sent.size() - 2), Sent(2, {m.left, m.right}));
    }

    // A failed read leaves no valid volume: the speakers keep their level while only the balance
    // moves, and the first volume move sends again. A mixer without a volume control starts at 0.
    void startWithoutALevel_data() {
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("master");  // after start-up
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<Sent>("balanceSends");
        QTest::newRow("level unreadable") << true << -1 << "" << Sent{};
        QTest::newRow("no volume control") << false << 0 << "0" << Sent{{0, 0}, {0, 0}};
    }

    void startWithoutALevel() {
        QFETCH(bool, found);
        QFETCH(int, master);
        QFETCH(QString, toolTip);
        QFETCH(Sent, balanceSends);
        Panels p;
        p.mixer.level = -1;
        p.mixer.found = found;
        p.master.OpenSystemMixer();
        QCOMPARE(p.master.masterVolume, master);
        QCOMPARE(p.master.sldVolume.Value(), 0);
        QCOMPARE(p.master.sldVolume2.ToolTipText(), toolTip);
        p.master.sldBalance.SetValue(50);
        QCOMPARE(p.master.lblBalanceLeft2.Caption(), QStringLiteral("25%"));
        QCOMPARE(p.master.sldBalance2.Value(), 50);
        QCOMPARE(p.mixer.sent, balanceSends);
        p.master.sldVolume.SetValue(40000);
        QCOMPARE(p.mixer.sent.last(), qMakePair(20000, 40000));
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    void panelFitsItsPlace() {
        Panels p;
        p.deck1.resize(243, 194);
        p.deck1.show();
        const QSize min = p.deck1.minimumSizeHint();
        QVERIFY2(min.width() <= 243 && min.height() <= 194,
                 qPrintable(QStringLiteral("%1 x %2").arg(min.width()).arg(min.height())));
        const QString dir = qEnvironmentVariable("VANTREL_SNAPSHOT_DIR");
        if (!dir.isEmpty()) p.deck1.grab().save(dir + "/soundpanel.png");
    }
};

QTEST_MAIN(SoundControlsTest)
#include "tst_soundcontrols.moc"
