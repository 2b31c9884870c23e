// What the deck panels' displays cost while both decks play: four meters and two progress bars
// written every 30 ms, two tickers scrolling on their own timers, in one offscreen window.
// The peer is the same window with the same timers firing but nothing written to the widgets,
// so the difference is what the widgets themselves cost.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGridLayout>
#include <QTimer>
#include <cmath>
#include <memory>

#include "widgets/LevelMeter.h"
#include "widgets/ProgressBar.h"
#include "widgets/Ticker.h"

using namespace vantrel;

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

QString barImage() {
    const QByteArray dir = qgetenv("VANTREL_BUILD_DIR");
    const QString build = dir.isEmpty()
                              ? QCoreApplication::applicationDirPath() + QStringLiteral("/..")
                              : QString::fromLocal8Bit(dir);
    return QDir(build).filePath(QStringLiteral("util/keysec.dat"));
}

struct Deck {
    Ticker* ticker;
    LevelMeter* left;
    LevelMeter* right;
    ProgressBar* progress;
    int position = 0;
};

// Counts the paints that reach the widgets, so a run that paints nothing cannot pass for cheap.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

struct Panels {
    QWidget window;
    PaintCounter counter;
    Deck decks[2];
    QTimer positionTimers[2];

    explicit Panels(bool drive) {
        window.setStyleSheet(QStringLiteral("background: #202428;"));
        auto* grid = new QGridLayout(&window);
        for (int d = 0; d < 2; ++d) {
            Deck& deck = decks[d];
            deck.ticker = new Ticker(&window);
            deck.ticker->setBorderStyle(0);
            deck.ticker->setFixedSize(493, 18);
            deck.left = new LevelMeter(&window);
            deck.right = new LevelMeter(&window);
            deck.left->setImage(barImage());
            deck.right->setImage(barImage());
            deck.progress = new ProgressBar(0, &window);
            deck.progress->setMax(183000);
            for (QWidget* w :
                 {static_cast<QWidget*>(deck.ticker), static_cast<QWidget*>(deck.left),
                  static_cast<QWidget*>(deck.right), static_cast<QWidget*>(deck.progress)})
                w->installEventFilter(&counter);
            grid->addWidget(deck.ticker, 0, d);
            grid->addWidget(deck.left, 1, d);
            grid->addWidget(deck.right, 2, d);
            grid->addWidget(deck.progress, 3, d);
            if (drive)
                deck.ticker->Fill(QStringLiteral("Deck %1 song (MP3 file)").arg(d + 1),
                                  QStringLiteral("· Vantrel ·"), 3);
            QTimer& timer = positionTimers[d];
            timer.setTimerType(Qt::PreciseTimer);
            timer.setInterval(30);
            QObject::connect(&timer, &QTimer::timeout, &window, [this, d, drive] {
                Deck& k = decks[d];
                k.position += 30;
                if (!drive) return;
                // A level that moves like music: a beat, a slower swell, a little noise.
                const double t = k.position / 1000.0;
                const double beat = std::exp(-std::fmod(t, 0.5) * 6.0);
                const double noise = double((k.position * 7919 + d * 104729) % 1000) / 1000.0;
                k.left->setPercent(float(0.55 + 0.3 * beat + 0.1 * std::sin(t) + 0.05 * noise));
                k.right->setPercent(float(0.5 + 0.3 * beat + 0.1 * std::cos(t) + 0.05 * noise));
                k.progress->setValue(k.position);
            });
        }
        window.show();
        for (QTimer& t : positionTimers) t.start();
    }
};

struct Share {
    double core = -1;  // fraction of one core
    double paintsPerSecond = 0;
};

// CPU used while the panels run for the given time.
Share runPanels(bool drive, int ms) {
    Panels panels(drive);
    QEventLoop loop;
    QTimer::singleShot(500, &loop, &QEventLoop::quit);  // first layout and paint are not steady
    loop.exec();
    QElapsedTimer wall;
    const double cpu0 = cpuSeconds();
    const int paints0 = panels.counter.paints;
    wall.start();
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    return {(cpuSeconds() - cpu0) / seconds, (panels.counter.paints - paints0) / seconds};
}

struct Shares {
    Share widgets;
    Share peer;
} shares;

void BM_PanelsPlaying10s(benchmark::State& state) {
    for (auto _ : state) shares.widgets = runPanels(true, 10000);
    state.counters["core_percent"] = shares.widgets.core * 100;
    state.counters["paints_per_s"] = shares.widgets.paintsPerSecond;
}
BENCHMARK(BM_PanelsPlaying10s)->Iterations(1)->Unit(benchmark::kSecond);

void BM_PanelsTimersOnly10s(benchmark::State& state) {
    for (auto _ : state) shares.peer = runPanels(false, 10000);
    state.counters["core_percent"] = shares.peer.core * 100;
    state.counters["paints_per_s"] = shares.peer.paintsPerSecond;
}
BENCHMARK(BM_PanelsTimersOnly10s)->Iterations(1)->Unit(benchmark::kSecond);

// One meter write and its repaint: only the columns between the old and new edge, against a
// repaint of the whole meter as the peer.
void meterUpdates(benchmark::State& state, bool whole) {
    LevelMeter meter;
    meter.setImage(barImage());
    meter.show();
    QCoreApplication::processEvents();
    int i = 0;
    for (auto _ : state) {
        meter.setPercent(0.6f + 0.3f * float(i++ % 17) / 17.0f);
        if (whole) meter.update();
        QCoreApplication::processEvents();  // paints the dirty region, as the event loop would
    }
}
void BM_MeterUpdate(benchmark::State& state) {
    meterUpdates(state, false);
}
void BM_MeterUpdateWhole(benchmark::State& state) {
    meterUpdates(state, true);
}
BENCHMARK(BM_MeterUpdate);
BENCHMARK(BM_MeterUpdateWhole);

void BM_TickerStep(benchmark::State& state) {
    Ticker ticker;
    ticker.setBorderStyle(0);
    ticker.resize(493, 18);
    ticker.Fill(QStringLiteral("Deck 1 song (MP3 file)"), QStringLiteral("· Vantrel ·"), 3);
    ticker.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        ticker.step();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_TickerStep);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (shares.widgets.core >= 0 && shares.peer.core >= 0)
        std::printf(
            "display widgets: %.2f%% of one core while both decks play (target <= 1%%), "
            "%.0f paints/s; timers alone %.2f%%; the widgets' own share %.2f%%\n",
            shares.widgets.core * 100, shares.widgets.paintsPerSecond, shares.peer.core * 100,
            (shares.widgets.core - shares.peer.core) * 100);
    return 0;
}
