#pragma once
// The whole desk on the offline output and the virtual clock: every timer tick is preceded by
// exactly the audio that the elapsed virtual time holds, rendered through the real engine.
#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <vector>

#include "app/Desk.h"
#include "audio/Engine.h"
#include "base/Scheduler.h"
#include "support/ScriptedDialogs.h"

namespace vantrel::test {

class DeskFixture {
public:
    // capture: keep every rendered frame (interleaved stereo) in `captured`.
    explicit DeskFixture(bool capture = false);
    ~DeskFixture();

    // Advances the virtual clock by ms, firing timers in order.
    void advance(qint64 ms) { scheduler.advance(ms); }
    // In short steps, so that a player sounding on with no timer left (a muted deck playing
    // out) is noticed when it ends instead of the clock leaping to the limit.
    bool runUntil(const std::function<bool()>& done, qint64 limitMs) {
        const qint64 end = now() + limitMs;
        while (now() < end)
            if (scheduler.runUntil(done, std::min<qint64>(100, end - now()))) return true;
        return done();
    }
    qint64 now() const { return scheduler.nowMs(); }

    // Appends an entry whose title is the file's base name.
    void add(const QString& path, const QString& title = {});
    // A sine tone written straight to a WAV file in the fixture's folder (no encoder needed);
    // a small rate keeps hundreds of songs cheap. Returns the path.
    QString tone(const QString& name, double seconds, double frequency = 440.0, int rate = 11025);

    // Neither deck sounds and no deck timer runs.
    bool bothStopped() const { return desk->decks().idle(); }
    Deck& deck(int i) { return desk->deck(i); }
    AutoMixer& mixer() { return desk->mixer(); }
    Playlist& playlist() { return desk->playlist(); }

    QTemporaryDir folder;
    VirtualScheduler scheduler;
    std::unique_ptr<audio::Engine> engine;
    ScriptedDialogs dialogs;
    std::unique_ptr<Desk> desk;
    std::vector<float> captured;
    qint64 renderedFrames = 0;
};

}  // namespace vantrel::test
