#pragma once
// Playlist and sample-list files: per entry a title line, then a path line, each ended by CR LF,
// UTF-8 without a BOM. One reader and one writer serve every pair and the default playlist.
#include <QString>

#include "base/Dialogs.h"
#include "playlist/Playlist.h"

namespace vantrel {

// Appends the file's entries to `list` (callers that want a fresh list clear it first). Takes
// CR LF and LF line ends and a leading UTF-8 BOM; lines are kept whole, blanks included. Paths
// keep their bytes (base/FilePath.h); in titles invalid UTF-8 becomes U+FFFD. Any failure ends
// the read with an "Error" box; the entries read before it stay. A title line without its path
// line is dropped, so the pair stays whole. A file that is not text (NUL bytes, UTF-16) is read
// as it is, with the box. True when the file was read whole: writing the list back then loses
// nothing of it.
bool LoadList(Playlist& list, const QString& file, Dialogs& dialogs);

// The file's bytes for `entries`. A path holding a line break cannot be stored in a line: such
// entries are left out and counted in `leftOut`.
QByteArray ListFileBytes(const QList<Playlist::Entry>& entries, int* leftOut = nullptr);

// Replaces the file with the list. The file is written beside itself and renamed into place, so
// a failed write (read-only folder, full disk) shows the "Error" box and leaves the old file as
// it was. An empty list gives a 0-byte file. True when the file was replaced.
bool SaveList(const Playlist& list, const QString& file, Dialogs& dialogs);

// The new/open/save commands of one list pair, with their dialog texts.
class ListCommands {
public:
    struct Texts {
        QString openTitle;
        QString openFilter;
        QString saveTitle;
        QString saveFilter;
    };
    static Texts playlistTexts();
    static Texts sampleListTexts();

    ListCommands(Playlist& list, Dialogs& dialogs, Texts texts);

    void newList();   // cmdNewPlaylist / cmdNewSampleList
    void openList();  // cmdOpenPlaylist / cmdOpenSampleList
    void saveList();  // cmdSavePlaylist / cmdSaveSampleList

private:
    Playlist& list_;
    Dialogs& dialogs_;
    Texts texts_;
};

}  // namespace vantrel
