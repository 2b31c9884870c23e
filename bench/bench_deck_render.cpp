// Offline throughput of vantrel-render: the playlist form (two decks, fades, the desk on the
// virtual clock, also with every mix refinement on) against the single-file form on the same songs,
// in multiples of real time.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "support/AudioFiles.h"

namespace {

struct Songs {
    QTemporaryDir dir;
    QStringList paths;
    QString list;
    Songs() {
        QFile kvl(dir.filePath("evening.kvl"));
        kvl.open(QIODevice::WriteOnly);
        for (int hz : {330, 440, 550, 660}) {
            const QString p = dir.filePath(QStringLiteral("tone%1.wav").arg(hz));
            vantrel::test::ToneShape tone;
            tone.seconds = 40.0;
            tone.frequency = hz;
            vantrel::test::makeTone(p, tone);
            paths << p;
            kvl.write(QStringLiteral("Tone %1\r\n%2\r\n").arg(hz).arg(p).toUtf8());
        }
        list = kvl.fileName();
    }
};

Songs& songs() {
    static Songs s;
    return s;
}

QString tool() {
    const QString build = qEnvironmentVariable("VANTREL_BUILD_DIR");
    return (build.isEmpty() ? QStringLiteral("build") : build) + QStringLiteral("/vantrel-render");
}

// Runs the tool once per iteration and reports the seconds of audio written per second of wall
// time over all of them, so one slow start on a busy machine does not decide the figure.
void run(benchmark::State& state, const QStringList& args, const QString& out, const char* failed) {
    double audio = 0, wall = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        QProcess p;
        p.start(tool(), args);
        const bool ran = p.waitForFinished(600000) && p.exitCode() == 0;
        wall += t.nsecsElapsed() * 1e-9;
        const vantrel::test::Audio a = vantrel::test::readAudioFile(out);
        if (!ran || !a.rate) {
            // The loop must be left through the error, or the library aborts.
            state.SkipWithError(failed);
            break;
        }
        audio += double(a.frames()) / a.rate;
    }
    state.counters["x_realtime"] = wall > 0 ? audio / wall : 0;
}

void BM_RenderPlaylistForm(benchmark::State& state) {
    Songs& s = songs();
    const QString out = s.dir.filePath("mix.wav");
    run(state, {"--interval", "8", "--out", out, s.list}, out,
        "vantrel-render playlist form failed");
}

// The same evening with every refinement of the mixing on, which profile every song.
void BM_RenderPlaylistRefined(benchmark::State& state) {
    Songs& s = songs();
    const QString out = s.dir.filePath("refined.wav");
    run(state,
        {"--interval", "8", "--trim-silence", "--level-loudness", "--fade-at-outro",
         "--match-beats", "--out", out, s.list},
        out, "vantrel-render playlist form failed");
}

void BM_RenderSingleFile(benchmark::State& state) {
    Songs& s = songs();
    const QString out = s.dir.filePath("one.wav");
    run(state, {"--out", out, s.paths.first()}, out, "vantrel-render single-file form failed");
}

}  // namespace

BENCHMARK(BM_RenderSingleFile)->Iterations(6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderPlaylistForm)->Iterations(6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderPlaylistRefined)->Iterations(6)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
