// The sounds shipped beside the program: every group folder filled with short sounds of one
// loudness that the program can play.
#include <QDir>
#include <QtTest>
#include <cmath>

#include "samples/SampleGroups.h"
#include "support/AudioFiles.h"

using namespace vantrel;

namespace {

double rmsDb(const test::Audio& a) {
    double sum = 0;
    for (float x : a.samples) sum += double(x) * x;
    return 10 * std::log10(sum / double(a.samples.size()));
}

}  // namespace

class AssetsTest : public QObject {
    Q_OBJECT
private slots:
    void everyGroupHasShortLevelledSounds_data();
    void everyGroupHasShortLevelledSounds();
};

void AssetsTest::everyGroupHasShortLevelledSounds_data() {
    QTest::addColumn<int>("group");
    for (int g = 0; g < SampleGroups::kCount; ++g)
        QTest::newRow(qPrintable(SampleGroups::Text(g))) << g;
}

void AssetsTest::everyGroupHasShortLevelledSounds() {
    QFETCH(int, group);
    const QString build = qEnvironmentVariable("VANTREL_BUILD_DIR");
    QVERIFY2(!build.isEmpty(), "VANTREL_BUILD_DIR is not set");
    SampleGroups groups;
    groups.SetSampleFolders(build);
    const FileList& list = groups.List(group);
    QVERIFY2(list.ListCount() >= 3, qPrintable(list.Path()));
    for (const QString& name : list.Names()) {
        const test::Audio a = test::readAudioFile(list.Path() + "/" + name);
        QVERIFY2(a.frames() > 0, qPrintable(name));
        const double seconds = double(a.frames()) / a.rate;
        QVERIFY2(seconds >= 0.3 && seconds <= 3.0,
                 qPrintable(QString("%1: %2 s").arg(name).arg(seconds)));
        const double level = rmsDb(a);
        QVERIFY2(std::abs(level + 20) <= 1.0,
                 qPrintable(QString("%1: %2 dB").arg(name).arg(level)));
        float top = 0;
        for (float x : a.samples) top = std::max(top, std::abs(x));
        QVERIFY2(top < 0.95f, qPrintable(QString("%1: peak %2").arg(name).arg(top)));
    }
}

QTEST_GUILESS_MAIN(AssetsTest)
#include "tst_assets.moc"
