#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <random>

#include "audio/BeatMatch.h"
#include "audio/Engine.h"
#include "audio/Player.h"
#include "audio/SongProfile.h"
#include "support/AudioFiles.h"

using namespace vantrel;
using namespace vantrel::test;

namespace {
constexpr int kRate = 44100;
constexpr double kLeadMs = 250;  // the first beat of every loop

// A drum loop: a falling kick (under 200 Hz) or a 2.5 kHz blip on every beat, a quiet noise hat
// between them; so two loops mixed can be told apart by band.
Audio drumLoop(double bpm, bool kick, double seconds) {
    Audio a{kRate, 2, std::vector<float>(size_t(seconds * kRate) * 2, 0.0f)};
    std::minstd_rand noise(7);
    const double period = 60.0 / bpm;
    for (double t = kLeadMs / 1000; t < seconds; t += period)
        for (int i = 0; i < kRate / 6; ++i) {
            const double u = double(i) / kRate;
            // A kick sweeps from 150 Hz down to 50 Hz.
            const double beat =
                kick ? 0.8 * std::sin(2 * M_PI * (50 * u + 3 * (1 - std::exp(-u / 0.03)))) *
                           std::exp(-u / 0.06)
                     : 0.6 * std::sin(2 * M_PI * 2500 * u) * std::exp(-u / 0.02);
            const double hat =
                0.08 * (double(noise()) / noise.max() * 2 - 1) * std::exp(-u / 0.008);
            const auto at = std::llround(t * kRate) + i,
                       offAt = std::llround((t + period / 2) * kRate) + i;
            if (at < a.frames()) a.samples[size_t(at) * 2] += float(beat);
            if (offAt < a.frames()) a.samples[size_t(offAt) * 2] += float(hat);
        }
    for (int i = 0; i < a.frames(); ++i) a.samples[size_t(i) * 2 + 1] = a.samples[size_t(i) * 2];
    return a;
}

// Onsets (ms) of one band of channel 0, the kicks' under 150 Hz or the blips' at 2.5 kHz (a
// biquad low or band pass): where its envelope rises through a fixed level.
std::vector<double> onsets(const Audio& a, bool kickBand) {
    const double w = 2 * M_PI * (kickBand ? 150 : 2500) / a.rate, c = std::cos(w);
    const double alpha = std::sin(w) / (kickBand ? M_SQRT2 : 8.0);
    const double b0 = kickBand ? (1 - c) / 2 : alpha, b1 = kickBand ? 1 - c : 0,
                 b2 = kickBand ? b0 : -alpha;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0, envelope = 0;
    std::vector<double> found;
    for (int i = 0; i < a.frames(); ++i) {
        const double x = a.samples[size_t(i) * a.channels];
        const double y = (b0 * x + b1 * x1 + b2 * x2 + 2 * c * y1 - (1 - alpha) * y2) / (1 + alpha);
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        const double held = std::max(std::abs(y), envelope * 0.999);
        if (held >= 0.08 && envelope < 0.08 &&
            (found.empty() || i * 1000.0 / a.rate - found.back() > 150))
            found.push_back(i * 1000.0 / a.rate);
        envelope = held;
    }
    return found;
}
}  // namespace

// Beats as heard: found on drum loops (the outgoing ones kicks in mp3, the incoming ones blips
// in wav), and two loops of other tempos mixed through the engine with the planned start and
// tempo match, their beats meeting.
class TestBeats : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    // A loop of 70 s, made once (the kicks as mp3, the blips as wav), and its profile with beats.
    std::pair<QString, audio::SongProfile> loop(double bpm, bool kick) {
        const QString path =
            dir_.filePath(QStringLiteral("%1.%2").arg(bpm).arg(kick ? "mp3" : "wav"));
        if (!QFile::exists(path)) writeAs(path, drumLoop(bpm, kick, 70));
        return {path, audio::profileSong(path.toStdString(), kRate, true)};
    }

