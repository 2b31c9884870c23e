// The menu bar against the one table the program was designed with, the deck routing of its
// commands, and the keyboard rules: shortcuts reach only their item whatever has the focus.
#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include "app/Desk.h"
#include "app/MenuTable.h"
#include "app/Scheduler.h"
#include "app/ui/MainWindow.h"
#include "app/ui/Menus.h"
#include "audio/Engine.h"
#include "support/ScriptedDialogs.h"

using namespace vantrel;

namespace {

struct Expected {
    const char* menu;  // "" for a top-level menu
    const char* key;
    const char* caption;  // "-" for a separator
    const char* shortcut;
};

// The designed menu, written out independently of the program's table.
const Expected kTree[] = {
    {"", "mnuPlaylist", "&Playlist", ""},
    {"mnuPlaylist", "mnuNewPlaylist", "&New playlist", "Ctrl+N"},
    {"mnuPlaylist", "mnuOpenPlaylist", "&Open playlist", "Ctrl+O"},
    {"mnuPlaylist", "mnuSavePlaylist", "&Save playlist", "Ctrl+S"},
    {"mnuPlaylist", "", "-", ""},
    {"mnuPlaylist", "mnuAddFilePlaylist", "&Add file to playlist", "Ctrl+A"},
    {"mnuPlaylist", "mnuAddFolderPlaylist", "&Add folder to playlist", "Ctrl+F"},
    {"mnuPlaylist", "mnuSep", "-", ""},
    {"mnuPlaylist", "mnuMix", "&Mix to next now", "Alt+Return"},
    {"mnuPlaylist", "mnuRewind", "5 seconds back", "Shift+Left"},
    {"mnuPlaylist", "mnuForward", "5 seconds forward", "Shift+Right"},
    {"mnuPlaylist", "mnuPlay", "&Play", "Return"},
    {"mnuPlaylist", "mnuPause", "Pause", "Space"},
    {"mnuPlaylist", "mnuStop", "Stop", "Backspace"},
    {"mnuPlaylist", "", "-", ""},
    {"mnuPlaylist", "mnuExit", "&Exit", "Alt+F4"},
    {"", "mnuSampleList", "&Samplelist", ""},
    {"mnuSampleList", "mnuNewSampleList", "&New samplelist", "Shift+N"},
    {"mnuSampleList", "mnuOpenSampleList", "&Open samplelist", "Shift+O"},
    {"mnuSampleList", "mnuSaveSampleList", "&Save samplelist", "Shift+S"},
    {"mnuSampleList", "", "-", ""},
    {"mnuSampleList", "mnuSampleVolUp", "&Sample volume up", "Num++"},
    {"mnuSampleList", "mnuSampleVolDown", "&Sample volume down", "Num+-"},
    {"", "mnuEffects", "&Effects", ""},
    {"mnuEffects", "mnuTempoDown", "&Tempo down", "Left"},
    {"mnuEffects", "mnuTempoUp", "&Tempo up", "Right"},
    {"mnuEffects", "mnuTempoReset", "&Tempo reset", "End"},
    {"mnuEffects", "", "-", ""},
    {"mnuEffects", "mnuSemitoneDown", "&Semitone pitch down", "Shift+Down"},
    {"mnuEffects", "mnuSemitoneUp", "&Semitone pitch up", "Shift+Up"},
    {"mnuEffects", "mnuSemitoneReset", "Semitone pitch reset", "Shift+End"},
    {"mnuEffects", "", "-", ""},
    {"mnuEffects", "mnuGradualDown", "&Gradual pitch down", "Ctrl+Down"},
    {"mnuEffects", "mnuGradualUp", "&Gradual pitch up", "Ctrl+Up"},
    {"mnuEffects", "mnuGradualReset", "Gradual pitch reset", "Ctrl+End"},
    {"mnuEffects", "", "-", ""},
    {"mnuEffects", "mnuTempoPitchDown", "&Tempo and pitch down", "Alt+Down"},
    {"mnuEffects", "mnuTempoPitchUp", "&Tempo and pitch up", "Alt+Up"},
    {"mnuEffects", "mnuTempoPitchReset", "&Tempo and pitch reset", "Alt+End"},
    {"", "keyHelp", "&Help", ""},
    {"keyHelp", "mnuContents", "&Contents...", "F1"},
    {"keyHelp", "", "-", ""},
    {"keyHelp", "mnuOnlineSupport", "&Support online", ""},
    {"keyHelp", "mnuAbout", "&About Vantrel...", ""},
};

// A desk on the offline output and a virtual clock, in a throw-away program folder.
struct Rig {
    QTemporaryDir folder;
    audio::Engine engine{audio::EngineOptions{audio::OutputKind::Offline}};
    VirtualScheduler scheduler;
    test::ScriptedDialogs dialogs;
    Desk desk{engine, scheduler, dialogs, folder.path()};
};

}  // namespace

