// A whole night of automatic mixing on the virtual clock, silence trimmed and loudness levelled:
// short generated songs with broken and silent files among them on a repeating playlist, a
// jingle every third song with the music ducked under it, and a user who now and then presses Mix
// now, moves the tempo and the mixing interval, reorders the list and skips about in a song.
// Rendered through the real engine offline, as fast as it goes.
//
// Fails (exit 1) on a silence longer than 50 ms once the music has started, on a playlist that
// is not the length it started with at any step, on memory at the last
// hour more than 10 % above the first hour's, or on file descriptors left open. Usage:
// vantrel-night [HOURS] (default 12).
#include <dirent.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <cmath>
#include <cstdio>

#include "support/AudioFiles.h"
#include "support/DeskFixture.h"

using namespace vantrel;

namespace {

long residentKiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : 0;
}

int openDescriptors() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d)) ++n;
        ::closedir(d);
    }
    return n - 3;  // ".", ".." and the listing's own
}

// A tone that wavers around `hz` as a voice does, so that the same song on both decks (the list
// may hold it twice in a row) never cancels itself out as two steady sines in opposite phase do.
// The waver (1 %) stays narrower than the 20 Hz between two songs: wider, two songs at equal
// volume in a fade could pass the same pitch in opposite phase and cancel for tens of ms.
QString song(const QString& path, double seconds, double hz) {
    const int rate = 11025;
    std::vector<float> wave(size_t(seconds * rate));
    double phase = 0;
    for (size_t i = 0; i < wave.size(); ++i) {
        const double t = double(i) / rate;
        phase += 2 * M_PI * hz * (1 + 0.01 * std::sin(2 * M_PI * 0.5 * t)) / rate;
        wave[i] = float(0.5 * std::sin(phase));
    }
    return test::writeWav(path, wave.data(), int(wave.size()), 1, rate) ? path : QString();
}

