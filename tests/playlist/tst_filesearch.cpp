#include <unistd.h>

#include <QTemporaryDir>
#include <QtTest>

#include "Tree.h"
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
    void wildcard_data();
    void wildcard();
    void patternSplitting_data();
    void patternSplitting();
    void search_data();
    void search();
    void findPathsOrder();
    void searchesAccumulateUntilReset();
    void noDoubledSlash();
    void symlinks();
    void missingFolderAndCancel();
    void fileSize();
};

void FileSearchTest::wildcard_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");

    QTest::newRow("literal") << "song.mp3"
                             << "song.mp3" << true;
    QTest::newRow("literal ignores case") << "song.mp3"
                                          << "SONG.Mp3" << true;
    QTest::newRow("literal is whole text") << "song"
                                           << "songs" << false;
    QTest::newRow("literal is whole text 2") << "ong"
                                             << "song" << false;
    QTest::newRow("star suffix") << "*.mp3"
                                 << "SONG.MP3" << true;
    QTest::newRow("star suffix longer") << "*.mp3"
                                        << "a.mp3.txt" << false;
    QTest::newRow("star empty") << "*.mp3"
                                << ".mp3" << true;
    QTest::newRow("star middle") << "a*z"
                                 << "abcz" << true;
    QTest::newRow("star middle empty") << "a*z"
                                       << "az" << true;
    QTest::newRow("star middle no end") << "a*z"
                                        << "azb" << false;
    QTest::newRow("stars backtrack") << "*a*b*c"
                                     << "xxaxxbxxbxc" << true;
    QTest::newRow("stars backtrack fail") << "*a*b*c"
                                          << "cba" << false;
    QTest::newRow("star alone") << "*"
                                << "" << true;
    QTest::newRow("question one") << "?.wav"
                                  << "a.wav" << true;
    QTest::newRow("question not zero") << "?.wav"
                                       << ".wav" << false;
    QTest::newRow("question not two") << "?.wav"
                                      << "ab.wav" << false;
    QTest::newRow("question unicode") << "?.ogg" << QString::fromUtf8("é.ogg") << true;
    QTest::newRow("hash digit") << "track##.mp3"
                                << "track07.mp3" << true;
    QTest::newRow("hash not letter") << "track#.mp3"
                                     << "trackx.mp3" << false;
    QTest::newRow("set") << "[abc].mp3"
                         << "b.mp3" << true;
    QTest::newRow("set ignores case") << "[abc].mp3"
                                      << "B.MP3" << true;
    QTest::newRow("set miss") << "[abc].mp3"
                              << "d.mp3" << false;
    QTest::newRow("range") << "[a-f]x"
                           << "Dx" << true;
    QTest::newRow("range miss") << "[a-f]x"
                                << "gx" << false;
    QTest::newRow("digit range") << "[0-4]"
                                 << "3" << true;
    QTest::newRow("negated") << "[!abc].mp3"
                             << "d.mp3" << true;
    QTest::newRow("negated miss") << "[!abc].mp3"
                                  << "A.mp3" << false;
    QTest::newRow("negated range") << "[!0-9]*"
                                   << "x1" << true;
    QTest::newRow("negated range miss") << "[!0-9]*"
                                        << "1x" << false;
    QTest::newRow("dash first is literal") << "[-a]"
                                           << "-" << true;
    QTest::newRow("dash last is literal") << "[a-]"
                                          << "-" << true;
    QTest::newRow("specials in set") << "[*?#]"
                                     << "#" << true;
    QTest::newRow("star in set is literal") << "[*]"
                                            << "x" << false;
    QTest::newRow("unclosed bracket literal") << "a[b"
                                              << "a[b" << true;
    QTest::newRow("closing bracket literal") << "a]"
                                             << "a]" << true;
    QTest::newRow("exclamation outside set") << "!x"
                                             << "!x" << true;
    QTest::newRow("empty matches empty") << ""
                                         << "" << true;
    QTest::newRow("empty does not match name") << ""
                                               << "a" << false;
    QTest::newRow("sharp s keeps length")
        << QString::fromUtf8("?.mp3") << QString::fromUtf8("ß.MP3") << true;
}

void FileSearchTest::wildcard() {
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(WildcardPattern(pattern).matches(text), expected);
}

