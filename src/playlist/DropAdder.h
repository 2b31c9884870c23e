#pragma once
// Adding what a file manager drops on the playlist, or what the command line names: audio files
// as themselves, folders walked as the folder command walks them, playlists of other players
// (M3U, M3U8, PLS, XSPF) read entry by entry. The walking and reading run on a worker thread
// and the entries come in together once it is done.
#include <QObject>
#include <QStringList>
#include <atomic>
#include <functional>

class QThread;

namespace vantrel {

class Playlist;

// What a drop of `items` adds, in the drop's order, and what went wrong on the way (one line
// per list that could not be read whole). Touches the disk: the worker's side of the adder.
struct DroppedItems {
    QStringList files;
    QStringList problems;
    QString notice;  // said when nothing could be added, as "there is no CD"
};
DroppedItems CollectDroppedItems(const QStringList& items, const std::atomic<bool>* cancel);

class DropAdder : public QObject {
    Q_OBJECT
public:
    explicit DropAdder(Playlist& list, QObject* parent = nullptr);
    // A walk under way is told to stop, and waited for.
    ~DropAdder() override;

    // Adds `items` (absolute paths) at entry `row`; negative or past the end appends. One drop is
    // walked at a time: false, and nothing added, while one is.
    bool add(const QStringList& items, int row = -1);
    // Adds `items` at the end, after any walk under way (the command line's items).
    void append(const QStringList& items);
    // The same for what `collect` finds on the worker thread (the tracks of a CD, ...).
    bool addCollected(std::function<DroppedItems()> collect, int row = -1);
    bool busy() const { return worker_ != nullptr; }

signals:
    void added(int count);
    // One text for all the lists of the drop that could not be read whole.
    void problem(const QString& text);
    void notice(const QString& text);

private:
    Playlist& list_;
    QThread* worker_ = nullptr;
    std::atomic<bool> closing_{false};
    QList<QStringList> waiting_;  // appends that came while a walk was under way
};

}  // namespace vantrel
