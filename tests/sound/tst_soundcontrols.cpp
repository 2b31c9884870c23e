#include <QtTest>
#include <functional>

#include "sound/SoundControls.h"

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

struct Setting {
    Slider* slider;
    Label* label;
    std::function<void()> down, up, reset;
};

Setting settingOf(SoundControls& c, const QString& name) {
    if (name == "tempo")
        return {&c.sldTempo, &c.lblTempo, [&] { c.cmdTempoDown(); }, [&] { c.cmdTempoUp(); },
                [&] { c.cmdTempoReset(); }};
    if (name == "gradual")
        return {&c.sldPitchGrad, &c.lblPitchGrade, [&] { c.cmdGradualDown(); },
                [&] { c.cmdGradualUp(); }, [&] { c.cmdPitchResetGrad(); }};
    if (name == "semitone")
        return {&c.sldPitchSemi, &c.lblPitchSemi, [&] { c.cmdSemitoneDown(); },
                [&] { c.cmdSemitoneUp(); }, [&] { c.cmdPitchResetSemi(); }};
    return {&c.sldSpeed, &c.lblRate, [&] { c.cmdTempoPitchDown(); }, [&] { c.cmdTempoPitchUp(); },
            [&] { c.cmdRateReset(); }};
}

}  // namespace

class SoundControlsTest : public QObject {
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void pitchPair_data();
    void pitchPair();
};

// Each command from a given slider position: the value it leaves, the label, what the player got.
void SoundControlsTest::commands_data() {
    QTest::addColumn<QString>("setting");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("tempo up past the top")
        << "tempo" << 1495 << "up" << 1495 << "149%" << QStringList{};
    QTest::newRow("tempo down near the top")
        << "tempo" << 1495 << "down" << 1485 << "148%" << QStringList{"tempo 1.485"};
    QTest::newRow("tempo down past the bottom")
        << "tempo" << 505 << "down" << 505 << "50%" << QStringList{};
    QTest::newRow("tempo down onto the bottom")
        << "tempo" << 510 << "down" << 500 << "50%" << QStringList{"tempo 0.5"};
    QTest::newRow("tempo reset") << "tempo" << 1234 << "reset" << 1000 << "100%"
                                 << QStringList{"tempo 1"};
    QTest::newRow("tempo down to 99%")
        << "tempo" << 1005 << "down" << 995 << "99%" << QStringList{"tempo 0.995"};
    QTest::newRow("tempo reset at neutral")
        << "tempo" << 1000 << "reset" << 1000 << "100%" << QStringList{};
    QTest::newRow("gradual up onto the top")
        << "gradual" << 1490 << "up" << 1500 << "150%" << QStringList{"pitch 1.5"};
    QTest::newRow("gradual up past the top")
        << "gradual" << 1500 << "up" << 1500 << "150%" << QStringList{};
    QTest::newRow("gradual reset")
        << "gradual" << 700 << "reset" << 1000 << "100%" << QStringList{"pitch 1"};
    QTest::newRow("semitone down at -12")
        << "semitone" << -12 << "down" << -12 << "-12" << QStringList{};
    QTest::newRow("semitone up from -12")
        << "semitone" << -12 << "up" << -11 << "-11" << QStringList{"semitones -11"};
    QTest::newRow("semitone up at 12") << "semitone" << 12 << "up" << 12 << "12" << QStringList{};
    QTest::newRow("semitone reset")
        << "semitone" << 5 << "reset" << 0 << "0" << QStringList{"semitones 0"};
    QTest::newRow("semitone reset at neutral")
        << "semitone" << 0 << "reset" << 0 << "0" << QStringList{};
    QTest::newRow("rate up from neutral")
        << "rate" << 1000 << "up" << 1010 << "101%" << QStringList{"rate 1.01"};
    QTest::newRow("rate down past the bottom")
        << "rate" << 500 << "down" << 500 << "50%" << QStringList{};
    QTest::newRow("rate reset") << "rate" << 1230 << "reset" << 1000 << "100%"
                                << QStringList{"rate 1"};
}

