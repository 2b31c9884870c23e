// A day's programme through the real engine on the virtual clock: an endless list (repeat,
// shuffle), jingles heard over the mix with the music ducked under them, and music that starts
// and stops by the local clock across midnight and a clock change.
#include <QDir>
#include <QtTest>
#include <cmath>

#include "app/ProgramOptions.h"
#include "audio/Player.h"
#include "playlist/Support.h"
#include "support/AudioFiles.h"
#include "support/DeskFixture.h"

using namespace vantrel;
using vantrel::test::DeskFixture;

namespace {

constexpr int kRate = 44100;

// Times (ms) at which `frequency` starts to be heard, in 50 ms windows.
QList<qint64> onsets(const test::Audio& heard, double frequency) {
    QList<qint64> at;
    bool was = false;
    for (qint64 i = 0, window = kRate / 20; i + window <= heard.frames(); i += window) {
        const bool now = test::toneLevel(heard, frequency, i, int(window)) > 0.05;
        if (now && !was) at << i * 1000 / kRate;
        was = now;
    }
    return at;
}

// Songs of `seconds` at distinct pitches, titled A, B, C ...; a mixing interval of 2 s.
void songs(DeskFixture& f, int count, double seconds) {
    for (int i = 0; i < count; ++i)
        f.add(f.tone(QStringLiteral("%1.wav").arg(i), seconds, 300 + 20 * i),
              QString(QChar('A' + i)));
    f.mixer().mixIntervalSlider.SetValue(2);
}

void start(DeskFixture& f) {
    f.deck(0).transport.play();
    f.mixer().mixNow(f.deck(0));
}

// Jingles of the Shouts group: a sine each, at the frequencies given.
void jingles(DeskFixture& f, const QList<double>& frequencies, double seconds = 1.5) {
    const QString folder = f.folder.filePath(QStringLiteral("samples/shouts"));
    QDir().mkpath(folder);
    for (double hz : frequencies) {
        std::vector<float> tone(size_t(seconds * kRate));
        for (size_t i = 0; i < tone.size(); ++i)
            tone[i] = float(0.4 * std::sin(2 * M_PI * hz * double(i) / kRate));
        test::writeWav(folder + QStringLiteral("/%1.wav").arg(hz), tone.data(), int(tone.size()), 1,
                       kRate);
    }
    f.desk->samples().setSampleFolders(f.folder.path());
    f.desk->samples().sampleVolumeSlider.SetValue(100);
}

}  // namespace