// The longest run below -50 dBFS on both channels after the first sound.
struct GapMeter {
    const float threshold = std::pow(10.0f, -50.0f / 20.0f);
    bool started = false;
    qint64 run = 0, longest = 0, seen = 0, longestEnd = 0;
    void take(const float* stereo, int frames) {
        for (int i = 0; i < frames; ++i) {
            const bool loud =
                std::abs(stereo[2 * i]) >= threshold || std::abs(stereo[2 * i + 1]) >= threshold;
            ++seen;
            if (loud) {
                if (started && run > longest) longest = run, longestEnd = seen;
                started = true;
                run = 0;
            } else if (started) {
                ++run;
            }
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int hours = argc > 1 ? std::max(1, atoi(argv[1])) : 12;
    QRandomGenerator rng(20261207);
    test::DeskFixture f;
    GapMeter gaps;
    f.engine->setCaptureSink([&gaps](const float* block, int frames) { gaps.take(block, frames); });

    f.mixer().setTrimSilence(true);
    f.mixer().setLevelLoudness(true);
    QStringList songs;
    for (int i = 0; i < 24; ++i)
        songs << song(f.folder.filePath(QStringLiteral("song%1.wav").arg(i)), 20 + rng.bounded(40),
                      200 + 20 * i);
    const QString silent = f.tone(QStringLiteral("silent.wav"), 30, 0);
    const QString broken = f.folder.filePath(QStringLiteral("broken.wav"));
    QFile junk(broken);
    if (!junk.open(QIODevice::WriteOnly) || junk.write("RIFF, and nothing that decodes") <= 0)
        return 2;
    junk.close();
    // Jingles: three short tones in the Shouts group.
    const QString shouts = f.folder.filePath(QStringLiteral("samples/shouts"));
    QDir().mkpath(shouts);
    for (int i = 0; i < 3; ++i)
        song(shouts + QStringLiteral("/jingle%1.wav").arg(i), 2 + i, 1500 + 300 * i);
    f.desk->samples().setSampleFolders(f.folder.path());
    JingleSettings jingles;
    jingles.everySongs = 3;
    jingles.group = JingleSettings::groupNamed(QStringLiteral("Shouts"));
    jingles.duckDb = 6;
    f.desk->jingles().apply(jingles);
    int jinglesHeard = 0;
    QObject::connect(&f.desk->jingles(), &JingleRotation::jingleStarted, [&] { ++jinglesHeard; });
    // One list for the night: Repeat puts back what the mix takes, so it never runs low.
    int added = 0;
    while (f.playlist().count() < 100) {
        const int pick = int(rng.bounded(20));
        f.add(pick == 0   ? broken
              : pick == 1 ? silent
                          : songs[rng.bounded(songs.size())],
              QStringLiteral("Entry %1").arg(++added));
    }
    f.desk->rotation().setRepeat(true);
    const int listLength = f.playlist().count();
    f.deck(0).transport.play();
    f.mixer().mixNow(f.deck(0));

    QElapsedTimer wall;
    wall.start();
    long firstHourKiB = 0;
    int firstHourFds = 0;
    for (int hour = 1; hour <= hours; ++hour) {
        for (qint64 end = qint64(hour) * 3600 * 1000; f.now() < end;) {
            f.advance(1000 + rng.bounded(120000));
            if (f.playlist().count() != listLength) {
                std::printf("night: the list holds %d entries at %.1f h, not %d\n",
                            f.playlist().count(), f.now() / 3.6e6, listLength);
                return 1;
            }
            Deck* live = f.desk->decks().liveDeck();
            switch (rng.bounded(7)) {
                case 0:
                    // Pressed again during a fade, Mix now restarts that fade from silence with
                    // the next song, as designed: a dip the user asked for.
                    if (live && !f.mixer().fading(f.mixer().other(*live))) f.mixer().mixNow(*live);
                    break;
                case 1:
                    f.desk->soundControls(int(rng.bounded(2)))
                        .tempoSlider.SetValue(900 + rng.bounded(201));
                    break;
                case 2:
                    f.mixer().mixIntervalSlider.SetValue(2 + rng.bounded(13));
                    break;
                case 3:
                    f.playlist().move(rng.bounded(f.playlist().count()), 0);
                    break;
                case 4:
                    if (live) live->transport.fastForward();
                    break;
                case 5:
                    if (live) live->transport.rewind();
                    break;
                default:
                    break;  // the user leaves it alone
            }
            if (f.bothStopped()) {
                std::printf("night: the music stopped at %.1f h\n", f.now() / 3.6e6);
                return 1;
            }
        }
        if (hour == 1) {
            firstHourKiB = residentKiB();
            firstHourFds = openDescriptors();
        }
        std::printf(
            "hour %2d: longest silence %.1f ms (ending at %.1f s), %ld KiB resident, %d "
            "files open\n",
            hour, gaps.longest * 1000.0 / f.engine->sampleRate(),
            double(gaps.longestEnd) / f.engine->sampleRate(), residentKiB(), openDescriptors());
        std::fflush(stdout);
    }
    const double gapMs = gaps.longest * 1000.0 / f.engine->sampleRate();
    const long lastKiB = residentKiB();
    const int lastFds = openDescriptors();
    const double seconds = wall.nsecsElapsed() * 1e-9;
    std::printf(
        "night: %d h mixed in %.0f s (%.0fx real time), %d entries kept, %d jingles, longest "
        "silence %.1f ms, memory %ld -> %ld KiB, files open %d -> %d\n",
        hours, seconds, hours * 3600.0 / seconds, added, jinglesHeard, gapMs, firstHourKiB, lastKiB,
        firstHourFds, lastFds);
    // Each deck holds its song's file open, and a cue swaps one for another: a count taken at any
    // moment may differ by those two; a leak grows with every song.
    const bool ok = gapMs <= 50 && lastKiB <= firstHourKiB * 11 / 10 && lastFds <= firstHourFds + 2;
    std::printf("night: %s\n", ok ? "pass" : "FAIL");
    return ok ? 0 : 1;
}
