// List files and adding a folder: LoadList of a full playlist (32,767 entries, target 150 ms),
// SaveList of it (50 ms), and adding a 10,000-file folder to a shown list view (300 ms). Each
// has a peer in the same run: reading or writing the same bytes raw, and the bare search.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QSaveFile>
#include <QTemporaryDir>

#include "playlist/AddFiles.h"
#include "playlist/ListFile.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;
using vantrel::test::ScriptedDialogs;

namespace {

QTemporaryDir* gDir = nullptr;

QString fullListFile() {
    const QString file = gDir->filePath("full.kvl");
    if (!QFile::exists(file)) {
        Playlist list;
        QList<Playlist::Entry> e;
        for (int i = 0; i < Playlist::kMaxEntries; ++i)
            e.append(
                {QStringLiteral("Artist %1 - Some Song Title %2 (MP3 file)").arg(i % 500).arg(i),
                 QStringLiteral("/home/user/Music/Artist %1/Album %2/Artist %1 - Some Song "
                                "Title %3.mp3")
                     .arg(i % 500)
                     .arg(i % 37)
                     .arg(i)});
        list.appendEntries(e);
        ScriptedDialogs d;
        SaveList(list, file, d);
    }
    return file;
}

QString tenThousandFolder() {
    const QString root = gDir->filePath("tenk");
    if (!QDir(root).exists()) {
        for (int a = 0; a < 100; ++a) {
            const QString dir = QStringLiteral("%1/Album %2").arg(root).arg(a);
            QDir().mkpath(dir);
            for (int f = 0; f < 100; ++f)
                QFile(QStringLiteral("%1/%2 - Track %3.%4")
                          .arg(dir)
                          .arg(f)
                          .arg(a * 100 + f)
                          .arg(f % 3 ? "mp3" : "WAV"))
                    .open(QIODevice::WriteOnly);
        }
    }
    return root;
}

void BM_LoadList(benchmark::State& state) {
    const QString file = fullListFile();
    ScriptedDialogs d;
    for (auto _ : state) {
        Playlist list;
        LoadList(list, file, d);
        if (list.count() != Playlist::kMaxEntries) state.SkipWithError("short read");
    }
}
BENCHMARK(BM_LoadList)->Unit(benchmark::kMillisecond);

void BM_ReadRawPeer(benchmark::State& state) {
    const QString file = fullListFile();
    for (auto _ : state) {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(f.readAll());
    }
}
BENCHMARK(BM_ReadRawPeer)->Unit(benchmark::kMillisecond);

void BM_SaveList(benchmark::State& state) {
    ScriptedDialogs d;
    Playlist list;
    LoadList(list, fullListFile(), d);
    const QString out = gDir->filePath("saved.kvl");
    for (auto _ : state) SaveList(list, out, d);
}
BENCHMARK(BM_SaveList)->Unit(benchmark::kMillisecond);

void BM_WriteRawPeer(benchmark::State& state) {
    QFile in(fullListFile());
    in.open(QIODevice::ReadOnly);
    const QByteArray bytes = in.readAll();
    const QString out = gDir->filePath("raw.kvl");
    for (auto _ : state) {
        QSaveFile f(out);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        f.commit();
    }
}
BENCHMARK(BM_WriteRawPeer)->Unit(benchmark::kMillisecond);

// The folder command into a playlist that a shown view displays, including the view's layout.
void BM_AddFolderToView(benchmark::State& state) {
    const QString root = tenThousandFolder();
    Playlist list;
    QListView view;
    view.setUniformItemSizes(true);
    view.setModel(&list);
    view.resize(480, 300);
    view.show();
    FileSearch search;
    ScriptedDialogs d;
    QString last;
    for (auto _ : state) {
        state.PauseTiming();
        list.clear();
        QApplication::processEvents();
        state.ResumeTiming();
        d.pathAnswers.enqueue(root);
        AddFolder(list, d, search, last, kAudioPatterns);
        view.scrollToBottom();
        QApplication::processEvents();
        view.repaint();
        if (list.count() != 10000) state.SkipWithError("wrong count");
    }
}
BENCHMARK(BM_AddFolderToView)->Unit(benchmark::kMillisecond);

void BM_SearchOnlyPeer(benchmark::State& state) {
    const QString root = tenThousandFolder();
    for (auto _ : state) {
        FileSearch search;
        search.SetFilePatterns(kAudioPatterns);
        search.FindFilesWithPatterns(root, true);
        benchmark::DoNotOptimize(search.FilesFound);
    }
}
BENCHMARK(BM_SearchOnlyPeer)->Unit(benchmark::kMillisecond);

// Editing a full playlist that a shown view displays: move the last entry first, then delete it.
void BM_EditFullListInView(benchmark::State& state) {
    Playlist list;
    QList<Playlist::Entry> e;
    for (int i = 0; i < Playlist::kMaxEntries; ++i)
        e.append({QStringLiteral("Song %1 (MP3 file)").arg(i), QStringLiteral("/m/%1.mp3").arg(i)});
    list.appendEntries(e);
    QListView view;
    view.setUniformItemSizes(true);
    view.setModel(&list);
    view.resize(480, 300);
    view.show();
    QApplication::processEvents();
    for (auto _ : state) {
        list.setSelected(list.count() - 1);
        list.moveFirst();
        QApplication::processEvents();
        view.repaint();
        list.removeSelected();
        QApplication::processEvents();
        view.repaint();
        state.PauseTiming();
        list.append("again", "/again.mp3");
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditFullListInView)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    gDir = &dir;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
