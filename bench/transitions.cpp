// How each change of song of a rendered evening sounds: `transitions MIX.wav LOG` reads a
// playlist render and its --log and prints, per fade, the longest gap below -50 dBFS and the
// longest sag (400 ms windows, 100 ms apart, more than 15 LU below the quieter of the two
// songs' bodies) around it. Not a test: a measure for real music, which the repo does not hold.
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audio/SongProfile.h"
#include "support/AudioFiles.h"

using vantrel::audio::LoudnessMeter;

namespace {

double loudness(const vantrel::test::Audio& a, qint64 fromMs, qint64 toMs) {
    fromMs = std::clamp<qint64>(fromMs, 0, qint64(a.frames()) * 1000 / a.rate);
    toMs = std::clamp<qint64>(toMs, fromMs, qint64(a.frames()) * 1000 / a.rate);
    LoudnessMeter meter(a.rate);
    meter.add(a.samples.data() + fromMs * a.rate / 1000 * 2,
              size_t((toMs - fromMs) * a.rate / 1000));
    return meter.integrated().value_or(-70.0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: transitions MIX.wav LOG\n");
        return 2;
    }
    const vantrel::test::Audio a = vantrel::test::readAudioFile(QString::fromLocal8Bit(argv[1]));
    QFile logFile(QString::fromLocal8Bit(argv[2]));
    if (!a.rate || a.channels != 2 || !logFile.open(QIODevice::ReadOnly)) return 1;
    const QString log = QString::fromUtf8(logFile.readAll());
    static const QRegularExpression line(
        QStringLiteral("^ *(\\d+) ms  (fade|done) .*?(rule=\\w+)?$"),
        QRegularExpression::MultilineOption);
    QList<qint64> fades, dones;
    QStringList rules;
    for (auto it = line.globalMatch(log); it.hasNext();) {
        const auto m = it.next();
        (m.captured(2) == QLatin1String("fade") ? fades : dones) << m.captured(1).toLongLong();
        if (m.captured(2) == QLatin1String("fade")) rules << m.captured(3);
    }
    const qint64 endMs = qint64(a.frames()) * 1000 / a.rate;
    const float floor = std::pow(10.0f, -50.0f / 20);
    // Each fade with the completion that follows it (a fade cut short has none of its own) and
    // the completion before it, which ends the outgoing song's fade-in.
    const auto doneAfter = [&](qint64 t) {
        for (const qint64 d : dones)
            if (d >= t) return d;
        return endMs;
    };
    const auto doneBefore = [&](qint64 t) {
        qint64 last = 0;
        for (const qint64 d : dones)
            if (d < t) last = d;
        return last;
    };
    for (int i = 1; i < fades.size(); ++i) {
        const qint64 done = doneAfter(fades[i]), before = doneBefore(fades[i]);
        const qint64 from = std::max(before, fades[i] - 20000), to = std::min(done + 2000, endMs);
        const double out = loudness(a, before, fades[i]);
        const double in = loudness(a, done, i + 1 < fades.size() ? fades[i + 1] : endMs);
        const double floorLu = std::min(out, in) - 15;
        int gap = 0, run = 0, sag = 0, sagRun = 0;
        qint64 gapAt = 0;
        for (qint64 f = from * a.rate / 1000; f < to * a.rate / 1000; ++f) {
            const bool quiet = std::abs(a.samples[size_t(f) * 2]) < floor &&
                               std::abs(a.samples[size_t(f) * 2 + 1]) < floor;
            run = quiet ? run + 1 : 0;
            if (run > gap) gap = run, gapAt = f * 1000 / a.rate;
        }
        for (qint64 t = from; t + 400 <= to; t += 100)
            sag = std::max(sag, sagRun = loudness(a, t, t + 400) < floorLu ? sagRun + 100 : 0);
        std::printf(
            "fade %2d at %7.1f s  %-12s gap %4d ms (ends %.1f s)  sag %5d ms  "
            "(bodies %.1f / %.1f LUFS)\n",
            i + 1, fades[i] / 1000.0, qPrintable(rules.value(i)), gap * 1000 / a.rate,
            gapAt / 1000.0, sag, out, in);
    }
    return 0;
}
