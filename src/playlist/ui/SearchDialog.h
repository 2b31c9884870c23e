#pragma once
// "Search for audio files": pick a folder, see every audio file below it, add some or all of them
// to the end of the playlist. Modeless, one instance for the program: the add buttons only hide
// it, so its list and remembered folder survive; closing it through the window's close control
// ends it (the next cmdScan makes a fresh one).
//
// The walk runs on a worker thread with a live count and a Cancel button, so a search of a whole
// drive never blocks the window or the music. It is the same FileSearch walk as on the UI thread,
// so the results come in the same order; a cancelled search lists what it found until then.
// Cancel and close never wait for the worker: one stuck in a hung mount is left to finish on its
// own, with a search object of its own that nothing else touches.
#include <QDialog>
#include <memory>

class QLabel;
class QListView;
class QPushButton;
class QStringListModel;
class QTimer;

namespace vantrel {

class Dialogs;
class FileSearch;
class Playlist;

class SearchDialog : public QDialog {
    Q_OBJECT
public:
    SearchDialog(Playlist& playlist, Dialogs& dialogs, QWidget* parent = nullptr);
    ~SearchDialog() override;

    QPushButton* cmdSearch() const { return searchButton_; }
    QListView* lstFoundAudios() const { return foundFilesView_; }
    QPushButton* cmdAddSelected() const { return addSelectedButton_; }
    QPushButton* cmdAddAll() const { return addAllButton_; }
    QPushButton* cmdCancel() const { return cancelButton_; }
    QLabel* lblStatus() const { return statusLabel_; }

    const QString& LastSearchFolder() const { return lastSearchFolder_; }
    QStringList foundPaths() const;
    bool searching() const { return job_ != nullptr; }

    void onSearch();
    void onAddSelected();
    void onAddAll();
    // Stops a running search; what it found so far is listed.
    void cancelSearch();

signals:
    void searchFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void finishSearch();
    void showProgress();
    void add(const QStringList& paths);
    void abandonSearch();

    Playlist& playlist_;
    Dialogs& dialogs_;
    QString lastSearchFolder_;
    struct SearchJob;
    std::shared_ptr<SearchJob> job_;  // the running search, shared with its worker

    QPushButton* searchButton_ = nullptr;
    QListView* foundFilesView_ = nullptr;
    QStringListModel* found_ = nullptr;
    QPushButton* addSelectedButton_ = nullptr;
    QPushButton* addAllButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QTimer* progress_ = nullptr;
};

}  // namespace vantrel
