#pragma once
// Shared by the playlist tests: folder trees for the searches and a small script language that
// edits a playlist.
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include "playlist/Playlist.h"

namespace vantrel::test {

// "sub/x.mp3" makes a file holding "x", "sub/" a folder.
inline bool makeTree(const QString& root, const QStringList& entries) {
    for (const QString& e : entries) {
        const QString full = root + QLatin1Char('/') + e;
        QDir().mkpath(e.endsWith(u'/') ? full : QFileInfo(full).path());
        QFile f(full);
        if (!e.endsWith(u'/') && !(f.open(QIODevice::WriteOnly) && f.write("x") == 1)) return false;
    }
    return true;
}

// Entries "1".."n" with paths "/p/1".."/p/n", so a title and its path tell whether they still
// belong together.
inline void fill(Playlist& list, int n) {
    for (int i = 1; i <= n; ++i) list.append(QString::number(i), QStringLiteral("/p/%1").arg(i));
}

inline QString order(const Playlist& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i) {
        if (list.path(i) != QStringLiteral("/p/") + list.title(i)) return QStringLiteral("torn");
        out << list.title(i);
    }
    return out.join(QLatin1Char(','));
}

// One step: "sK" selects entry K ("s-" nothing), "a" appends, "iK" inserts at K, "rK" removes
// entry K, "MKJ" moves entry K to J; U D F L X N are the up, down, first, last, remove and new
// commands; d m u the drag's press, move and release. "?" in place of K picks at random.
inline void apply(Playlist& list, const QString& step, QRandomGenerator& rng) {
    const int n = list.count();
    const QChar c = step[0];
    const QString arg = step.mid(1);
    int k = arg == u"-" ? -1 : arg.toInt();
    if (arg == u"?") k = c == u'i' ? int(rng.bounded(n + 1)) : n ? int(rng.bounded(n)) : -1;
    const QString title = QString::number(1000 + n);
    if (c == u's') list.setSelected(k);
    if (c == u'a') list.append(title, QStringLiteral("/p/") + title);
    if (c == u'i') list.insert(k, title, QStringLiteral("/p/") + title);
    if (c == u'r') list.removeAt(k);
    if (c == u'M') list.move(arg[0].digitValue(), arg[1].digitValue());
    static const QHash<QChar, void (Playlist::*)()> commands{
        {u'U', &Playlist::moveUp},         {u'D', &Playlist::moveDown},
        {u'F', &Playlist::moveFirst},      {u'L', &Playlist::moveLast},
        {u'X', &Playlist::removeSelected}, {u'N', &Playlist::cmdNewPlaylist},
        {u'd', &Playlist::dragMouseDown},  {u'm', &Playlist::dragMouseMove},
        {u'u', &Playlist::dragMouseUp}};
    if (const auto command = commands.value(c)) (list.*command)();
    if (c == u'd' || c == u'u') QCOMPARE(list.Dragging(), c == u'd');
}

}  // namespace vantrel::test
