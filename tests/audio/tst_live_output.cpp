#include <QTemporaryDir>
#include <QtTest>

#include "audio/Engine.h"
#include "audio/MixTap.h"
#include "audio/Player.h"
#include "support/AudioFiles.h"

using namespace vantrel;
using namespace vantrel::test;

namespace {

// Waits until the engine sounds on `kind`. A device counts once it calls back steadily: a fresh
// stream may be held while the server's sink drains what it had rendered ahead.
bool waitFor(audio::Engine& engine, audio::OutputKind kind, int limitMs = 8000) {
    for (int t = 0; t < limitMs; t += 100) {
        const std::int64_t before = engine.callbackTiming().count;
        QTest::qSleep(100);
        const bool steady = engine.callbackTiming().count - before >= 5;
        if (engine.outputKind() == kind && (steady || kind != audio::OutputKind::Device))
            return true;
    }
    return false;
}

enum Trouble {
    None,
    HangsAtStart,
    UnreadableSetupAtStart,
    Hangs,
    Killed,
    // Each of these is over one second after it began; the sound must come back by itself.
    Restarted,
    SinkReloaded,
    SinkSuspended
};

}  // namespace

// Real output through a sound server (ALSA default reaches PulseAudio under
// scripts/with-test-audio; each case starts a private server of its own behind it): what is
// played is heard, soon, where the position says; trouble with the server keeps the time going on
// the Null output, and once the trouble is over the sound comes back by itself.
class TestLiveOutput : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString tone_;
    QByteArray alsaSetup_;  // as the test run set it up

    // A server of our own, which ALSA default then reaches: other tests play into the shared
    // test sink at the same time.
    std::unique_ptr<PrivateSoundServer> ownServer() {
        auto server = std::make_unique<PrivateSoundServer>();
        if (!server->start()) return nullptr;
        qputenv("PULSE_SERVER", server->server().toLocal8Bit());
        return server;
    }

