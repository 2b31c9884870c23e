// What a position tick costs the UI thread: both decks playing, their panels bound, with and
// without the repaint that follows. The peer is an idle tick (no deck playing), so the report
// is a ratio as well as a time.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>

#include "deck/ui/DeckPanel.h"
#include "support/DeskFixture.h"

using namespace vantrel;

namespace {

struct Stage {
    test::DeskFixture f;
    std::unique_ptr<DeckPanel> one;
    std::unique_ptr<DeckPanel> two;

    explicit Stage(bool playing) {
        one = std::make_unique<DeckPanel>(f.deck(0), f.mixer(), nullptr);
        two = std::make_unique<DeckPanel>(f.deck(1), f.mixer(), nullptr);
        one->show();
        two->show();
        if (!playing) return;
        f.add(f.tone("a.wav", 120.0, 440), "A fairly long title for the ticker");
        f.add(f.tone("b.wav", 120.0, 550), "Another title");
        Deck& d1 = f.deck(0);
        d1.loader.cueNext();
        f.playlist().removeAt(0);
        d1.transport.play();        // cues B into deck 2
        f.deck(1).player().Play();  // and let it sound too
        f.deck(1).positionTimer().SetEnabled(true);
        QApplication::processEvents();
    }

    // 30 ms of audio between ticks, as the real timer would see it; not timed.
    void between() { f.engine->renderOffline(1323); }
};

void tick(benchmark::State& state, bool playing, bool paint) {
    Stage s(playing);
    for (auto _ : state) {
        s.between();
        QElapsedTimer t;
        t.start();
        s.f.deck(0).positionTick();
        s.f.deck(1).positionTick();
        if (paint) QApplication::processEvents();
        state.SetIterationTime(double(t.nsecsElapsed()) * 1e-9);
    }
}

void BM_PositionTick_BothDecks(benchmark::State& state) {
    tick(state, true, false);
}
void BM_PositionTick_BothDecksWithRepaint(benchmark::State& state) {
    tick(state, true, true);
}
void BM_PositionTick_Idle(benchmark::State& state) {
    tick(state, false, false);
}

}  // namespace

// 3000 ticks are 90 s of audio: the songs (120 s) play through every measured tick.
BENCHMARK(BM_PositionTick_Idle)->UseManualTime()->Iterations(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PositionTick_BothDecks)
    ->UseManualTime()
    ->Iterations(3000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PositionTick_BothDecksWithRepaint)
    ->UseManualTime()
    ->Iterations(3000)
    ->Unit(benchmark::kMicrosecond);
// The application lives in main: a static one would be torn down after Qt's own statics.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
