#include "samples/FileList.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace vantrel {

FileList::FileList(QObject* parent) : QObject(parent) {
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { Refresh(); });
}

void FileList::SetPattern(const QString& pattern) {
    pattern_ = pattern.isEmpty() ? QStringLiteral("*") : pattern;
    Refresh();
}

bool FileList::SetPath(const QString& folder) {
    QString p = QDir::fromNativeSeparators(folder);
    while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) p.chop(1);
    path_ = p;
    Refresh();
    return !path_.isEmpty() && QFileInfo(path_).isDir();
}

void FileList::SetListIndex(int i) {
    if (i < -1 || i >= ListCount()) i = -1;
    if (i == listIndex_) return;
    listIndex_ = i;
    emit listIndexChanged(listIndex_);
}

QString FileList::SelectedPath() const {
    const QString name = FileName();
    if (name.isEmpty()) return {};
    return path_.endsWith(QLatin1Char('/')) ? path_ + name : path_ + QLatin1Char('/') + name;
}

void FileList::Refresh() {
    QStringList names;
    if (!path_.isEmpty()) {
        QDir dir(path_);
        dir.setFilter(QDir::Files | QDir::Readable);
        dir.setNameFilters(pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts));
        names = dir.entryList();
    }
    // Sorted as the other folder listings of the program sort: ordinal on the upper-cased
    // names, then ordinal, so the order never depends on the locale.
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a.toUpper(), b.toUpper(), Qt::CaseSensitive);
        return c != 0 ? c < 0 : a < b;
    });
    watch();
    if (names == names_) return;

    const QString selected = FileName();
    names_ = names;
    const int index = selected.isEmpty() ? -1 : static_cast<int>(names_.indexOf(selected));
    emit namesChanged();
    if (index != listIndex_) {
        listIndex_ = index;
        emit listIndexChanged(listIndex_);
    }
}

void FileList::watch() {
    // A missing folder is watched through its nearest existing parent, so that a folder made
    // after start-up fills its list.
    QString target = path_;
    while (!target.isEmpty() && !QFileInfo(target).isDir()) {
        const QString parent = QFileInfo(target).path();
        if (parent == target) break;
        target = parent;
    }
    const QStringList current = watcher_.directories();
    if (current.size() == 1 && current.front() == target) return;
    if (!current.isEmpty()) watcher_.removePaths(current);
    if (!target.isEmpty() && QFileInfo(target).isDir()) watcher_.addPath(target);
}

}  // namespace vantrel