class MenusTest : public QObject {
    Q_OBJECT
private slots:
    void treeMatchesTheDesign();
    void routing_data();
    void routing();
    void deckCommandsActOnTheDeskDuringAFade();
    void shortcutsFromAnyFocus_data();
    void shortcutsFromAnyFocus();
    void deleteReleaseRemovesTheSelectedEntry_data();
    void deleteReleaseRemovesTheSelectedEntry();
};

void MenusTest::treeMatchesTheDesign() {
    QMenuBar bar;
    QStringList clicked;
    BuildMenu(&bar, [&](const QString& key) { clicked << key; });

    QList<Expected> actual;
    QList<QAction*> triggers;
    const QList<QAction*> tops = bar.actions();
    for (QAction* top : tops) {
        QMenu* menu = top->menu();
        QVERIFY(menu);
        actual.append({"", nullptr, nullptr, nullptr});
        QCOMPARE(top->objectName() + top->text(),
                 QString(QString::fromLatin1(kTree[actual.size() - 1].key) +
                         QString::fromUtf8(kTree[actual.size() - 1].caption)));
        for (QAction* a : menu->actions()) {
            const qsizetype i = actual.size();
            QVERIFY2(i < qsizetype(std::size(kTree)), "more items than designed");
            const Expected& e = kTree[i];
            actual.append(e);
            const QString where = QStringLiteral("item %1 (%2)").arg(i).arg(e.key);
            QCOMPARE(QString::fromLatin1(e.menu), menu->objectName());
            if (QString::fromUtf8(e.caption) == QLatin1String("-")) {
                QVERIFY2(a->isSeparator(), qPrintable(where));
                QCOMPARE(a->objectName(), QString::fromLatin1(e.key));
                continue;
            }
            QVERIFY2(!a->isSeparator(), qPrintable(where));
            QCOMPARE(a->objectName(), QString::fromLatin1(e.key));
            QCOMPARE(a->text(), QString::fromUtf8(e.caption));
            QCOMPARE(a->shortcut(), QKeySequence(QString::fromLatin1(e.shortcut)));
            QVERIFY2(!a->icon().isNull(), qPrintable(where));  // the named button's picture
            QVERIFY2(a->isEnabled() && a->isVisible() && !a->isChecked(), qPrintable(where));
            triggers.append(a);
        }
    }
    QCOMPARE(actual.size(), qsizetype(std::size(kTree)));

    // Every item hands its own key to the one click handler.
    QStringList expectedKeys;
    for (QAction* a : triggers) {
        a->trigger();
        expectedKeys << a->objectName();
    }
    QCOMPARE(clicked, expectedKeys);

    // The designed menu font, and no two items sharing a shortcut.
    QCOMPARE(bar.font().families().value(0), QStringLiteral("Ms Sans Serif"));
    QCOMPARE(bar.font().pointSize(), 9);
    QSet<QKeySequence> seen;
    for (QAction* a : triggers)
        for (const QKeySequence& k : a->shortcuts()) {
            QVERIFY2(!seen.contains(k), qPrintable(k.toString()));
            seen.insert(k);
        }
}

