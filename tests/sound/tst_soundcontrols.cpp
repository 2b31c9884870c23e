// The core slider and its view binding, the per-deck tempo, pitch and rate controls and what they
// do to the sound, the master volume and balance over a recording mixer, and the deck panels that
// show them.
#include <QLabel>
#include <QRegularExpression>
#include <QSlider>
#include <QToolButton>
#include <QtTest>

#include "audio/Player.h"
#include "sound/MasterVolume.h"
#include "sound/SoundControls.h"
#include "sound/ui/SliderBinding.h"
#include "sound/ui/SoundPanel.h"
#include "support/AudioFiles.h"
#include "support/DeskFixture.h"

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

// The mixer starts at `startLevel` (-1: unreadable); then a volume and then a balance slider
// move: both panels show the one setting, and the last of the `sends` carry `left` and `right`.
struct Master {
    QString volumeSlider;
    int volume;
    QString balanceSlider;
    int balance;
    QString toolTip, leftShown, rightShown;
    int sends, left, right;
    int startLevel = 0;
    bool found = true;  // false: a mixer without a volume control
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

Q_DECLARE_METATYPE(Master)

class SoundControlsTest : public QObject {
    Q_OBJECT
private slots:
    // A move from the core or the view: both end on the same value, clamped to the range, and the
    // handler runs once per real change (a same value or the view's echo does not run it). The
    // view outlives its core without reaching it.
    void sliderMoves_data() {
        QTest::addColumn<bool>("fromView");
        QTest::addColumn<int>("move");
        QTest::addColumn<int>("handlerSets");  // 0 = the handler leaves the value alone
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("runs");
        QTest::newRow("core, inside") << false << 1234 << 0 << 1234 << 1;
        QTest::newRow("core, same") << false << 1000 << 0 << 1000 << 0;
        QTest::newRow("core, above") << false << 2000 << 0 << 1500 << 1;
        QTest::newRow("view, below") << true << 100 << 0 << 500 << 1;
        QTest::newRow("view, handler puts it back") << true << 1200 << 1000 << 1000 << 2;
        QTest::newRow("view, handler moves it on") << true << 1200 << 1300 << 1300 << 2;
    }
    void sliderMoves() {
        QFETCH(bool, fromView);
        QFETCH(int, move);
        QFETCH(int, handlerSets);
        auto core = std::make_unique<Slider>(500, 1500, 1000);
        int handled = 0;
        core->onChanged = [&] {
            if (++handled == 1 && handlerSets) core->SetValue(handlerSets);
        };
        QSignalSpy spy(core.get(), &Slider::valueChanged);
        QSlider view;
        SliderBinding::bind(*core, view);
        fromView ? view.setValue(move) : core->SetValue(move);
        QTEST(core->Value(), "after");
        QTEST(view.value(), "after");
        QTEST(handled, "runs");
        QTEST(int(spy.count()), "runs");
        core.reset();
        view.setValue(700);
        QCOMPARE(view.value(), 700);
    }

    void deckControls_data() {
        QTest::addColumn<QString>("moves");  // "slider=value" drags, a button name clicks
        QTest::addColumn<QString>("shown");  // "slider=value" or "label=text"
        QTest::addColumn<QStringList>("calls");
        const auto row = [](const char* name, const char* moves, const char* shown,
                            const QStringList& calls) {
            QTest::newRow(name) << QString::fromLatin1(moves) << QString::fromLatin1(shown)
                                << calls;
        };
        // A step that would leave the range is ignored rather than clamped to the bound; a label
        // shows whole percent, cut. Deck 2's names end in "2".
        // clang-format off
        row("tempo up past the top", "sldTempo=1495 cmdTempoUp", "sldTempo=1495 lblTempo=149%", {});
        row("tempo down onto the bottom", "sldTempo=510 cmdTempoDown", "sldTempo=500 lblTempo=50%", {"tempo 0.5"});
        row("deck 2 tempo down to 99%", "sldTempo2=1005 cmdTempoDown2", "sldTempo2=995 lblTempo2=99%", {"tempo 0.995"});
        row("tempo reset", "sldTempo=1234 cmdTempoReset", "sldTempo=1000 lblTempo=100%", {"tempo 1"});
        row("semitone reset", "sldPitchSemi=5 cmdPitchResetSemi", "sldPitchSemi=0 lblPitchSemi=0", {"semitones 0"});
        row("deck 2 rate up from neutral", "cmdTempoPitchUp2", "sldSpeed2=1010 lblRate2=101%", {"rate 1.01"});
        // Moving one pitch slider puts the other back to neutral, before the move reaches the
        // player.
        row("gradual up, semitone away", "sldPitchSemi=3 cmdGradualUp",
            "sldPitchGrad=1010 lblPitchGrade=101% sldPitchSemi=0 lblPitchSemi=0", {"semitones 0", "pitch 1.01"});
        row("deck 2 semitone down, gradual away", "sldPitchGrad2=1200 cmdSemitoneDown2",
            "sldPitchSemi2=-1 lblPitchSemi2=-1 sldPitchGrad2=1000 lblPitchGrade2=100%", {"pitch 1", "semitones -1"});
        // clang-format on
    }
    // Through the deck panels as the user meets them; only the deck's own player hears a button.
    void deckControls() {
        QFETCH(QString, moves);
        QFETCH(QString, shown);
        Panels p;
        for (const QString& move : moves.split(u' ')) {
            const QStringList drag = move.split(u'=');
            if (drag.size() == 2) {
                p.find<QSlider>(drag[0])->setValue(drag[1].toInt());
                continue;
            }
            p.t1.calls = p.t2.calls = {};
            auto* b = p.find<QToolButton>(move);
            QVERIFY(b);
            QCOMPARE(b->toolTip(), QRegularExpression("Down|Up|Reset").match(move).captured());
            QTest::mouseClick(b, Qt::LeftButton);
        }
        for (const QString& expected : shown.split(u' ')) {
            const QString name = expected.section(u'=', 0, 0);
            auto* slider = p.find<QSlider>(name);
            const QString now =
                slider ? QString::number(slider->value()) : p.find<QLabel>(name)->text();
            QCOMPARE(name + u'=' + now, expected);
        }
        const bool two = moves.endsWith(u'2');
        QTEST((two ? p.t2 : p.t1).calls, "calls");
        QCOMPARE((two ? p.t1 : p.t2).calls, QStringList());
    }

