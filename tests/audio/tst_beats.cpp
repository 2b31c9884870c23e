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
    auto add = [&](std::int64_t at, int frames, auto&& shape) {
        for (int i = 0; i < frames && at + i < a.frames(); ++i) {
            const float v = shape(double(i) / kRate);
            a.samples[size_t(at + i) * 2] += v;
            a.samples[size_t(at + i) * 2 + 1] += v;
        }
    };
    const double period = 60.0 / bpm;
    for (double t = kLeadMs / 1000; t < seconds; t += period) {
        if (kick)
            add(std::llround(t * kRate), kRate / 6, [](double u) {
                // The phase of a sweep from 150 Hz down to 50 Hz.
                const double phase = 2 * M_PI * (50 * u + 100 * 0.03 * (1 - std::exp(-u / 0.03)));
                return float(0.8 * std::sin(phase) * std::exp(-u / 0.06));
            });
        else
            add(std::llround(t * kRate), kRate / 12, [](double u) {
                return float(0.6 * std::sin(2 * M_PI * 2500 * u) * std::exp(-u / 0.02));
            });
        add(std::llround((t + period / 2) * kRate), kRate / 30, [&](double u) {
            return float(0.08 * (double(noise()) / noise.max() * 2 - 1) * std::exp(-u / 0.008));
        });
    }
    return a;
}

// Onsets (ms) of one band of channel 0: a kick band under 200 Hz or the blip band at 2.5 kHz,
// each the moment its envelope rises through a third of its loudest.
std::vector<double> onsets(const Audio& a, bool kickBand) {
    // One biquad: a low pass at 150 Hz or a band pass at 2.5 kHz (Q 4).
    const double f = kickBand ? 150 : 2500, w = 2 * M_PI * f / a.rate;
    const double alpha = std::sin(w) / (2 * (kickBand ? M_SQRT1_2 : 4.0)), c = std::cos(w);
    const double b0 = kickBand ? (1 - c) / 2 : alpha, b1 = kickBand ? 1 - c : 0,
                 b2 = kickBand ? (1 - c) / 2 : -alpha, a0 = 1 + alpha;
    std::vector<double> env(size_t(a.frames()));
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0, hold = 0;
    for (int i = 0; i < a.frames(); ++i) {
        const double x = a.samples[size_t(i) * a.channels];
        const double y = (b0 * x + b1 * x1 + b2 * x2 + 2 * c * y1 - (1 - alpha) * y2) / a0;
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        hold = std::max(std::abs(y), hold * 0.999);  // a few ms of hold
        env[size_t(i)] = hold;
    }
    const double threshold = *std::max_element(env.begin(), env.end()) / 3;
    std::vector<double> found;
    for (int i = 1; i < a.frames(); ++i)
        if (env[size_t(i)] >= threshold && env[size_t(i) - 1] < threshold &&
            (found.empty() || i * 1000.0 / a.rate - found.back() > 150))
            found.push_back(i * 1000.0 / a.rate);
    return found;
}
}  // namespace

// Beats as heard: found on drum loops, and two loops of other tempos mixed through the engine
// with the planned start and tempo match, their beats meeting.
class TestBeats : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    // A loop of 70 s, made once, and its profile with beats.
    std::pair<QString, audio::SongProfile> loop(double bpm, bool kick, const QString& ext = "wav") {
        const QString path =
            dir_.filePath(QStringLiteral("%1-%2.%3").arg(bpm).arg(kick ? "kick" : "blip", ext));
        if (!QFile::exists(path)) writeAs(path, drumLoop(bpm, kick, 70));
        return {path, audio::profileSong(path.toStdString(), kRate, true)};
    }

private slots:
    void loopsHaveTheirBeats_data() {
        QTest::addColumn<double>("bpm");
        QTest::addColumn<bool>("kick");
        QTest::addColumn<QString>("ext");
        QTest::newRow("kick-120") << 120.0 << true << "wav";
        QTest::newRow("blip-124") << 124.0 << false << "wav";
        QTest::newRow("kick-131-mp3") << 131.0 << true << "mp3";
        QTest::newRow("blip-131") << 131.0 << false << "wav";
        QTest::newRow("tone") << 0.0 << false << "wav";
    }

    void loopsHaveTheirBeats() {
        QFETCH(double, bpm);
        QFETCH(bool, kick);
        QFETCH(QString, ext);
        if (bpm == 0) {
            // Music without a beat gives no grid to match to.
            const QString path = dir_.filePath("tone.wav");
            QVERIFY(makeTone(path, {.seconds = 70, .frequency = 330}));
            const auto p = audio::profileSong(path.toStdString(), kRate, true);
            QVERIFY(p.beatsAnalysed);
            QVERIFY(!p.headBeats || p.headBeats->confidence < audio::kConfidentBeats);
            return;
        }
        const auto [path, p] = loop(bpm, kick, ext);
        const double period = 60000 / bpm;
        for (const auto& grid : {p.headBeats, p.tailBeats}) {
            QVERIFY(grid);
            QVERIFY2(grid->confidence >= audio::kConfidentBeats,
                     qPrintable(QString::number(grid->confidence)));
            QVERIFY2(std::abs(grid->bpm() - bpm) < 0.05, qPrintable(QString::number(grid->bpm())));
            // On the song's beats, within a few ms (the mp3 encoder adds its own lead-in).
            const double off = std::remainder(grid->anchorMs - kLeadMs, period);
            QVERIFY2(std::abs(off) < 8, qPrintable(QString::number(off)));
        }
        // Only the ends are read.
        const double stretch = audio::kBeatStretchSeconds * 1000 + 100;
        QVERIFY(p.headBeats->toMs <= p.audibleStartMs + stretch);
        QVERIFY(p.tailBeats->fromMs >= p.audibleEndMs - stretch);
    }

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
        audio::Engine engine({.output = audio::OutputKind::Offline});
        audio::Player outgoing(engine), incoming(engine);
        outgoing.SetFileName(outPath.toStdString());
        incoming.SetFileName(inPath.toStdString());
        QCOMPARE(outgoing.Open(), 0);
        QCOMPARE(incoming.Open(), 0);
        outgoing.SetVolume(0.5f);
        incoming.SetVolume(0.5f);
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

        const auto kicks = onsets(mix, true), blips = onsets(mix, false);
        std::vector<double> misses;
        for (const double b : blips) {
            const auto near = std::lower_bound(kicks.begin(), kicks.end(), b);
            double miss = HUGE_VAL;
            if (near != kicks.end()) miss = *near - b;
            if (near != kicks.begin()) miss = std::min(miss, b - *(near - 1));
            misses.push_back(miss);
        }
        QVERIFY(misses.size() >= 10);
        std::sort(misses.begin(), misses.end());
        const double median = misses[misses.size() / 2], worst = misses.back();
        qInfo("%zu beats: median %.1f ms, worst %.1f ms off", misses.size(), median, worst);
        keepOnFailure("fade", mix);
        QVERIFY2(median <= 15 && worst <= 25, qPrintable(QString::number(worst)));

        // Once glided back, the incoming loop keeps its own tempo.
        const auto last = onsets(after, false);
        QVERIFY(last.size() >= 8);
        const double period = (last.back() - last[last.size() - 5]) / 4;
        QVERIFY2(std::abs(period - 60000 / inBpm) < 2, qPrintable(QString::number(period)));
    }
};

QTEST_GUILESS_MAIN(TestBeats)
#include "tst_beats.moc"
