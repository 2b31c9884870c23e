#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QtTest>

#include "sound/MasterVolume.h"
#include "sound/SoundControls.h"
#include "sound/ui/SoundPanel.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;

namespace {

class NullTarget final : public StretchTarget {
public:
    void SetTempo(float) override {}
    void SetPitch(float) override {}
    void SetPitchSemitones(float) override {}
    void SetRate(float) override {}
};

class NullMixer final : public MixerLayer {
public:
    bool Open() override { return true; }
    bool FindSpeakerVolumeControl() override { return true; }
    int ReadMixerLevel() override { return 0; }
    bool SetMixerStereoLevel(int, int) override { return true; }
};

// Both deck panels over one master volume, as the main window has them.
struct Panels {
    NullTarget t1, t2;
    SoundControls c1{t1}, c2{t2};
    NullMixer mixer;
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

class SoundPanelTest : public QObject {
    Q_OBJECT
private slots:
    void buttons_data();
    void buttons();
    void fitsItsPlace();
};

void SoundPanelTest::buttons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("slider");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::newRow("tempo up") << "cmdTempoUp"
                              << "Up"
                              << "sldTempo" << 1010 << "lblTempo"
                              << "101%";
    QTest::newRow("tempo down 2") << "cmdTempoDown2"
                                  << "Down"
                                  << "sldTempo2" << 990 << "lblTempo2"
                                  << "99%";
    QTest::newRow("gradual up") << "cmdGradualUp"
                                << "Up"
                                << "sldPitchGrad" << 1010 << "lblPitchGrade"
                                << "101%";
    QTest::newRow("gradual reset 2") << "cmdPitchResetGrad2"
                                     << "Reset"
                                     << "sldPitchGrad2" << 1000 << "lblPitchGrade2"
                                     << "100%";
    QTest::newRow("semitone down 2") << "cmdSemitoneDown2"
                                     << "Down"
                                     << "sldPitchSemi2" << -1 << "lblPitchSemi2"
                                     << "-1";
    QTest::newRow("semitone up") << "cmdSemitoneUp"
                                 << "Up"
                                 << "sldPitchSemi" << 1 << "lblPitchSemi"
                                 << "1";
    QTest::newRow("rate up 2") << "cmdTempoPitchUp2"
                               << "Up"
                               << "sldSpeed2" << 1010 << "lblRate2"
                               << "101%";
    QTest::newRow("rate reset") << "cmdRateReset"
                                << "Reset"
                                << "sldSpeed" << 1000 << "lblRate"
                                << "100%";
}

void SoundPanelTest::buttons() {
    QFETCH(QString, button);
    QFETCH(QString, toolTip);
    QFETCH(QString, slider);
    QFETCH(int, value);
    QFETCH(QString, label);
    QFETCH(QString, text);
    Panels p;
    auto* b = p.find<QToolButton>(button);
    QVERIFY(b);
    QCOMPARE(b->toolTip(), toolTip);
    QTest::mouseClick(b, Qt::LeftButton);
    auto* s = p.find<QSlider>(slider);
    QVERIFY(s);
    QCOMPARE(s->value(), value);
    auto* l = p.find<QLabel>(label);
    QVERIFY(l);
    QCOMPARE(l->text(), text);
    // The other deck's twin did not move.
    const QString twin = slider.endsWith('2') ? slider.chopped(1) : slider + '2';
    QCOMPARE(p.find<QSlider>(twin)->value(), slider.contains("Semi") ? 0 : 1000);
}

void SoundPanelTest::fitsItsPlace() {
    Panels p;
    p.deck1.resize(243, 194);
    p.deck1.show();
    const QSize min = p.deck1.minimumSizeHint();
    QVERIFY2(min.width() <= 243 && min.height() <= 194,
             qPrintable(QStringLiteral("%1 x %2").arg(min.width()).arg(min.height())));
    const QString dir = qEnvironmentVariable("VANTREL_SNAPSHOT_DIR");
    if (!dir.isEmpty()) p.deck1.grab().save(dir + "/soundpanel.png");
}

QTEST_MAIN(SoundPanelTest)
#include "tst_soundpanel.moc"