void MenusTest::routing_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("deck1");
    QTest::addColumn<bool>("deck2");
    QTest::addColumn<bool>("deck2InFront");
    QTest::addColumn<QString>("handler");

    const char* routed[][3] = {
        {"mnuMix", "cmdMix", "cmdMix2"},
        {"mnuRewind", "cmdRewind", "cmdRewind2"},
        {"mnuForward", "cmdFForward", "cmdFForward2"},
        {"mnuPause", "cmdPause", "cmdPause2"},
        {"mnuStop", "cmdStop", "cmdStop2"},
        {"mnuTempoDown", "cmdTempoDown", "cmdTempoDown2"},
        {"mnuTempoUp", "cmdTempoUp", "cmdTempoUp2"},
        {"mnuTempoReset", "cmdTempoReset", "cmdTempoReset2"},
        {"mnuSemitoneDown", "cmdSemitoneDown", "cmdSemitoneDown2"},
        {"mnuSemitoneUp", "cmdSemitoneUp", "cmdSemitoneUp2"},
        {"mnuSemitoneReset", "cmdPitchResetSemi", "cmdPitchResetSemi2"},
        {"mnuGradualDown", "cmdGradualDown", "cmdGradualDown2"},
        {"mnuGradualUp", "cmdGradualUp", "cmdGradualUp2"},
        {"mnuGradualReset", "cmdPitchResetGrad", "cmdPitchResetGrad2"},
        {"mnuTempoPitchDown", "cmdTempoPitchDown", "cmdTempoPitchDown2"},
        {"mnuTempoPitchUp", "cmdTempoPitchUp", "cmdTempoPitchUp2"},
        {"mnuTempoPitchReset", "cmdRateReset", "cmdRateReset2"},
    };
    for (const auto& r : routed) {
        // Stopped: nothing, whichever deck is in front.
        QTest::addRow("%s stopped", r[0]) << r[0] << false << false << true << "";
        QTest::addRow("%s fade", r[0]) << r[0] << true << true << true << r[1];
        QTest::addRow("%s deck2", r[0]) << r[0] << false << true << false << r[2];
        QTest::addRow("%s deck1", r[0]) << r[0] << true << false << true << r[1];
    }
    QTest::newRow("play at start") << "mnuPlay" << false << false << false << "cmdPlay";
    QTest::newRow("play after a mix into 2") << "mnuPlay" << false << false << true << "cmdPlay2";
    QTest::newRow("play ignores playing") << "mnuPlay" << true << false << true << "cmdPlay2";
    QTest::newRow("shift+N item") << "mnuNewSampleList" << true << true << false
                                  << "cmdNewSampleList";
    QTest::newRow("ctrl+N item") << "mnuNewPlaylist" << false << false << false << "cmdNewPlaylist";
    QTest::newRow("help") << "mnuContents" << false << false << false << "tlbCmdHelp";
    QTest::newRow("exit") << "mnuExit" << true << true << false << "mnuExit";
    QTest::newRow("keys are case-sensitive") << "mnuplay" << false << false << false << "";
    QTest::newRow("top-level menu") << "mnuEffects" << true << false << false << "";
    QTest::newRow("named separator") << "mnuSep" << true << false << false << "";
    QTest::newRow("no key") << "" << true << false << false << "";
}

void MenusTest::routing() {
    QFETCH(QString, key);
    QFETCH(bool, deck1);
    QFETCH(bool, deck2);
    QFETCH(bool, deck2InFront);
    QFETCH(QString, handler);

    DeckState state;
    state.Deck1Playing = deck1;
    state.Deck2Playing = deck2;
    state.Deck2InFront = deck2InFront;
    QStringList ran;
    MenuHandlers handlers;
    for (const MenuItem& item : MenuTable())
        for (const char* name : {item.deck1, item.deck2})
            if (name) handlers.insert(QLatin1String(name), [&ran, name] { ran << name; });
    MenuDispatch(key, state, handlers);
    QCOMPARE(ran, handler.isEmpty() ? QStringList{} : QStringList{handler});
}

void MenusTest::deckCommandsActOnTheDeskDuringAFade() {
    Rig rig;
    Desk& desk = rig.desk;
    auto tempo = [&] {
        return std::pair{desk.soundControls.sldTempo.Value(), desk.soundControls2.sldTempo.Value()};
    };
    const auto start = tempo();

    desk.runMenuItem(QStringLiteral("mnuTempoDown"));  // both stopped: nothing
    QCOMPARE(tempo(), start);

    desk.state.Deck1Playing = desk.state.Deck2Playing = true;  // a cross-fade
    desk.runMenuItem(QStringLiteral("mnuTempoDown"));
    QVERIFY(tempo().first < start.first);
    QCOMPARE(tempo().second, start.second);

    desk.state.Deck1Playing = false;
    desk.runMenuItem(QStringLiteral("mnuTempoReset"));
    desk.runMenuItem(QStringLiteral("mnuTempoUp"));
    QVERIFY(tempo().first < start.first);
    QVERIFY(tempo().second > start.second);
}

void MenusTest::shortcutsFromAnyFocus_data() {
    QTest::addColumn<QString>("focus");
    for (const char* f : {"window", "slider", "list", "edit", "button"}) QTest::newRow(f) << f;
}