class ProgrammeTest : public QObject {
    Q_OBJECT
private slots:
    void flags_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("read");  // what the programme holds, or the error's start
        // clang-format off
        QTest::newRow("a shop") << "--repeat --shuffle --jingle-every 3 --jingle-group Shouts"
            << "repeat shuffle group 1 songs 3 minutes 0 duck 0 - -";
        QTest::newRow("spoken, by time, ducked") << "--jingle-group=male\u00a0spoken "
            "--jingle-minutes 15 --jingle-duck -6 --start-at 9:00 --stop-at 01:30"
            << "group 3 songs 0 minutes 15 duck 6 09:00 01:30";
        QTest::newRow("sample list") << "--jingle-group list --jingle-every 1" << "group 9 songs 1 minutes 0 duck 0 - -";
        QTest::newRow("no such time") << "--start-at 24:00" << "--start-at takes";
        QTest::newRow("jingles without a group") << "--jingle-every 3" << "jingles need a group";
        QTest::newRow("no such group") << "--jingle-group Bells --jingle-every 2" << "--jingle-group: no group";
        QTest::newRow("start at the stop") << "--start-at 9:00 --stop-at 09:00" << "--start-at and";
        // clang-format on
    }
    void flags() {
        QFETCH(QString, line);
        QFETCH(QString, read);
        QStringList args = line.split(' ');
        for (QString& a : args) a.replace(QChar(0xa0), ' ');
        const ProgramOptions o = readProgramOptions(args);
        const auto time = [](std::optional<QTime> t) {
            return t ? t->toString(QStringLiteral("HH:mm")) : QStringLiteral("-");
        };
        const QString got = o.error.isEmpty()
                                ? QStringLiteral("%1%2group %3 songs %4 minutes %5 duck %6 %7 %8")
                                      .arg(o.repeat ? "repeat " : "", o.shuffle ? "shuffle " : "")
                                      .arg(o.jingles.group)
                                      .arg(o.jingles.everySongs)
                                      .arg(o.jingles.everyMinutes)
                                      .arg(o.jingles.duckDb)
                                      .arg(time(o.startAt), time(o.stopAt))
                                : o.error;
        QVERIFY2(got.startsWith(read), qPrintable(got));
    }

    void repeat_data() {
        QTest::addColumn<bool>("repeat");
        QTest::addColumn<bool>("shuffled");  // each round anew
        QTest::addColumn<bool>("filesThere");
        QTest::addColumn<int>("fades");
        QTest::addColumn<QStringList>("listAfter");  // sorted when shuffled
        QTest::newRow("repeat: twenty fades, the list goes round in order")
            << true << false << true << 20 << QStringList{"C", "A", "B"};
        QTest::newRow("repeat, shuffled: each round plays every song once, the rounds differ")
            << true << true << true << 12 << QStringList{"A", "B", "C"};
        QTest::newRow("no repeat: the list runs out")
            << false << false << true << 3 << QStringList{};
        QTest::newRow("repeat, no file opens: the decks stop, the list stays whole")
            << true << false << false << 0 << QStringList{"A", "B", "C"};
    }
    void repeat() {
        QFETCH(bool, repeat);
        QFETCH(bool, shuffled);
        QFETCH(bool, filesThere);
        QFETCH(int, fades);
        DeskFixture f;
        songs(f, 3, 14);
        if (!filesThere)
            for (int i = 0; i < 3; ++i) QFile::remove(f.playlist().path(i));
        f.desk->rotation().setRepeat(repeat);
        f.desk->rotation().setShuffleEachRound(shuffled);
        f.desk->rotation().reseed(7);
        QStringList faded;
        QObject::connect(&f.mixer(), &AutoMixer::fadeStarted,
                         [&](int, const QString& title) { faded << title; });
        start(f);
        const bool endless = repeat && filesThere;
        QVERIFY(
            f.runUntil([&] { return endless ? faded.size() >= fades : f.bothStopped(); }, 600000));
        QCOMPARE(faded.size(), fades);
        QStringList rounds;
        for (int i = 0; i < fades; i += 3) {
            rounds << faded.mid(i, 3).join("");
            QString sorted = rounds.last();
            std::sort(sorted.begin(), sorted.end());
            QCOMPARE(shuffled ? sorted : rounds.last(), QStringLiteral("ABC").left(sorted.size()));
        }
        if (shuffled) QVERIFY(rounds.count(rounds[0]) < rounds.size());
        QStringList after = test::titles(f.playlist());
        if (shuffled) after.sort();
        QTEST(after, "listAfter");
        for (int i = 0; i < f.playlist().count(); ++i)
            QCOMPARE(f.playlist().path(i).section('/', -1),
                     QStringLiteral("%1.wav").arg(f.playlist().title(i)[0].unicode() - 'A'));
    }

    void shuffle_data() {
        QTest::addColumn<bool>("cued");
        QTest::newRow("stopped: the whole list") << false;
        QTest::newRow("playing: the cued entry stays on top") << true;
    }
    void shuffle() {
        QFETCH(bool, cued);
        DeskFixture f;
        songs(f, 12, 30);
        if (cued) {
            start(f);
            f.advance(3000);  // the fade is complete and deck 1 holds the next entry
        }
        const QStringList before = test::titles(f.playlist());
        f.desk->runMenuCommand(MenuCommand::Shuffle);
        const QStringList after = test::titles(f.playlist());
        QVERIFY(after != before);
        QStringList a = after, b = before;
        a.sort(), b.sort();
        QCOMPARE(a, b);
        if (cued) QCOMPARE(after.first(), before.first());
        for (int i = 0; i < after.size(); ++i)
            QCOMPARE(f.playlist().path(i).section('/', -1),
                     QStringLiteral("%1.wav").arg(after[i][0].unicode() - 'A'));
    }

    // Jingles over the mix at the fades they belong to, and the music under them ducked and
    // brought back up smoothly.
    void jinglesHeard_data() {
        QTest::addColumn<int>("everySongs");
        QTest::addColumn<int>("everyMinutes");
        QTest::addColumn<int>("duckDb");
        QTest::addColumn<QList<int>>("atFades");  // fade numbers (from 0) that carry a jingle
        QTest::newRow("every 2 songs") << 2 << 0 << 0 << QList<int>{1, 3, 5};
        QTest::newRow("every 2 songs, ducked 12 dB") << 2 << 0 << 12 << QList<int>{1, 3, 5};
        QTest::newRow("every minute (fades each 10 s)") << 0 << 1 << 0 << QList<int>{6};
    }
    void jinglesHeard() {
        QFETCH(int, everySongs);
        QFETCH(int, everyMinutes);
        QFETCH(int, duckDb);
        QFETCH(QList<int>, atFades);
        DeskFixture f(true);
        songs(f, 3, 19);
        jingles(f, {2000, 3000}, 3.0);
        f.desk->rotation().setRepeat(true);
        JingleSettings settings;
        settings.everySongs = everySongs;
        settings.everyMinutes = everyMinutes;
        settings.duckDb = duckDb;
        settings.group = JingleSettings::groupNamed(QStringLiteral("shouts"));
        f.desk->jingles().apply(settings);
        QList<qint64> fadeAt;
        QStringList names;
        QObject::connect(&f.mixer(), &AutoMixer::fadeStarted, [&] { fadeAt << f.now(); });
        QObject::connect(&f.desk->jingles(), &JingleRotation::jingleStarted,
                         [&](const QString& n) { names << n; });
        start(f);
        QVERIFY(f.runUntil([&] { return fadeAt.size() >= 7; }, 600000));
        f.advance(6000);
        const test::Audio heard{kRate, 2, f.captured};
        QList<qint64> at = onsets(heard, 2000) + onsets(heard, 3000);
        std::sort(at.begin(), at.end());
        QCOMPARE(at.size(), atFades.size());
        for (int i = 0; i < atFades.size(); ++i)
            QVERIFY2(std::abs(at[i] - fadeAt[atFades[i]]) <= 60,
                     qPrintable(QStringLiteral("jingle %1 at %2 ms").arg(i).arg(at[i])));
        for (int i = 1; i < names.size(); ++i) QVERIFY(names[i] != names[i - 1]);
        // The incoming song under the first 3 s jingle, against itself once the jingle is over.
        const double song = 300 + 20 * (atFades[0] % 3);
        const auto level = [&](double fromS, int frames = kRate / 10) {
            return test::toneLevel(heard, song, (at[0] + qint64(fromS * 1000)) * kRate / 1000,
                                   frames);
        };
        const double under = 20 * std::log10(level(2.5) / level(5.0));
        QVERIFY2(std::abs(under + duckDb) < 1.0, qPrintable(QString::number(under)));
        // Back up smoothly: no 10 ms step of the music's level larger than 1 dB.
        for (double s = 2.5; s < 4.5; s += 0.01) {
            const double step = 20 * std::log10(level(s + 0.01, kRate / 40) / level(s, kRate / 40));
            QVERIFY2(std::abs(step) < 1.0, qPrintable(QString::number(s)));
        }
    }

    void schedule_data() {
        QTest::addColumn<QString>("clockStart");  // UTC at virtual time 0; the clock is Berlin's
        QTest::addColumn<QString>("startAt");
        QTest::addColumn<QString>("stopAt");
        QTest::addColumn<int>("startsAfterS");
        QTest::addColumn<int>("stopsAfterS");
        // clang-format off
        QTest::newRow("across midnight") << "2026-12-08T22:58:30Z" << "23:59" << "00:01" << 30 << 150;
        QTest::newRow("started inside the hours") << "2026-12-08T16:58:00Z" << "09:00" << "18:00" << 0 << 120;
        QTest::newRow("clock skips 02:00 to 03:00: start at 02:30 comes at 03:00")
            << "2026-03-29T00:59:00Z" << "02:30" << "03:02" << 60 << 180;
        QTest::newRow("clock repeats 02:00 to 03:00: stop at 03:01 comes after it")
            << "2026-10-25T00:58:00Z" << "02:59" << "03:01" << 60 << 3780;
        // clang-format on
    }
    void schedule() {
        QFETCH(QString, clockStart);
        QFETCH(QString, startAt);
        QFETCH(QString, stopAt);
        QFETCH(int, startsAfterS);
        QFETCH(int, stopsAfterS);
        DeskFixture f;
        songs(f, 3, 40);
        f.desk->rotation().setRepeat(true);
        const VirtualWallClock clock(
            f.scheduler,
            QDateTime::fromString(clockStart, Qt::ISODate).toTimeZone(QTimeZone("Europe/Berlin")));
        f.desk->schedule().setClock(clock);
        f.desk->schedule().setTimes(QTime::fromString(startAt), QTime::fromString(stopAt));
        const auto sounding = [&] {
            return f.deck(0).player().Status() == audio::Player::kPlaying ||
                   f.deck(1).player().Status() == audio::Player::kPlaying;
        };
        QVERIFY(f.runUntil(sounding, qint64(startsAfterS) * 1000 + 1500));
        QVERIFY(f.now() >= qint64(startsAfterS) * 1000);
        QVERIFY(f.runUntil([&] { return f.bothStopped(); }, qint64(stopsAfterS) * 1000 + 60000));
        // Stopped at the time, after a fade over the mixing interval, with the list whole.
        QVERIFY2(f.now() >= qint64(stopsAfterS) * 1000 + 2000 &&
                     f.now() <= qint64(stopsAfterS) * 1000 + 3500,
                 qPrintable(QString::number(f.now())));
        QCOMPARE(f.playlist().count(), 3);
        QVERIFY(!f.runUntil(sounding, 5 * 60000));
    }
};

QTEST_GUILESS_MAIN(ProgrammeTest)
#include "tst_programme.moc"
