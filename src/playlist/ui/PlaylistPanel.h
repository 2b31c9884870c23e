#pragma once
// The "Playlist" tab page: lstAudio on the playlist model, the five editing buttons and New,
// Open, Save, Add file, Add folder and Search. Each button calls one core handler; the list
// drives the playlist's drag state machine and reports clicks and double clicks, which the main
// window hands to the decks.
#include <QListView>
#include <QPointer>
#include <QWidget>
#include <atomic>

class QThread;
class QToolButton;

namespace vantrel {

class Dialogs;
class DropAdder;
class PlaylistCommands;
class Playlist;
class SearchDialog;

// The list itself: while a button is held it moves the selection to the entry under the pointer
// (the list's own behaviour), then lets the playlist follow. Files and folders dropped from the
// file manager are added where they are dropped, folders walked on a worker thread.
class PlaylistView : public QListView {
    Q_OBJECT
public:
    PlaylistView(Playlist& list, DropAdder& dropAdder, QWidget* parent = nullptr);
    ~PlaylistView() override;
    static QCursor dragCursor();

    // Adds the local files, folders and lists of a drop at entry `row` (past the end: appended).
    void addDropped(const QStringList& paths, int row);
    bool addingDropped() const;

signals:
    void droppedAdded(int count);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void takeViewSelection();
    void showListSelection();

    Playlist& list_;
    DropAdder& dropAdder_;
};

class PlaylistPanel : public QWidget {
    Q_OBJECT
public:
    PlaylistPanel(PlaylistCommands& commands, Dialogs& dialogs, QWidget* parent = nullptr);
    ~PlaylistPanel() override;

    PlaylistView* lstAudio() const { return playlistView_; }
    QToolButton* button(const QString& name) const;  // "cmdLstUp", "cmdScan", ...
    // The search dialog once cmdScan has made it; null before and after it was closed.
    SearchDialog* searchDialog() const { return search_; }

    // cmdScan: show the one search dialog, making it on first use.
    void openSearch();

    QSize sizeHint() const override { return {490, 330}; }

signals:
    void entryClicked();
    void entryDoubleClicked();

private:
    QToolButton* addButton(const char* name, const QString& toolTip, const QIcon& icon);

    PlaylistCommands& commands_;
    Dialogs& dialogs_;
    PlaylistView* playlistView_ = nullptr;
    QList<QToolButton*> buttons_;
    QPointer<SearchDialog> search_;
};

}  // namespace vantrel
