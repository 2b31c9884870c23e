#include "PlaylistForm.h"

#include <sndfile.h>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/Desk.h"
#include "app/ProgramOptions.h"
#include "audio/Engine.h"
#include "audio/Player.h"
#include "audio/SongTags.h"
#include "base/Dialogs.h"
#include "base/Scheduler.h"
#include "playlist/AddFiles.h"
#include "playlist/ListFile.h"
#include "playlist/OtherLists.h"

namespace vantrel::render {

namespace {

// No one to answer a dialog offline: messages go to stderr, choosers are cancelled.
class ConsoleDialogs final : public Dialogs {
public:
    void message(const QString& title, const QString& text, Icon) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    }
    QStringList openFiles(const QString&, const QString&, bool) override { return {}; }
    QString saveFile(const QString&, const QString&) override { return {}; }
    QString browseForFolder(const QString&, const QString&) override { return {}; }
};

int usage() {
    std::fprintf(stderr,
                 "usage: vantrel-render [--interval M] [--log] [--trim-silence] "
                 "[--level-loudness] [--fade-at-outro]\n"
                 "                      [--match-beats] "
                 "[--repeat] [--shuffle] [--jingle-every N] [--jingle-minutes M]\n"
                 "                      [--jingle-group NAME] [--jingle-duck DB] "
                 "[--sample-list LIST.sls]\n"
                 "                      [--minutes N] [--seed N] --out OUT.wav\n"
                 "                      LIST.kvl|LIST.m3u|LIST.m3u8|LIST.pls|LIST.xspf\n");
    return 2;
}

QString programFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? QStringLiteral(".") : QString::fromStdString(exe.parent_path().string());
}

}  // namespace

