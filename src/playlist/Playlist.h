#pragma once
// The playlist pair (display titles and full paths, lstAudio/lstPath or lstSample/lstSamplePath)
// kept as one list of entries, so the two halves can never differ in length or order. Exposed to
// the view as a list model: DisplayRole is the title, PathRole the path.
#include <QAbstractListModel>
#include <QList>
#include <QString>

namespace vantrel {

class Playlist : public QAbstractListModel {
    Q_OBJECT
public:
    // Positions are 16-bit in the list boxes this replaces. Appends and inserts beyond the limit
    // are refused (they return false) and the list is left as it was: a full playlist silently
    // takes no more, like any other failed command.
    static constexpr int kMaxEntries = 32767;
    enum Role { PathRole = Qt::UserRole + 1 };

    struct Entry {
        QString title;
        QString path;
        bool operator==(const Entry&) const = default;
    };

    explicit Playlist(QObject* parent = nullptr);

    int count() const { return static_cast<int>(entries_.size()); }
    bool isEmpty() const { return entries_.isEmpty(); }
    // Out-of-range positions give an empty string, as a list box's List(i) does.
    QString title(int i) const;
    QString path(int i) const;
    const QList<Entry>& entries() const { return entries_; }

    bool append(const QString& title, const QString& path);
    // Appends as many as fit in one model update; returns how many were taken.
    int appendEntries(const QList<Entry>& entries);
    // 0 <= i <= count(); anything else is refused.
    bool insert(int i, const QString& title, const QString& path);
    // Inserts as many as fit at i (clamped to the list) in one model update; returns how many.
    int insertEntries(int i, const QList<Entry>& entries);
    void removeAt(int i);
    // The automatic mix takes the top entry off as it fades it in (or passes over it): removed
    // like removeAt(0), and announced, so that a repeating list can put it back.
    void takeFirst();
    // Moves entry `from` so that it ends up at position `to` (both in range).
    void move(int from, int to);
    void clear();
    // Puts the entries in a new order: order[i] is the position, before, of the entry that goes
    // to i. Anything but a permutation of the positions is refused.
    bool rearrange(const QList<int>& order);

    // The one selected position, -1 = none. Follows its entry through inserts, removes and moves
    // of other entries; removing the selected entry clears it.
    int selected() const { return selected_; }
    void setSelected(int i);

    // The editing commands of the playlist tab; each acts on the selected entry and does nothing
    // without a selection or when the move would leave the list.
    void moveUp();
    void moveDown();
    void moveFirst();
    void moveLast();
    void removeSelected();
    void cmdNewPlaylist();

    // Drag to reorder. The view moves the selection to the entry under the pointer while a button
    // is held (a list widget's own behaviour) and then calls these; they follow the selection.
    void dragMouseDown();
    void dragMouseMove();
    void dragMouseUp();
    bool Dragging() const { return dragging_; }
    int DragIndex() const { return dragIndex_; }

    // QAbstractListModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void selectionChanged(int selected);
    void draggingChanged(bool dragging);
    void firstTaken(const QString& title, const QString& path);

private:
    void readDragFromSelection();

    QList<Entry> entries_;
    int selected_ = -1;

    QString dragText_;
    QString dragPath_;
    int dragIndex_ = 0;
    bool dragging_ = false;
};

}  // namespace vantrel
