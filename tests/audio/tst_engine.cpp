#include <QTemporaryDir>
#include <QtTest>
#include <random>

#include <sys/resource.h>

#include "audio/Decoder.h"
#include "audio/Engine.h"
#include "audio/MediaControl.h"
#include "audio/MixTap.h"
#include "audio/Player.h"
#include "audio/ReadAhead.h"
#include "audio/SongProfile.h"
#include "audio/SongTags.h"
#include "support/AudioFiles.h"
#include "support/SlowMount.h"

using namespace vantrel;
using namespace vantrel::test;

namespace {
const char* const kFormats[] = {"wav", "aiff", "flac", "ogg", "mp3", "m4a", "wma"};

struct Song {
    QString ext = "wav";
    int rate = 44100;
    int channels = 2;
    double seconds = 30;
    int slackMs = 0;  // what the codec itself adds or cuts
};
}  // namespace
Q_DECLARE_METATYPE(Song)

// The engine offline, as it sounds: songs of every format at every setting, the transport,
// seeks, changes while playing, fades and broken files, the same on every run.
class TestEngine : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        return test::writeFile(path, bytes) ? path : QString();
    }

    QByteArray read(const QString& name) { return test::readFile(dir_.filePath(name)); }

    // A tone of the song's shape, made once.
    QString tone(const Song& s) {
        const QString path = dir_.filePath(
            QStringLiteral("%1s-%2-%3.%4").arg(s.seconds).arg(s.rate).arg(s.channels).arg(s.ext));
        if (!QFile::exists(path) &&
            !makeTone(path, {.seconds = s.seconds, .rate = s.rate, .channels = s.channels}))
            return {};
        return path;
    }

