#pragma once
// Adding files and folders to a list pair, and the display text of an entry.
#include <QString>
#include <optional>

#include "base/Dialogs.h"
#include "playlist/FileSearch.h"
#include "playlist/Playlist.h"

namespace vantrel {

enum class Mp3Case { Exact, AnyCase };

// The type label for the last three characters of `nameOrPath`, " (MP3 file)" and so on. Every
// row is compared exactly (lower case), except "mp3" with Mp3Case::AnyCase.
QString TypeLabel(const QString& nameOrPath, Mp3Case mp3);

// The file name without its last four characters, whatever they are, followed by its type label.
// A name shorter than four characters has no name part: no text.
std::optional<QString> DisplayText(const QString& fileName, Mp3Case mp3);

// The text after the last "/".
QString FileNamePart(const QString& path);

inline const QString kAudioFilter = QStringLiteral(
    "All supported audio formats|*.*;*.cda;*.wav;*.mp3;*.ogg;*.wma;*.aif|WAV files (*.wav)|*.wav|"
    "MP3 files (*.mp3)|*.mp3|Audio tracks (*.cda)|*.cda|Ogg Vorbis (*.ogg)|*.ogg|"
    "Windows Media Audio (*.wma)|*.wma|AIF (Mac) (*.aif)|*.aif");
inline const QString kAudioPatterns = QStringLiteral("*.mp3;*.wav;*.ogg;*.wma");
inline const QString kBrowseTitle = QStringLiteral("Add folder with audio files to playlist");

// The folder browser, opened on `initialFolder`; the chosen folder or "" when cancelled.
QString BrowseForFolder(Dialogs& dialogs, const QString& initialFolder);

// cmdAddFileList: pick one or more files in "Open audio" and append them in the dialog's order.
// A name too short for a name part ends the command there; what was appended before stays.
void AddFiles(Playlist& target, Dialogs& dialogs);

// Appends the display texts (mp3 in any case) of `paths` in one model update.
void AppendFoundFiles(Playlist& target, const QStringList& paths);
// The entries AppendFoundFiles appends for `paths`.
QList<Playlist::Entry> FoundEntries(const QStringList& paths);

// Files and folders dropped from a file manager, in the drop's order: a file that matches
// kAudioPatterns as itself, a folder as the folder command walks it with `search`. Other files
// are left out. May run on a worker thread, with `search` its own.
QStringList DroppedAudioFiles(const QStringList& dropped, FileSearch& search);

// cmdAddFolderList and its twins: browse (opened on `lastFolder`), remember the choice in
// `lastFolder`, search it and all folders below it for `patterns` with `search`, append what was
// found in search order, then forget the results and keep the patterns.
void AddFolder(Playlist& target, Dialogs& dialogs, FileSearch& search, QString& lastFolder,
               const QString& patterns);

}  // namespace vantrel
