#include "app/ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QMenuBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

#include "app/Desk.h"
#include "app/Help.h"
#include "app/ui/AboutBox.h"
#include "app/ui/Icons.h"
#include "app/ui/Menus.h"
#include "deck/ui/DeckPanel.h"
#include "playlist/ui/PlaylistPanel.h"
#include "playlist/ui/SearchDialog.h"  // PlaylistPanel.h holds a QPointer to it
#include "samples/ui/CuePanel.h"
#include "samples/ui/SamplePanel.h"
#include "sound/ui/SoundPanel.h"
#include "widgets/LevelMeter.h"

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
    client->setMinimumSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    for (int i = 0; i < 2; ++i) {
        SoundControls& sound = i == 0 ? desk_.soundControls : desk_.soundControls2;
        auto* panel =
            new DeckPanel(desk_.deck(i), new SoundPanel(sound, desk_.masterVolume, i + 1), client);
        panel->setGeometry(kDeckRect);
        fraPlayer_[i] = panel;
    }
    connect(&desk_, &Desk::Deck2InFrontChanged, this, &MainWindow::showFrontDeck);

    XTab_ = new QTabWidget(client);
    XTab_->setObjectName(QStringLiteral("XTab"));
    XTab_->setGeometry(kTabRect);
    auto* playlistPanel = new PlaylistPanel(desk_);
    connect(playlistPanel, &PlaylistPanel::entryClicked, this, [this] { desk_.lstAudioClick(); });
    connect(playlistPanel, &PlaylistPanel::entryDoubleClicked, this,
            [this] { desk_.lstAudioDblClick(); });
    XTab_->addTab(playlistPanel, QStringLiteral("Playlist"));
    XTab_->addTab(new SamplePanel(desk_), QStringLiteral("Sample list"));
    XTab_->addTab(new CuePanel(desk_.cuePoints), QStringLiteral("Cue list"));

    // Beside the tab strip: the engine plays into nothing when there is no sound device.
    nullNotice_ = new QLabel(QStringLiteral("No sound device \u2013 playing silently"), client);
    nullNotice_->setObjectName(QStringLiteral("lblNoSound"));
    nullNotice_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    nullNotice_->setStyleSheet(QStringLiteral("color: #b02a1e; font-weight: bold;"));
    nullNotice_->setGeometry(kTabRect.x() + 240, kTabRect.y(), kTabRect.width() - 244, 22);
    nullNotice_->setToolTip(
        QStringLiteral("The sound device could not be opened. Vantrel tries again on the next "
                       "Play."));
    outputWatch_ = new QTimer(this);
    outputWatch_->setInterval(500);
    connect(outputWatch_, &QTimer::timeout, this, &MainWindow::updateNullNotice);
    outputWatch_->start();
    updateNullNotice();

    showFrontDeck();
    registerWindowCommands();
    keys_ = new KeyboardRules(
        this, [this] { desk_.playlist.cmdLstRemove(); }, this);

    // The client area is the central widget; the menu bar sits above it.
    resize(kClientWidth, kClientHeight);
    move(kLeft, kTop);

    Form_Load(desk_, viewSteps());
    // Form_Load builds the menu bar, so the height is known only now.
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
}

MainWindow::~MainWindow() = default;

ViewSteps MainWindow::viewSteps() {
    ViewSteps steps;
    steps.BuildMenu = [this] {
        actions_ = BuildMenu(menuBar(), [this](const QString& key) { desk_.runMenuItem(key); });
    };
    steps.setMeterImage = [this](const QString& meter, const QString& image) {
        // "VUleft2" is deck 2's left meter.
        const int deck = meter.endsWith(QLatin1Char('2')) ? 1 : 0;
        LevelMeter& m = meter.startsWith(QLatin1String("VUleft")) ? fraPlayer_[deck]->vuLeft()
                                                                  : fraPlayer_[deck]->vuRight();
        m.setImage(image);
    };
    steps.unloadOtherWindows = [this] { unloadOtherWindows(); };
    return steps;
}

void MainWindow::registerWindowCommands() {
    // The commands that need the window or the desktop; the desk registers the rest.
    desk_.buttons.insert(QStringLiteral("tlbCmdHelp"), [this] {
        // A missing manual or browser is ignored, as the shell's failure always was.
        QDesktopServices::openUrl(QUrl::fromLocalFile(HelpFile(desk_.programFolder)));
    });
    desk_.buttons.insert(QStringLiteral("cmdOnlineSupport"),
                         [] { QDesktopServices::openUrl(QUrl(kSupportPage)); });
    desk_.buttons.insert(QStringLiteral("cmdAbout"),
                         [this] { AboutBox::showModal(desk_.dialogs, this); });
    desk_.buttons.insert(QStringLiteral("mnuExit"), [this] { close(); });
}

void MainWindow::showFrontDeck() {
    const bool deck2 = desk_.state.Deck2InFront;
    fraPlayer_[0]->setVisible(!deck2);
    fraPlayer_[1]->setVisible(deck2);
}

void MainWindow::updateNullNotice() {
    nullNotice_->setVisible(desk_.engine.onNullOutput());
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
    if (desk_.unloading) return;
    outputWatch_->stop();
    Form_Unload(desk_, viewSteps());
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The program never cancels its unload.
    unload();
    event->accept();
}

}  // namespace vantrel
