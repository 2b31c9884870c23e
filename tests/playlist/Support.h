#pragma once
// Shared by the playlist tests: folder trees for the searches, and playlists whose entries tell
// whether their titles and paths still belong together.
#include <QDir>
#include <QFile>
#include <QtTest>

#include "playlist/Playlist.h"
#include "support/AudioFiles.h"

namespace vantrel::test {

// "sub/x.mp3" makes a file holding "x", "sub/" a folder, "name>target" a link to root/target.
inline bool makeTree(const QString& root, const QStringList& entries) {
    for (const QString& e : entries) {
        const QStringList link = e.split(u'>');
        const QString full = root + QLatin1Char('/') + link[0];
        QDir().mkpath(e.endsWith(u'/') ? full : QFileInfo(full).path());
        if (link.size() == 2 && !QFile::link(root + QLatin1Char('/') + link[1], full)) return false;
        if (link.size() == 1 && !e.endsWith(u'/') && !writeFile(full, "x")) return false;
    }
    return true;
}

// Entries "1".."n" with paths "/p/1".."/p/n", so a title and its path tell whether they still
// belong together.
inline void fill(Playlist& list, int n) {
    for (int i = 1; i <= n; ++i) list.append(QString::number(i), QStringLiteral("/p/%1").arg(i));
}

inline QStringList titles(const Playlist& list) {
    QStringList out;
    for (const Playlist::Entry& e : list.entries()) out << e.title;
    return out;
}

// Each entry as "title@path", the path relative to `root`.
inline QStringList entriesBelow(const Playlist& list, const QString& root) {
    QStringList out;
    for (const Playlist::Entry& e : list.entries())
        out << e.title + u'@' + QDir(root).relativeFilePath(e.path);
    return out;
}

inline QString order(const Playlist& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i) {
        if (list.path(i) != QStringLiteral("/p/") + list.title(i)) return QStringLiteral("torn");
        out << list.title(i);
    }
    return out.join(QLatin1Char(','));
}

}  // namespace vantrel::test
