#include "app/ui/MainWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

#include "app/Desk.h"
#include "app/Help.h"
#include "app/ui/AboutBox.h"
#include "app/ui/BroadcastDialog.h"
#include "app/ui/Menus.h"
#include "app/ui/ProgrammeDialogs.h"
#include "deck/ui/DeckPanel.h"
#include "playlist/ui/PlaylistPanel.h"
#include "playlist/ui/SearchDialog.h"  // PlaylistPanel.h holds a QPointer to it
#include "samples/ui/CuePanel.h"
#include "samples/ui/SamplePanel.h"
#include "sound/ui/SoundPanel.h"
#include "widgets/Icons.h"
#include "widgets/LevelMeter.h"
#include "widgets/TabOrder.h"

namespace vantrel {

namespace {

// Deck panels: 7400 × 2910 twips at left 75, top 0, both at the same place.
constexpr QRect kDeckRect(5, 0, 493, 194);
constexpr QRect kTabRect(5, 198, 493, 416);

}  // namespace

MainWindow::MainWindow(Desk& desk, QWidget* parent) : QMainWindow(parent), desk_(desk) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kApplicationTitle);
    setWindowIcon(ProgramIcon());

    // No layouts: the controls keep their places when the window is resized, as designed.
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    // The frame can be made smaller than the design: the controls keep their places and are
    // clipped, as the window has no resize handler.
    setCentralWidget(client);

    for (int i = 0; i < 2; ++i) {
        auto* sound = new SoundPanel(desk_.soundControls(i), desk_.masterVolume(), i + 1);
        auto* panel = new DeckPanel(desk_.deck(i), desk_.mixer(), sound, client);
        connect(panel, &DeckPanel::openClicked, this,
                [this] { desk_.playlistCommands().addFiles(); });
        panel->setGeometry(kDeckRect);
        deckPanels_[i] = panel;
    }
    connect(&desk_.decks(), &Decks::frontDeckChanged, this, &MainWindow::showFrontDeck);

    tabs_ = new QTabWidget(client);
    tabs_->setObjectName(QStringLiteral("XTab"));
    tabs_->setGeometry(kTabRect);
    auto* playlistPanel = new PlaylistPanel(desk_.playlistCommands(), desk_.dialogs());
    playlistPanel_ = playlistPanel;
    Decks& decks = desk_.decks();
    connect(playlistPanel, &PlaylistPanel::entryClicked, &decks, &Decks::onEntryClicked);
    connect(playlistPanel, &PlaylistPanel::entryDoubleClicked, &decks,
            &Decks::onEntryDoubleClicked);
    tabs_->addTab(playlistPanel, QStringLiteral("Playlist"));
    tabs_->addTab(new SamplePanel(desk_.samples(), desk_.sampleList(), desk_.sampleListFile()),
                  QStringLiteral("Sample list"));
    tabs_->addTab(new CuePanel(desk_.cuePoints()), QStringLiteral("Cue list"));

    // Beside the tab strip: the engine plays into nothing when there is no sound device.
    nullNotice_ = new QLabel(QStringLiteral("No sound device \u2013 playing silently"), client);
    nullNotice_->setObjectName(QStringLiteral("lblNoSound"));
    nullNotice_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    nullNotice_->setStyleSheet(QStringLiteral("color: #b02a1e; font-weight: bold;"));
    nullNotice_->setGeometry(kTabRect.x() + 240, kTabRect.y(), kTabRect.width() - 244, 22);
    nullNotice_->setToolTip(
        QStringLiteral("The sound device could not be opened or stopped answering. Vantrel "
                       "tries it again every two seconds, and at once on Play."));
    outputWatch_ = new QTimer(this);
    outputWatch_->setInterval(500);
    connect(outputWatch_, &QTimer::timeout, this, &MainWindow::updateNullNotice);
    connect(outputWatch_, &QTimer::timeout, this, &MainWindow::updateOnAir);
    connect(&desk_.onAir(), &OnAir::recordingFailed, this, [this](const QString& message) {
        if (QAction* record = actions_.value(QStringLiteral("mnuRecord")))
            record->setChecked(false);
        desk_.dialogs().message(kApplicationTitle, message, Dialogs::Icon::Warning);
    });
    outputWatch_->start();
    updateNullNotice();

    // Over the foot of the tab strip while the mix holds for entries that are not there.
    holdNotice_ = new QLabel(client);
    holdNotice_->setObjectName(QStringLiteral("lblMixHeld"));
    holdNotice_->setStyleSheet(
        QStringLiteral("color: #b02a1e; background: #fff4d6; font-weight: bold; padding: 2px;"));
    holdNotice_->setGeometry(kTabRect.x() + 4, kTabRect.bottom() - 26, kTabRect.width() - 8, 22);
    holdNotice_->setToolTip(
        QStringLiteral("The next songs of the playlist are not there. They stay on the list, and "
                       "the mix goes on by itself as soon as one of them can be opened."));
    const auto showHold = [this](const QString& text) {
        holdNotice_->setText(text);
        holdNotice_->setVisible(!text.isEmpty());
        holdNotice_->raise();
    };
    connect(&desk_.mixer().holdNotice, &Label::captionChanged, this, showHold);
    showHold(desk_.mixer().holdNotice.Caption());

    showFrontDeck();
    registerWindowCommands();
    NameButtonsByToolTip(this);
    // The keyboard starts on the playlist: Enter and Space keep their menu meanings there, as
    // they would not on a button.
    playlistPanel->lstAudio()->setFocus();
    keys_ = new KeyboardRules(
        this, [this] { desk_.playlist().removeSelected(); }, this);

    // The client area is the central widget; the menu bar sits above it.
    resize(kClientWidth, kClientHeight);
    move(kLeft, kTop);

    desk_.onLoad(viewSteps());
    // Start-up builds the menu bar, so the height is known only now.
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    updateOnAir();
}

