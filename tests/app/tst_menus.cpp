// The menu bar as the user sees it, and its keys: each reaches only its own item, whichever
// control of the window has the focus, and a deck's item reaches the deck that plays.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include "app/ui/MainWindow.h"
#include "app/ui/Menus.h"
#include "audio/CdTrack.h"
#include "deck/ui/DeckPanel.h"
#include "playlist/Support.h"
#include "support/AudioFiles.h"
#include "support/DeskFixture.h"

using namespace vantrel;

namespace {

// What the window shows that a key may change, one line each.
QStringList shown(Desk& desk) {
    QStringList out;
    for (int i = 0; i < 2; ++i) {
        const SoundControls& s = desk.soundControls(i);
        const QString d = QString::number(i + 1);
        out << d + " tempo " + s.tempoLabel.Caption()
            << d + " gradual " + s.gradualPitchLabel.Caption()
            << d + " semitone " + s.semitoneLabel.Caption() << d + " rate " + s.rateLabel.Caption()
            << d + (desk.deck(i).playing() ? " playing" : " stopped");
    }
    out << "playlist " + test::titles(desk.playlist()).join(u',')
        << QStringLiteral("selected %1").arg(desk.playlist().selected())
        << QStringLiteral("sample list %1").arg(desk.sampleList().count())
        << QStringLiteral("sample volume %1").arg(desk.samples().sampleVolumeSlider.Value())
        << "sample group " + desk.samples().groups.cmbSampleGrupText()
        << "mixing " + desk.mixer().mixIntervalLabel.Caption();
    return out;
}

// keys: pressed in order; playing: the decks that play ("12": a cross-fade); focus: a control
// that takes keys itself when it has the focus; changed: the lines of shown() that differ after.
struct KeyRow {
    const char *name, *keys, *playing;
    bool deck2InFront;
    const char *focus, *changed;
};

}  // namespace

class MenusTest : public QObject {
    Q_OBJECT
private slots:
    void menuBarAsShown() {
        test::DeskFixture f;
        MainWindow window(*f.desk);  // the window's own items find their handlers
        QMenuBar bar;
        QStringList clicked, expected, tops, unhandled;
        BuildMenu(&bar, [&](MenuCommand c) {
            clicked << QLatin1String(MenuItemFor(c)->key);
            if (!f.desk->handlesMenuCommand(c)) unhandled << clicked.last();
        });
        // The keys shown beside a few items: both Enter keys, the numeric pad, F-keys, none.
        const QStringList shownKeys{"&Mix to next now: Alt+Return, Alt+Num+Enter",
                                    "&Play: Return, Num+Enter",
                                    "&Exit: Alt+F4",
                                    "&New samplelist: Shift+N",
                                    "&Sample volume down: Num+-",
                                    "Semitone pitch reset: Shift+End",
                                    "&Contents...: F1",
                                    "&About Vantrel...: ",
                                    "Trim &silence: ",
                                    "&Level loudness: "};
        QSet<QKeySequence> seen;
        QStringList got;
        for (QAction* top : bar.actions()) {
            tops << top->text();
            for (QAction* a : top->menu()->actions()) {
                if (a->isSeparator()) continue;
                const QString where = a->text();
                // The named button's picture, or an on/off tick; every item ready to use and off.
                QVERIFY2((a->isCheckable() || !a->icon().isNull()) && a->isEnabled() &&
                             a->isVisible() && !a->isChecked(),
                         qPrintable(where));
                QStringList keys;
                for (const QKeySequence& k : a->shortcuts()) {
                    QVERIFY2(!seen.contains(k), qPrintable(k.toString()));
                    seen.insert(k);
                    keys << k.toString();
                }
                got << where + ": " + keys.join(QStringLiteral(", "));
                // Each item hands its own command to the one click handler.
                a->trigger();
                expected << a->objectName();
            }
        }
        for (const QString& item : shownKeys) QVERIFY2(got.contains(item), qPrintable(item));
        QCOMPARE(tops,
                 (QStringList{"&Playlist", "&Samplelist", "&Effects", "&Broadcast", "&Help"}));
        QCOMPARE(clicked, expected);                                 // one command an item
        QCOMPARE(clicked.size(), qsizetype(kMenuCommandCount) - 1);  // and an item every command
        QCOMPARE(unhandled, QStringList());
        QCOMPARE(bar.font().families().value(0) + QString::number(bar.font().pointSize()),
                 QStringLiteral("Ms Sans Serif9"));
    }