private slots:
    void fadedBeatsMeet_data() {
        QTest::addColumn<double>("outBpm");
        QTest::addColumn<double>("inBpm");
        QTest::addColumn<double>("outTempo");  // the outgoing deck's tempo setting
        QTest::addColumn<bool>("matched");
        QTest::newRow("120-into-124") << 120.0 << 124.0 << 1.0 << true;
        QTest::newRow("131-into-124") << 131.0 << 124.0 << 1.0 << true;
        QTest::newRow("124-into-120") << 124.0 << 120.0 << 1.0 << true;
        QTest::newRow("120-into-131") << 120.0 << 131.0 << 1.0 << false;  // 9 % apart
        QTest::newRow("120x1.05-into-131") << 120.0 << 131.0 << 1.05 << true;
        QTest::newRow("131x0.96-into-120") << 131.0 << 120.0 << 0.96 << true;
        QTest::newRow("124-into-62") << 124.0 << 62.0 << 1.0 << true;  // half
    }

    void fadedBeatsMeet() {
        QFETCH(double, outBpm);
        QFETCH(double, inBpm);
        QFETCH(double, outTempo);
        QFETCH(bool, matched);
        const auto [outPath, outSong] = loop(outBpm, true);
        const auto [inPath, inSong] = loop(inBpm, false);
        // Each loop's grids: its tempo, on its beats within a few ms, found on its ends alone.
        for (const auto& [p, bpm] : {std::pair{outSong, outBpm}, {inSong, inBpm}}) {
            const double stretch = audio::kBeatStretchSeconds * 1000 + 100;
            QVERIFY(p.headBeats && p.tailBeats && p.headBeats->toMs <= p.audibleStartMs + stretch &&
                    p.tailBeats->fromMs >= p.audibleEndMs - stretch);
            for (const auto& grid : {*p.headBeats, *p.tailBeats}) {
                QVERIFY(grid.confidence >= audio::kConfidentBeats);
                // A slow loop's hats may make a grid of twice its tempo.
                QVERIFY2(std::abs(std::remainder(grid.bpm(), bpm)) < 0.05,
                         qPrintable(QString::number(grid.bpm())));
                const double off = std::remainder(grid.anchorMs - kLeadMs, grid.beatMs);
                QVERIFY2(std::abs(off) < 8, qPrintable(QString::number(off)));
            }
        }
        audio::Engine engine({.output = audio::OutputKind::Offline});
        audio::Player outgoing(engine), incoming(engine);
        for (const auto& [player, path] : {std::pair{&outgoing, outPath}, {&incoming, inPath}}) {
            player->SetFileName(path.toStdString());
            QCOMPARE(player->Open(), 0);
            player->SetVolume(0.5f);
        }
        outgoing.SetTempo(float(outTempo));
        outgoing.SetPosition(55'123);
        outgoing.Play();
        renderOffline(engine, 333);

        const auto plan =
            audio::planBeatMatch({&*outSong.tailBeats, double(outgoing.Position()), outTempo},
                                 {&*inSong.headBeats, double(inSong.audibleStartMs), 1.0});
        QCOMPARE(bool(plan), matched);
        if (!plan) return;
        incoming.SetPosition(plan->startMs);
        incoming.SetTempoMatch(float(plan->tempoMatch));
        incoming.Play();
        Audio mix = renderOffline(engine, 12'000);
        // Then back to its own tempo, gently.
        incoming.GlideTempoMatch(1.0f, audio::matchGlideMs(plan->tempoMatch));
        outgoing.Pause();
        const Audio after = renderOffline(engine, audio::matchGlideMs(plan->tempoMatch) + 9000);

        const auto kicks = onsets(mix, true);
        std::vector<double> misses;
        for (const double b : onsets(mix, false)) {
            double miss = HUGE_VAL;
            for (const double k : kicks) miss = std::min(miss, std::abs(k - b));
            misses.push_back(miss);
        }
        QVERIFY(misses.size() >= 10);
        std::sort(misses.begin(), misses.end());
        qInfo("%zu beats: median %.1f ms, worst %.1f ms off", misses.size(),
              misses[misses.size() / 2], misses.back());
        keepOnFailure("fade", mix);
        QVERIFY(misses[misses.size() / 2] <= 15 && misses.back() <= 25);

        // Once glided back, the incoming loop keeps its own tempo.
        const auto last = onsets(after, false);
        QVERIFY(last.size() >= 8 &&
                std::abs((last.back() - last[last.size() - 5]) / 4 - 60000 / inBpm) < 2);
    }
};

QTEST_GUILESS_MAIN(TestBeats)
#include "tst_beats.moc"
