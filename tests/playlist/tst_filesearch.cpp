#include <QTemporaryDir>
#include <QtTest>

#include "Support.h"
#include "playlist/AddFiles.h"
#include "playlist/FileSearch.h"

using namespace vantrel;
using vantrel::test::makeTree;

namespace {

QStringList relative(const QStringList& paths, const QString& root) {
    QStringList out;
    for (const QString& p : paths) out << (p.startsWith(root + "/") ? p.mid(root.size() + 1) : p);
    return out;
}

}  // namespace

class FileSearchTest : public QObject {
    Q_OBJECT
private slots:
    void wildcard_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        // "pattern ~ text": matches, "pattern !~ text": does not. Case is ignored everywhere, a
        // match covers the whole text, a "[" without its "]" stands for itself and upper-casing
        // must not lengthen a text (ß).
        const QString table = QString::fromUtf8(
            "song.mp3 ~ song.mp3, song.mp3 ~ SONG.Mp3, song !~ songs, ong !~ song, "
            "*.mp3 ~ SONG.MP3, *.mp3 !~ a.mp3.txt, *.mp3 ~ .mp3, a*z ~ abcz, a*z ~ az, a*z !~ azb, "
            "*a*b*c ~ xxaxxbxxbxc, *a*b*c !~ cba, * ~ , ?.wav ~ a.wav, ?.wav !~ .wav, "
            "?.wav !~ ab.wav, ?.ogg ~ é.ogg, ?.mp3 ~ ß.MP3, track##.mp3 ~ track07.mp3, "
            "track#.mp3 !~ trackx.mp3, [abc].mp3 ~ b.mp3, [abc].mp3 ~ B.MP3, [abc].mp3 !~ d.mp3, "
            "[a-f]x ~ Dx, [a-f]x !~ gx, [!abc].mp3 ~ d.mp3, [!abc].mp3 !~ A.mp3, [!0-9]* ~ x1, "
            "[!0-9]* !~ 1x, [-a] ~ -, [a-] ~ -, [*?#] ~ #, [*] !~ x, a[b ~ a[b, a] ~ a], !x ~ !x, "
            " ~ ,  !~ a");
        for (const QString& row : table.split(QStringLiteral(", "))) {
            const QStringList f = row.split(u' ');
            QTest::newRow(qPrintable(row)) << f[0] << f[2] << (f[1] == u"~");
        }
    }
    void wildcard() {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QTEST(WildcardPattern(pattern).matches(text), "expected");
    }
    void search_data() {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QString>("patterns");
        QTest::addColumn<bool>("recurse");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* name, const char* tree, const QString& patterns,
                            bool recurse, const char* expected) {
            const auto list = [](const char* s) {
                return QString::fromUtf8(s).split(u'|', Qt::SkipEmptyParts);
            };
            QTest::newRow(name) << list(tree) << patterns << recurse << list(expected);
        };
        const char* example = "a.mp3|B.WAV|c.txt|sub/d.ogg";
        row("example", example, kAudioPatterns, true, "a.mp3|B.WAV|sub/d.ogg");
        row("no subfolders", example, kAudioPatterns, false, "a.mp3|B.WAV");
        row("empty piece kept", example, "*.ogg;", true, "sub/d.ogg");
        row("no patterns", example, "", true, "");
        row("only separators", example, ";;", true, "");
        // The pattern loop counts to 32767: a pattern further down the list is never tried.
        row("last pattern counted", example, QString(32767, u';') + "*.ogg", true, "sub/d.ogg");
        row("pattern past the counter", example, QString(32768, u';') + "*.ogg", true, "");
        // Upper-cased ordinal order: "_" (0x5F) sorts after the letters, digits before them.
        row("name order", "b.mp3|_x.mp3|A.mp3|Z.wav|1.ogg|a b.wma", kAudioPatterns, true,
            "1.ogg|a b.wma|A.mp3|b.mp3|Z.wav|_x.mp3");
        row("own files first", "a/z.mp3|z.mp3|b/y.mp3|a/c/x.mp3|a/w.mp3", kAudioPatterns, true,
            "z.mp3|a/w.mp3|a/z.mp3|a/c/x.mp3|b/y.mp3");
        row("folder named like a file", "dir.mp3/|dir.mp3/in.wav", kAudioPatterns, true,
            "dir.mp3/in.wav");
        row("deep", "1/2/3/4/5/6/7/8/9/deep.mp3", kAudioPatterns, true,
            "1/2/3/4/5/6/7/8/9/deep.mp3");
        row("unicode", "é/ü.mp3|Ä.MP3", kAudioPatterns, true, "Ä.MP3|é/ü.mp3");
        // A linked file counts; a linked folder is never entered, nor is a dangling link a file.
        row("links", "a.mp3|sub/b.mp3|loop>.|sublink>sub|link.mp3>a.mp3|dangling.mp3>gone.mp3",
            kAudioPatterns, true, "a.mp3|link.mp3|sub/b.mp3");
    }
    void search() {
        QFETCH(QStringList, tree);
        QFETCH(QString, patterns);
        QFETCH(bool, recurse);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        QVERIFY(makeTree(dir.path(), tree));
        FileSearch s;
        s.SetFilePatterns(patterns);
        s.FindFilesWithPatterns(dir.path(), recurse);
        QCOMPARE(relative(s.CopyFiles(), dir.path()), expected);
        QCOMPARE(s.FilesFound, int(expected.size()));
    }
    // A missing folder finds nothing, and so does a cancelled walk; the next walk counts every
    // file as it goes.
    void missingFolderAndCancel() {
        QTemporaryDir dir;
        QVERIFY(makeTree(dir.path(), {"one/a.mp3", "two/b.wav", "two/c.mp3"}));
        FileSearch s;
        s.SetFilePatterns("*.mp3;*.wav");
        s.FindFilesWithPatterns("/no/such/folder", true);
        QCOMPARE(s.FilesFound, 0);
        std::atomic<bool> cancel{true};
        s.setCancelFlag(&cancel);
        s.FindFilesWithPatterns(dir.path(), true);
        QCOMPARE(s.FilesFound, 0);
        cancel = false;
        s.FindFilesWithPatterns(dir.path(), true);
        QCOMPARE(relative(s.CopyFiles(), dir.path()),
                 (QStringList{"one/a.mp3", "two/b.wav", "two/c.mp3"}));
        QCOMPARE(s.liveCount(), 3);
    }
};

QTEST_GUILESS_MAIN(FileSearchTest)
#include "tst_filesearch.moc"
