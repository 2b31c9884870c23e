// The sample tab as the user sees it: the exact tooltips, the group box in front of the right
// list, and buttons that reach the core.
#include <QComboBox>
#include <QFile>
#include <QListView>
#include <QListWidget>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "app/Desk.h"
#include "samples/ui/SamplePanel.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;

namespace {

struct Rig {
    QTemporaryDir folder;
    audio::Engine engine{{audio::OutputKind::Offline, 44100, 441, "default"}};
    VirtualScheduler scheduler;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<Desk> desk;
    std::unique_ptr<SamplePanel> panel;

    explicit Rig(const QStringList& files = {}) {
        for (const QString& f : files) {
            QDir().mkpath(QFileInfo(folder.filePath(f)).path());
            QFile(folder.filePath(f)).open(QIODevice::WriteOnly);
        }
        desk = std::make_unique<Desk>(engine, scheduler, dialogs, folder.path());
        panel = std::make_unique<SamplePanel>(*desk);
        panel->show();
    }
};

QStringList rows(const QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
    return names;
}

}  // namespace

class SamplePanelTest : public QObject {
    Q_OBJECT
private slots:
    void toolTips_data();
    void toolTips();
    void groupBoxShowsItsListInFront();
    void groupListsFollowTheirFolders();
    void volumeButtonsMoveTheSlider();
    void clickingTheSampleListSelectsTheEntry();
    void listButtonsReachTheirCommands_data();
    void listButtonsReachTheirCommands();
};

void SamplePanelTest::toolTips_data() {
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("tip");
    QTest::newRow("group list") << "group"
                                << "Click to play samples while music is playing";
    QTest::newRow("sample list") << "list"
                                 << "Click to play samples";
    QTest::newRow("volume down") << "down"
                                 << "Sample volume down";
    QTest::newRow("volume up") << "up"
                               << "Sample volume up";
    QTest::newRow("add folder") << "add"
                                << "Add folder to samplelist";
    QTest::newRow("new") << "new"
                         << "New samplelist";
    QTest::newRow("open") << "open"
                          << "Open samplelist";
    QTest::newRow("save") << "save"
                          << "Save samplelist";
}

void SamplePanelTest::toolTips() {
    QFETCH(QString, widget);
    QFETCH(QString, tip);
    Rig rig;
    SamplePanel& p = *rig.panel;
    const QHash<QString, QWidget*> widgets{
        {"list", p.lstSample()},        {"down", p.cmdSampleVolDown()},
        {"up", p.cmdSampleVolUp()},     {"add", p.cmdAddSampleFolderList()},
        {"new", p.cmdNewSampleList()},  {"open", p.cmdOpenSampleList()},
        {"save", p.cmdSaveSampleList()}};
    if (widget == "group") {
        for (int g = 0; g < SampleGroups::kCount; ++g) QCOMPARE(p.groupList(g)->toolTip(), tip);
    } else {
        QCOMPARE(widgets.value(widget)->toolTip(), tip);
    }
}

void SamplePanelTest::groupBoxShowsItsListInFront() {
    Rig rig({"samples/laughter/ha.wav", "samples/scratches/zip.wav"});
    SamplePanel& p = *rig.panel;
    QCOMPARE(p.cmbSampleGrup()->currentText(), QStringLiteral("Scratches"));
    QCOMPARE(p.cmbSampleGrup()->count(), SampleGroups::kCount);
    QCOMPARE(p.groupStack()->currentWidget(), p.groupList(SampleGroups::Scratches));

    // The user picks the last entry with the keyboard.
    p.cmbSampleGrup()->setFocus();
    QTest::keyClick(p.cmbSampleGrup(), Qt::Key_End);
    QCOMPARE(rig.desk->samples.groups.cmbSampleGrupText(), QStringLiteral("Laughter"));
    QCOMPARE(p.groupStack()->currentWidget(), p.groupList(SampleGroups::Laughter));
    QCOMPARE(rows(p.groupList(SampleGroups::Laughter)), QStringList{"ha.wav"});
    QCOMPARE(rows(p.groupList(SampleGroups::Scratches)), QStringList{"zip.wav"});
}

void SamplePanelTest::groupListsFollowTheirFolders() {
    Rig rig({"samples/animals/moo.wav"});
    QListWidget* animals = rig.panel->groupList(SampleGroups::Animals);
    QCOMPARE(rows(animals), QStringList{"moo.wav"});
    QFile(rig.folder.filePath("samples/animals/bark.wav")).open(QIODevice::WriteOnly);
    QTRY_COMPARE(rows(animals), (QStringList{"bark.wav", "moo.wav"}));
}

void SamplePanelTest::volumeButtonsMoveTheSlider() {
    Rig rig;
    SamplePanel& p = *rig.panel;
    QCOMPARE(p.sldSampleVolume()->orientation(), Qt::Vertical);
    QCOMPARE(p.sldSampleVolume()->value(), 70);
    QTest::mouseClick(p.cmdSampleVolUp(), Qt::LeftButton);
    QCOMPARE(p.sldSampleVolume()->value(), 80);
    for (int i = 0; i < 10; ++i) QTest::mouseClick(p.cmdSampleVolDown(), Qt::LeftButton);
    QCOMPARE(rig.desk->samples.sldSampleVolume.Value(), 0);
    QCOMPARE(p.sldSampleVolume()->value(), 0);
}

void SamplePanelTest::clickingTheSampleListSelectsTheEntry() {
    Rig rig;
    rig.desk->sampleList.append("a (Wav file)", "/nowhere/a.wav");
    rig.desk->sampleList.append("b (Wav file)", "/nowhere/b.wav");
    QListView* list = rig.panel->lstSample();
    QCOMPARE(list->model()->rowCount(), 2);
    const QRect second = list->visualRect(list->model()->index(1, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(rig.desk->sampleList.selected(), 1);
    // Nothing can be played from it, and nothing else changes.
    QCOMPARE(rig.desk->sampleList.count(), 2);
}

void SamplePanelTest::listButtonsReachTheirCommands_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("asks");  // the dialog it opens (each is cancelled)
    QTest::addColumn<int>("left");      // entries left in the list afterwards
    QTest::newRow("new") << "new"
                         << "" << 0;
    QTest::newRow("open") << "open"
                          << "Open Vantrel samplelist" << 1;
    QTest::newRow("save") << "save"
                          << "Save Vantrel samplelist" << 1;
    QTest::newRow("add folder") << "add"
                                << "Add folder with audio files to playlist" << 1;
}

void SamplePanelTest::listButtonsReachTheirCommands() {
    QFETCH(QString, button);
    QFETCH(QString, asks);
    QFETCH(int, left);
    Rig rig;
    SamplePanel& p = *rig.panel;
    rig.desk->sampleList.append("a (Wav file)", "/nowhere/a.wav");
    const QHash<QString, QToolButton*> buttons{{"new", p.cmdNewSampleList()},
                                               {"open", p.cmdOpenSampleList()},
                                               {"save", p.cmdSaveSampleList()},
                                               {"add", p.cmdAddSampleFolderList()}};
    QTest::mouseClick(buttons.value(button), Qt::LeftButton);
    QCOMPARE(rig.dialogs.requests.size(), asks.isEmpty() ? 0 : 1);
    if (!asks.isEmpty()) QCOMPARE(rig.dialogs.requests[0].title, asks);
    QCOMPARE(rig.desk->sampleList.count(), left);
}

QTEST_MAIN(SamplePanelTest)
#include "tst_samplepanel.moc"