void SoundControlsTest::commands() {
    QFETCH(QString, setting);
    QFETCH(int, start);
    QFETCH(QString, command);
    QFETCH(int, value);
    QFETCH(QString, label);
    QFETCH(QStringList, calls);
    RecordingTarget target;
    SoundControls c(target);
    Setting s = settingOf(c, setting);
    s.slider->SetValue(start);  // dragged there
    target.calls.clear();
    const int tempoBefore = c.sldTempo.Value();
    (command == "down" ? s.down : command == "up" ? s.up : s.reset)();
    QCOMPARE(s.slider->Value(), value);
    QCOMPARE(s.label->Caption(), label);
    QCOMPARE(target.calls, calls);
    if (setting == "rate") QCOMPARE(c.sldTempo.Value(), tempoBefore);  // the rate is its own
}

// Moving one pitch slider puts the other back to neutral; the move keeps its value, the labels
// agree and the player's last pitch call is the moved slider's.
void SoundControlsTest::pitchPair_data() {
    QTest::addColumn<int>("gradStart");
    QTest::addColumn<int>("semiStart");
    QTest::addColumn<QString>("move");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("grad");
    QTest::addColumn<int>("semi");
    QTest::addColumn<QString>("gradLabel");
    QTest::addColumn<QString>("semiLabel");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("gradual, semitone neutral")
        << 1000 << 0 << "gradual" << 1100 << 1100 << 0 << "110%"
        << "0" << QStringList{"pitch 1.1"};
    QTest::newRow("semitone, gradual neutral")
        << 1000 << 0 << "semitone" << 3 << 1000 << 3 << "100%"
        << "3" << QStringList{"semitones 3"};
    QTest::newRow("gradual, semitone away") << 1000 << 3 << "gradual" << 1100 << 1100 << 0 << "110%"
                                            << "0" << QStringList{"semitones 0", "pitch 1.1"};
    QTest::newRow("semitone, gradual away") << 1200 << 0 << "semitone" << -2 << 1000 << -2 << "100%"
                                            << "-2" << QStringList{"pitch 1", "semitones -2"};
    QTest::newRow("semitone step, gradual away")
        << 1200 << 0 << "semitone up" << 0 << 1000 << 1 << "100%"
        << "1" << QStringList{"pitch 1", "semitones 1"};
    QTest::newRow("gradual reset, semitone away")
        << 1000 << -5 << "gradual reset" << 0 << 1000 << -5 << "100%"
        << "-5" << QStringList{};
}

void SoundControlsTest::pitchPair() {
    QFETCH(int, gradStart);
    QFETCH(int, semiStart);
    QFETCH(QString, move);
    QFETCH(int, to);
    QFETCH(int, grad);
    QFETCH(int, semi);
    QFETCH(QString, gradLabel);
    QFETCH(QString, semiLabel);
    QFETCH(QStringList, calls);
    RecordingTarget target;
    SoundControls c(target);
    if (gradStart != 1000) c.sldPitchGrad.SetValue(gradStart);
    if (semiStart != 0) c.sldPitchSemi.SetValue(semiStart);
    QCOMPARE(c.sldPitchGrad.Value(), gradStart);
    QCOMPARE(c.sldPitchSemi.Value(), semiStart);
    target.calls.clear();
    if (move == "gradual")
        c.sldPitchGrad.SetValue(to);
    else if (move == "semitone")
        c.sldPitchSemi.SetValue(to);
    else if (move == "semitone up")
        c.cmdSemitoneUp();
    else if (move == "gradual reset")
        c.cmdPitchResetGrad();
    QCOMPARE(c.sldPitchGrad.Value(), grad);
    QCOMPARE(c.sldPitchSemi.Value(), semi);
    QCOMPARE(c.lblPitchGrade.Caption(), gradLabel);
    QCOMPARE(c.lblPitchSemi.Caption(), semiLabel);
    QCOMPARE(target.calls, calls);
}

QTEST_GUILESS_MAIN(SoundControlsTest)
#include "tst_soundcontrols.moc"