private slots:
    void initTestCase() {
        // What the broken files are made of; unlike the other deck's tone, so the two never cancel.
        for (const char* e : kFormats)
            for (int seconds : {3, 8})
                QVERIFY(makeTone(dir_.filePath(QStringLiteral("source%1s.%2").arg(seconds).arg(e)),
                                 {.seconds = double(seconds), .frequency = 660, .rate = 48000}));
        // A steady level, on which a gain step shows.
        QVERIFY(
            writeAs(dir_.filePath("steady.wav"), {44100, 2, std::vector(44100 * 2 * 16, 0.5f)}));
    }

    void songPlaysAsSet_data() {
        QTest::addColumn<Song>("song");
        QTest::addColumn<QString>("setting");  // a player call
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("heardSeconds");
        QTest::addColumn<double>("frequency");
        const std::pair<const char*, int> formats[] = {{"wav", 0},  {"aiff", 0}, {"flac", 0},
                                                       {"ogg", 1},  {"m4a", 1},  {"mp3", 80},
                                                       {"wma", 120}};
        for (const auto& [ext, slack] : formats)
            for (int rate : {22050, 44100, 48000})
                for (int ch : {1, 2})
                    QTest::addRow("%s-%d-%s", ext, rate, ch == 1 ? "mono" : "stereo")
                        << Song{ext, rate, ch, 1.5, slack} << "" << 1.0 << 1.5 << 440.0;
        // 30 s: a speed off by a little adds up to more than the tolerance.
        QTest::newRow("tempo 1.25") << Song{} << "tempo" << 1.25 << 24.0 << 440.0;
        QTest::newRow("rate 1.25") << Song{} << "rate" << 1.25 << 24.0 << 550.0;
        QTest::newRow("pitch 1.5") << Song{} << "pitch" << 1.5 << 30.0 << 660.0;
        QTest::newRow("+12 semitones") << Song{} << "semitones" << 12.0 << 30.0 << 880.0;
    }

    void songPlaysAsSet() {
        QFETCH(Song, song);
        QFETCH(QString, setting);
        QFETCH(double, value);
        QFETCH(double, heardSeconds);
        QFETCH(double, frequency);
        const QString path = tone(song);
        QVERIFY(!path.isEmpty());
        audio::Engine engine({.output = audio::OutputKind::Offline});
        audio::Player player(engine);
        Audio out;
        const auto keep = qScopeGuard([&] { keepOnFailure("song", out); });
        if (setting == "tempo") player.SetTempo(float(value));
        if (setting == "rate") player.SetRate(float(value));
        if (setting == "pitch") player.SetPitch(float(value));
        if (setting == "semitones") player.SetPitchSemitones(float(value));
        player.SetFileName(path.toStdString());
        QCOMPARE(player.Open(), 0);
        QCOMPARE_LE(qAbs(player.Length() - song.seconds * 1000), song.slackMs + 1);
        player.Play();
        out = playOffline(engine, player, 60000);
        QCOMPARE(player.Status(), audio::Player::kEnded);
        // Exact: the player stops at the very millisecond it announced, whatever the speed.
        QCOMPARE_LE(qAbs(player.Position() - player.Length()), 1);
        // The media control measures the same file in whole seconds, truncated.
        audio::MediaControl dmc(engine);
        QCOMPARE(dmc.OpenFile(path.toStdString()), 0);
        QCOMPARE(dmc.Duration(), int(song.seconds));
        // Heard to its end (at full level just before what the codec adds), and without a break:
        // no sample jumps further than the tone itself moves.
        const int end = lastAbove(out, 0.01f);
        QCOMPARE_LT(qAbs(end / 44100.0 - heardSeconds), 0.03 + song.slackMs / 1e3);
        const int nearEnd = end - 44100 * (song.slackMs + 100) / 1000;
        const float level = peak(out, end / 4, end / 2);
        QCOMPARE_GT(peak(out, nearEnd, 44100 / 20), level / 2);
        QCOMPARE_LT(largestStep(out, 1, nearEnd), 1.5 * level * 2 * M_PI * frequency / 44100);
        QCOMPARE_LT(qAbs(estimateFrequency(out, end / 4, end / 2) - frequency), frequency * 0.005);
        // A seek lands on the sound: from a third in, the position reads halfway through the rest
        // when that has been heard, and the song ends as it did from the start.
        const double speed = song.seconds / heardSeconds;
        const int from = player.Length() / 3, halfway = (player.Length() + from) / 2;
        player.SetPosition(from);
        player.Play();
        const Audio firstHalf = renderOffline(engine, int((halfway - from) / speed));
        QCOMPARE_LE(qAbs(player.Position() - halfway), 30);
        const double restMs =
            (firstHalf.frames() + lastAbove(playOffline(engine, player, 60000), 0.01f)) / 44.1;
        // Stretching moves a sound by up to part of the stretcher's window.
        QCOMPARE_LE(qAbs(restMs - (end / 44.1 - from / speed)), setting.isEmpty() ? 10 : 30);
    }

    void playerFollowsItsCommands_data() {
        // Steps on a 30 s tone, or on a steady level (where any unramped gain step shows up as a
        // jump between two samples): "play", "pause", "seek MS", "run MS" (offline time passes),
        // "tempo", "rate", "semitones" and "volume" with a value, "fade STEP MS" (the volume up by
        // STEP every MS to full). Then the player shows `position`, `status` and `level`, the sound
        // from 100 ms into the last run on has `frequency`, and no sample jumps by more than
        // `jump` (-1: any).
        QTest::addColumn<bool>("steady");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("status");
        QTest::addColumn<double>("level");
        QTest::addColumn<double>("frequency");
        QTest::addColumn<double>("jump");
        const auto row = [](const char* tag, const char* steps, int position, int status,
                            double level = -1, double frequency = -1, double step = -1) {
            QTest::newRow(tag) << (step >= 0) << steps << position << status << level << frequency
                               << step;
        };
        const int stopped = audio::Player::kStopped, playing = audio::Player::kPlaying, any = -1;
        row("play moves on", "seek 1500 play run 100", 1600, playing, 0.5);
        row("pause holds, silently", "seek 1500 play run 100 pause run 100", 1600, stopped, 0.0);
        row("seek while playing", "play run 500 seek 100 run 10", 110, playing);
        row("before the start", "seek -5", 0, stopped);
        row("past the end", "play seek 99999 run 10", 30000, audio::Player::kEnded);
        // The end-of-song rewind: a seek after the end rewinds without starting again.
        row("seek after the end", "play seek 99999 run 10 seek 0 run 10", 0, stopped);
        row("the decks' stop", "play run 10 pause seek 1", 1, stopped);
        // Changes are heard within 100 ms.
        row("level follows the volume", "play run 100 volume 0.5 run 60", any, playing, 0.25);
        row("pitch from untouched settings", "play run 500 semitones 12 run 300", any, any, -1,
            880);
        row("pitch while stretching", "tempo 1.1 play run 500 semitones 12 run 300", any, any, -1,
            880);
        // A step ramped over one buffer moves a level of 0.5 by 0.5 * step spread over hundreds of
        // samples; unramped it would jump by all of it at once.
        row("fade in by 0.01 every 10 ms", "volume 0 play fade 0.01 10", any, playing, 0.5, -1,
            0.5 * 0.01 / 200);
        row("jump to full", "volume 0 play fade 1 10", any, playing, 0.5, -1, 0.5 / 200);
    }

    void playerFollowsItsCommands() {
        QFETCH(bool, steady);
        QFETCH(QString, steps);
        QFETCH(int, position);
        QFETCH(int, status);
        QFETCH(double, level);
        QFETCH(double, frequency);
        QFETCH(double, jump);
        struct Run {
            Audio sound{44100, 2, {}}, last;
            int position = 0, status = 0;
            double level = 0;
        };
        const auto run = [&] {
            audio::Engine engine({.output = audio::OutputKind::Offline});
            audio::Player player(engine);
            player.SetFileName((steady ? dir_.filePath("steady.wav") : tone({})).toStdString());
            player.Open();
            Run r;
            const auto play = [&](int ms) {
                r.last = renderOffline(engine, ms);
                r.sound.samples.insert(r.sound.samples.end(), r.last.samples.begin(),
                                       r.last.samples.end());
            };
            const QStringList words = steps.split(u' ', Qt::SkipEmptyParts);
            for (int i = 0; i < words.size(); ++i) {
                const QString& word = words[i];
                if (word == "play") player.Play();
                if (word == "pause") player.Pause();
                if (word == "pause" || word == "play") continue;
                const float value = words[++i].toFloat();
                if (word == "seek") player.SetPosition(int(value));
                if (word == "tempo") player.SetTempo(value);
                if (word == "rate") player.SetRate(value);
                if (word == "semitones") player.SetPitchSemitones(value);
                if (word == "volume") player.SetVolume(value);
                if (word == "run") play(int(value));
                const int every = word == "fade" ? words[++i].toInt() : 0;
                for (int k = 0; every && k < 100 && player.Volume() < 1.0f; ++k) {
                    player.SetVolume(std::min(1.0f, player.Volume() + value));
                    play(every);
                }
            }
            r.position = player.Position();
            r.status = player.Status();
            r.level = player.Level();
            return r;
        };
        const Run r = run();
        const auto keep = qScopeGuard([&] { keepOnFailure("commands", r.sound); });
        if (position >= 0) QCOMPARE(r.position, position);
        if (status >= 0) QCOMPARE(r.status, status);
        if (level >= 0) QCOMPARE_LT(qAbs(r.level - level), 0.01);
        if (frequency >= 0) {
            const double f = estimateFrequency(r.last, r.last.rate / 10, r.last.frames());
            QCOMPARE_LT(qAbs(f - frequency), frequency * 0.01);
        }
        if (jump >= 0) QCOMPARE_LE(largestStep(r.sound, 1, r.sound.frames()), jump);
        // Offline, the same steps give the same sound every time.
        QVERIFY(run().sound.samples == r.sound.samples);
    }

    void seekReadsWhatPlayingReads_data() {
        QTest::addColumn<QString>("ext");
        for (const char* e : kFormats) QTest::newRow(e) << e;
    }

    // Cue points and the loudness measure both land mid-song: what a seek reads must be what
    // playing from the start reads there, from its very first frame.
    void seekReadsWhatPlayingReads() {
        QFETCH(QString, ext);
        const QString path = dir_.filePath("source8s." + ext);
        std::vector<float> whole;
        QVERIFY(audio::decodeWhole(path.toStdString(), 44100, whole));
        audio::OpenResult r = audio::openDecoder(path.toStdString(), 44100);
        QVERIFY(r.decoder);
        std::vector<float> got(2048 * 2);
        for (std::int64_t at : {44100 * 2 + 123, 44100 * 5, 44100 * 3 + 777, 1000}) {
            QVERIFY(r.decoder->seek(at));
            int n = 0;
            r.decoder->read(got.data(), 2048, n);
            QCOMPARE(n, 2048);
            float worst = 0;
            for (int i = 0; i < n * 2; ++i)
                worst = std::max(worst, std::abs(got[size_t(i)] - whole[size_t(at * 2 + i)]));
            // The 48 kHz source resampled from a new start may sit up to half a frame off.
            QVERIFY2(worst < 0.03f,
                     qPrintable(QStringLiteral("at %1: off by %2").arg(at).arg(worst)));
        }
    }

    void songProfiles_data() {
        // A 20 s tone at -20 dBFS between 1.5 s and 4 s of silence, with a 300 ms dip and a
        // fade below the floor at its end; `tag`: a ReplayGain gain written into the file.
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<double>("loudness");  // LUFS by the tag
        for (const char* e : {"wav", "mp3", "ogg", "flac"}) QTest::newRow(e) << e << "" << 0.0;
        QTest::newRow("mp3, tagged") << "mp3"
                                     << "-4.5 dB" << -13.5;
        QTest::newRow("ogg, tagged") << "ogg"
                                     << "+2.25 dB" << -20.25;
    }

    void songProfiles() {
        QFETCH(QString, ext);
        QFETCH(QString, tag);
        QFETCH(double, loudness);
        std::vector<float> song(size_t(44100 * 25.5), 0.0f);
        for (int i = 0; i < 44100 * 21; ++i) {
            const double t = i / 44100.0, fade = t < 20 ? 1 : std::pow(10, -3 * (t - 20));
            if (t < 10 || t > 10.3)
                song[size_t(i + 66150)] = float(0.1 * fade * std::sin(0.06 * i));
        }
        const QString wav = dir_.filePath("profiled.wav"), path = dir_.filePath("profiled." + ext);
        QVERIFY(writeWav(wav, song.data(), int(song.size()), 1, 44100));
        QStringList args{"-nostdin", "-v", "error", "-y", "-i", wav};
        if (!tag.isEmpty())
            args << "-metadata"
                 << "REPLAYGAIN_TRACK_GAIN=" + tag;
        QVERIFY(ext == "wav" || runTool("ffmpeg", args << path));
        const audio::SongProfile p =
            audio::profileSong(path.toStdString(), 44100, audio::kBeatsPart);
        QVERIFY(p.opened && !p.silent);
        // A tone without a beat has no grid to match a fade to.
        QVERIFY(!p.headBeats || p.headBeats->confidence < audio::kConfidentBeats);
        QCOMPARE_LE(qAbs(p.audibleStartMs - 1500), 30);
        // The fade falls below -50 dBFS 0.5 s after it starts.
        QCOMPARE_LE(qAbs(p.audibleEndMs - 22000), 60);
        // Untagged, as the whole decoded song measures.
        if (tag.isEmpty()) {
            std::vector<float> decoded;
            QVERIFY(audio::decodeWhole(path.toStdString(), 44100, decoded));
            audio::LoudnessMeter whole(44100);
            whole.add(decoded.data(), decoded.size() / 2);
            loudness = whole.integrated().value_or(0);
        }
        QCOMPARE_LE(qAbs(p.loudness.value_or(0) - loudness), 0.5);
    }

    void cdTracksPlayFromAnImage_data() {
        // A two-track image: 2.5 s of 440 Hz, then 3.2 s of 1 kHz (rounded up to whole sectors).
        QTest::addColumn<int>("track");
        QTest::addColumn<int>("lengthMs");  // from the table of contents, 75 sectors a second
        QTest::addColumn<double>("frequency");
        QTest::addColumn<bool>("cut");  // the image's BIN ends after 38 sectors, in track 1
        QTest::newRow("track 1") << 1 << 2506 << 440.0 << false;  // 188 sectors
        QTest::newRow("track 2") << 2 << 3200 << 1000.0 << false;
        // Reads fail from its first sector: the track does not open, and the mix passes it over.
        QTest::newRow("track 1, unreadable") << 1 << 0 << 0.0 << true;
    }

    void cdTracksPlayFromAnImage() {
        QFETCH(int, track);
        QFETCH(int, lengthMs);
        QFETCH(double, frequency);
        QFETCH(bool, cut);
        const QString cue = dir_.filePath(cut ? "cut.cue" : "disc.cue");
        QVERIFY(makeCdImage(
            cue, {{.seconds = 2.5, .frequency = 440}, {.seconds = 3.2, .frequency = 1000}}));
        if (cut) QVERIFY(QFile::resize(cue.chopped(3) + "bin", 2352 * 38));
        audio::Engine engine({.output = audio::OutputKind::Offline});
        audio::Player player(engine);
        player.SetFileName(
            QStringLiteral("%1/Track%2.cda").arg(cue).arg(track, 2, 10, QChar('0')).toStdString());
        if (!lengthMs) {
            QVERIFY(player.Open() != 0);
            return;
        }
        QCOMPARE(player.Open(), 0);
        QCOMPARE(player.Length(), lengthMs);
        player.Play();
        Audio out = playOffline(engine, player, 10000);
        const auto keep = qScopeGuard([&] { keepOnFailure("cd", out); });
        QCOMPARE(player.Status(), audio::Player::kEnded);
        // Heard whole and untouched.
        const double heard = lastAbove(out, 0.01f) / 44100.0;
        QCOMPARE_LT(qAbs(heard - lengthMs / 1000.0), 0.05);
        QCOMPARE_LT(qAbs(estimateFrequency(out, 4410, 13230) - frequency), frequency * 0.005);
        QCOMPARE_LT(qAbs(peak(out, 4410, 13230) - 0.5), 0.01);
        // A seek lands where it says: 1.3 s before the end, 1.3 s are heard.
        player.SetPosition(lengthMs - 1300);
        QCOMPARE(player.Position(), lengthMs - 1300);
        player.Play();
        out = playOffline(engine, player, 10000);
        QCOMPARE_LT(qAbs(lastAbove(out, 0.01f) / 44100.0 - 1.3), 0.05);
    }

    void tagsComeWithTheOpen_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("metadata");  // as ffmpeg writes them
        QTest::addColumn<QString>("nowPlaying");
        QTest::addColumn<QString>("album");
        const QStringList all{"artist=Ana Ruiz", "title=Río Lento", "album=Orillas"};
        const QString line = "Ana Ruiz - Río Lento", album = "Orillas", none;
        for (const char* f :
             {"id3v2.mp3", "vorbis.ogg", "mp4.m4a", "flac.flac", "ape.wv", "v1.mp3"})
            QTest::newRow(f) << f << all << line << album;  // v1: an ID3v1 block, no ID3v2
        QTest::newRow("title only") << "title.ogg" << QStringList{"title=Solo"} << "Solo" << none;
        QTest::newRow("untagged") << "plain.wav" << QStringList{} << "shown" << none;
        QTest::newRow("two lines, spaces")
            << "lines.ogg" << QStringList{"artist=  A\nB ", "title=T\r\n"} << "A B - T" << none;
    }

    void tagsComeWithTheOpen() {
        QFETCH(QString, file);
        QFETCH(QStringList, metadata);
        QFETCH(QString, nowPlaying);
        QFETCH(QString, album);
        const QString wav = dir_.filePath("tagged-source.wav"), path = dir_.filePath(file);
        QVERIFY(QFile::exists(wav) || makeTone(wav, {.seconds = 1}));
        QStringList args{"-nostdin", "-v", "error", "-y", "-i", wav};
        const bool v1 = file == "v1.mp3";  // an ID3v1 block in Latin-1 at the end, and no ID3v2
        for (const QString& m : metadata) args << "-metadata" << m;
        if (v1) args = args.mid(0, 6) << "-id3v2_version" << QString("0");
        QVERIFY(file.endsWith(".wav") ? QFile::copy(wav, path) : runTool("ffmpeg", args << path));
        QFile id3v1(path);
        if (v1 && id3v1.open(QIODevice::Append))
            id3v1.write("TAG" + QString("Río Lento").toLatin1().leftJustified(30, '\0') +
                        QByteArray("Ana Ruiz").leftJustified(30, '\0') +
                        QByteArray("Orillas").leftJustified(64, '\0') + char(255));
        id3v1.close();
        audio::Engine engine({.output = audio::OutputKind::Offline});
        audio::Player player(engine);
        player.SetFileName(path.toStdString());
        QCOMPARE(player.Open(), 0);
        const audio::SongTags tags = player.Tags();
        QCOMPARE(tags, audio::readSongTags(path.toStdString()));
        QCOMPARE(QString::fromStdString(audio::nowPlayingLine(tags, "shown")), nowPlaying);
        QCOMPARE(QString::fromStdString(tags.album), album);
    }

    void readAheadReadsAsItsDecoderDoes_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("mp3") << dir_.filePath("source8s.mp3");
        QTest::newRow("flac at 48 kHz") << dir_.filePath("source8s.flac");
        const QByteArray wav = read("source8s.wav"), mp3 = read("source8s.mp3");
        QTest::newRow("wav cut short") << write("ahead-cut.wav", wav.left(wav.size() / 3));
        QByteArray flipped = mp3;
        for (int i = 1; i < 40; ++i) flipped[qsizetype(i) * mp3.size() / 41] = char(i * 37);
        QTest::newRow("mp3 with flipped bytes") << write("ahead-flipped.mp3", flipped);
    }

    // A live deck reads its file through seconds decoded ahead: what it reads, where its seeks
    // land and how the file ends must be the decoder's own, whatever the sizes asked for.
    void readAheadReadsAsItsDecoderDoes() {
        QFETCH(QString, path);
        audio::OpenResult plain = audio::openDecoder(path.toStdString(), 44100);
        audio::OpenResult opened = audio::openDecoder(path.toStdString(), 44100);
        QVERIFY(plain.decoder && opened.decoder);
        audio::Decoder& direct = *plain.decoder;
        audio::ReadAhead ahead(std::move(opened.decoder));
        QCOMPARE(ahead.lengthFrames(), direct.lengthFrames());
        const std::int64_t length = direct.lengthFrames();
        struct Step {
            std::int64_t seek;  // -1: none
            int frames;
        };
        const Step steps[] = {
            {-1, 333},    {-1, 4096},           {-1, 1},  {length / 2 + 17, 70000}, {100, 5000},
            {-1, 2047},   {length - 500, 4096}, {-1, 10}, {length + 1000, 10},      {0, 1 << 19},
            {-1, 1 << 19}};
        // Until the count asked for or the end: a read ahead may hand over less at a time.
        const auto readFully = [](audio::Decoder& d, std::vector<float>& out, int frames) {
            out.assign(size_t(frames) * 2, 0.0f);
            int total = 0, got = 0;
            audio::Decoder::Read r = audio::Decoder::Read::Ok;
            while (total < frames && r == audio::Decoder::Read::Ok) {
                r = d.read(out.data() + size_t(total) * 2, frames - total, got);
                total += got;
            }
            out.resize(size_t(total) * 2);
            return r;
        };
        std::vector<float> expected, got;
        bool ended = false;  // after an end or an error, only a seek goes on
        for (const Step& step : steps) {
            if (step.seek >= 0) {
                QCOMPARE(ahead.seek(step.seek), direct.seek(step.seek));
                ended = false;
            }
            if (ended) continue;
            const auto r = readFully(direct, expected, step.frames);
            QCOMPARE(int(readFully(ahead, got, step.frames)), int(r));
            QCOMPARE(got.size(), expected.size());
            QVERIFY(got == expected);
            QCOMPARE(ahead.position(), direct.position());
            ended = r != audio::Decoder::Read::Ok;
        }
    }

    // A song on a mount whose every read stalls for longer than a deck's short queue lasts (yet
    // keeps up overall) is heard whole: the stalls fall within the seconds read ahead.
    void slowFileIsHeardWhole() {
        QTemporaryDir dir;
        const QString song = dir.filePath("song.wav");
        QVERIFY(makeTone(song, {.seconds = 8.0}));
        SlowMount mount;
        if (!mount.start(dir.filePath("net"), 0.12, 0, song)) QSKIP("no FUSE mount here");
        audio::Engine engine({.output = audio::OutputKind::Null});
        audio::MixTap& tap = engine.mixTap();
        tap.open();
        audio::Player player(engine);
        player.SetFileName(mount.file().toStdString());
        player.Open();
        QTRY_VERIFY_WITH_TIMEOUT(!player.Opening(), 30000);
        QVERIFY(!player.OpenFailed());
        player.Play();
        Audio heard{44100, 2, {}};
        const auto keep = qScopeGuard([&] { keepOnFailure("slow", heard); });
        QElapsedTimer t;
        for (t.start(); t.elapsed() < 5000; QTest::qWait(20)) takeMix(tap, heard);
        const int from = firstAbove(heard, 0.1f);
        QVERIFY(from >= 0 && from + 4 * 44100 <= heard.frames());
        const Quiet q = longestQuiet(heard, from, from + 4 * 44100);
        QVERIFY2(q.ms == 0, qPrintable(QStringLiteral("%1 ms quiet at %2 s")
                                           .arg(q.ms)
                                           .arg(double(q.atFrame - from) / 44100)));
    }

    void brokenFilesEndCleanly_data() {
        // Cut short, bytes flipped, noise behind a header: whatever a file holds, the player opens
        // or refuses it, ends it (a song cut in half where its sound ends, not where its header
        // says), and the other deck plays on.
        QTest::addColumn<QString>("path");
        QTest::addColumn<double>("endsAfter");  // seconds into the song
        QTest::addColumn<double>("endsBy");
        std::mt19937 random(20261206);  // fixed: every run breaks the files the same way
        const auto any = [&](int from, int to) {
            return std::uniform_int_distribution(from, to)(random);
        };
        for (const char* e : kFormats) {
            const auto add = [&](const QString& what, const QByteArray& bytes, double after = 0,
                                 double by = 99) {
                QTest::addRow("%s %s", e, qPrintable(what))
                    << write(what + "." + e, bytes) << after << by;
            };
            const QByteArray eight = read(QStringLiteral("source8s.%1").arg(e));
            add("half", eight.left(eight.size() / 2), 2.5, 6.0);
            const QByteArray original = read(QStringLiteral("source3s.%1").arg(e));
            QVERIFY(original.size() > 200);
            for (int i = 0; i < 3; ++i) {
                const int cut = any(1, int(original.size()) - 1);
                add(QStringLiteral("cut%1").arg(cut), original.left(cut));
                QByteArray flipped = original;
                for (int k = 0; k < 40; ++k)  // the first set hits the headers too
                    flipped[any(i == 0 ? 0 : 64, int(flipped.size()) - 1)] = char(any(0, 255));
                add(QStringLiteral("flip%1").arg(i), flipped);
            }
            QByteArray noise = original.left(16);
            while (noise.size() < original.size()) noise.append(char(any(0, 255)));
            add("noise", noise);
        }
        // Not songs at all.
        const auto notASong = [&](const char* name, const QByteArray& bytes) {
            QTest::newRow(name) << write(name, bytes) << 0.0 << 0.0;
        };
        QTest::newRow("missing") << dir_.filePath("nothing-here.mp3") << 0.0 << 0.0;
        notASong("empty.wav", {});
        notASong("notes.mp3", QByteArray("this is not a song\n").repeated(200));
        notASong("header-only.wav", QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16));
        // A rate no recording has, which would ask the resampler for gigabytes.
        QByteArray rate = read("steady.wav");
        rate.replace(rate.indexOf("fmt ") + 12, 4, QByteArray("\x40\x1F\x00\x20", 4));
        notASong("536 MHz.wav", rate);
    }

    void brokenFilesEndCleanly() {
        QFETCH(QString, path);
        QFETCH(double, endsAfter);
        QFETCH(double, endsBy);
        audio::Engine engine({.output = audio::OutputKind::Offline});
        audio::Player other(engine), player(engine);
        other.SetFileName(tone({}).toStdString());
        QCOMPARE(other.Open(), 0);
        other.Play();
        player.SetFileName(path.toStdString());
        Audio out;
        const auto keep = qScopeGuard([&] { keepOnFailure("broken", out); });
        const bool opens = player.Open() == 0;
        rusage use{};
        getrusage(RUSAGE_SELF, &use);
        QCOMPARE_LT(use.ru_maxrss / 1024, 1024);  // MB: no file makes the player take a gigabyte
        // Profiled for the mix, it opens as it does for the player, and the profiling ends.
        QCOMPARE(audio::profileSong(path.toStdString(), 44100).opened, opens);
        if (opens) {
            QVERIFY(player.Length() > 0);
            player.Play();
            player.SetPosition(player.Length() / 3);
            out = playOffline(engine, player, player.Length() + 5000);
            QVERIFY2(player.Status() != audio::Player::kPlaying, "still playing past its end");
            const double endedAt = player.Length() / 3000.0 + double(out.frames()) / out.rate;
            QCOMPARE_GE(endedAt, endsAfter);
            QCOMPARE_LE(endedAt, endsBy);
        } else {
            QCOMPARE(player.Length(), 0);
            player.Play();
            out = renderOffline(engine, 500);
            QCOMPARE(player.Status(), audio::Player::kStopped);
        }
        // The other deck never went quiet.
        QCOMPARE(other.Status(), audio::Player::kPlaying);
        for (int at = 0; at + 4410 <= out.frames(); at += 4410)
            QCOMPARE_GT(peak(out, at, 4410), 0.4f);
        // And the media control measures the same file, or opens nothing.
        audio::MediaControl dmc(engine);
        QVERIFY(dmc.OpenFile(path.toStdString()) == 0 ? dmc.Duration() < 100 : dmc.Duration() == 0);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