MainWindow::~MainWindow() = default;

ViewSteps MainWindow::viewSteps() {
    ViewSteps steps;
    steps.buildMenu = [this] {
        // The ticks of the on/off items always show the mixer's settings.
        const auto showSettings = [this] {
            actions_.value(QStringLiteral("mnuTrimSilence"))
                ->setChecked(desk_.mixer().trimSilence());
            actions_.value(QStringLiteral("mnuLevelLoudness"))
                ->setChecked(desk_.mixer().levelLoudness());
            actions_.value(QStringLiteral("mnuFadeAtOutro"))
                ->setChecked(desk_.mixer().fadeAtOutro());
            actions_.value(QStringLiteral("mnuMatchBeats"))->setChecked(desk_.mixer().matchBeats());
            actions_.value(QStringLiteral("mnuRepeat"))->setChecked(desk_.rotation().repeat());
            actions_.value(QStringLiteral("mnuShuffleEachRound"))
                ->setChecked(desk_.rotation().shuffleEachRound());
            actions_.value(QStringLiteral("mnuRecord"))->setChecked(desk_.onAir().recording());
            actions_.value(QStringLiteral("mnuStream"))->setChecked(desk_.onAir().streaming());
        };
        actions_ = BuildMenu(
            menuBar(),
            [this, showSettings](MenuCommand command) {
                desk_.runMenuCommand(command);
                showSettings();
            },
            [this](const QString& button) { return buttonPicture(button); });
        showSettings();
    };
    steps.setMeterImage = [this](const QString& meter, const QString& image) {
        // "VUleft2" is deck 2's left meter.
        const int deck = meter.endsWith(QLatin1Char('2')) ? 1 : 0;
        LevelMeter& m = meter.startsWith(QLatin1String("VUleft")) ? deckPanels_[deck]->vuLeft()
                                                                  : deckPanels_[deck]->vuRight();
        m.setImage(image);
    };
    steps.unloadOtherWindows = [this] { unloadOtherWindows(); };
    return steps;
}

QIcon MainWindow::buttonPicture(const QString& name) const {
    // The picture of the window's own button of that name; the hidden picture holders
    // ("tlbCmdPlay") lend deck 1's button of the same role ("cmdPlay").
    QStringList names{name};
    if (name.startsWith(QLatin1String("tlbCmd"))) names << QStringLiteral("cmd") + name.mid(6);
    for (const QString& n : names)
        if (auto* b = findChild<QAbstractButton*>(n); b && !b->icon().isNull()) return b->icon();
    return ButtonPicture(name);
}

