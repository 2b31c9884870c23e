#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "samples/FileList.h"
#include "samples/SampleGroups.h"

using namespace vantrel;

namespace {

void touch(const QString& path) {
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write("x");
}

}  // namespace

class SampleGroupsTest : public QObject {
    Q_OBJECT
private slots:
    void listsFolderSortedAndFiltered_data();
    void listsFolderSortedAndFiltered();
    void followsTheFolderOnDisk();
    void folderThatAppearsLaterFillsItsList();
    void setSampleFoldersSurvivesMissingFolders();
    void groupBoxBringsItsListToTheFront_data();
    void groupBoxBringsItsListToTheFront();
};

void SampleGroupsTest::listsFolderSortedAndFiltered_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");
    const QStringList mixed{"b.wav", "A.mp3", "_x.wav", "a.txt", "C.WAV", ".hidden"};
    // Upper-cased ordinal: "_" sorts after the letters, case does not split the alphabet.
    QTest::newRow("every file") << mixed << "*"
                                << QStringList{"A.mp3", "a.txt", "b.wav", "C.WAV", "_x.wav"};
    QTest::newRow("sample patterns, any case")
        << mixed << "*.mp3;*.wav" << QStringList{"A.mp3", "b.wav", "C.WAV", "_x.wav"};
    QTest::newRow("nothing matches") << mixed << "*.ogg" << QStringList{};
    QTest::newRow("empty folder") << QStringList{} << "*" << QStringList{};
}

void SampleGroupsTest::listsFolderSortedAndFiltered() {
    QFETCH(QStringList, files);
    QFETCH(QString, pattern);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    for (const QString& f : files) touch(dir.filePath(f));
    QDir(dir.path()).mkdir(QStringLiteral("sub.wav"));  // folders are not files

    FileList list;
    list.SetPattern(pattern);
    QVERIFY(list.SetPath(dir.path() + QStringLiteral("/")));
    QCOMPARE(list.Path(), dir.path());
    QCOMPARE(list.Names(), expected);
}

void SampleGroupsTest::followsTheFolderOnDisk() {
    QTemporaryDir dir;
    touch(dir.filePath("a.wav"));
    touch(dir.filePath("c.wav"));
    FileList list;
    list.SetPath(dir.path());
    list.SetListIndex(1);
    QCOMPARE(list.SelectedPath(), dir.path() + "/c.wav");

    // A new file slots in; the selection follows its name.
    touch(dir.filePath("b.wav"));
    QTRY_COMPARE(list.Names(), (QStringList{"a.wav", "b.wav", "c.wav"}));
    QCOMPARE(list.FileName(), QStringLiteral("c.wav"));

    // The selected file goes away: no selection rather than a neighbour's name.
    QVERIFY(QFile::remove(dir.filePath("c.wav")));
    QTRY_COMPARE(list.Names(), (QStringList{"a.wav", "b.wav"}));
    QCOMPARE(list.ListIndex(), -1);
    QCOMPARE(list.SelectedPath(), QString());
}

void SampleGroupsTest::folderThatAppearsLaterFillsItsList() {
    QTemporaryDir dir;
    FileList list;
    QVERIFY(!list.SetPath(dir.filePath("samples/scats")));
    QCOMPARE(list.ListCount(), 0);
    QVERIFY(QDir(dir.path()).mkpath("samples/scats"));
    touch(dir.filePath("samples/scats/doo.wav"));
    QTRY_COMPARE(list.Names(), QStringList{"doo.wav"});
}

void SampleGroupsTest::setSampleFoldersSurvivesMissingFolders() {
    QTemporaryDir dir;
    // Only some of the group folders exist; the first one start-up visits is missing.
    for (const char* g : {"laughter", "shouts", "animals"}) {
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("samples/") + g));
        touch(dir.filePath(QStringLiteral("samples/%1/%1.wav").arg(g)));
    }
    SampleGroups groups;
    const QStringList failed = groups.SetSampleFolders(dir.path());
    QCOMPARE(failed.size(), 6);
    QVERIFY(failed.contains("Scratches"));
    QCOMPARE(groups.flbLaughter().Names(), QStringList{"laughter.wav"});
    QCOMPARE(groups.flbShouts().Names(), QStringList{"shouts.wav"});
    QCOMPARE(groups.flbAnimals().Names(), QStringList{"animals.wav"});
    QCOMPARE(groups.flbScratches().ListCount(), 0);
    QCOMPARE(groups.flbMaleSpoken().Path(), dir.path() + "/samples/malespoken");
}

void SampleGroupsTest::groupBoxBringsItsListToTheFront_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("front");
    const QStringList folders{"scratches",  "shouts",         "scats",
                              "malespoken", "femalespoken",   "animals",
                              "cartoons",   "transportation", "laughter"};
    for (int g = 0; g < SampleGroups::kCount; ++g) {
        QCOMPARE(SampleGroups::FolderText(g), "/samples/" + folders[g] + "/");
        QTest::newRow(qPrintable(SampleGroups::Text(g))) << SampleGroups::Text(g) << g;
    }
    QTest::newRow("unknown") << "Drums" << -1;
    QTest::newRow("wrong case") << "laughter" << -1;
    QTest::newRow("empty") << "" << -1;
}

void SampleGroupsTest::groupBoxBringsItsListToTheFront() {
    QFETCH(QString, text);
    QFETCH(int, front);
    SampleGroups groups;
    QCOMPARE(groups.cmbSampleGrupText(), QStringLiteral("Scratches"));
    QCOMPARE(SampleGroups::Texts(),
             (QStringList{"Scratches", "Shouts", "Scats", "Male spoken", "Female spoken", "Animals",
                          "Cartoons", "Transportation", "Laughter"}));
    // Start from a group other than the default so every row shows a change.
    groups.SetCmbSampleGrupText("Animals");
    groups.cmbSampleGrupClick();
    QCOMPARE(groups.Front(), int(SampleGroups::Animals));

    QSignalSpy spy(&groups, &SampleGroups::frontChanged);
    groups.SetCmbSampleGrupText(text);
    groups.cmbSampleGrupClick();
    const int expected = front < 0 ? int(SampleGroups::Animals) : front;
    QCOMPARE(groups.Front(), expected);
    QCOMPARE(spy.count(), expected == SampleGroups::Animals ? 0 : 1);
}

QTEST_GUILESS_MAIN(SampleGroupsTest)
#include "tst_samplegroups.moc"
