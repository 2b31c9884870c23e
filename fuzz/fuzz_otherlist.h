#pragma once
// The rules every reader of another player's list keeps, whatever bytes it is given: entries
// are clean absolute paths, never more than a playlist holds, and one entry per line or track
// at most.
#include <QDir>

#include "FuzzSupport.h"
#include "playlist/OtherLists.h"
#include "playlist/Playlist.h"

namespace vantrel::fuzz {

inline void checkOtherListRead(const OtherListRead& read, qsizetype most) {
    require(read.paths.size() <= Playlist::kMaxEntries, "never more entries than a list holds");
    require(read.paths.size() <= most, "no more entries than the list has lines or tracks");
    for (const QString& path : read.paths) {
        require(path.startsWith(QLatin1Char('/')), "an entry is an absolute path");
        require(QDir::cleanPath(path) == path, "an entry is a clean path");
    }
}

}  // namespace vantrel::fuzz