    // Add audio CD tracks on a stand-in drive (an image) or none, and the command line's items:
    // each fills the playlist as a drop does, off the window's thread, and the tracks mix.
    void addingFillsThePlaylist_data() {
        QTest::addColumn<QString>("drive");  // VANTREL_CD_DRIVE below the fixture's folder
        QTest::addColumn<QStringList>("commandLine");
        QTest::addColumn<QString>("entries");  // title@path below the folder
        QTest::addColumn<QString>("message");
        QTest::newRow("audio CD") << "disc.cue" << QStringList{}
                                  << "Track01 (audio track)@disc.cue/Track01.cda,"
                                     "Track02 (audio track)@disc.cue/Track02.cda"
                                  << "";
        QTest::newRow("no disc") << "none.cue" << QStringList{} << ""
                                 << "holds no audio CD tracks";
        QTest::newRow("command line")
            << "" << QStringList{"lists/two.m3u", "music", "file://@/one.wav", "notes.txt"}
            << "one (Wav file)@one.wav,two (Wav file)@music/two.wav,two (Wav file)@music/two.wav,"
               "one (Wav file)@one.wav"
            << "";
    }

    void addingFillsThePlaylist() {
        QFETCH(QString, drive);
        QFETCH(QStringList, commandLine);
        QFETCH(QString, entries);
        QFETCH(QString, message);
        test::DeskFixture f;
        const QDir root(f.folder.path());
        QVERIFY(test::makeCdImage(root.filePath("disc.cue"), {{.seconds = 2.5}, {.seconds = 1}}));
        QDir().mkpath(root.filePath("music"));
        QDir().mkpath(root.filePath("lists"));
        f.tone("one.wav", 1);
        QVERIFY(QFile::copy(root.filePath("one.wav"), root.filePath("music/two.wav")));
        QVERIFY(test::writeFile(root.filePath("lists/two.m3u"), "../one.wav\r\n../music/two.wav"));
        qputenv(audio::kCdDriveVariable, root.filePath(drive).toUtf8());
        const auto unset = qScopeGuard([] { qunsetenv(audio::kCdDriveVariable); });
        QSignalSpy added(&f.desk->playlistCommands().dropAdder(), &DropAdder::added);
        if (commandLine.isEmpty())
            f.desk->runMenuCommand(MenuCommand::AddCdTracks);
        else
            f.desk->addCommandLineItems(commandLine.replaceInStrings("@", root.path()),
                                        root.path());
        QVERIFY(added.wait(10000));
        QCOMPARE(test::entriesBelow(f.playlist(), root.path()).join(','), entries);
        QCOMPARE(f.dialogs.messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QVERIFY(f.dialogs.messages[0].text.contains(message));
            return;
        }
        if (drive.isEmpty()) return;
        // Play: the first track is cued and mixed in, from the disc, at its length.
        f.deck(0).transport.play();
        QVERIFY(f.runUntil(
            [&] { return f.deck(1).playing() && f.deck(1).player().Position() > 500; }, 10000));
        QCOMPARE(f.deck(1).song().path, root.filePath("disc.cue/Track01.cda"));
        QCOMPARE(f.deck(1).player().Length(), 2506);
    }

    void keysReachTheirItem_data() {
        QTest::addColumn<KeyRow>("row");
        // clang-format off
    const KeyRow rows[] = {
        {"tempo, deck 1",         "Left",                         "1",  true,  "edit",           "1 tempo 99%"},
        {"tempo, cross-fade",     "Left",                         "12", true,  "sldMixInterval2", "1 tempo 99%"},
        {"semitone reset",        "Shift+Up, Shift+End, Ctrl+Up", "1",  false, "sldTempo",       "1 gradual 101%"},
        {"rate reset",            "Alt+Down, Alt+End, Shift+Up",  "12", false, "lstAudio",       "1 semitone 1"},
        {"play, deck 1 in front", "Return",                       "",   false, "sldVolume",      "1 playing"},
        // A button reached with Tab is pressed by Enter or Space instead.
        {"enter on a button",     "Return",                       "",   false, "cmdLstUp",       "playlist B,A,C;selected 0"},
        {"space on a button",     "Space",                        "",   true,  "cmdLstDown",     "playlist A,C,B;selected 2"},
        {"play, deck 2 in front", "Return",                       "",   true,  "lstAudio",       "2 playing"},
        {"new samplelist",        "Shift+N",                      "",   false, "edit",           "sample list 0"},
        {"new playlist",          "Ctrl+N",                       "",   false, "lstAudio",       "playlist ;selected -1"},
        {"mixing interval slider", "Num+-",                       "",   false, "sldMixInterval", "sample volume 60"},
        // The Delete key's release removes the selected entry, not its press.
        {"delete, list",          "Del",                          "",   false, "lstAudio",       "playlist A,C;selected -1"},
        {"delete, slider, ctrl",  "Ctrl+Del",                     "",   false, "sldTempo",       "playlist A,C;selected -1"},
    };
        // clang-format on
        for (const KeyRow& r : rows) QTest::newRow(r.name) << r;
    }