int runPlaylistForm(int argc, char** argv) {
    int interval = AutoMixer::kDefaultMixInterval;
    bool log = false, trimSilence = false, levelLoudness = false, fadeAtOutro = false,
         matchBeats = false;
    QString out;
    QString listFile;
    QString sampleListFile;
    qint64 minutes = 0;
    std::uint32_t seed = 1;
    ProgramOptions programme;
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (qsizetype at = i; readProgrammeFlag(arguments, at, programme)) {
            i = int(at);
            if (!programme.error.isEmpty()) {
                std::fprintf(stderr, "vantrel-render: %s\n", qPrintable(programme.error));
                return 2;
            }
            if (programme.startAt || programme.stopAt) {
                std::fprintf(stderr, "vantrel-render: a render has no clock to keep times by\n");
                return 2;
            }
        } else if (a == "--minutes" && i + 1 < argc) {
            minutes = std::atoll(argv[++i]);
            if (minutes < 1 || minutes > 7 * 24 * 60) {
                std::fprintf(stderr, "vantrel-render: --minutes takes 1 to 10080\n");
                return 2;
            }
        } else if (a == "--seed" && i + 1 < argc) {
            seed = std::uint32_t(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--sample-list" && i + 1 < argc) {
            sampleListFile = QString::fromLocal8Bit(argv[++i]);
        } else if (a == "--log") {
            log = true;
        } else if (a == "--trim-silence") {
            trimSilence = true;
        } else if (a == "--level-loudness") {
            levelLoudness = true;
        } else if (a == "--fade-at-outro") {
            fadeAtOutro = true;
        } else if (a == "--match-beats") {
            matchBeats = true;
        } else if (a == "--interval" && i + 1 < argc) {
            interval = std::atoi(argv[++i]);
            if (interval < AutoMixer::kMinMixInterval || interval > AutoMixer::kMaxMixInterval) {
                std::fprintf(stderr, "vantrel-render: the mixing interval is 2 to 14 seconds\n");
                return 2;
            }
        } else if (a == "--out" && i + 1 < argc) {
            out = QString::fromLocal8Bit(argv[++i]);
        } else if (!a.empty() && a[0] != '-' && listFile.isEmpty()) {
            listFile = QString::fromLocal8Bit(argv[i]);
        } else {
            return usage();
        }
    }
    if (out.isEmpty() || listFile.isEmpty()) return usage();
    checkProgramme(programme);
    if (!programme.error.isEmpty()) {
        std::fprintf(stderr, "vantrel-render: %s\n", qPrintable(programme.error));
        return 2;
    }
    if (programme.repeat && minutes == 0) {
        std::fprintf(stderr, "vantrel-render: a repeating list never ends: give --minutes N\n");
        return 2;
    }

    int qargc = 1;
    QCoreApplication app(qargc, argv);

    audio::EngineOptions options;
    options.output = audio::OutputKind::Offline;
    audio::Engine engine(options);
    const int rate = engine.sampleRate();

    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* wav = sf_open(QFile::encodeName(out).constData(), SFM_WRITE, &info);
    if (!wav) {
        std::fprintf(stderr, "vantrel-render: cannot write %s: %s\n", qPrintable(out),
                     sf_strerror(nullptr));
        return 1;
    }
    sf_command(wav, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    qint64 written = 0;
    engine.setCaptureSink([&](const float* block, int frames) {
        sf_writef_float(wav, block, frames);
        written += frames;
    });

    VirtualScheduler scheduler;
    qint64 rendered = 0;
    // Frames are counted from time 0, so millisecond steps never drift from the sample clock.
    scheduler.onAdvance = [&](qint64, qint64 to) {
        const qint64 target = to * rate / 1000;
        if (target > rendered) engine.renderOffline(static_cast<int>(target - rendered));
        rendered = std::max(rendered, target);
    };

    ConsoleDialogs dialogs;
    Desk desk(engine, scheduler, dialogs, programFolder());
    // Before the list is there: each setting would otherwise have the songs ahead profiled for
    // the refinements on so far, and profiled again for the next.
    AutoMixer& mixer = desk.mixer();
    mixer.setTrimSilence(trimSilence);
    mixer.setLevelLoudness(levelLoudness);
    mixer.setFadeAtOutro(fadeAtOutro);
    mixer.setMatchBeats(matchBeats);
    if (OtherListTypeOf(listFile) != OtherListType::None) {
        // Another player's list: its entries titled as added files, a fault said on stderr.
        const OtherListRead read = ReadOtherList(listFile);
        if (!read.problem.isEmpty())
            std::fprintf(stderr, "vantrel-render: %s: %s\n", qPrintable(listFile),
                         qPrintable(read.problem));
        AppendFoundFiles(desk.playlist(), read.paths);
    } else {
        // The list reader reports a file it cannot read through the dialogs, like the program.
        LoadList(desk.playlist(), listFile, dialogs);
    }
    if (desk.playlist().count() == 0) {
        std::fprintf(stderr, "vantrel-render: %s holds no songs\n", qPrintable(listFile));
        sf_close(wav);
        QFile::remove(out);
        return 1;
    }
    if (!sampleListFile.isEmpty()) LoadList(desk.sampleList(), sampleListFile, dialogs);
    mixer.mixIntervalSlider.SetValue(interval);
    // The whole list is known: its songs are profiled while the ones before them render.
    mixer.profileAhead();
    // Fixed seeds: the same flags give the same render.
    desk.rotation().reseed(seed);
    desk.jingles().reseed(seed + 1);
    desk.applyProgramme(programme.repeat, programme.shuffle, programme.jingles, std::nullopt,
                        std::nullopt);

    if (log) {
        for (int i = 0; i < 2; ++i) {
            Deck& d = desk.deck(i);
            const int n = i + 1;
            QObject::connect(&d, &Deck::cued, [&scheduler, &d, n](const QString& path) {
                // The display title, then what the song's tags say it is, when they say. The cue
                // comes before the open: the tags are read here, off any window.
                const audio::SongTags tags = audio::readSongTags(path.toStdString());
                std::string tagged;
                if (!tags.empty()) {
                    tagged = "  [" + audio::nowPlayingLine(tags, "?");
                    if (!tags.album.empty()) tagged += " / " + tags.album;
                    tagged += "]";
                }
                std::printf("%10lld ms  cue   deck %d  %s%s\n", scheduler.nowMs(), n,
                            qPrintable(d.display.tickerMessage()), tagged.c_str());
            });
        }
        const auto report = [&scheduler](const char* what) {
            return [&scheduler, what](int deck, const QString& title) {
                std::printf("%10lld ms  %s  deck %d  %s\n", scheduler.nowMs(), what, deck + 1,
                            qPrintable(title));
            };
        };
        // A fade's line waits for its first step, which tells how the fade was made.
        struct Started {
            qint64 ms;
            QString title;
        };
        auto started = std::make_shared<std::array<Started, 2>>();
        QObject::connect(&mixer, &AutoMixer::fadeStarted,
                         [&scheduler, started](int deck, const QString& title) {
                             (*started)[std::size_t(deck)] = {scheduler.nowMs(), title};
                         });
        QObject::connect(
            &mixer, &AutoMixer::fadeShaped, [started](int deck, const AutoMixer::FadeShape& s) {
                const Started& at = (*started)[std::size_t(deck)];
                std::printf("%10lld ms  fade  deck %d  %s in=%d@%.4g out=%d@%.4g rule=%s\n", at.ms,
                            deck + 1, qPrintable(at.title), s.inPositionMs, s.inSpeed,
                            s.outPositionMs, s.outSpeed, qPrintable(s.rule));
            });
        QObject::connect(&mixer, &AutoMixer::fadeCompleted, report("done"));
        QObject::connect(
            &desk.jingles(), &JingleRotation::jingleStarted, [&scheduler](const QString& name) {
                std::printf("%10lld ms  jingle  %s\n", scheduler.nowMs(), qPrintable(name));
            });
    }

    // A held mix ends the render with the entries that were not found still on the list.
    QObject::connect(&mixer.holdNotice, &Label::captionChanged, [&scheduler](const QString& why) {
        if (!why.isEmpty())
            std::fprintf(stderr, "vantrel-render: at %lld ms: %s\n", scheduler.nowMs(),
                         qPrintable(why));
    });

    // What a user does to start an evening: Play on deck 1 (which cues the top entry into
    // deck 2), then Mix now.
    desk.deck(0).transport.play();
    mixer.mixNow(desk.deck(0));
    // In short steps: a muted deck can play out after the last timer has stopped, and the clock
    // must not leap past its end. A day of audio bounds a list whose songs never end.
    const qint64 kLimitMs = minutes > 0 ? minutes * 60000 : 24LL * 3600 * 1000;
    const auto done = [&] { return desk.decks().idle(); };
    bool stopped = done();
    while (!stopped && scheduler.nowMs() < kLimitMs)
        stopped = scheduler.runUntil(done, std::min<qint64>(100, kLimitMs - scheduler.nowMs()));
    if (log) std::printf("%10lld ms  end\n", scheduler.nowMs());
    std::fflush(stdout);

    sf_close(wav);
    if (!stopped && minutes == 0)
        std::fprintf(stderr, "vantrel-render: stopped after 24 hours of audio\n");
    std::fprintf(stderr, "vantrel-render: %s: %.3f s\n", qPrintable(out),
                 static_cast<double>(written) / rate);
    return 0;
}

}  // namespace vantrel::render