void FileSearchTest::patternSplitting_data() {
    QTest::addColumn<QString>("patterns");
    QTest::addColumn<QString>("joined");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("two") << "*.mp3;*.wav"
                         << "*.mp3;*.wav" << QStringList{"a.mp3", "b.wav"};
    QTest::newRow("trailing empty piece") << "*.mp3;"
                                          << "*.mp3;" << QStringList{"a.mp3"};
    QTest::newRow("empty string") << ""
                                  << "" << QStringList{};
    QTest::newRow("only separators") << ";;"
                                     << ";;" << QStringList{};
}

void FileSearchTest::patternSplitting() {
    QFETCH(QString, patterns);
    QFETCH(QString, joined);
    QFETCH(QStringList, found);
    QTemporaryDir dir;
    QVERIFY(makeTree(dir.path(), {"a.mp3", "b.wav", "c.txt"}));
    FileSearch s;
    s.SetFilePatterns(patterns);
    QCOMPARE(s.GetFilePatterns(), joined);
    s.FindFilesWithPatterns(dir.path(), true);
    QCOMPARE(relative(s.CopyFiles(), dir.path()), found);
    QCOMPARE(s.FilesFound, int(found.size()));
}

void FileSearchTest::search_data() {
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<bool>("recurse");
    QTest::addColumn<QStringList>("expected");
    const QString audio = "*.mp3;*.wav;*.ogg;*.wma";
    const QStringList example{"a.mp3", "B.WAV", "c.txt", "sub/d.ogg"};
    QTest::newRow("example") << example << true << QStringList{"a.mp3", "B.WAV", "sub/d.ogg"};
    QTest::newRow("example, no subfolders") << example << false << QStringList{"a.mp3", "B.WAV"};
    // Upper-cased ordinal order: "_" (0x5F) sorts after the letters, digits before them.
    QTest::newRow("name order") << QStringList{"b.mp3", "_x.mp3", "A.mp3",
                                               "Z.wav", "1.ogg",  "a b.wma"}
                                << true << QStringList{"1.ogg", "a b.wma", "A.mp3",
                                                       "b.mp3", "Z.wav",   "_x.mp3"};
    QTest::newRow("own files before subfolders")
        << QStringList{"a/z.mp3", "z.mp3", "b/y.mp3", "a/c/x.mp3", "a/w.mp3"} << true
        << QStringList{"z.mp3", "a/w.mp3", "a/z.mp3", "a/c/x.mp3", "b/y.mp3"};
    QTest::newRow("folder named like a file")
        << QStringList{"dir.mp3/", "dir.mp3/in.wav"} << true << QStringList{"dir.mp3/in.wav"};
    QTest::newRow("deep") << QStringList{"1/2/3/4/5/6/7/8/9/deep.mp3"} << true
                          << QStringList{"1/2/3/4/5/6/7/8/9/deep.mp3"};
    QTest::newRow("unicode names")
        << QStringList{QString::fromUtf8("é/ü.mp3"), QString::fromUtf8("Ä.MP3")} << true
        << QStringList{QString::fromUtf8("Ä.MP3"), QString::fromUtf8("é/ü.mp3")};
}

void FileSearchTest::search() {
    QFETCH(QStringList, tree);
    QFETCH(bool, recurse);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    QVERIFY(makeTree(dir.path(), tree));
    FileSearch s;
    s.SetFilePatterns("*.mp3;*.wav;*.ogg;*.wma");
    s.FindFilesWithPatterns(dir.path(), recurse);
    QCOMPARE(relative(s.CopyFiles(), dir.path()), expected);
    QCOMPARE(s.FilesFound, int(expected.size()));
    for (int i = 0; i < s.FilesFound; ++i) QCOMPARE(s.File(i), dir.path() + "/" + expected[i]);

    FileSearch one;  // FindFiles with one pattern walks the same way
    one.FindFiles(dir.path(), "*", recurse);
    QStringList all = relative(one.CopyFiles(), dir.path());
    all.removeIf([](const QString& p) { return p.endsWith(".txt"); });
    QCOMPARE(all, expected);
}

void FileSearchTest::findPathsOrder() {
    QTemporaryDir dir;
    QVERIFY(makeTree(dir.path(), {"z/", "x/y/", "x/f.mp3"}));
    FileSearch s;
    s.FindPaths(dir.path(), true);
    QCOMPARE(relative(s.CopyPaths(), dir.path()), (QStringList{"x", "x/y", "z"}));
    QCOMPARE(s.PathsFound, 3);
    QCOMPARE(s.FilesFound, 0);

    FileSearch flat;
    flat.FindPaths(dir.path(), false);
    QCOMPARE(relative(flat.CopyPaths(), dir.path()), (QStringList{"x", "z"}));

    FileSearch pat;
    pat.SetPathPatterns("*/Y;*/z");
    pat.FindPathsWithPatterns(dir.path(), true);
    QCOMPARE(relative(pat.CopyPaths(), dir.path()), (QStringList{"x/y", "z"}));
    QCOMPARE(pat.GetPathPatterns(), QStringLiteral("*/Y;*/z"));
}

