// FileSearch against find(1) over the same generated tree (about 100,000 files in 5,000 folders),
// same patterns, same run, warm cache: prints both medians and their ratio, and checks that both
// found the same set of paths.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstdio>

#include "playlist/AddFiles.h"
#include "playlist/FileSearch.h"

using namespace vantrel;

namespace {

const char* const kExt[] = {".mp3", ".MP3", ".wav", ".ogg", ".wma", ".txt", ".jpg", ".Wav"};

// 10 x 20 x 25 folders (5,210), 20 files in each of the 5,000 leaves.
QString makeTree(const QString& root) {
    if (QFile::exists(root + "/.complete")) return root;
    QDir(root).removeRecursively();
    for (int a = 0; a < 10; ++a)
        for (int b = 0; b < 20; ++b)
            for (int c = 0; c < 25; ++c) {
                const QString dir =
                    QStringLiteral("%1/Artist %2/Album %3/Disc %4").arg(root).arg(a).arg(b).arg(c);
                QDir().mkpath(dir);
                for (int f = 0; f < 20; ++f) {
                    QFile file(QStringLiteral("%1/%2 - Track %3%4")
                                   .arg(dir)
                                   .arg(f)
                                   .arg(a * 1000 + b * 25 + c)
                                   .arg(QLatin1String(kExt[(f + c) % 8])));
                    file.open(QIODevice::WriteOnly);
                }
            }
    QFile(root + "/.complete").open(QIODevice::WriteOnly);
    return root;
}

QStringList findArgs(const QString& root) {
    return {root,    "-type", "f",      "(",     "-iname", "*.mp3",  "-o",    "-iname",
            "*.wav", "-o",    "-iname", "*.ogg", "-o",     "-iname", "*.wma", ")"};
}

QStringList runFind(const QString& root) {
    QProcess p;
    p.start("find", findArgs(root));
    p.waitForFinished(-1);
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

QStringList runSearch(const QString& root) {
    FileSearch s;
    s.SetFilePatterns(kAudioPatterns);
    s.FindFilesWithPatterns(root, true);
    return s.CopyFiles();
}

double median(QList<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

QString treeRoot() {
    return QCoreApplication::applicationDirPath() + "/playlist-search-tree";
}

void BM_FileSearch(benchmark::State& state) {
    const QString root = treeRoot();
    for (auto _ : state) benchmark::DoNotOptimize(runSearch(root));
}
BENCHMARK(BM_FileSearch)->Unit(benchmark::kMillisecond);

void BM_Find(benchmark::State& state) {
    const QString root = treeRoot();
    for (auto _ : state) benchmark::DoNotOptimize(runFind(root));
}
BENCHMARK(BM_Find)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString root = makeTree(treeRoot());

    QStringList a = runSearch(root), b = runFind(root);  // also warms the cache
    const qsizetype found = a.size();
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    std::printf("FileSearch found %lld files, find %lld, same set: %s\n", (long long)found,
                (long long)b.size(), a == b ? "yes" : "NO");

    QList<double> tSearch, tFind;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer t;
        t.start();
        runSearch(root);
        tSearch << t.nsecsElapsed() / 1e6;
        t.restart();
        runFind(root);
        tFind << t.nsecsElapsed() / 1e6;
    }
    const double s = median(tSearch), f = median(tFind);
    std::printf("FileSearch %.1f ms, find %.1f ms (medians of 7): ratio %.2f (target <= 1.30)\n", s,
                f, s / f);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return a == b ? 0 : 1;
}