    void keysReachTheirItem() {
        QFETCH(KeyRow, row);
        const QString keys = row.keys, playing = row.playing, focus = row.focus;
        test::DeskFixture f;
        Desk& desk = *f.desk;
        MainWindow window(desk);
        for (const QString t : {"A", "B", "C"}) f.add("/m/" + t + ".mp3", t);
        f.playlist().setSelected(1);
        desk.sampleList().append(QStringLiteral("Horn"), QStringLiteral("/s/Horn.wav"));
        desk.decks().setFrontDeck(row.deck2InFront ? 1 : 0);
        for (int i = 0; i < 2; ++i) desk.deck(i).setLive(playing.contains(QChar(u'1' + i)));
        // The window has no text field of its own; one would take letters, arrows and End.
        auto* edit = new QLineEdit(QStringLiteral("abc"), window.centralWidget());
        edit->setObjectName(QStringLiteral("edit"));
        edit->setCursorPosition(1);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QWidget* target = focus == u"window"      ? &window
                          : focus == u"group box" ? window.findChild<QComboBox*>()
                                                  : window.findChild<QWidget*>(focus);
        QVERIFY(target);
        for (QWidget* w = target; w; w = w->parentWidget())  // its tab in front
            if (const int tab = window.tabs()->indexOf(w); tab >= 0)
                window.tabs()->setCurrentIndex(tab);
        target->setFocus();
        QTRY_VERIFY(target->hasFocus());

        const QStringList before = shown(desk);
        const QKeyCombination first = QKeySequence(keys)[0];
        if (first.key() == Qt::Key_Delete) {
            QTest::keyPress(target, Qt::Key_Delete, first.keyboardModifiers());
            QCOMPARE(shown(desk), before);
            QTest::keyRelease(target, Qt::Key_Delete, first.keyboardModifiers());
        } else {
            QTest::keySequence(target, QKeySequence(keys));
        }
        QStringList after = shown(desk);
        after.removeIf([&](const QString& line) { return before.contains(line); });
        QCOMPARE(after, QString(row.changed).split(u';', Qt::SkipEmptyParts));
        QCOMPARE(edit->text() + QString::number(edit->cursorPosition()), QStringLiteral("abc1"));
    }

    // Tab and Shift+Tab go round every control of the front deck panel and the tab in front, in
    // reading order; each button is named by its tooltip for a screen reader.
    void tabReachesEveryControlInReadingOrder_data() {
        QTest::addColumn<int>("frontDeck");
        QTest::addColumn<int>("tab");
        QTest::newRow("deck 1, playlist") << 0 << 0;
        QTest::newRow("deck 2, sample list") << 1 << 1;
        QTest::newRow("deck 1, cue list") << 0 << 2;
    }
    void tabReachesEveryControlInReadingOrder() {
        QFETCH(int, frontDeck);
        QFETCH(int, tab);
        test::DeskFixture f;
        MainWindow window(*f.desk);
        f.desk->decks().setFrontDeck(frontDeck);
        window.tabs()->setCurrentIndex(tab);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSet<QWidget*> controls;
        for (QWidget* w : window.findChildren<QWidget*>())
            if (w->isVisible() && !qobject_cast<QScrollBar*>(w) &&
                (qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractSlider*>(w) ||
                 qobject_cast<QAbstractItemView*>(w) || qobject_cast<QComboBox*>(w) ||
                 qobject_cast<QTabBar*>(w)))
                controls << w;
        const auto area = [&](QWidget* w) {
            return window.deckPanel(frontDeck)->isAncestorOf(w) ? 0
                   : w == window.tabs()->tabBar()               ? 1
                                                                : 2;
        };
        const auto place = [&](QWidget* w) {
            return QRect(w->mapTo(&window, QPoint()), w->size());
        };

        const auto round = [&](bool forward) {
            QList<QWidget*> seen;
            QWidget* start = window.findChild<QWidget*>(frontDeck ? "cmdMix2" : "cmdMix");
            start->setFocus();
            for (QWidget* w = start; seen.size() <= controls.size();
                 w = QApplication::focusWidget()) {
                if (!w || (!seen.isEmpty() && w == start)) break;
                seen << w;
                QTest::keyClick(w, forward ? Qt::Key_Tab : Qt::Key_Backtab);
            }
            return seen;
        };
        const QList<QWidget*> order = round(true);
        QCOMPARE(QSet<QWidget*>(order.cbegin(), order.cend()), controls);
        QCOMPARE(order.size(), controls.size());
        for (qsizetype i = 1; i < order.size(); ++i) {
            const QRect a = place(order[i - 1]), b = place(order[i]);
            const bool onward = area(order[i]) > area(order[i - 1]);
            const bool readOn = area(order[i]) == area(order[i - 1]) &&
                                (b.left() >= a.right() || b.top() > a.center().y());
            QVERIFY2(onward || readOn,
                     qPrintable(order[i - 1]->objectName() + " > " + order[i]->objectName()));
        }
        QList<QWidget*> back = round(false);
        std::reverse(back.begin() + 1, back.end());
        QCOMPARE(back, order);
        for (QWidget* w : order)
            if (auto* b = qobject_cast<QAbstractButton*>(w))
                QVERIFY2(!b->toolTip().isEmpty() && b->accessibleName() == b->toolTip(),
                         qPrintable(b->objectName()));
    }
};

QTEST_MAIN(MenusTest)
#include "tst_menus.moc"
