#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <random>

#include "audio/Player.h"
#include "audio/SongProfile.h"
#include "support/AudioFiles.h"
#include "support/DeskFixture.h"

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

// Beats as found on drum loops (kicks in mp3, blips in wav), and as heard in an evening mixed
// with Match beats on: each fade's incoming beats on the outgoing ones, measured on the output.
class TestBeats : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    // A loop of `seconds`, made once: the even entries of a list kicks, the odd ones blips, so
    // each deck's beats can be told apart in the mix.
    QString loop(double bpm, bool kick, double seconds = 40) {
        const QString path = dir_.filePath(
            QStringLiteral("%1-%2.%3").arg(bpm).arg(seconds).arg(kick ? "mp3" : "wav"));
        if (!QFile::exists(path)) writeAs(path, drumLoop(bpm, kick, seconds));
        return path;
    }

private slots:
    void grids_data() {
        QTest::addColumn<double>("bpm");
        QTest::addColumn<bool>("kick");
        for (const double bpm : {62.0, 120.0, 124.0, 131.0})
            for (const bool kick : {true, false})
                if (bpm != (kick ? 62 : 120))
                    QTest::newRow(
                        qPrintable(QStringLiteral("%1 %2").arg(bpm).arg(kick ? "kick" : "blip")))
                        << bpm << kick;
    }

    // Each loop's grids: its tempo, on its beats within a few ms, found on its ends alone, and
    // the same tail whatever else the profile looked for first on its decoder.
    void grids() {
        QFETCH(double, bpm);
        QFETCH(bool, kick);
        const std::string path = loop(bpm, kick).toStdString();
        const auto p = audio::profileSong(path, kRate, audio::kBeatsPart);
        const auto all = audio::profileSong(path, kRate, audio::kBeatsPart | audio::kOutroPart);
        const double stretch = audio::kBeatStretchSeconds * 1000 + 100;
        QVERIFY(p.headBeats && p.tailBeats && p.tailBeats->fromMs >= p.audibleEndMs - stretch);
        QVERIFY(all.tailBeats && all.tailBeats->beatMs == p.tailBeats->beatMs &&
                all.tailBeats->anchorMs == p.tailBeats->anchorMs);
        for (const auto& grid : {*p.headBeats, *p.tailBeats}) {
            QVERIFY(grid.confidence >= audio::kConfidentBeats);
            // A slow loop's hats may make a grid of twice its tempo.
            QVERIFY2(std::abs(std::remainder(grid.bpm(), bpm)) < 0.05,
                     qPrintable(QString::number(grid.bpm())));
            const double off = std::remainder(grid.anchorMs - kLeadMs, grid.beatMs);
            QVERIFY2(std::abs(off) < 8, qPrintable(QString::number(off)));
        }
    }

    void mixedBeatsMeet_data() {
        QTest::addColumn<QList<double>>("bpms");
        QTest::addColumn<float>("tempo");  // deck 2's, where the first loop plays
        QTest::addColumn<QStringList>("rules");
        QTest::newRow("120, 124, 131")
            << QList<double>{120, 124, 131} << 1.0f << QStringList{"design", "beats", "beats"};
        QTest::newRow("120, 131: 9 % apart")
            << QList<double>{120, 131} << 1.0f << QStringList{"design", "design"};
        QTest::newRow("120 at tempo 1.05, 131")
            << QList<double>{120, 131} << 1.05f << QStringList{"design", "beats"};
        QTest::newRow("124, 62: half")
            << QList<double>{124, 62} << 1.0f << QStringList{"design", "beats"};
    }

    void mixedBeatsMeet() {
        QFETCH(QList<double>, bpms);
        QFETCH(float, tempo);
        QFETCH(QStringList, rules);
        test::DeskFixture f(true);
        f.mixer().setMatchBeats(true);
        f.deck(1).player().SetTempo(tempo);
        for (int i = 0; i < bpms.size(); ++i) f.add(loop(bpms[i], i % 2 == 0));
        QList<qint64> fades, dones;
        QStringList made;
        QObject::connect(&f.mixer(), &AutoMixer::fadeShaped,
                         [&](int, const AutoMixer::FadeShape& s) { made << s.rule; });
        QObject::connect(&f.mixer(), &AutoMixer::fadeStarted, [&] { fades << f.now(); });
        QObject::connect(&f.mixer(), &AutoMixer::fadeCompleted, [&] { dones << f.now(); });
        f.deck(0).transport.play();
        f.mixer().mixNow(f.deck(0));
        QVERIFY(f.runUntil([&] { return f.bothStopped(); }, 3600 * 1000));
        const Audio out{f.engine->sampleRate(), 2, f.captured};
        keepOnFailure(QStringLiteral("beats"), out);
        QCOMPARE(made, rules);
        const auto part = [&](qint64 from, qint64 to) {
            return Audio{out.rate,
                         2,
                         {out.samples.begin() + from * out.rate / 1000 * 2,
                          out.samples.begin() + to * out.rate / 1000 * 2}};
        };
        for (int i = 1; i < fades.size() && rules[i] == "beats"; ++i) {
            // Heard from the second second of the fade on, when the incoming loop is audible, to
            // its last 1.5 s, when the outgoing one is no longer.
            const Audio fade = part(fades[i] + 1000, dones[i] - 1500);
            const auto kicks = onsets(fade, true);
            std::vector<double> misses;
            for (const double b : onsets(fade, false)) {
                double miss = HUGE_VAL;
                for (const double k : kicks) miss = std::min(miss, std::abs(k - b));
                misses.push_back(miss);
            }
            QVERIFY(misses.size() >= 5);
            std::sort(misses.begin(), misses.end());
            qInfo("fade %d: %zu beats, median %.1f ms, worst %.1f ms off", i + 1, misses.size(),
                  misses[misses.size() / 2], misses.back());
            QVERIFY(misses[misses.size() / 2] <= 15 && misses.back() <= 25);
        }
        // Glided back after its fade, the last loop ends at its own tempo.
        const qint64 end = qint64(out.frames()) * 1000 / out.rate;
        const auto last = onsets(part(end - 8000, end), bpms.size() % 2 == 1);
        const double own = 60000 / bpms.last() / (bpms.size() % 2 == 1 ? tempo : 1.0f);
        QVERIFY(last.size() >= 6 && std::abs((last.back() - last[last.size() - 5]) / 4 - own) < 2);
    }
};

QTEST_GUILESS_MAIN(TestBeats)
#include "tst_beats.moc"
