#include "playlist/AddFiles.h"

#include <algorithm>

#include "base/FilePath.h"

namespace vantrel {

QString TypeLabel(const QString& nameOrPath, Mp3Case mp3) {
    const QStringView last = QStringView(nameOrPath).right(3);
    if (last == u"cda") return QStringLiteral(" (audio track)");
    if (mp3 == Mp3Case::AnyCase ? last.compare(u"mp3", Qt::CaseInsensitive) == 0 : last == u"mp3")
        return QStringLiteral(" (MP3 file)");
    if (last == u"wav") return QStringLiteral(" (Wav file)");
    if (last == u"ogg") return QStringLiteral(" (Ogg Vorbis file)");
    if (last == u"wma") return QStringLiteral(" (Windows Media Audio)");
    if (last == u"aif") return QStringLiteral(" (Aif - Mac)");
    return QStringLiteral(" (unknown audio format)");
}

std::optional<QString> DisplayText(const QString& fileName, Mp3Case mp3) {
    if (fileName.size() < 4) return std::nullopt;
    return PathForDisplay(fileName.left(fileName.size() - 4)) + TypeLabel(fileName, mp3);
}

QString FileNamePart(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString BrowseForFolder(Dialogs& dialogs, const QString& initialFolder) {
    return dialogs.browseForFolder(kBrowseTitle, initialFolder);
}

void AddFiles(Playlist& target, Dialogs& dialogs) {
    const QStringList chosen = dialogs.openFiles(QStringLiteral("Open audio"), kAudioFilter, true);
    QList<Playlist::Entry> entries;
    entries.reserve(chosen.size());
    for (const QString& path : chosen) {
        // One file takes its label from the full path, several from each name; with names of
        // four characters or more the two agree, so one rule serves both.
        const QString name = FileNamePart(path);
        if (name.size() < 4) break;
        const QString label = TypeLabel(chosen.size() == 1 ? path : name, Mp3Case::Exact);
        entries.append({PathForDisplay(name.left(name.size() - 4)) + label, path});
    }
    target.appendEntries(entries);
}

void AppendFoundFiles(Playlist& target, const QStringList& paths) {
    target.appendEntries(FoundEntries(paths));
}

QList<Playlist::Entry> FoundEntries(const QStringList& paths) {
    QList<Playlist::Entry> entries;
    entries.reserve(paths.size());
    for (const QString& p : paths) {
        // The search patterns guarantee names of at least four characters.
        if (auto text = DisplayText(FileNamePart(p), Mp3Case::AnyCase))
            entries.append({std::move(*text), p});
    }
    return entries;
}

QStringList DroppedAudioFiles(const QStringList& dropped, FileSearch& search) {
    QList<WildcardPattern> audio;
    for (const QString& p : kAudioPatterns.split(QLatin1Char(';')))
        audio.append(WildcardPattern(p));
    QStringList found;
    for (QString path : dropped) {
        if (IsFolder(path)) {
            // As the folder browser gives it: no trailing separator.
            if (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
            search.ResetSearch(true);
            search.SetFilePatterns(kAudioPatterns);
            search.FindFilesWithPatterns(path, true);
            found += search.CopyFiles();
            continue;
        }
        const QString name = FileNamePart(path);
        if (std::any_of(audio.cbegin(), audio.cend(),
                        [&name](const WildcardPattern& w) { return w.matches(name); }))
            found << path;
    }
    search.ResetSearch(true);
    return found;
}

void AddFolder(Playlist& target, Dialogs& dialogs, FileSearch& search, QString& lastFolder,
               const QString& patterns) {
    QString f = lastFolder;
    if (f.size() > 1 && f.endsWith(QLatin1Char('/'))) f.chop(1);
    const QString chosen = BrowseForFolder(dialogs, f);
    if (chosen.isEmpty()) return;
    lastFolder = chosen;
    search.SetFilePatterns(patterns);
    search.FindFilesWithPatterns(chosen, true);
    if (search.FilesFound == 0) return;
    AppendFoundFiles(target, search.CopyFiles());
    search.ResetSearch(false);
}

}  // namespace vantrel
