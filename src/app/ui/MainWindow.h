#pragma once
// frmMain: the two deck panels stacked at one place (only the front one shows), the tab strip
// with the playlist, the sample lists and the cue list, and the menu bar. It holds no state of
// its own: it shows the desk and hands every click and key to the desk's handlers.
#include <QHash>
#include <QIcon>
#include <QMainWindow>
#include <QPointer>

#include "app/Desk.h"

class QAction;
class QDialog;
class QLabel;
class QTabWidget;
class QTimer;

namespace vantrel {

class DeckPanel;
class Desk;
class PlaylistPanel;
class KeyboardRules;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 501;   // 7515 twips
    static constexpr int kClientHeight = 618;  // 9270 twips
    static constexpr int kLeft = 264;          // 3960 twips
    static constexpr int kTop = 40;            // 600 twips

    // Builds the window's controls and runs onLoad; show() it afterwards.
    explicit MainWindow(Desk& desk, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Form_Unload and the end of the process; what the close box, "Exit" and a termination
    // signal all do. Runs once.
    void unload();

    QAction* menuAction(const QString& key) const { return actions_.value(key); }
    DeckPanel* deckPanel(int index) const { return deckPanels_[index]; }
    QTabWidget* tabs() const { return tabs_; }

    // Files, folders and lists from the command line, of this start or a later one: added to the
    // end of the playlist as a drop adds them.
    void addItems(const QStringList& paths);
    // Shows the window in front of the others, as a second start asks.
    void bringToFront();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ViewSteps viewSteps();
    QIcon buttonPicture(const QString& name) const;
    void registerWindowCommands();
    void showFrontDeck();
    void updateNullNotice();
    // The stream's and the recording's state, in the status bar once either was started.
    void updateOnAir();
    void toggleRecording();
    void unloadOtherWindows();

    Desk& desk_;
    DeckPanel* deckPanels_[2] = {nullptr, nullptr};
    QTabWidget* tabs_ = nullptr;
    PlaylistPanel* playlistPanel_ = nullptr;
    QLabel* nullNotice_ = nullptr;
    QLabel* holdNotice_ = nullptr;
    QLabel* onAirState_ = nullptr;
    QPointer<QDialog> broadcastDialog_;
    QTimer* outputWatch_ = nullptr;
    KeyboardRules* keys_ = nullptr;
    QHash<QString, QAction*> actions_;
};

}  // namespace vantrel
