#pragma once
// Playlists that other players write: M3U and M3U8 (with or without #EXTINF), PLS and XSPF.
// They are only read: the playlist's own file stays the .kvl list. Entries name local files,
// as paths relative to the list's folder, absolute paths or file:// URLs; anything else (a web
// address) is left out. A list too big, too long or malformed gives what could be read before
// the fault and a problem text that says so.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vantrel {

enum class OtherListType { None, M3u, Pls, Xspf };

// By the file name's extension, in any case: .m3u, .m3u8, .pls, .xspf.
OtherListType OtherListTypeOf(const QString& path);

struct OtherListRead {
    QStringList paths;  // absolute, in list order
    QString problem;    // empty when the whole list was read
};

// More than this is not read: no list of songs comes near it.
inline constexpr qint64 kMaxOtherListBytes = 16 * 1024 * 1024;

// Reads the list at `file` (a regular file only: a device or a fifo is refused, never read).
// Touches the disk: never on the window's thread.
OtherListRead ReadOtherList(const QString& file);

// The readers on a list's bytes; `folder` is where relative entries start. At most
// Playlist::kMaxEntries entries are taken.
OtherListRead ParseM3u(const QByteArray& bytes, const QString& folder);
OtherListRead ParsePls(const QByteArray& bytes, const QString& folder);
OtherListRead ParseXspf(const QByteArray& bytes, const QString& folder);

}  // namespace vantrel
