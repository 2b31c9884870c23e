#include "playlist/Playlist.h"

#include <algorithm>

namespace vantrel {

Playlist::Playlist(QObject* parent) : QAbstractListModel(parent) {}

QString Playlist::title(int i) const {
    return i >= 0 && i < count() ? entries_[i].title : QString();
}

QString Playlist::path(int i) const {
    return i >= 0 && i < count() ? entries_[i].path : QString();
}

bool Playlist::append(const QString& title, const QString& path) {
    return insert(count(), title, path);
}

int Playlist::appendEntries(const QList<Entry>& more) {
    const int n = std::min<int>(static_cast<int>(more.size()), kMaxEntries - count());
    if (n <= 0) return 0;
    beginInsertRows(QModelIndex(), count(), count() + n - 1);
    entries_.append(more.mid(0, n));
    endInsertRows();
    return n;
}

int Playlist::insertEntries(int i, const QList<Entry>& more) {
    i = std::clamp(i, 0, count());
    const int n = std::min<int>(static_cast<int>(more.size()), kMaxEntries - count());
    if (n <= 0) return 0;
    beginInsertRows(QModelIndex(), i, i + n - 1);
    entries_.insert(i, n, Entry{});
    std::copy(more.cbegin(), more.cbegin() + n, entries_.begin() + i);
    endInsertRows();
    if (dragIndex_ >= i) dragIndex_ += n;
    if (selected_ >= i) setSelected(selected_ + n);
    return n;
}

bool Playlist::insert(int i, const QString& title, const QString& path) {
    if (i < 0 || i > count() || count() >= kMaxEntries) return false;
    beginInsertRows(QModelIndex(), i, i);
    entries_.insert(i, Entry{title, path});
    endInsertRows();
    if (dragIndex_ >= i) ++dragIndex_;
    if (selected_ >= i) setSelected(selected_ + 1);
    return true;
}

void Playlist::removeAt(int i) {
    if (i < 0 || i >= count()) return;
    beginRemoveRows(QModelIndex(), i, i);
    entries_.removeAt(i);
    endRemoveRows();
    // The selection and an entry held by the mouse follow edits made meanwhile (the mixer
    // takes the top one); the removed entry itself is gone from both.
    const auto follow = [i](int s) { return s == i ? -1 : s > i ? s - 1 : s; };
    dragIndex_ = follow(dragIndex_);
    setSelected(follow(selected_));
}

void Playlist::takeFirst() {
    if (isEmpty()) return;
    const Entry taken = entries_.first();
    removeAt(0);
    emit firstTaken(taken.title, taken.path);
}

void Playlist::move(int from, int to) {
    if (from < 0 || from >= count() || to < 0 || to >= count() || from == to) return;
    // Qt's destination row is the row the entry goes before, counted before the move.
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    entries_.move(from, to);
    endMoveRows();
    const auto follow = [from, to](int s) {
        if (s == from) return to;
        if (from < s && s <= to) return s - 1;
        if (to <= s && s < from) return s + 1;
        return s;
    };
    dragIndex_ = follow(dragIndex_);
    setSelected(follow(selected_));
}

void Playlist::clear() {
    if (entries_.isEmpty()) return;
    beginResetModel();
    entries_.clear();
    endResetModel();
    dragIndex_ = -1;
    setSelected(-1);
}

bool Playlist::rearrange(const QList<int>& order) {
    if (order.size() != entries_.size()) return false;
    QList<int> newPlace(count(), -1);
    for (int i = 0; i < count(); ++i) {
        const int from = order[i];
        if (from < 0 || from >= count() || newPlace[from] >= 0) return false;
        newPlace[from] = i;
    }
    QList<Entry> moved;
    moved.reserve(count());
    for (int from : order) moved.append(entries_[from]);
    beginResetModel();
    entries_ = std::move(moved);
    endResetModel();
    // The selection and a held entry go with their entries.
    if (dragIndex_ >= 0 && dragIndex_ < count()) dragIndex_ = newPlace[dragIndex_];
    if (selected_ >= 0) {
        const int was = selected_;
        selected_ = -1;
        setSelected(newPlace[was]);
    }
    return true;
}

void Playlist::setSelected(int i) {
    if (i < -1 || i >= count()) i = -1;
    if (i == selected_) return;
    selected_ = i;
    emit selectionChanged(i);
}

void Playlist::moveUp() {
    const int i = selected_;
    if (i <= 0) return;
    move(i, i - 1);
    setSelected(i - 1);
}

void Playlist::moveDown() {
    const int i = selected_;
    if (i < 0 || i == count() - 1) return;
    move(i, i + 1);
    setSelected(i + 1);
}

void Playlist::moveFirst() {
    const int i = selected_;
    if (i <= 0) return;
    move(i, 0);
    setSelected(0);
}

void Playlist::moveLast() {
    const int i = selected_;
    if (i < 0 || i == count() - 1) return;
    move(i, count() - 1);
    setSelected(count() - 1);
}

void Playlist::removeSelected() {
    const int i = selected_;
    if (i < 0) return;
    removeAt(i);
    setSelected(-1);
}

void Playlist::cmdNewPlaylist() {
    clear();
}

void Playlist::readDragFromSelection() {
    dragIndex_ = selected_;
    dragText_ = title(selected_);
    dragPath_ = path(selected_);
}

void Playlist::dragMouseDown() {
    readDragFromSelection();
    if (!dragging_) {
        dragging_ = true;
        emit draggingChanged(true);
    }
}

void Playlist::dragMouseMove() {
    const int k = selected_;
    // A press with nothing selected has nothing to carry: moving onto an entry then only selects
    // it (it must not plant an empty entry there).
    if (dragging_ && k != dragIndex_ && k >= 0 && dragIndex_ >= 0 && dragIndex_ < count()) {
        // Deleting the old copy before inserting at k puts the entry exactly at k either way,
        // which is what a move does in one step.
        move(dragIndex_, k);
        setSelected(k);
    }
    readDragFromSelection();
}

void Playlist::dragMouseUp() {
    if (dragging_) {
        dragging_ = false;
        emit draggingChanged(false);
    }
}

int Playlist::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant Playlist::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) return {};
    const Entry& e = entries_[index.row()];
    switch (role) {
        case Qt::DisplayRole:
            return e.title;
        case PathRole:
            return e.path;
        default:
            return {};
    }
}

QHash<int, QByteArray> Playlist::roleNames() const {
    return {{Qt::DisplayRole, "title"}, {PathRole, "path"}};
}

}  // namespace vantrel
