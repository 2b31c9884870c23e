#pragma once
// A folder's file names as a list, the way a file list box shows them: pointed at a folder with a
// pattern, sorted, one selected name, and read again whenever the folder changes on disk.
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>

namespace vantrel {

class FileList : public QObject {
    Q_OBJECT
public:
    explicit FileList(QObject* parent = nullptr);

    // "*" (every file) unless set; several patterns are separated by ";" and compared without
    // regard to case. Re-reads the folder.
    void SetPattern(const QString& pattern);
    const QString& Pattern() const { return pattern_; }

    // Points the list at `folder` (a trailing separator is dropped) and reads it. A folder that
    // does not exist or cannot be read gives an empty list and returns false; the list still
    // fills in if the folder appears later.
    bool SetPath(const QString& folder);
    const QString& Path() const { return path_; }

    const QStringList& Names() const { return names_; }
    int ListCount() const { return static_cast<int>(names_.size()); }
    QString List(int i) const { return i >= 0 && i < ListCount() ? names_.at(i) : QString(); }

    // The selected position, -1 = none; a re-read keeps the selected name when it is still there.
    int ListIndex() const { return listIndex_; }
    void SetListIndex(int i);
    QString FileName() const { return List(listIndex_); }
    // Path() + "/" + FileName(), or empty without a selection.
    QString SelectedPath() const;

    // Reads the folder again now (the watcher does this by itself).
    void Refresh();

signals:
    void namesChanged();
    void listIndexChanged(int index);

private:
    void watch();

    QString path_;
    QString pattern_ = QStringLiteral("*");
    QStringList names_;
    int listIndex_ = -1;
    QFileSystemWatcher watcher_;
};

}  // namespace vantrel