void FileSearchTest::searchesAccumulateUntilReset() {
    QTemporaryDir dir;
    QVERIFY(makeTree(dir.path(), {"one/a.mp3", "two/b.wav", "two/c.mp3"}));
    FileSearch s;
    s.SetFilePatterns("*.mp3;*.wav");
    s.FindFilesWithPatterns(dir.path() + "/two", true);
    s.FindFilesWithPatterns(dir.path() + "/one/", true);
    QCOMPARE(relative(s.CopyFiles(), dir.path()),
             (QStringList{"two/b.wav", "two/c.mp3", "one/a.mp3"}));
    s.ResetSearch();
    QCOMPARE(s.FilesFound, 0);
    QCOMPARE(s.GetFilePatterns(), QStringLiteral("*.mp3;*.wav"));  // patterns stay
    s.FindFilesWithPatterns(dir.path() + "/one", true);
    QCOMPARE(s.FilesFound, 1);
    s.ResetSearch(true);
    QCOMPARE(s.GetFilePatterns(), QString());
    s.FindFilesWithPatterns(dir.path(), true);
    QCOMPARE(s.FilesFound, 0);
}

void FileSearchTest::noDoubledSlash() {
    FileSearch s;
    s.FindPaths("/", false);
    QVERIFY(s.PathsFound > 0);
    for (const QString& p : s.CopyPaths()) {
        QVERIFY2(p.startsWith('/') && !p.startsWith("//"), qPrintable(p));
        QVERIFY(!p.endsWith('/'));
    }
}

void FileSearchTest::symlinks() {
    QTemporaryDir dir;
    QVERIFY(makeTree(dir.path(), {"music/a.mp3", "other/b.mp3"}));
    const QString m = dir.path() + "/music";
    QVERIFY(QFile::link(m, m + "/loop"));                       // a folder link into itself
    QVERIFY(QFile::link(dir.path() + "/other", m + "/other"));  // a linked folder
    QVERIFY(QFile::link(m + "/a.mp3", m + "/link.mp3"));        // a linked file counts
    QVERIFY(QFile::link(m + "/gone.mp3", m + "/dangling.mp3"));
    FileSearch s;
    s.SetFilePatterns("*.mp3");
    s.FindFilesWithPatterns(m, true);
    QCOMPARE(relative(s.CopyFiles(), m), (QStringList{"a.mp3", "link.mp3"}));
    s.FindPaths(m, true);
    QCOMPARE(s.PathsFound, 0);
}

void FileSearchTest::missingFolderAndCancel() {
    FileSearch s;
    s.SetFilePatterns("*");
    s.FindFilesWithPatterns("/no/such/folder", true);
    QCOMPARE(s.FilesFound, 0);

    QTemporaryDir dir;
    QVERIFY(makeTree(dir.path(), {"a.mp3", "sub/b.mp3"}));
    std::atomic<bool> cancel{true};
    s.setCancelFlag(&cancel);
    s.FindFilesWithPatterns(dir.path(), true);
    QCOMPARE(s.FilesFound, 0);
    cancel = false;
    s.FindFilesWithPatterns(dir.path(), true);
    QCOMPARE(s.FilesFound, 2);
    QCOMPARE(s.liveCount(), 2);
}

void FileSearchTest::fileSize() {
    QTemporaryDir dir;
    QFile f(dir.filePath("s.mp3"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(1234, 'x'));
    f.close();
    FileSearch s;
    s.SetFilePatterns("*.MP3");
    s.FindFilesWithPatterns(dir.path(), false);
    QCOMPARE(s.FilesFound, 1);
    QCOMPARE(s.FileSize(0), 1234);
    QCOMPARE(s.FileSize(1), 0);
    QCOMPARE(s.FileSize(-1), 0);
    QVERIFY(QFile::remove(dir.filePath("s.mp3")));
    QCOMPARE(s.FileSize(0), 0);
}

QTEST_GUILESS_MAIN(FileSearchTest)
#include "tst_filesearch.moc"