    void masterVolume_data() {
        QTest::addColumn<Master>("m");
        const auto row = [](const char* name, const Master& m) { QTest::newRow(name) << m; };
        // clang-format off
        row("centre",                      {"sldVolume", 65535, "sldBalance", 0, "10.001", "50%", "50%", 2, 65535, 65535});
        row("full left",                   {"sldVolume2", 65535, "sldBalance", -100, "10.001", "100%", "0%", 4, 65535, 0});
        row("full right",                  {"sldVolume", 65535, "sldBalance2", 100, "10.001", "0%", "100%", 4, 0, 65535});
        row("50, tie rounds up to even",   {"sldVolume", 65535, "sldBalance", 50, "10.001", "25%", "75%", 4, 32768, 65535});
        row("50, tie rounds down to even", {"sldVolume", 65533, "sldBalance", 50, "10.000", "25%", "75%", 4, 32766, 65533});
        row("-1",                          {"sldVolume", 65535, "sldBalance", -1, "10.001", "50%", "50%", 4, 65535, 64880});
        // A failed read leaves no valid volume: the speakers keep their level while only the
        // balance moves, and the first volume move sends again. A mixer without a volume control
        // starts at 0.
        row("level unreadable, balance alone", {"sldVolume", 0, "sldBalance", 50, "", "25%", "75%", 0, 0, 0, -1});
        row("level unreadable, then volume",   {"sldVolume", 40000, "sldBalance", 50, "6.104", "25%", "75%", 4, 20000, 40000, -1});
        row("no volume control",               {"sldVolume", 0, "sldBalance", 75, "0", "13%", "87%", 2, 0, 0, -1, false});
        // clang-format on
    }
    // Either slider of a pair moves its twin; every send of a move carries the levels of the one
    // volume and balance, and the nested runs end (two sends a move: the twin's, then the mover's).
    void masterVolume() {
        QFETCH(Master, m);
        Panels p;
        p.mixer.level = m.startLevel;
        p.mixer.found = m.found;
        p.master.openSystemMixer();
        p.find<QSlider>(m.volumeSlider)->setValue(m.volume);
        p.find<QSlider>(m.balanceSlider)->setValue(m.balance);
        for (const QString n : {"", "2"}) {
            QCOMPARE(p.find<QSlider>("sldVolume" + n)->value(), m.volume);
            QCOMPARE(p.find<QSlider>("sldVolume" + n)->toolTip(), m.toolTip);
            QCOMPARE(p.find<QSlider>("sldBalance" + n)->value(), m.balance);
            QCOMPARE(p.find<QLabel>("lblBalanceLeft" + n)->text(), m.leftShown);
            QCOMPARE(p.find<QLabel>("lblBalanceRight" + n)->text(), m.rightShown);
        }
        QCOMPARE(p.mixer.sent.size(), m.sends);
        QCOMPARE(p.mixer.sent.mid(m.sends - 2), m.sends ? Sent(2, {m.left, m.right}) : Sent());
    }

    void panelFitsItsPlace() {
        Panels p;
        p.deck1.resize(243, 194);
        p.deck1.show();
        const QSize min = p.deck1.minimumSizeHint();
        QVERIFY2(min.width() <= 243 && min.height() <= 194,
                 qPrintable(QStringLiteral("%1 x %2").arg(min.width()).arg(min.height())));
    }
    void heard_data() {
        QTest::addColumn<int>("deck");
        QTest::addColumn<double>("fileSeconds");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<double>("frequency");
        QTest::newRow("deck 1's tempo shortens, keeping the pitch") << 1 << 30.0 << 20.0 << 440.0;
        QTest::newRow("deck 2's rate lengthens and lowers") << 2 << 3.0 << 4.0 << 330.0;
    }
    // Heard through the real engine on the offline output: deck 1's tempo and deck 2's rate are set
    // before any file is loaded; each reaches its own deck only, and stays in force from one file
    // to the next.
    void heard() {
        QFETCH(int, deck);
        QFETCH(double, fileSeconds);
        QFETCH(double, seconds);
        QFETCH(double, frequency);
        test::DeskFixture t;
        t.desk->soundControls(0).tempoSlider.SetValue(1500);
        t.desk->soundControls(1).rateSlider.SetValue(750);
        auto& player = t.deck(deck - 1).player();
        for (const char* name : {"first.wav", "second.wav"}) {
            player.SetFileName(t.tone(name, fileSeconds).toStdString());
            QCOMPARE(player.Open(), 0);
            player.Play();
            const test::Audio a = test::playOffline(*t.engine, player, 40000);
            const double sounding =
                double(test::lastAbove(a, 0.01f) - test::firstAbove(a, 0.01f) + 1) / a.rate;
            QVERIFY2(std::abs(sounding - seconds) < 0.1, qPrintable(QString::number(sounding)));
            const double f = test::estimateFrequency(a, a.rate / 2, a.rate);
            QVERIFY2(std::abs(f - frequency) < 2.0, qPrintable(QString::number(f)));
        }
    }
};

QTEST_MAIN(SoundControlsTest)
#include "tst_soundcontrols.moc"