private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("VANTREL_TEST_SINK"))
            QFAIL("needs real output: run under scripts/with-test-audio");
        tone_ = dir_.filePath("tone.wav");
        QVERIFY(makeTone(tone_, {.seconds = 30.0, .frequency = 440}));
        alsaSetup_ = qgetenv("ALSA_CONFIG_PATH");
    }

    void cleanup() { qputenv("ALSA_CONFIG_PATH", alsaSetup_); }

    void playedToneIsHeard_data() {
        QTest::addColumn<int>("trouble");  // with the server, after the tone was heard
        QTest::newRow("no trouble") << int(None);
        QTest::newRow("server killed") << int(Killed);
        QTest::newRow("server hangs") << int(Hangs);
        QTest::newRow("server killed and started again") << int(Restarted);
        QTest::newRow("sink unloaded and loaded") << int(SinkReloaded);
        QTest::newRow("sink suspended and resumed") << int(SinkSuspended);
        // Trouble from the start: nothing is heard until the trouble is over.
        QTest::newRow("server hangs at start") << int(HangsAtStart);
        // The sound system aborts the process that starts it on this one.
        QTest::newRow("unreadable sound set-up at start") << int(UnreadableSetupAtStart);
    }

    void playedToneIsHeard() {
        QFETCH(int, trouble);
        auto server = ownServer();
        QVERIFY2(server, "could not start a private sound server");
        if (trouble == HangsAtStart) server->freeze();
        if (trouble == UnreadableSetupAtStart) qputenv("ALSA_CONFIG_PATH", "/nonexistent");
        auto engine = std::make_unique<audio::Engine>();
        auto player = std::make_unique<audio::Player>(*engine);
        player->SetFileName(tone_.toStdString());
        QCOMPARE(player->Open(), 0);
        QTRY_VERIFY(!player->Opening());
        if (trouble == HangsAtStart || trouble == UnreadableSetupAtStart) {
            QVERIFY(engine->onNullOutput());
            server->thaw();
            qputenv("ALSA_CONFIG_PATH", alsaSetup_);
            // The trouble is over: Play finds the device.
            player->Play();
            QVERIFY(waitFor(*engine, audio::OutputKind::Device));
            QCOMPARE(player->Status(), audio::Player::kPlaying);
            return;
        }
        QVERIFY2(waitFor(*engine, audio::OutputKind::Device), "the device never ran");
        // The mix as the stream and the recording take it, beside what the sink plays.
        audio::MixTap& tap = engine->mixTap();
        tap.open();
        Audio mix{44100, 2, {}};
        MonitorRecording rec(server->sink() + ".monitor");
        QVERIFY(rec.started());
        QTest::qSleep(400);  // the recording is running and the ring is full
        const double played = MonitorRecording::now();
        player->Play();
        QTest::qSleep(1500);
        takeMix(tap, mix);
        const int position = player->Position();
        const double askedAt = MonitorRecording::now();
        const Audio heard = rec.stop();
        const auto keep = qScopeGuard([&] { keepOnFailure("live-tone", heard); });
        const int first = firstAbove(heard, 0.1f);
        QVERIFY2(first >= 0, "nothing was heard");
        const double firstSound = rec.timeOfFrame(first);
        // Play is heard as soon as the engine says (within 100 ms where the render runs first).
        QCOMPARE_LE((firstSound - played) * 1000, engine->startDelayMs() + 40);
        QCOMPARE_LT(qAbs(estimateFrequency(heard, first + 4410, 44100) - 440), 2);
        // The position is what was heard: time since the first sound reached the sink (the
        // monitor hears a little later than the sink plays, which favours the engine a little).
        QCOMPARE_LE(qAbs(position - (askedAt - firstSound) * 1000), 30);
        if (trouble == None) return;

        const int before = player->Position();
        QElapsedTimer since;
        since.start();
        const QString sink = server->sink();
        switch (trouble) {
            case Killed:
            case Restarted:
                server->kill();
                break;
            case Hangs:
                server->freeze();
                break;
            case SinkReloaded:
                QVERIFY(server->control({"unload-module", "module-null-sink"}));
                break;
            case SinkSuspended:
                QVERIFY(server->control({"suspend-sink", sink, "1"}));
                break;
        }
        QVERIFY2(waitFor(*engine, audio::OutputKind::Null, 3000), "still on a silent device");
        QTest::qSleep(1000 - int(since.elapsed()));
        // Time went on without the device (give or take what the device took in as it stopped).
        QCOMPARE(player->Status(), audio::Player::kPlaying);
        QCOMPARE_LE(qAbs(player->Position() - before - since.elapsed()), 250);
        // And the mix went on whole: the time the device let pass was made up as fast as the
        // deck could fill, never faster, so the stream and the recording got no hole (made up
        // in one burst, it was 170-180 ms; a loaded machine may still cost a step or two).
        takeMix(tap, mix);
        const auto keepMix = qScopeGuard([&] { keepOnFailure("live-mix", mix); });
        const Quiet hole = longestQuiet(mix, std::max(0, firstAbove(mix, 0.1f)), mix.frames());
        QVERIFY2(hole.ms <= 20, qPrintable(QStringLiteral("%1 ms quiet at %2 s")
                                               .arg(hole.ms)
                                               .arg(double(hole.atFrame) / mix.rate)));
        if (trouble == Hangs || trouble == Killed) {
            // A hung server holds the old stream's teardown; quitting must not wait for it.
            QElapsedTimer quit;
            quit.start();
            player.reset();
            engine.reset();
            QCOMPARE_LT(quit.elapsed(), 3000);
            return;
        }
        if (trouble == Restarted) QVERIFY(server->start());
        if (trouble == SinkReloaded)
            QVERIFY(server->control(
                {"load-module", "module-null-sink", "sink_name=" + sink, "rate=44100"}));
        if (trouble == SinkSuspended) QVERIFY(server->control({"suspend-sink", sink, "0"}));
        const double back = MonitorRecording::now();
        // The sound comes back by itself within 5 s, and the mix kept its time throughout.
        MonitorRecording again(sink + ".monitor");
        QVERIFY(again.started());
        QTest::qSleep(5500);
        const int after = player->Position();
        const qint64 elapsed = since.elapsed();
        const Audio heardAgain = again.stop();
        const auto keepAgain = qScopeGuard([&] { keepOnFailure("live-tone-again", heardAgain); });
        const int resumed = firstAbove(heardAgain, 0.1f);
        QVERIFY2(resumed >= 0, "no sound within 5 s of the trouble's end");
        QCOMPARE_LE(again.timeOfFrame(resumed) - back, 5.0);
        QCOMPARE_LE(qAbs(after - before - elapsed), 250);
        QCOMPARE(engine->outputKind(), audio::OutputKind::Device);
    }
};

QTEST_GUILESS_MAIN(TestLiveOutput)
#include "tst_live_output.moc"
