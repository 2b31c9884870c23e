#include <QTemporaryDir>
#include <QtTest>
#include <thread>

#include "audio/Engine.h"
#include "audio/Player.h"
#include "support/AudioFiles.h"

using namespace vantrel;
using namespace vantrel::test;

namespace {

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// A fresh stream may be held while the server's sink drains what it had rendered ahead; the
// engine is ready for timing once the device calls back steadily.
bool waitForSteadyDevice(audio::Engine& engine, int limitMs) {
    for (int t = 0; t < limitMs; t += 200) {
        const std::int64_t before = engine.callbackTiming().count;
        sleepMs(200);
        if (engine.outputKind() != audio::OutputKind::Device) return false;
        if (engine.callbackTiming().count - before >= 10) return true;
    }
    return false;
}

// Sets an environment variable for the scope, then restores it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

}  // namespace

// Real output through a sound server (ALSA default reaches PulseAudio under
// scripts/with-test-audio; each test starts a private server of its own behind it): what is
// played is heard, soon, and losing the server leaves the engine running on the Null output.
class TestLiveOutput : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void serverHungAtStartIsFoundOnPlay();  // first: the process's first look at the device
    void playedToneIsHeard();
    void serverLossFallsBackToNull_data();
    void serverLossFallsBackToNull();

private:
    QTemporaryDir dir_;
    QString tone_;
};

void TestLiveOutput::initTestCase() {
    if (qEnvironmentVariableIsEmpty("VANTREL_TEST_SINK"))
        QFAIL("needs real output: run under scripts/with-test-audio");
    tone_ = dir_.filePath("tone.wav");
    QVERIFY(makeTone(tone_, {.seconds = 30.0, .frequency = 440}));
}

void TestLiveOutput::serverHungAtStartIsFoundOnPlay() {
    PrivateSoundServer server;
    QVERIFY2(server.start(), "could not start a private sound server");
    ScopedEnv env("PULSE_SERVER", server.server().toLocal8Bit());
    server.freeze();
    audio::Engine engine;
    QVERIFY(engine.onNullOutput());
    // The server answers again; the next Play finds it.
    server.thaw();
    audio::Player player(engine);
    player.SetFileName(tone_.toStdString());
    QCOMPARE(player.Open(), 0);
    player.Play();
    for (int t = 0; t < 5000 && engine.onNullOutput(); t += 50) sleepMs(50);
    QCOMPARE(engine.outputKind(), audio::OutputKind::Device);
}

void TestLiveOutput::playedToneIsHeard() {
    // A server of our own: other tests play into the shared test sink at the same time.
    PrivateSoundServer server;
    QVERIFY2(server.start(), "could not start a private sound server");
    ScopedEnv env("PULSE_SERVER", server.server().toLocal8Bit());
    audio::Engine engine;
    QVERIFY2(waitForSteadyDevice(engine, 8000), "the device never ran");
    QVERIFY(engine.bufferFrames() <= engine.sampleRate() / 50);  // at most 20 ms

    MonitorRecording rec(server.sink() + ".monitor");
    QVERIFY(rec.started());
    audio::Player player(engine);
    player.SetFileName(tone_.toStdString());
    QCOMPARE(player.Open(), 0);
    sleepMs(400);  // the recording is running and the ring is full
    const double played = MonitorRecording::now();
    player.Play();
    sleepMs(1500);
    const int position = player.Position();
    const double askedAt = MonitorRecording::now();
    player.Pause();
    sleepMs(300);
    const int paused = player.Position();
    sleepMs(200);
    QCOMPARE(player.Position(), paused);
    const Audio heard = rec.stop();

    const int first = firstAbove(heard, 0.1f);
    QVERIFY2(first >= 0, "nothing was heard");
    const double firstSound = rec.timeOfFrame(first);
    const double delayMs = (firstSound - played) * 1000;
    qInfo("Play to first sound: %.1f ms; underruns %lld", delayMs,
          static_cast<long long>(engine.underruns()));
    QVERIFY2(delayMs <= 100, qPrintable(QString::number(delayMs)));

    const double f = estimateFrequency(heard, first + 4410, 44100);
    QVERIFY2(qAbs(f - 440) < 2, qPrintable(QString::number(f)));
    // The position is what was heard: time since the first sound reached the sink (the monitor
    // hears a little later than the sink plays, which favours the engine by a few ms).
    const double expected = (askedAt - firstSound) * 1000;
    qInfo("Position %d ms, heard for %.1f ms", position, expected);
    QVERIFY2(qAbs(position - expected) <= 30,
             qPrintable(QStringLiteral("%1 vs %2").arg(position).arg(expected)));
    keepOnFailure("live-tone", heard);
}

void TestLiveOutput::serverLossFallsBackToNull_data() {
    QTest::addColumn<bool>("frozen");  // the server hangs instead of going away
    QTest::newRow("killed") << false;
    QTest::newRow("frozen") << true;
}

void TestLiveOutput::serverLossFallsBackToNull() {
    QFETCH(bool, frozen);
    auto server = std::make_unique<PrivateSoundServer>();
    QVERIFY2(server->start(), "could not start a private sound server");
    ScopedEnv env("PULSE_SERVER", server->server().toLocal8Bit());

    auto engine = std::make_unique<audio::Engine>();
    QVERIFY2(waitForSteadyDevice(*engine, 8000), "the device never ran");
    auto player = std::make_unique<audio::Player>(*engine);
    player->SetFileName(tone_.toStdString());
    QCOMPARE(player->Open(), 0);
    player->Play();
    sleepMs(500);
    if (frozen)
        server->freeze();
    else
        server->kill();

    for (int t = 0; t < 3000 && !engine->onNullOutput(); t += 50) sleepMs(50);
    QVERIFY2(engine->onNullOutput(), "still waiting on a dead device");
    const int before = player->Position();
    sleepMs(500);
    const int after = player->Position();
    QCOMPARE(player->Status(), audio::Player::kPlaying);
    QVERIFY2(after - before >= 400 && after - before <= 600,
             qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(after)));

    if (frozen) {
        // The hung server holds the old stream's teardown; quitting must not wait for it.
        QElapsedTimer quit;
        quit.start();
        player.reset();
        engine.reset();
        QVERIFY2(quit.elapsed() < 3000, qPrintable(QString::number(quit.elapsed())));
        return;
    }
    // A server again, and the next Play finds it.
    server = std::make_unique<PrivateSoundServer>();
    QVERIFY(server->start());
    ScopedEnv again("PULSE_SERVER", server->server().toLocal8Bit());
    player->Pause();
    player->Play();
    for (int t = 0; t < 5000 && engine->onNullOutput(); t += 50) sleepMs(50);
    QCOMPARE(engine->outputKind(), audio::OutputKind::Device);
    QCOMPARE(player->Status(), audio::Player::kPlaying);
}

QTEST_GUILESS_MAIN(TestLiveOutput)
#include "tst_live_output.moc"