void MenusTest::shortcutsFromAnyFocus() {
    QFETCH(QString, focus);
    Rig rig;
    Desk& desk = rig.desk;
    desk.playlist.append(QStringLiteral("Song"), QStringLiteral("/m/Song.mp3"));
    desk.sampleList.append(QStringLiteral("Horn"), QStringLiteral("/s/Horn.wav"));
    MainWindow window(desk);
    QWidget* client = window.centralWidget();
    auto* slider = new QSlider(Qt::Horizontal, client);
    slider->setRange(0, 100);
    slider->setValue(50);
    auto* list = new QListWidget(client);
    list->addItems({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
    list->setCurrentRow(1);
    auto* edit = new QLineEdit(QStringLiteral("abc"), client);
    edit->setCursorPosition(1);
    auto* button = new QPushButton(QStringLiteral("Button"), client);
    int clicks = 0;
    connect(button, &QPushButton::clicked, [&] { ++clicks; });
    int y = 10;
    for (QWidget* w : {static_cast<QWidget*>(slider), static_cast<QWidget*>(list),
                       static_cast<QWidget*>(edit), static_cast<QWidget*>(button)}) {
        w->setGeometry(10, y, 200, 24);
        y += 30;
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QWidget* target = &window;
    if (focus == QLatin1String("slider")) target = slider;
    if (focus == QLatin1String("list")) target = list;
    if (focus == QLatin1String("edit")) target = edit;
    if (focus == QLatin1String("button")) target = button;
    if (target != &window) {
        target->setFocus();
        QTRY_VERIFY(target->hasFocus());
    }
    auto untouched = [&] {
        return slider->value() == 50 && list->currentRow() == 1 && edit->cursorPosition() == 1 &&
               edit->text() == QLatin1String("abc") && clicks == 0;
    };

    // The arrows reach the tempo of the playing deck and nothing else.
    desk.state.Deck1Playing = true;
    const int tempo = desk.soundControls.sldTempo.Value();
    QTest::keyClick(target, Qt::Key_Left);
    QVERIFY(desk.soundControls.sldTempo.Value() < tempo);
    QTest::keyClick(target, Qt::Key_Right);
    QCOMPARE(desk.soundControls.sldTempo.Value(), tempo);
    QTest::keyClick(target, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(target, Qt::Key_End, Qt::ShiftModifier);
    QVERIFY(untouched());

    // Space and Enter are the pause and play items, never a click of the focused button.
    desk.state.Deck1Playing = false;
    QTest::keyClick(target, Qt::Key_Space);
    QTest::keyClick(target, Qt::Key_Return);
    QVERIFY(untouched());

    // Shift+N empties the sample list only; Ctrl+N the playlist.
    QTest::keyClick(target, Qt::Key_N, Qt::ShiftModifier);
    QCOMPARE(desk.sampleList.count(), 0);
    QCOMPARE(desk.playlist.count(), 1);
    QTest::keyClick(target, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(desk.playlist.count(), 0);
    QVERIFY(untouched());
}

void MenusTest::deleteReleaseRemovesTheSelectedEntry_data() {
    QTest::addColumn<bool>("focusSlider");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("window") << false << int(Qt::NoModifier);
    QTest::newRow("slider") << true << int(Qt::NoModifier);
    QTest::newRow("slider, ctrl") << true << int(Qt::ControlModifier);
}

void MenusTest::deleteReleaseRemovesTheSelectedEntry() {
    QFETCH(bool, focusSlider);
    QFETCH(int, modifiers);
    Rig rig;
    Desk& desk = rig.desk;
    for (const char* t : {"A", "B", "C"})
        desk.playlist.append(QLatin1String(t), QStringLiteral("/m/%1.mp3").arg(QLatin1String(t)));
    desk.playlist.setSelected(1);
    MainWindow window(desk);
    auto* slider = new QSlider(Qt::Horizontal, window.centralWidget());
    slider->setGeometry(10, 10, 200, 20);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QWidget* target = &window;
    if (focusSlider) {
        slider->setFocus();
        target = slider;
    }
    const auto mods = Qt::KeyboardModifiers(modifiers);
    QTest::keyPress(target, Qt::Key_Delete, mods);
    QCOMPARE(desk.playlist.count(), 3);  // on release, not on press
    QTest::keyRelease(target, Qt::Key_Delete, mods);
    QCOMPARE(desk.playlist.count(), 2);
    QCOMPARE(desk.playlist.title(0), QStringLiteral("A"));
    QCOMPARE(desk.playlist.title(1), QStringLiteral("C"));
}

QTEST_MAIN(MenusTest)
#include "tst_menus.moc"
