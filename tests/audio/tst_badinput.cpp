#include <QTemporaryDir>
#include <QtTest>
#include <random>

#include "audio/Engine.h"
#include "audio/MediaControl.h"
#include "audio/Player.h"
#include "support/AudioFiles.h"

using namespace vantrel;
using namespace vantrel::test;

// Broken files of every format: cut short or with bytes flipped. Whatever they hold, the
// player opens them or refuses them, ends them, and the other deck plays on.
class TestBadInput : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void brokenFilesEndCleanly_data();
    void brokenFilesEndCleanly();
    void cutSongEndsEarly_data();
    void cutSongEndsEarly();

private:
    QTemporaryDir dir_;
    QString good_;
};

namespace {
const char* const kFormats[] = {"wav", "aiff", "flac", "ogg", "mp3", "m4a", "wma"};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

void TestBadInput::initTestCase() {
    good_ = dir_.filePath("good.wav");
    QVERIFY(makeTone(good_, {.seconds = 30.0, .frequency = 440}));
    for (const char* e : kFormats) {
        QVERIFY(makeTone(dir_.filePath(QStringLiteral("src.%1").arg(e)),
                         {.seconds = 3.0, .frequency = 660, .rate = 48000}));
        QVERIFY(makeTone(dir_.filePath(QStringLiteral("long.%1").arg(e)),
                         {.seconds = 8.0, .frequency = 660, .rate = 48000}));
    }
}

void TestBadInput::brokenFilesEndCleanly_data() {
    QTest::addColumn<QString>("path");
    std::mt19937 random(20261206);  // fixed: every run breaks the files the same way
    for (const char* e : kFormats) {
        const QByteArray original = readAll(dir_.filePath(QStringLiteral("src.%1").arg(e)));
        QVERIFY(original.size() > 200);
        auto add = [&](const QString& what, const QByteArray& bytes) {
            const QString path = dir_.filePath(QStringLiteral("%1-%2.%3").arg(e, what, e));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(e, what))) << path;
        };
        for (int i = 0; i < 3; ++i) {
            const int cut = std::uniform_int_distribution<int>(1, int(original.size()) - 1)(random);
            add(QStringLiteral("cut%1").arg(cut), original.left(cut));
        }
        for (int i = 0; i < 3; ++i) {
            QByteArray b = original;
            const int from = i == 0 ? 0 : 64;  // the first set hits the headers too
            for (int k = 0; k < 40; ++k) {
                const int at = std::uniform_int_distribution<int>(from, int(b.size()) - 1)(random);
                b[at] = char(std::uniform_int_distribution<int>(0, 255)(random));
            }
            add(QStringLiteral("flip%1").arg(i), b);
        }
        QByteArray garbage(original.size(), '\0');
        for (char& c : garbage) c = char(std::uniform_int_distribution<int>(0, 255)(random));
        add(QStringLiteral("noise"), original.left(16) + garbage);
    }
    // Not songs at all.
    QTest::newRow("missing") << dir_.filePath("nothing-here.mp3");
    for (const auto& [name, bytes] :
         {std::pair{"empty.wav", QByteArray()},
          {"notes.mp3", QByteArray("this is not a song\n").repeated(200)},
          {"header-only.wav", QByteArray("RIFF\x24\x00\x00\x00WAVEfmt ", 16)}}) {
        QFile f(dir_.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        QTest::newRow(name) << f.fileName();
    }
}

void TestBadInput::brokenFilesEndCleanly() {
    QFETCH(QString, path);
    audio::Engine engine({.output = audio::OutputKind::Offline});
    audio::Player other(engine), player(engine);
    other.SetFileName(good_.toStdString());
    QCOMPARE(other.Open(), 0);
    other.Play();
    player.SetFileName(path.toStdString());
    const int opened = player.Open();
    Audio out;
    if (opened == 0) {
        QVERIFY(player.Length() > 0);
        player.Play();
        player.SetPosition(player.Length() / 3);
        out = playOffline(engine, player, player.Length() + 5000);
        QVERIFY2(player.Status() != audio::Player::kPlaying, "still playing past its end");
    } else {
        QCOMPARE(player.Length(), 0);
        player.Play();
        out = renderOffline(engine, 500);
        QCOMPARE(player.Status(), audio::Player::kStopped);
    }
    // The other deck never went quiet.
    QCOMPARE(other.Status(), audio::Player::kPlaying);
    for (int at = 0; at + 4410 <= out.frames(); at += 4410)
        QVERIFY2(peak(out, at, 4410) > 0.4f, qPrintable(QStringLiteral("silent at %1").arg(at)));
    // And the media control copes with the same file.
    audio::MediaControl dmc(engine);
    dmc.OpenFile(path.toStdString());
    QVERIFY(dmc.Duration() >= 0 && dmc.Duration() < 100);
    dmc.SetChannel(5);
    if (dmc.LoadSample(path.toStdString()) == 0) dmc.PlaySample(false);
    renderOffline(engine, 200);
    keepOnFailure("broken", out);
}

void TestBadInput::cutSongEndsEarly_data() {
    QTest::addColumn<QString>("ext");
    for (const char* e : kFormats) QTest::newRow(e) << QString::fromLatin1(e);
}

void TestBadInput::cutSongEndsEarly() {
    QFETCH(QString, ext);
    const QByteArray original = readAll(dir_.filePath("long." + ext));
    const QString path = dir_.filePath("half." + ext);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(original.left(original.size() / 2));
    }
    audio::Engine engine({.output = audio::OutputKind::Offline});
    audio::Player player(engine);
    player.SetFileName(path.toStdString());
    QCOMPARE(player.Open(), 0);
    player.Play();
    const Audio out = playOffline(engine, player, 10000);
    QCOMPARE(player.Status(), audio::Player::kEnded);
    // About half the song sounded, then it ended instead of hanging or playing silence.
    const double heard = out.frames() / 44100.0;
    QVERIFY2(heard > 2.5 && heard < 6.0, qPrintable(QString::number(heard)));
    QVERIFY(peak(out, 44100, 44100) > 0.03f);
}

QTEST_GUILESS_MAIN(TestBadInput)
#include "tst_badinput.moc"
