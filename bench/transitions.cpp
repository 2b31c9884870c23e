// How each change of song of a rendered evening sounds: `transitions MIX.wav LOG [LIST.kvl]`
// reads a playlist render and its --log and prints, per fade, the longest gap below -50 dBFS and
// the longest sag (400 ms windows, 100 ms apart, more than 15 LU below the quieter of the two
// songs' bodies) around it. Given the list, also how far the two songs' beats fall apart during
// the fade: each song's beats are found afresh on the stretch it plays in the fade (from the
// positions and tempos the fade line gives) and put on the mix's time line; the beats of the
// sparser song are measured to the nearest of the other's (median and worst, from the fade's
// second second to its last 1.5 s), and, on the mix alone, how far the outgoing song's beats
// before the fade and the incoming song's after it, each carried on, fall apart mid-fade. Not a
// test: a measure for real music, which the repo does not hold.
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audio/BeatGrid.h"
#include "audio/Decoder.h"
#include "audio/SongProfile.h"
#include "base/FilePath.h"
#include "playlist/ListFile.h"
#include "playlist/Playlist.h"
#include "support/AudioFiles.h"
#include "support/ScriptedDialogs.h"

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

struct Heard {
    qint64 fadeMs = 0;
    QString title;
    int inPos = 0, outPos = 0;
    double inSpeed = 1, outSpeed = 1;
};

// The beats of a song's stretch from `pos` heard at `speed` for `ms`, on the mix's time line.
std::vector<double> heardBeats(const QString& path, int pos, double speed, qint64 at, qint64 ms) {
    auto r = vantrel::audio::openDecoder(vantrel::PathToStdString(path), 44100);
    if (!r.decoder) return {};
    // The tracker settles on the 6 s before the stretch (those of the song that are there).
    const auto grid = vantrel::audio::findBeatGrid(*r.decoder, std::max(0.0, pos - 6000.0),
                                                   pos + double(ms) * speed);
    std::vector<double> beats;
    if (!grid) return beats;
    for (double b = grid->beatAtOrAfter(pos); b < pos + double(ms) * speed; b += grid->beatMs)
        beats.push_back(double(at) + (b - pos) / speed);
    return beats;
}

// Median and worst distance of the sparser list's beats within [from, to] to the other's.
std::pair<double, double> apart(std::vector<double> a, std::vector<double> b, double from,
                                double to) {
    if (a.size() > b.size()) std::swap(a, b);
    std::vector<double> d;
    for (const double x : a) {
        if (x < from || x > to) continue;
        double nearest = HUGE_VAL;
        for (const double y : b) nearest = std::min(nearest, std::abs(x - y));
        d.push_back(nearest);
    }
    if (d.empty()) return {-1, -1};
    std::sort(d.begin(), d.end());
    return {d[d.size() / 2], d.back()};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: transitions MIX.wav LOG [LIST.kvl]\n");
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
    // Titles to paths, from the list; the fade lines with their positions and tempos.
    QHash<QString, QString> paths;
    if (argc == 4) {
        vantrel::Playlist list;
        vantrel::test::ScriptedDialogs dialogs;
        if (!vantrel::LoadList(list, QString::fromLocal8Bit(argv[3]), dialogs)) return 1;
        for (const vantrel::Playlist::Entry& e : list.entries()) paths.insert(e.title, e.path);
    }
    static const QRegularExpression fadeLine(
        QStringLiteral(
            "^ *(\\d+) ms  fade  deck \\d  (.*) in=(\\d+)@([\\d.]+) out=(\\d+)@([\\d.]+) rule="),
        QRegularExpression::MultilineOption);
    QList<Heard> heard;
    for (auto it = fadeLine.globalMatch(log); it.hasNext();) {
        const auto m = it.next();
        heard << Heard{m.captured(1).toLongLong(), m.captured(2),
                       m.captured(3).toInt(),      m.captured(5).toInt(),
                       m.captured(4).toDouble(),   m.captured(6).toDouble()};
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
        if (paths.isEmpty() || i >= heard.size()) continue;
        // The positions are those of the fade's first step, 80 ms after its start.
        const Heard& h = heard[i];
        const qint64 first = h.fadeMs + 80, ms = done - first;
        const auto inBeats = heardBeats(paths.value(h.title), h.inPos, h.inSpeed, first, ms);
        const auto outBeats =
            heardBeats(paths.value(heard[i - 1].title), h.outPos, h.outSpeed, first, ms);
        const auto [median, worst] = apart(inBeats, outBeats, first + 1000, done - 1500);
        if (median < 0)
            std::printf("         beats: no steady beat found in the fade (%zu / %zu)\n",
                        outBeats.size(), inBeats.size());
        else
            std::printf(
                "         beats %.0f / %.0f BPM heard: median %.1f ms apart, worst %.1f ms\n",
                outBeats.size() * 60000.0 / double(ms), inBeats.size() * 60000.0 / double(ms),
                median, worst);
        // On the mix alone: the outgoing song's beats in the 12 s before the fade and the
        // incoming song's in the 10 s after it, each carried on to the fade's middle, where they
        // should meet. Neither the list nor the log is needed for it.
        const qint64 next = i + 1 < fades.size() ? fades[i + 1] : endMs;
        const auto gridOf = [&](qint64 from, qint64 to) {
            auto r = vantrel::audio::openDecoder(argv[1], a.rate);
            return r.decoder ? vantrel::audio::findBeatGrid(*r.decoder, double(from), double(to))
                             : std::nullopt;
        };
        const auto outGrid = gridOf(std::max(before, fades[i] - 12000), fades[i]);
        const auto inGrid = gridOf(done, std::min(next, done + 10000));
        // An incoming song matched far from its own tempo glides back after the fade, and its
        // beats there cannot be carried back into the fade.
        if (!outGrid || !inGrid || std::abs(h.inSpeed - 1) > 0.005) continue;
        const double middle = (fades[i] + done) / 2.0;
        const double beat = std::min(outGrid->beatMs, inGrid->beatMs);
        std::printf(
            "         on the mix: %.2f BPM before (%.2f sure), %.2f after (%.2f sure), "
            "%.1f ms apart mid-fade\n",
            outGrid->bpm(), outGrid->confidence, inGrid->bpm(), inGrid->confidence,
            std::abs(std::remainder(outGrid->beatAtOrAfter(middle) - inGrid->beatAtOrAfter(middle),
                                    beat)));
    }
    return 0;
}
