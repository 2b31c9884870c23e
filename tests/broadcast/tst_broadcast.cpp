// The mix as the stream and the recording get it: the engine's tap, and recordings of a tone
// played on the silent, real-time-paced output, decoded and measured.
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include "audio/Engine.h"
#include "audio/MixTap.h"
#include "audio/Player.h"
#include "broadcast/Broadcaster.h"
#include "support/AudioFiles.h"

using namespace vantrel;

class BroadcastTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString tone(double seconds, double frequency) {
        const QString path = dir_.filePath(QStringLiteral("tone-%1.wav").arg(frequency));
        return test::makeTone(path, {seconds, frequency, 44100, 2, -6.0}) ? path : QString();
    }

private slots:
    void theTapCarriesWhatTheOutputPlays() {
        audio::Engine engine({.output = audio::OutputKind::Offline});
        audio::Player player(engine);
        player.SetFileName(tone(12, 330).toStdString());
        QCOMPARE(player.Open(), 0);
        audio::MixTap& tap = engine.mixTap();
        tap.open();
        player.Play();
        const test::Audio played = test::renderOffline(engine, 3000);
        std::vector<float> tapped(played.samples.size() + 64);
        QCOMPARE(tap.read(tapped.data(), int(tapped.size() / 2)), played.frames());
        tapped.resize(played.samples.size());
        QVERIFY(tapped == played.samples);
        // Nobody reading: the render goes on and what found no room is counted, not waited for.
        test::renderOffline(engine, 10000);
        QCOMPARE(tap.droppedFrames(), std::int64_t(2 * 44100));
    }

    void recordsTheMix_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        for (const char* type : {"wav", "flac", "ogg", "mp3"})
            QTest::newRow(type) << QStringLiteral("show 23:00.") + type << QString();
        // clang-format off
        QTest::newRow("unknown type") << "show.txt" << "Recording not started: the file name";
        QTest::newRow("missing folder") << "gone/show.wav" << "Recording not started: cannot write";
        QTest::newRow("disk full") << "full.wav" << "Recording stopped: cannot write";
        // clang-format on
    }
    void recordsTheMix() {
        QFETCH(QString, file);
        QFETCH(QString, message);
        const QString path = dir_.filePath(file);
        if (file == "full.wav") QFile::link(QStringLiteral("/dev/full"), path);
        audio::Engine engine({.output = audio::OutputKind::Null});
        audio::Player player(engine);
        player.SetFileName(tone(30, 1000).toStdString());
        QCOMPARE(player.Open(), 0);
        player.Play();
        // A loaded machine may take the open past its quick wait; the song sounds once it is done.
        QTRY_VERIFY(player.Position() > 0);
        broadcast::Broadcaster broadcaster(engine.mixTap());
        QElapsedTimer recorded;
        recorded.start();
        broadcaster.startRecording(path.toStdString());
        QTest::qWait(2500);
        broadcaster.stopRecording();
        const qint64 ms = recorded.elapsed();
        QTRY_VERIFY(!broadcaster.status().recording);
        QVERIFY2(QString::fromStdString(broadcaster.status().recordingMessage).startsWith(message),
                 broadcaster.status().recordingMessage.c_str());
        if (!message.isEmpty()) return;
        const test::Audio a = test::readAudioFile(path);
        const auto keep = qScopeGuard([&] { test::keepOnFailure(QStringLiteral("recording"), a); });
        QCOMPARE_LE(qAbs(qint64(a.frames()) * 1000 / qMax(a.rate, 1) - ms), 100);
        QCOMPARE(qRound(test::estimateFrequency(a, a.rate / 2, a.rate)), 1000);
    }

    void readsStreamAddresses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("address");  // empty: refused
        // clang-format off
        QTest::newRow("user given") << "icecast://dj@radio.example:8000/live" << "dj@radio.example:8000/live";
        QTest::newRow("user defaults to source") << "icecast://127.0.0.1:18000/night.ogg" << "source@127.0.0.1:18000/night.ogg";
        QTest::newRow("no port") << "icecast://radio.example/live" << "";
        QTest::newRow("no mount") << "icecast://radio.example:8000/" << "";
        QTest::newRow("password in it") << "icecast://source:pw@radio.example:8000/live" << "";
        QTest::newRow("other scheme") << "http://radio.example:8000/live" << "";
        // clang-format on
    }
    void readsStreamAddresses() {
        QFETCH(QString, text);
        QFETCH(QString, address);
        broadcast::StreamAddress a;
        std::string why;
        const bool read = broadcast::parseStreamAddress(text.toStdString(), a, why);
        QCOMPARE(read ? QString::fromStdString(broadcast::addressText(a)) : QString(), address);
    }
};

QTEST_GUILESS_MAIN(BroadcastTest)
#include "tst_broadcast.moc"