void MainWindow::addItems(const QStringList& paths) {
    desk_.addCommandLineItems(paths, QDir::currentPath());
}

void MainWindow::bringToFront() {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

void MainWindow::registerWindowCommands() {
    // The commands that need the window or the desktop; the desk registers the rest.
    desk_.setMenuHandler(MenuCommand::Help, [this] {
        // A missing manual or browser is ignored, as the shell's failure always was.
        QDesktopServices::openUrl(QUrl::fromLocalFile(HelpFile(desk_.programFolder())));
    });
    desk_.setMenuHandler(MenuCommand::OnlineSupport, [this] {
        QUrl page = QUrl::fromLocalFile(HelpFile(desk_.programFolder()));
        page.setFragment(kSupportSection);
        QDesktopServices::openUrl(page);
    });
    desk_.setMenuHandler(MenuCommand::About,
                         [this] { AboutBox::showModal(desk_.dialogs(), this); });
    desk_.setMenuHandler(MenuCommand::Exit, [this] { close(); });
    desk_.setMenuHandler(MenuCommand::Jingles, [this] {
        JingleSettings settings = desk_.jingles().settings();
        if (editJingles(this, settings)) desk_.jingles().apply(settings);
    });
    desk_.setMenuHandler(MenuCommand::Schedule, [this] {
        DaySchedule& schedule = desk_.schedule();
        auto startAt = schedule.startAt();
        auto stopAt = schedule.stopAt();
        if (editSchedule(this, startAt, stopAt)) schedule.setTimes(startAt, stopAt);
    });
    desk_.setMenuHandler(MenuCommand::Broadcast, [this] {
        if (!broadcastDialog_) broadcastDialog_ = new BroadcastDialog(desk_.onAir(), this);
        broadcastDialog_->show();
        broadcastDialog_->raise();
        broadcastDialog_->activateWindow();
    });
    desk_.setMenuHandler(MenuCommand::Record, [this] { toggleRecording(); });
}

void MainWindow::showFrontDeck() {
    const bool deck2 = desk_.decks().deck2InFront();
    deckPanels_[0]->setVisible(!deck2);
    deckPanels_[1]->setVisible(deck2);
}

void MainWindow::updateNullNotice() {
    nullNotice_->setVisible(desk_.engine().onNullOutput());
}

void MainWindow::updateOnAir() {
    OnAir& onAir = desk_.onAir();
    if (!onAir.used()) return;
    if (!onAirState_) {
        // The status bar comes with the first stream or recording; the window grows by it so
        // the designed client area stays whole.
        onAirState_ = new QLabel(this);
        onAirState_->setObjectName(QStringLiteral("lblOnAir"));
        statusBar()->addWidget(onAirState_, 1);
        statusBar()->setSizeGripEnabled(false);
        resize(width(), height() + statusBar()->sizeHint().height());
    }
    onAirState_->setText(onAir.statusText());
}

void MainWindow::toggleRecording() {
    OnAir& onAir = desk_.onAir();
    if (onAir.recording()) {
        onAir.stopRecording();
    } else {
        const QString file = desk_.dialogs().saveFile(
            QStringLiteral("Record the mix"),
            QStringLiteral("WAV (*.wav);;FLAC (*.flac);;Ogg Vorbis (*.ogg);;MP3 (*.mp3)"));
        if (!file.isEmpty()) onAir.startRecording(file);
    }
    updateOnAir();
}

void MainWindow::unloadOtherWindows() {
    // Last opened first, as the window collection was walked; the main window is already going.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        QWidget* w = *it;
        if (w == this || !w->isVisible()) continue;
        w->close();
    }
}

void MainWindow::unload() {
    if (desk_.unloading()) return;
    outputWatch_->stop();
    desk_.onUnload(viewSteps());
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The program never cancels its unload.
    unload();
    event->accept();
}

}  // namespace vantrel
